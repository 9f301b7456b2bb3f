#include "export/field_text.h"

#include "run/context.h"
#include "run/exit.h"
#include "run/run_log.h"
#include "run/text.h"

bool FitsField(std::string_view text, size_t width) {
  std::string t(text);
  return RTrim(t).size() <= width;
}

bool FitsLine(std::string_view text, std::string_view separators) {
  for (char c : text) {
    if (c == '\n' || c == '\r' || separators.find(c) != std::string_view::npos) return false;
  }
  return true;
}

std::string ShownText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

void RequireFitsLine(std::string_view text, std::string_view separators, const char* what) {
  if (FitsLine(text, separators)) return;
  Log("%s '%s' enthält Zeilenumbruch oder Trennzeichen, Übergabe abgebrochen", what, ShownText(text));
  AbortRun(60);
}

std::string NoTrailingBlanks(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
  return std::string(s.substr(0, n));
}

std::string DecimalComma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

std::string PadLeft(std::string_view text, size_t width, char pad) {
  std::string out;
  if (text.size() < width) out.assign(width - text.size(), pad);
  out += text;
  return out;
}
