#include "scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/config.h"
#include "run/db.h"
#include "driver.h"
#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

namespace {

struct Section {
  std::string name;
  std::string arg;
  std::vector<std::string> lines;
  int line = 0;
};

std::vector<Section> Parse(const std::string& text) {
  std::vector<Section> out;
  std::istringstream in(text);
  std::string l;
  int n = 0;
  bool inBlock = false;
  while (std::getline(in, l)) {
    ++n;
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (inBlock) {
      if (l == "[end]") {
        inBlock = false;
        continue;
      }
      out.back().lines.push_back(l);
      continue;
    }
    if (l.size() >= 2 && l.front() == '[' && l.back() == ']') {
      std::string head = l.substr(1, l.size() - 2);
      Section s;
      auto sp = head.find(' ');
      s.name = head.substr(0, sp);
      if (sp != std::string::npos) s.arg = head.substr(sp + 1);
      s.line = n;
      out.push_back(s);
      inBlock = s.name == "stdout" || s.name == "stderr" || s.name == "log" || s.name == "text" ||
                s.name == "loglines" || s.name == "sql" || s.name == "rows";
      continue;
    }
    if (out.empty()) continue;  // description
    if (l.empty()) continue;
    out.back().lines.push_back(l);
  }
  return out;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

std::vector<std::string> SplitArgs(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, have = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      have = true;
    } else if (c == ' ' && !quoted) {
      if (have) out.push_back(cur);
      cur.clear();
      have = false;
    } else {
      cur += c;
      have = true;
    }
  }
  if (have) out.push_back(cur);
  return out;
}

std::string Block(const std::vector<std::string>& lines) {
  std::string s;
  bool noeol = !lines.empty() && lines.back() == "[noeol]";
  size_t n = noeol ? lines.size() - 1 : lines.size();
  for (size_t i = 0; i < n; ++i) s += lines[i] + "\n";
  if (noeol && !s.empty()) s.pop_back();
  return s;
}

std::string Crlf(const std::string& s) {
  std::string o;
  for (char c : s) {
    if (c == '\n') o += '\r';
    o += c;
  }
  return o;
}

// The console keeps the platform's own line ends: a Windows program writes
// CR LF to the console (text mode).
std::string ConsoleLineEnds(const std::string& s) {
#ifdef _WIN32
  return Crlf(s);
#else
  return s;
#endif
}

std::string Show(const std::string& bytes) {
  std::string o;
  for (char c : Utf8(bytes)) {
    if (c == '\r') o += "\\r";
    else if (c == '\n') o += "\\n\n";
    else o += c;
  }
  return o;
}

struct Runner {
  std::string name, schema, tree, failures, stdoutText, stderrText;
  int exitCode = -1;
  std::string now;
  TestDb db;

  std::string Subst(const std::string& s) {
    std::string up = schema;
    std::transform(up.begin(), up.end(), up.begin(), ::toupper);
    return Replace(Replace(Replace(Replace(s, "{socket}", ProgramSocket()), "{schema}", schema), "{SCHEMA}", up),
                   "{tree}", tree);
  }
  std::string Path(const std::string& rel) { return tree + "/" + Subst(rel); }
  void Fail(const Section& s, const std::string& what) {
    failures +=
        name + ":" + std::to_string(s.line) + " [" + s.name + (s.arg.empty() ? "" : " " + s.arg) + "]: " + what + "\n";
  }

  void WriteIni(const std::vector<std::string>& records) {
    std::string bytes;
    int number = 1;
    for (const auto& r : records) {
      auto sp = r.find(' ');
      std::string key = r.substr(0, sp);
      std::string value = sp == std::string::npos ? "" : Subst(r.substr(sp + 1));
      std::string rec;
      FormatIniRecord("DB", number++, key, Cp1252(value), rec);
      bytes += rec;
    }
    WriteFileBytes(tree + "/Files/quantivel.ini", bytes);
  }

  void RunProgram(const Section& s) {
    std::vector<std::string> args{"lugtransfer"};
    for (auto& a : SplitArgs(Subst(s.lines.empty() ? "" : s.lines[0]))) args.push_back(Cp1252(a));
    dbSetSessionInit(now.empty() ? "" : "SET TIMESTAMP = UNIX_TIMESTAMP('" + now + "')");
    std::string outFile = tree + "/stdout.txt";
    exitCode = RunWithConsole(args, U8Path(tree + "/bin"), U8Path(outFile));
    dbSetSessionInit("");
    stdoutText = ReadFileBytes(outFile);
    stderrText = ReadFileBytes(outFile + ".err");
  }

  void CompareText(const Section& s, const std::string& path, const std::string& expected) {
    std::error_code ec;
    if (!fs::exists(U8Path(path), ec)) return Fail(s, "file missing: " + path);
    std::string actual = ReadFileBytes(path);
    if (actual != expected)
      Fail(s, "differs.\n--- expected ---\n" + Show(expected) + "\n--- actual ---\n" + Show(actual));
  }

