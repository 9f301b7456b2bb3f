#include "run/server_check.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <set>

#include "run/db.h"
#include "run/db_key.h"
#include "run/text.h"

namespace {

constexpr const char* kSystemSchema = "Darvonix";

// Lower-case ASCII: a case-insensitive name match.
std::string Folded(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Names as the server lists them, by folded name; false when they cannot be read.
bool ReadNames(const std::string& statement, std::map<std::string, std::set<std::string>>& out) {
  SqlCursor c;
  c.Statement = statement;
  int st = dbExec(c);
  std::string name;
  while (st == 0 && (st = SqlFetchInto(c, name)) == 0) {
    out[Folded(name)].insert(name);
    name.clear();
  }
  dbClose(c);
  return st == kSqlNoMoreRows;
}

std::string Joined(const std::set<std::string>& names) {
  std::string s;
  for (const auto& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

// Every table under its own spelling. A server whose case setting is 0 takes
// "qvx331zk1" for another table than "Qvx331Zk1": a schema loaded with other
// spellings (a dump from a server with another setting) fails there.
void CheckTables(std::vector<ServerFinding>& out) {
  // with 1 or 2 the server finds every table whatever the spelling
  int16_t caseSetting = 0;
  if (SqlSelectOne("SELECT @@lower_case_table_names", caseSetting) != 0) {
    out.push_back({"Lesefehler", "Einstellung lower_case_table_names nicht lesbar"});
    return;
  }
  if (caseSetting != 0) return;
  std::map<std::string, std::set<std::string>> schemas;
  if (!ReadNames("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA", schemas)) {
    out.push_back({"Lesefehler", "Datenbanken des Servers nicht lesbar"});
    return;
  }
  bool systemThere = schemas[Folded(kSystemSchema)].count(kSystemSchema) > 0;
  if (!systemThere && !schemas[Folded(kSystemSchema)].empty())
    out.push_back({"Schreibweise", Format("Datenbank %s fehlt, vorhanden ist %s: auf diesem Server zählt die "
                                          "Schreibweise (lower_case_table_names = 0)",
                                          kSystemSchema, Joined(schemas[Folded(kSystemSchema)]))});
  std::map<std::string, std::set<std::string>> own, system;
  if (!ReadNames("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()", own) ||
      (systemThere && !ReadNames(SqlFormat("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA "
                                           "= '%s'",
                                           kSystemSchema),
                                 system))) {
    out.push_back({"Lesefehler", "Tabellen des Servers nicht lesbar"});
    return;
  }
  const std::string prefix = std::string(kSystemSchema) + ".";
  for (const std::string& t : ProgramTables()) {
    bool inSystem = t.compare(0, prefix.size(), prefix) == 0;
    if (inSystem && !systemThere) continue;
    std::string name = inSystem ? t.substr(prefix.size()) : t;
    const std::set<std::string>& found = (inSystem ? system : own)[Folded(name)];
    // a table missing in every spelling is the server's 1146 at its first use
    if (found.empty() || found.count(name) > 0) continue;
    out.push_back({"Schreibweise", Format("Tabelle %s fehlt, vorhanden ist %s: auf diesem Server zählt die "
                                          "Schreibweise (lower_case_table_names = 0)",
                                          t, Joined(found))});
  }
}

// The text columns of the program's tables, by collation. The server
// compares a latin1 column with a utf8mb4 one in the utf8mb4 collation; the
// match keys the program builds in memory must then be built in that one
// collation too, or '1001' of one table never meets '1001' of another.
void CheckCollations(std::vector<ServerFinding>& out) {
  SqlCursor c;
  std::string names;
  for (const std::string& t : ProgramTables()) {
    if (t.find('.') == std::string::npos) names += (names.empty() ? "'" : ", '") + t + "'";
  }
  // the program's tables only: the schema holds the application's other tables too
  c.Statement =
      "SELECT DISTINCT CHARACTER_SET_NAME, COLLATION_NAME FROM information_schema.COLUMNS "
      "WHERE TABLE_SCHEMA = DATABASE() AND COLLATION_NAME IS NOT NULL AND TABLE_NAME IN (" +
      names + ")";
  int st = dbExec(c);
  std::map<std::string, std::set<std::string>> byCharset;
  std::string charset, collation;
  while (st == 0 && (st = SqlFetchInto(c, charset, collation)) == 0) {
    byCharset[charset].insert(collation);
    charset.clear();
    collation.clear();
  }
  dbClose(c);
  SetKeyCollation("");
  if (st != kSqlNoMoreRows) {
    out.push_back({"Lesefehler", "Zeichensätze der Spalten nicht lesbar"});
    return;
  }
  std::set<std::string> all;
  for (const auto& [cs, collations] : byCharset) all.insert(collations.begin(), collations.end());
  if (all.size() <= 1) return;
  // latin1 beside one utf8mb4 collation: the server compares in the latter
  bool latin1Alone = byCharset.count("latin1") == 0 || byCharset["latin1"].size() == 1;
  bool oneUtf8 = byCharset.count("utf8mb4") == 1 && byCharset["utf8mb4"].size() == 1;
  if (byCharset.size() == 2 && latin1Alone && oneUtf8 && byCharset.count("latin1") == 1) {
    SetKeyCollation(*byCharset["utf8mb4"].begin());
    return;
  }
  out.push_back({"Sortierfolge", Format("Textspalten der Tabellen mit verschiedenen Sortierfolgen (%s): der Server "
                                        "kann sie nicht eindeutig vergleichen",
                                        Joined(all))});
}

// Reading and writing the schema. A grant on a schema is a pattern
// (`zeit\_prod`.*, `zeit%`.*), matched as the server matches it (LIKE).
// Privileges granted per table or through
// roles are not followed: with such grants the server's own answers decide
// (a refused statement ends the run with its message), so that a finding here
// is never one the server would not make.
void CheckPrivileges(std::vector<ServerFinding>& out) {
  const std::string grantee =
      "GRANTEE = CONCAT('''', SUBSTRING_INDEX(CURRENT_USER(), '@', 1), '''@''', "
      "SUBSTRING_INDEX(CURRENT_USER(), '@', -1), '''')";
  std::map<std::string, std::set<std::string>> granted, other;
  bool read = ReadNames("SELECT PRIVILEGE_TYPE FROM information_schema.USER_PRIVILEGES WHERE " + grantee +
                            " UNION SELECT PRIVILEGE_TYPE FROM information_schema.SCHEMA_PRIVILEGES WHERE " + grantee +
                            " AND DATABASE() LIKE TABLE_SCHEMA",
                        granted) &&
              ReadNames("SELECT PRIVILEGE_TYPE FROM information_schema.TABLE_PRIVILEGES WHERE " + grantee +
                            " AND DATABASE() LIKE TABLE_SCHEMA UNION SELECT ROLE_NAME FROM "
                            "information_schema.APPLICABLE_ROLES",
                        other);
  if (!read) {
    out.push_back({"Lesefehler", "Rechte des Benutzers nicht lesbar"});
    return;
  }
  if (!other.empty()) return;
  std::string missing;
  for (const char* p : {"SELECT", "INSERT", "UPDATE", "DELETE"}) {
    if (granted.count(Folded(p)) == 0) missing += (missing.empty() ? "" : ", ") + std::string(p);
  }
  if (!missing.empty()) out.push_back({"Rechte", Format("Dem Benutzer fehlen im Schema die Rechte %s", missing)});
}

}  // namespace

const std::vector<std::string>& ProgramTables() {
  static const std::vector<std::string> tables = {
      "O1001AbrKreis", "Qvx171Lug", "Qvx171Lu1",          "Qvx170Lg1",          "Qvx330Abr",  "Qvx300Pnr",
      "Qvx310Bsv",     "QVX311ZUO", "Qvx131Fcd",          "Qvx155Sfr",          "Qvx140Azv",  "Qvx329Ztg",
      "Qvx331Zkb",     "Qvx320Tgb", "Qvx327Tag",          "Qvx332Sfz",          "QVX332UTG",  "Qvx331Zks",
      "Qvx331Zk1",     "Qvx331Zk2", "Qvx331Zk3",          "Qvx331Zk5",          "Qvx333Ld1",  "Qvx333Lp2",
      "Qvx333Lpc",     "Qvx333Lp1", "Qvx333Sag",          "Qvx333Rat",          "Qvx333Xxl",  "Qvx333Ems",
      "Qvx333B01",     "Qvx333B06", "Qvx333Asr",          "Qvx333Ask",          "Qvx333Sli",  "Qvx333Ps1",
      "Qvx333Ps3",     "Qvx333Ps4", "Qvx333Ps1B",         "Qvx333Ps3B",         "Qvx333Ps4B", "Qvx333S10",
      "Qvx333S01",     "Qvx333Tp1", "Qvx333Tp2",          "QVX333Perman",       "Qvx333Pro",  "Qvx333Sbs",
      "Qvx333Bmn",     "Qvx333God", "Darvonix.Qvx112Mnd", "Darvonix.Qvx133Bak",
  };
  return tables;
}

std::vector<ServerFinding> CheckServer() {
  std::vector<ServerFinding> out;
  CheckTables(out);
  CheckCollations(out);
  CheckPrivileges(out);
  return out;
}
