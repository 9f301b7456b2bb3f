// Table names in the statements are spelled exactly as the tables are
// defined. A server whose case setting is 0 (the default on Linux) takes
// "Qvx171lu1" for another table than "Qvx171Lu1": the statement fails or, in
// a read whose failure reads as "no row", silently finds nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Table names as the definitions spell them, by their lower-case form.
std::map<std::string, std::string> DefinedTables() {
  std::map<std::string, std::string> tables;
  const std::regex create(R"(CREATE\s+TABLE\s+(?:IF\s+NOT\s+EXISTS\s+)?`?([A-Za-z0-9_]+)`?)", std::regex::icase);
  for (const char* file : {"/db/schema.sql", "/db/darvonix.sql"}) {
    std::string text = ReadText(std::string(LUG_SOURCE_DIR) + file);
    for (std::sregex_iterator it(text.begin(), text.end(), create), end; it != end; ++it)
      tables.emplace(Lower((*it)[1].str()), (*it)[1].str());
  }
  return tables;
}

// The string literals of a C++ source, each on its own.
std::vector<std::string> Literals(const std::string& code) {
  std::vector<std::string> out;
  bool inString = false, inChar = false;
  for (size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (!inString && !inChar) {
      if (c == '/' && i + 1 < code.size() && code[i + 1] == '/') {
        while (i < code.size() && code[i] != '\n') ++i;
      } else if (c == '"') {
        inString = true;
        out.emplace_back();
      } else if (c == '\'') {
        inChar = true;
      }
    } else if (c == '\\') {
      if (inString) out.back() += ' ';
      ++i;
    } else if (inString && c == '"') {
      inString = false;
    } else if (inChar && c == '\'') {
      inChar = false;
    } else if (inString) {
      out.back() += c;
    }
  }
  return out;
}

// A piece of a statement: it holds a keyword of one (log texts name tables
// too, e.g. "Qvx333PS1-InsertFehler", and keep their own spelling), or it is
// a table name alone, passed to a function that builds the statement.
bool StatementPiece(const std::string& literal, const std::map<std::string, std::string>& tables) {
  static const std::regex keyword(
      R"(\b(SELECT|FROM|JOIN|INTO|UPDATE|DELETE|TABLE|WHERE|SET|ORDER|GROUP|VALUES|AND)\b)");
  if (std::regex_search(literal, keyword)) return true;
  return tables.count(Lower(literal)) > 0;
}

}  // namespace

TEST(TableNames, EveryStatementSpellsTablesAsDefined) {
  std::map<std::string, std::string> tables = DefinedTables();
  ASSERT_GT(tables.size(), 40u);
  const std::regex word(R"([A-Za-z][A-Za-z0-9_]*)");
  std::set<std::string> wrong;
  for (const auto& entry : fs::recursive_directory_iterator(std::string(LUG_SOURCE_DIR) + "/src")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".cpp" && ext != ".h") continue;
    for (const std::string& text : Literals(ReadText(entry.path()))) {
      if (!StatementPiece(text, tables)) continue;
      for (std::sregex_iterator it(text.begin(), text.end(), word), end; it != end; ++it) {
        std::string w = it->str();
        auto t = tables.find(Lower(w));
        if (t != tables.end() && t->second != w)
          wrong.insert(entry.path().filename().string() + ": " + w + " (defined " + t->second + ")");
      }
    }
  }
  std::string list;
  for (const auto& w : wrong) list += w + "\n";
  EXPECT_TRUE(wrong.empty()) << list;
}