  void Do(const Section& s) {
    if (s.name == "setup") {
      std::string sql;
      for (auto& l : s.lines) sql += l + "\n";
      if (s.arg == "utf8mb4") {
        // texts with characters that Windows-1252 has not: sent as written
        db.Exec("SET NAMES utf8mb4");
        db.Exec(Subst(sql));
        db.Exec("SET NAMES latin1");
      } else {
        db.Exec(Cp1252(Subst(sql)));
      }
    } else if (s.name == "ini") {
      if (s.arg == "none") fs::remove(U8Path(tree + "/Files/quantivel.ini"));
      else WriteIni(s.lines);
    } else if (s.name == "tree") {
      for (auto& l : s.lines) {
        // command, then the rest of the line as the path ("chmod MODE path")
        auto sp = l.find(' ');
        if (sp == std::string::npos) continue;
        std::string cmd = l.substr(0, sp), rest = l.substr(sp + 1);
        if (cmd == "mkdir") fs::create_directories(U8Path(Path(rest)));
        else if (cmd == "file") WriteFileBytes(Path(rest), "");
        else if (cmd == "remove") fs::remove_all(U8Path(Path(rest)));
        else if (cmd == "chmod") {
          auto sp2 = rest.find(' ');
          chmod(Path(rest.substr(sp2 + 1)).c_str(), static_cast<mode_t>(std::stoi(rest.substr(0, sp2), nullptr, 8)));
        } else if (cmd == "link") {
          // "link TARGET P": P becomes a symbolic link to TARGET (e.g. /dev/full)
          auto sp2 = rest.find(' ');
          fs::create_symlink(rest.substr(0, sp2), U8Path(Path(rest.substr(sp2 + 1))));
        }
      }
    } else if (s.name == "now") {
      now = s.lines.empty() ? "" : s.lines[0];
    } else if (s.name == "args") {
      RunProgram(s);
    } else if (s.name == "exit") {
      int want = std::stoi(s.lines.at(0));
      if (want != exitCode) Fail(s, "exit code " + std::to_string(exitCode) + ", expected " + std::to_string(want));
    } else if (s.name == "posix") {
      // needs a POSIX system; on Windows the scenario is skipped (PosixOnlyReason)
    } else if (s.name == "stdout") {
      std::string want = ConsoleLineEnds(Cp1252(Subst(Block(s.lines))));
      if (want != stdoutText)
        Fail(s, "console differs.\n--- expected ---\n" + Show(want) + "\n--- actual ---\n" + Show(stdoutText));
    } else if (s.name == "stderr") {
      // line by line; a line ending in "..." stands for a line that begins with
      // the text before it (the client library's messages differ by server)
      std::string want = Cp1252(Subst(Block(s.lines)));
      std::string actual = stderrText;
#ifdef _WIN32
      // the console's line ends and the platform's path separators
      actual = Replace(actual, "\r\n", "\n");
      std::replace(actual.begin(), actual.end(), '\\', '/');
      std::replace(want.begin(), want.end(), '\\', '/');
#endif
      std::istringstream w(want), a(actual);
      std::string wl, al;
      bool same = true;
      while (same) {
        bool moreW = static_cast<bool>(std::getline(w, wl)), moreA = static_cast<bool>(std::getline(a, al));
        if (!moreW || !moreA) {
          same = moreW == moreA;
          break;
        }
        bool prefix = wl.size() > 3 && wl.compare(wl.size() - 3, 3, "...") == 0;
        same = prefix ? al.compare(0, wl.size() - 3, wl, 0, wl.size() - 3) == 0 : wl == al;
      }
      if (!same)
        Fail(s, "standard error differs.\n--- expected ---\n" + Show(want) + "\n--- actual ---\n" + Show(actual));
    } else if (s.name == "log") {
      CompareText(s, tree + "/Quantivel_php/log/log#lug.txt", Crlf(Cp1252(Subst(Block(s.lines)))));
    } else if (s.name == "text") {
      CompareText(s, Path(s.arg), Crlf(Cp1252(Subst(Block(s.lines)))));
    } else if (s.name == "loglines") {
      std::string log = tree + "/Quantivel_php/log/log#lug.txt";
      std::string actual = fs::exists(U8Path(log)) ? ReadFileBytes(log) : "";
      size_t pos = 0;
      for (auto& l : s.lines) {
        // a line ending in "..." stands for every line that begins with the
        // text before it (server messages whose wording differs by server)
        bool prefix = l.size() > 3 && l.compare(l.size() - 3, 3, "...") == 0;
        std::string want = prefix ? Cp1252(Subst(l.substr(0, l.size() - 3))) : Crlf(Cp1252(Subst(l)) + "\n");
        size_t at = actual.find(want, pos);
        while (at != std::string::npos && at > 0 && actual[at - 1] != '\n') at = actual.find(want, at + 1);
        if (at == std::string::npos) {
          Fail(s, "log line missing (in order): " + l + "\n--- log ---\n" + Show(actual));
          return;
        }
        pos = at + want.size();
      }
    } else if (s.name == "sql") {
      std::string actual = RowsText(db, Cp1252(Subst(s.arg)));
      std::string want = Cp1252(Subst(Block(s.lines)));
      if (want != actual) Fail(s, "rows differ.\n--- expected ---\n" + Utf8(want) + "--- actual ---\n" + Utf8(actual));
    } else if (s.name == "logfile") {
      // the whole run log equals tests/golden/GOLDEN, where {SCHEMA} stands for the schema
      std::string log = tree + "/Quantivel_php/log/log#lug.txt";
      std::string actual = fs::exists(U8Path(log)) ? ReadFileBytes(log) : "";
      std::string golden = std::string(LUG_SOURCE_DIR) + "/tests/golden/" + s.arg;
      if (const char* upd = std::getenv("LUG_UPDATE_GOLDEN"); upd && *upd == '1') {
        std::ofstream(U8Path(golden), std::ios::binary) << Replace(actual, Subst("{SCHEMA}"), "{SCHEMA}");
      }
      if (!fs::exists(U8Path(golden))) return Fail(s, "golden file missing: " + golden);
      CompareText(s, log, Subst(ReadFileBytes(golden)));
    } else if (s.name == "rows") {
      // rows of the query (the block, lines joined by blanks) equal the golden file
      std::string query;
      for (const auto& l : s.lines) query += (query.empty() ? "" : " ") + l;
      std::string actual = RowsText(db, Cp1252(Subst(query)));
      std::string golden = std::string(LUG_SOURCE_DIR) + "/tests/golden/" + s.arg;
      if (const char* upd = std::getenv("LUG_UPDATE_GOLDEN"); upd && *upd == '1') {
        std::ofstream(U8Path(golden), std::ios::binary) << actual;
      }
      if (!fs::exists(U8Path(golden))) return Fail(s, "golden file missing: " + golden);
      std::string want = ReadFileBytes(golden);
      if (want != actual) {
        size_t at = 0;
        while (at < want.size() && at < actual.size() && want[at] == actual[at]) ++at;
        size_t line = static_cast<size_t>(std::count(want.begin(), want.begin() + static_cast<long>(at), '\n')) + 1;
        Fail(s, "rows differ from " + s.arg + " at line " + std::to_string(line) + " (" + std::to_string(want.size()) +
                    " bytes expected, " + std::to_string(actual.size()) + " actual)");
      }
    } else if (s.name == "file") {
      auto parts = SplitArgs(s.arg);
      if (parts.size() != 2) return Fail(s, "needs a path and a golden file");
      std::string golden = std::string(LUG_SOURCE_DIR) + "/tests/golden/" + parts[1];
      std::string path = Path(parts[0]);
      if (const char* upd = std::getenv("LUG_UPDATE_GOLDEN"); upd && *upd == '1' && fs::exists(U8Path(path))) {
        fs::copy_file(U8Path(path), golden, fs::copy_options::overwrite_existing);
      }
      if (!fs::exists(golden)) return Fail(s, "golden file missing: " + golden);
      CompareText(s, path, ReadFileBytes(golden));
    } else if (s.name == "nofile") {
      if (fs::exists(U8Path(Path(s.arg)))) Fail(s, "file exists: " + Path(s.arg));
    } else {
      Fail(s, "unknown section");
    }
  }
};

}  // namespace

