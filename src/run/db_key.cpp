#include "run/db_key.h"

namespace {
std::string g_keyCollation;  // one setting of the whole run, made before the first key
}  // namespace

void SetKeyCollation(const std::string& collation) { g_keyCollation = collation; }

std::string SqlKeyColumn(std::string_view column) {
  std::string s = "HEX(WEIGHT_STRING(";
  if (g_keyCollation.empty()) {
    s += "RTRIM(";
    s.append(column);
    s += ")))";
  } else {
    s += "CONVERT(RTRIM(";
    s.append(column);
    s += ") USING utf8mb4) COLLATE " + g_keyCollation + "))";
  }
  return s;
}

namespace {

// Each part with its length in front, so that no two lists of parts give the
// same bytes.
void AppendPart(std::string& bytes, char kind, std::string_view part) {
  bytes += kind;
  bytes += std::to_string(part.size());
  bytes += ':';
  bytes.append(part);
}

}  // namespace

DbKey& DbKey::Add(std::string_view serverKey) {
  AppendPart(bytes_, 'k', serverKey);
  return *this;
}

DbKey& DbKey::AddExact(std::string_view text) {
  AppendPart(bytes_, 'x', text);
  return *this;
}