std::vector<std::string> ScenarioFiles() {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto& e : fs::directory_iterator(std::string(LUG_SOURCE_DIR) + "/tests/scenarios", ec)) {
    if (e.path().extension() == ".scn") files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string PosixOnlyReason(const std::string& file) {
#ifdef _WIN32
  for (const auto& s : Parse(ReadFileBytes(file))) {
    if (s.name == "posix") return s.arg.empty() ? "needs a POSIX system" : s.arg;
  }
#else
  (void)file;
#endif
  return std::string();
}

std::string RunScenario(const std::string& file) {
  Runner r;
  r.name = fs::path(file).stem().string();
  if (!r.db.Connected()) return "no test database at " + TestSocket() + ": " + r.db.Error();
  std::string id = "t" + std::to_string(getpid()) + "_" + r.name;
  for (char& c : id) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  r.schema = id.substr(0, 40);
  std::transform(r.schema.begin(), r.schema.end(), r.schema.begin(), ::tolower);
  r.tree = MakeInstallTree(r.schema);
  try {
    r.db.CreateSchema(r.schema);
    auto sections = Parse(ReadFileBytes(file));
    for (const auto& s : sections) r.Do(s);
  } catch (const std::exception& e) { r.failures += r.name + ": " + e.what() + "\n"; }
  if (r.failures.empty()) {
    r.db.DropSchema(r.schema);
    fs::remove_all(U8Path(r.tree));
  } else {
    r.failures += "(kept: schema " + r.schema + ", tree " + r.tree + ")\n";
  }
  return r.failures;
}
