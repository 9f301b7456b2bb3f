// Bad content written by the time-management application, run through the
// whole program: each case takes the demo company (one circle per payroll
// system), changes a few values of the rows the chosen circle reads - NULLs,
// texts of full width, empty texts, line breaks, separators, quotes and
// Windows-1252 letters in texts, the limits of the integer and decimal
// columns, odd dates, month offsets out of range - and settles the circle.
// The circles are taken in turn, so every payroll system gets its share.
//
// What must hold for every case: the run ends; AkrAdt is 98 only when the
// exit code is 1 and every record the server refused stands in the report;
// every line of every transfer file ends in CR LF with no other CR or LF in
// it; the lines of one record kind of a separated file have the same number
// of fields, those of a fixed-width file the same length; and a DATEV or
// LODAS run that ended with 98 and logged nothing as left out hands over the
// minutes of its transfer records. A failing case prints its seed and the
// statements that changed the data; LUG_CONTENT_FUZZ_SEED=<seed> runs that
// case alone, LUG_CONTENT_FUZZ_CASES=<n> runs n cases.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

#include "export/demo_circles.h"
#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

namespace {

// The sanitizer build runs about one and a half times slower than the Debug
// build (the server does most of the work); under wine every run starts and
// writes through an emulated system, and the Linux builds have covered the
// code paths already.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kDefaultCases = 100;
#elif defined(_WIN32)
constexpr int kDefaultCases = 40;
#else
constexpr int kDefaultCases = 160;
#endif
// A run of a demo circle takes well under a second; one that has not ended
// after this long hangs.
constexpr int kCaseSeconds = 120;

int EnvNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

// What the current case is, for the messages of a hang or a crash (which end
// the process before the test can report the case).
char g_case[8192];

void PrintCase() {
  const char head[] = "\ncontent fuzz: the process ends during this case:\n";
  ssize_t ignored = write(2, head, sizeof head - 1);
  ignored = write(2, g_case, strnlen(g_case, sizeof g_case));
  (void)ignored;
}

#if !defined(__SANITIZE_ADDRESS__)
void CrashSignal(int sig) {
  PrintCase();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}
#endif

// Ends the process with the case's description when a run does not end in
// time: a run that hangs cannot be stopped from outside in the same process.
class Watchdog {
 public:
  Watchdog() : thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> l(m_);
      stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  void Arm(int seconds) {
    std::lock_guard<std::mutex> l(m_);
    deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    armed_ = true;
    cv_.notify_all();
  }
  void Disarm() {
    std::lock_guard<std::mutex> l(m_);
    armed_ = false;
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> l(m_);
    while (!stop_) {
      if (armed_ && std::chrono::steady_clock::now() >= deadline_) {
        std::fprintf(stderr, "\ncontent fuzz: the run did not end within %d s\n", kCaseSeconds);
        PrintCase();
        std::abort();
      }
      if (armed_) cv_.wait_until(l, deadline_);
      else cv_.wait(l);
    }
  }
  std::mutex m_;
  std::condition_variable cv_;
  bool stop_ = false, armed_ = false;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

struct Column {
  std::string Name, Type;
  long Length = 0;  // characters of a text
  int Precision = 0, Scale = 0;
  bool Nullable = false;
};

// The tables a circle's run reads, with the condition that selects the rows
// of the circle ({akr}, {lug}, {lgp}, {pnrs}) and the columns left alone (the
// circle's and the interface's own keys: without them the case is no run of
// that payroll system).
struct Target {
  const char* Table;
  const char* Rows;
  int Weight;
  std::set<std::string> Kept;
};
const Target kTargets[] = {
    {"o1001abrkreis", "AkrNum = '{akr}'", 1, {"AkrNum", "AkrAdt"}},
    {"qvx171lug", "LugLug = '{lug}'", 3, {"LugLug", "LugLgp"}},
    {"qvx170lg1", "Lg1Num = '{lgp}'", 1, {}},
    {"qvx171lu1", "Lu1Num = '{lug}'", 2, {}},
    {"qvx330abr", "AbrAkr = '{akr}'", 2, {"AbrAkr"}},
    {"qvx300pnr", "PnrNum IN ({pnrs})", 1, {}},
    {"qvx310bsv", "BsvPnr IN ({pnrs})", 2, {}},
    {"qvx311zuo", "ZuoPnr IN ({pnrs})", 1, {}},
    {"qvx331zkb", "ZkbPnr IN ({pnrs})", 6, {}},
    {"qvx320tgb", "TgbPnr IN ({pnrs})", 1, {}},
    {"qvx327tag", "TagPnr IN ({pnrs})", 1, {}},
    {"qvx332utg", "UtgPnr IN ({pnrs})", 1, {}},
    {"qvx131fcd", "1 = 1", 1, {}},
};

// Columns whose values reach the files or the sums, chosen in half of the
// changes.
const std::pair<const char*, const char*> kFocus[] = {
    {"qvx331zkb", "ZkbStd"}, {"qvx331zkb", "ZkbTge"}, {"qvx331zkb", "ZkbKst"}, {"qvx331zkb", "ZkbKtr"},
    {"qvx331zkb", "ZkbKrt"}, {"qvx331zkb", "ZkbDtm"}, {"qvx171lug", "LugMon"}, {"qvx171lug", "LugFir"},
    {"qvx171lug", "LugAkr"}, {"qvx330abr", "AbrVon"}, {"qvx330abr", "AbrBis"}, {"qvx300pnr", "PnrNam"},
    {"qvx310bsv", "BsvLug"}, {"qvx311zuo", "ZuoKst"}, {"qvx171lu1", "Lu1Lna"}, {"qvx171lu1", "Lu1Mog"},
    {"qvx171lu1", "Lu1Lgr"}, {"qvx331zkb", "ZkbKst"}, {"qvx331zkb", "ZkbKtr"}, {"qvx171lug", "LugMon"},
};

std::string Quote(const std::string& s) {
  std::string o = "'";
  for (char c : s) {
    switch (c) {
      case '\\': o += "\\\\"; break;
      case '\'': o += "\\'"; break;
      case '\n': o += "\\n"; break;
      case '\r': o += "\\r"; break;
      case '\t': o += "\\t"; break;
      default: o += c;
    }
  }
  return o + "'";
}

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep) out.emplace_back();
    else out.back() += c;
  }
  return out;
}

// Lines of a file without their CR LF.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t p; (p = bytes.find("\r\n", start)) != std::string::npos; start = p + 2)
    out.push_back(bytes.substr(start, p - start));
  if (start < bytes.size()) out.push_back(bytes.substr(start));
  return out;
}

class ContentFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(admin.Connected()) << admin.Error();
    schema = "tcfz" + std::to_string(getpid());
    snap = schema + "s";
    LoadDemoCompany(admin, schema);
    tree = MakeInstallTree(schema);
    tables = SnapshotTables(admin, schema, snap);
    for (const auto& r : admin.Query(
             "SELECT LOWER(table_name), column_name, data_type, IFNULL(character_maximum_length, 0), "
             "IFNULL(numeric_precision, 0), IFNULL(numeric_scale, 0), is_nullable FROM information_schema.columns "
             "WHERE table_schema = '" +
             schema + "' ORDER BY ordinal_position"))
      columns[r[0]].push_back(Column{r[1], r[2], std::stol(r[3]), std::stoi(r[4]), std::stoi(r[5]), r[6] == "YES"});
    upper = schema;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  }
  void TearDown() override {
    if (!schema.empty()) {
      admin.DropSchema(schema);
      admin.Exec("DROP DATABASE IF EXISTS " + snap);
    }
    if (!tree.empty()) fs::remove_all(tree);
  }

  // A value for the column, NULL included when the column allows it.
  std::string Value(std::mt19937_64& rng, const Column& c, const std::string& old) {
    auto pick = [&rng](const auto& list) { return list[rng() % list.size()]; };
    if (c.Nullable && rng() % 5 == 0) return "NULL";
    if (c.Type == "varchar" || c.Type == "char") {
      // line breaks and separators first: they break files
      const std::vector<std::string> breaking = {"\n", "\r", "\r\n", ";", "\t"};
      const std::vector<std::string> odd = {"\"", "'", ",", "|", "*", "~", "\xE4\xF6\xFC\xDF", "\x80", "\xA0", "\\"};
      const std::vector<std::string>& specials = rng() % 2 ? breaking : odd;
      std::string s;
      switch (rng() % 8) {
        case 0: s = ""; break;
        case 1: s = " "; break;
        case 2: s = std::string(static_cast<size_t>(c.Length), static_cast<char>('0' + rng() % 10)); break;
        case 3: s = pick(specials); break;
        case 4: s = std::string(static_cast<size_t>(c.Length), 'W').replace(0, 1, pick(specials)); break;
        default: {
          // the old value with a special character in its middle ("41;X")
          std::string base = old == "\\N" || old.empty() ? "X" : old;
          size_t at = (base.size() + 1) / 2;
          s = base.substr(0, at) + pick(specials) + base.substr(at);
        }
      }
      if (static_cast<long>(s.size()) > c.Length) s.resize(static_cast<size_t>(c.Length));
      return Quote(s);
    }
    if (c.Type == "int" || c.Type == "smallint" || c.Type == "bigint" || c.Type == "tinyint") {
      int64_t lo = c.Type == "smallint"  ? INT16_MIN
                   : c.Type == "tinyint" ? INT8_MIN
                   : c.Type == "int"     ? INT32_MIN
                                         : INT64_MIN;
      int64_t hi = c.Type == "smallint"  ? INT16_MAX
                   : c.Type == "tinyint" ? INT8_MAX
                   : c.Type == "int"     ? INT32_MAX
                                         : INT64_MAX;
      std::vector<int64_t> v = {lo, hi, hi - 1, lo + 1,  -1,       0,         1,         2,
                                13, -2, 99,     1000000, -1000000, INT32_MAX, INT32_MIN, 2147483646 / 2};
      int64_t x = pick(v);
      return std::to_string(std::clamp(x, lo, hi));
    }
    if (c.Type == "decimal") {
      std::string max = std::string(static_cast<size_t>(c.Precision - c.Scale), '9');
      if (max.empty()) max = "0";
      if (c.Scale > 0) max += "." + std::string(static_cast<size_t>(c.Scale), '9');
      std::string tiny = c.Scale > 0 ? "0." + std::string(static_cast<size_t>(c.Scale - 1), '0') + "1" : "1";
      return pick(std::vector<std::string>{max, "-" + max, "0", tiny, "-" + tiny});
    }
    if (c.Type == "double" || c.Type == "float")
      return pick(std::vector<std::string>{"1e300", "-1e300", "1e15", "-1e15", "0.0001", "0"});
    std::string date = pick(std::vector<std::string>{"1000-01-01", "9999-12-31", "1970-01-01", "2000-02-29",
                                                     "2026-11-30", "2026-11-01", "2026-12-31", "2026-10-31",
                                                     "2027-01-01", "2025-11-15", "2026-11-15", "2026-02-28"});
    if (c.Type == "datetime" || c.Type == "timestamp") date += rng() % 2 ? " 23:59:59" : " 00:00:00";
    return Quote(date);
  }

  // Changes one value of one row of the circle (or of a copy of that row);
  // returns the statements, or nothing when the server refused the value.
  std::string Mutate(std::mt19937_64& rng, const std::map<std::string, std::string>& vars) {
    const Target* target = nullptr;
    const Column* column = nullptr;
    if (rng() % 2 == 0) {
      const auto& f = kFocus[rng() % std::size(kFocus)];
      for (const auto& t : kTargets)
        if (f.first == std::string(t.Table)) target = &t;
      for (const auto& c : columns[f.first])
        if (c.Name == f.second) column = &c;
      if (!target || !column) return "";
    } else {
      int total = 0;
      for (const auto& t : kTargets) total += t.Weight;
      int at = static_cast<int>(rng() % static_cast<uint64_t>(total));
      for (const auto& t : kTargets) {
        if (at < t.Weight && !target) target = &t;
        at -= t.Weight;
      }
      std::vector<const Column*> free;
      for (const auto& c : columns[target->Table])
        if (!target->Kept.count(c.Name)) free.push_back(&c);
      column = free[rng() % free.size()];
    }
    std::string where = target->Rows;
    for (const auto& [k, v] : vars) where = Replace(where, k, v);
    const auto& cols = columns[target->Table];
    std::string list, order;
    for (size_t i = 0; i < cols.size(); ++i) {
      list += (i ? ", " : "") + cols[i].Name;
      order += (i ? ", " : "") + std::to_string(i + 1);
    }
    std::string table = schema + "." + target->Table;
    auto rows = admin.Query("SELECT " + list + " FROM " + table + " WHERE " + where + " ORDER BY " + order);
    if (rows.empty()) return "";
    const auto& row = rows[rng() % rows.size()];
    // the row by its values (doubles do not come back exactly as texts)
    std::string ident;
    std::string old;
    for (size_t i = 0; i < cols.size(); ++i) {
      if (cols[i].Name == column->Name) old = row[i];
      if (cols[i].Type == "double" || cols[i].Type == "float") continue;
      ident += std::string(ident.empty() ? "" : " AND ") + cols[i].Name +
               (row[i] == "\\N" ? " IS NULL" : " = " + Quote(row[i]));
    }
    // half of the changes go to every row of the person (or interface,
    // circle, ...) of the first column: all bookings of one person, say
    if (rng() % 2 == 0) ident = cols[0].Name + " = " + Quote(row[0]);
    std::string sql;
    if (rng() % 5 == 0) sql = "INSERT INTO " + table + " SELECT * FROM " + table + " WHERE " + ident + " LIMIT 1;\n";
    sql += "UPDATE " + table + " SET " + column->Name + " = " + Value(rng, *column, old) + " WHERE " + ident +
           (Contains(ident, " AND ") ? " LIMIT 1;\n" : ";\n");
    try {
      admin.Exec(sql);
    } catch (const std::exception&) {
      return "";  // a value the column does not take (the application could not have written it)
    }
    return sql;
  }

  // The bytes of every file below the transfer directory.
  std::map<std::string, std::string> Files() {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(tree) / "Transfer"))
      if (e.is_regular_file()) out[e.path().filename().string()] = ReadFileBytes(e.path().string());
    return out;
  }

  std::string Text(const std::string& relative) {
    fs::path p = fs::path(tree) / relative;
    return fs::exists(p) ? ReadFileBytes(p.string()) : std::string();
  }

  TestDb admin;
  std::string schema, snap, tree, upper;
  std::vector<std::string> tables;
  std::map<std::string, std::vector<Column>> columns;
};

// Statuses of a record the server refused (the one-record class of the
// database layer).
bool RefusalLine(const std::string& line) {
  static const std::set<std::string> kRecord = {"1048", "1264", "1265", "1292", "1366", "1367",
                                                "1406", "1690", "1452", "3819", "4025"};
  if (!Contains(line, "Status") && !Contains(line, "Fehler") && !Contains(line, "ERROR") && !Contains(line, "Sqlfhl"))
    return false;
  std::string number;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && isdigit(static_cast<unsigned char>(line[i]))) {
      number += line[i];
      continue;
    }
    if (kRecord.count(number)) return true;
    number.clear();
  }
  return false;
}

// A log line that says a record was left out or a value was not usable.
bool LeftOutLine(const std::string& line) {
  for (const char* m : {"zu lang", "abgewiesen", "ausgelassen",
                        "nicht \xFC"
                        "bergeben",
                        "\xFC"
                        "bersprungen",
                        "Fehler", "ERROR", "Warnung", "ung\xFCltig", "nicht verwendbar", "zu gro"})
    if (Contains(line, m)) return true;
  if (Contains(line, "Status")) {
    // "PersNr-Lesen Status: 1032" (no more rows) is the normal end of a read
    return !Contains(line, ": 1032") && !Contains(line, " 1032");
  }
  return false;
}

std::string Html(const std::string& text) {
  return Replace(Replace(Replace(Replace(text, "&", "&amp;"), "<", "&lt;"), ">", "&gt;"), "\"", "&quot;");
}

// Hundredths of a number written with two decimals ("165,00", "-0,75", "3.50").
int64_t Hundredths(std::string s) {
  if (s.empty()) return 0;
  bool neg = s[0] == '-';
  if (neg || s[0] == '+') s.erase(0, 1);
  int64_t v = 0;
  for (char c : s)
    if (isdigit(static_cast<unsigned char>(c))) v = v * 10 + (c - '0');
  return neg ? -v : v;
}

// How a separated file is split into record kinds: its separator and the
// kind of each line ("" leaves the line out of the comparison).
struct Separated {
  char Sep;
  std::string (*Kind)(const std::vector<std::string>& lines, size_t i);
  // fields that hold a date in a layout of digits only (field index, layout)
  std::vector<std::pair<size_t, const char*>> Dates;
};

std::string FirstField(const std::vector<std::string>& lines, size_t i) { return Split(lines[i], ';')[0]; }
std::string HeaderThenData(const std::vector<std::string>&, size_t i) { return i == 0 ? "header" : "data"; }
std::string OneKind(const std::vector<std::string>&, size_t) { return "line"; }
std::string FirstTwo(const std::vector<std::string>& lines, size_t i) { return lines[i].substr(0, 2); }
// LODAS: the section a line stands in; the settings of [Allgemein] are no
// records.
std::string LodasSection(const std::vector<std::string>& lines, size_t i) {
  if (!lines[i].empty() && lines[i][0] == '[') return "";
  for (size_t j = i; j-- > 0;)
    if (!lines[j].empty() && lines[j][0] == '[') return lines[j] == "[Allgemein]" || lines[i].empty() ? "" : lines[j];
  return "";
}

const Separated* SeparatedFormat(const std::string& name) {
  static const Separated datev{';', HeaderThenData, {}}, lodas{';', LodasSection, {}},
      topas{';', OneKind, {{2, "YYYYMM"}, {3, "YYYYMM"}}}, schleupen{';', FirstField, {{10, "MMYYYY"}}},
      sap{';', FirstField, {{5, "DDMMYYYY"}, {6, "DDMMYYYY"}}}, first{';', FirstField, {}}, perman{'\t', FirstTwo, {}};
  if (name == "datev.csv") return &datev;
  if (name.rfind("LodasSST-", 0) == 0) return &lodas;
  if (name == "LGD038IM") return &topas;
  if (name == "LGD034IM") return &first;
  if (name.rfind("LOXF-", 0) == 0) return &schleupen;
  if (name.rfind("SAP20", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".csv") return &sap;
  if (name.rfind("Loga2001", 0) == 0) return &first;
  if (name.size() == 12 && name[0] == 'M' && name[8] == '.') return &perman;
  return nullptr;
}

// True when text (digits) is a date in the layout (Y, M, D, one letter per
// digit): a month of the year and a day of that month, a four-digit year
// other than 0. Texts other than digits are not judged.
bool DateOrNotJudged(const std::string& text, const std::string& layout) {
  if (text.size() != layout.size() || text.find_first_not_of("0123456789") != std::string::npos) return true;
  int y = 0, m = 0, d = 0, yDigits = 0;
  bool hasDay = false;
  for (size_t i = 0; i < layout.size(); ++i) {
    int digit = text[i] - '0';
    if (layout[i] == 'Y') y = y * 10 + digit, ++yDigits;
    if (layout[i] == 'M') m = m * 10 + digit;
    if (layout[i] == 'D') d = d * 10 + digit, hasDay = true;
  }
  if (yDigits == 4 && y == 0) return false;
  if (yDigits == 2) y += 2000;
  if (m < 1 || m > 12) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int days = kDays[m - 1] + (m == 2 && y % 4 == 0 && (y % 100 != 0 || y % 400 == 0));
  return !hasDay || (d >= 1 && d <= days);
}

// A field of a separated file in one of the written date forms
// (DD.MM.YYYY, YYYY-MM-DD, MM/YYYY): the digits and their layout.
std::pair<std::string, std::string> DateForm(const std::string& f) {
  auto digits = [&f](std::initializer_list<size_t> skip) {
    std::string out;
    for (size_t i = 0; i < f.size(); ++i)
      if (std::find(skip.begin(), skip.end(), i) == skip.end()) out += f[i];
    return out;
  };
  if (f.size() == 10 && f[2] == '.' && f[5] == '.') return {digits({2, 5}), "DDMMYYYY"};
  if (f.size() == 10 && f[4] == '-' && f[7] == '-') return {digits({4, 7}), "YYYYMMDD"};
  if (f.size() == 7 && f[2] == '/') return {digits({2}), "MMYYYY"};
  return {"", ""};
}

// Dates at fixed places of fixed-width files: file, kind (first character;
// 0 for every line), position, layout.
struct FixedDate {
  const char* File;
  char Kind;
  size_t Pos;
  const char* Layout;
};
const FixedDate kFixedDates[] = {
    {"Raet.txt", 'A', 9, "YYYYMMDD"},   {"Raet.txt", 'A', 36, "YYYYMMDD"}, {"Raet.txt", '5', 51, "YYYYMMDD"},
    {"PaisyP1.txt", 0, 16, "DDMMYY"},   {"PaisyP3.txt", 0, 16, "DDMMYY"},  {"PaisyP3.txt", 0, 37, "DDMMYY"},
    {"SAP2010.txt", 0, 49, "DDMMYYYY"}, {"LO_IMP.txt", 0, 6, "YYYYMMDD"},  {"LO_IMP.txt", 0, 14, "YYYYMMDD"},
    {"ProAL.txt", 0, 19, "DDMMYYYY"},   {"BEWA-042.DAT", 0, 0, "YYMM"},
};

// Fixed-width files whose lines of one kind (the first character) have one
// length.
bool FixedWidth(const std::string& name) {
  static const std::set<std::string> kFixed = {"BEWA-042.DAT", "BMNLUG.txt",   "LO_IMP.txt",  "ProAL.txt",
                                               "Raet.txt",     "PaisyP1b.txt", "PaisyP3.txt", "PaisyP4.txt",
                                               "PaisyP4b.txt", "SAP2001.txt",  "SAP2010.txt"};
  return kFixed.count(name) || (name.size() == 8 && name.find_first_not_of("0123456789") == std::string::npos);
}

// Per record kind of a file: its number of fields (separated files) or
// characters (fixed-width files), and where it was seen first.
using KindWidths = std::map<std::string, std::pair<size_t, std::string>>;

// Line breaks, dates and the widths of the lines of one transfer file; an
// empty text when they are right. Kinds not yet in known are added with the
// width of their first line.
std::string CheckFile(const std::string& name, const std::string& bytes, KindWidths& known) {
  std::string out;
  if (name.size() > 4 && name.substr(name.size() - 4) == ".tmp") return name + ": temporary file left behind\n";
  size_t line = 1;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) {
      out += name + ": line " + std::to_string(line) + " holds a CR that ends no line\n";
      break;
    }
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
      out += name + ": line " + std::to_string(line) + " holds an LF without CR\n";
      break;
    }
    if (bytes[i] == '\n') ++line;
  }
  if (!bytes.empty() && bytes.back() != '\n') out += name + ": the last line does not end in CR LF\n";
  std::vector<std::string> lines = Lines(bytes);
  const Separated* sep = SeparatedFormat(name);
  bool fixed = FixedWidth(name);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string bad;
    if (sep) {
      std::vector<std::string> fields = Split(lines[i], sep->Sep);
      for (size_t k = 0; k < fields.size() && bad.empty(); ++k) {
        std::string f = fields[k];
        while (!f.empty() && f.back() == ' ') f.pop_back();
        auto [digits, layout] = DateForm(f);
        if (!layout.empty() && !DateOrNotJudged(digits, layout)) bad = f;
        for (const auto& [at, form] : sep->Dates)
          if (at == k && bad.empty() && !DateOrNotJudged(f, form)) bad = f;
      }
    }
    for (const auto& d : kFixedDates)
      if (name == d.File && (!d.Kind || lines[i].substr(0, 1) == std::string(1, d.Kind)) && bad.empty() &&
          lines[i].size() >= d.Pos + strlen(d.Layout) &&
          !DateOrNotJudged(lines[i].substr(d.Pos, strlen(d.Layout)), d.Layout))
        bad = lines[i].substr(d.Pos, strlen(d.Layout));
    if (!bad.empty()) {
      out += name + ": line " + std::to_string(i + 1) + " holds the date " + bad +
             ", no day of the calendar: " + lines[i] + "\n";
      break;
    }
  }
  for (size_t i = 0; i < lines.size() && (sep || fixed); ++i) {
    std::string kind = sep ? sep->Kind(lines, i) : lines[i].substr(0, 1);
    if (kind.empty()) continue;
    size_t width = sep ? Split(lines[i], sep->Sep).size() : lines[i].size();
    // against the unchanged company a line may be shorter (Raet writes no
    // shifted date without a month offset), never longer; its lines of one
    // kind in one file still have one width
    auto seen = known.find(kind);
    if (seen != known.end() && width < seen->second.first && seen->second.second.rfind("the unchanged", 0) == 0) {
      seen->second = {width, "line " + std::to_string(i + 1)};
      continue;
    }
    auto [it, fresh] = known.emplace(kind, std::make_pair(width, "line " + std::to_string(i + 1)));
    if (!fresh && it->second.first != width) {
      out += name + ": line " + std::to_string(i + 1) + " has " + std::to_string(width) +
             (sep ? " fields" : " characters") + ", " + it->second.second + " of its kind " +
             std::to_string(it->second.first) + ": " + lines[i] + "\n";
      break;
    }
  }
  return out;
}

#if !defined(__SANITIZE_ADDRESS__)
// The signals of a crash that print the case before the process ends
// (Windows has no SIGBUS).
#if defined(SIGBUS)
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT};
#else
constexpr int kCrashSignals[] = {SIGSEGV, SIGFPE, SIGABRT};
#endif
#endif

TEST_F(ContentFuzz, SeededMutationsUnderEveryPayrollSystem) {
  struct Circle {
    std::string Akr, Abrnr;
  };
  std::vector<Circle> circles{{"D1", "11"}};
  for (const auto& c : kDemoCircles) circles.push_back({c.Circle, c.Abrnr});
  ASSERT_EQ(19u, circles.size());

#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(PrintCase);
#else
  for (int sig : kCrashSignals) std::signal(sig, CrashSignal);
#endif
  Watchdog watchdog;

  auto clear = [this] {
    fs::remove_all(fs::path(tree) / "Transfer");
    fs::remove_all(fs::path(tree) / "Quantivel_php/log");
    fs::create_directories(fs::path(tree) / "Transfer");
    fs::create_directories(fs::path(tree) / "Quantivel_php/log");
  };
  auto run = [this, &watchdog](const Circle& c) {
    watchdog.Arm(kCaseSeconds);
    int code = RunWithConsole({"lugtransfer", "localhost", schema, c.Akr, c.Abrnr, "0"}, fs::path(tree) / "bin",
                              fs::path(tree) / "stdout.txt");
    watchdog.Disarm();
    return code;
  };

  // The widths of the lines of each record kind as the unchanged demo
  // company hands them over: a header line has no second line of its kind
  // in its file to be compared with.
  std::map<std::string, KindWidths> unchanged;
  clear();
  for (const auto& c : circles) ASSERT_EQ(1, run(c)) << c.Akr;
  for (const auto& [name, bytes] : Files()) {
    unchanged[name] = KindWidths{};
    ASSERT_EQ("", CheckFile(name, bytes, unchanged[name]));
    for (auto& [kind, width] : unchanged[name]) width.second = "the unchanged company's " + width.second;
  }

  // LUG_CONTENT_FUZZ_SEED alone runs that case; with LUG_CONTENT_FUZZ_CASES
  // the cases from that seed on
  int first = EnvNumber("LUG_CONTENT_FUZZ_SEED", 0);
  int cases = EnvNumber("LUG_CONTENT_FUZZ_CASES", first ? 1 : kDefaultCases);
  int failed = 0, refusals = 0, sums = 0;
  for (int n = 0; n < cases; ++n) {
    int seed = first ? first + n : n + 1;
    const Circle& circle = circles[static_cast<size_t>(seed) % circles.size()];
    std::mt19937_64 rng(static_cast<uint64_t>(seed));

    RestoreTables(admin, schema, snap, tables);
    clear();

    auto one = [this](const std::string& sql) {
      auto r = admin.Query(sql);
      return r.empty() ? std::string() : r[0][0];
    };
    std::string lug = one("SELECT AkrLug FROM " + schema + ".O1001AbrKreis WHERE AkrNum = '" + circle.Akr + "'");
    std::string lgp = one("SELECT LugLgp FROM " + schema + ".Qvx171Lug WHERE LugLug = '" + lug + "'");
    std::string pnrs;
    for (const auto& r : admin.Query("SELECT DISTINCT BsvPnr FROM " + schema + ".Qvx310Bsv WHERE BsvAkr = '" +
                                     circle.Akr + "' ORDER BY 1"))
      pnrs += (pnrs.empty() ? "'" : ", '") + r[0] + "'";
    std::map<std::string, std::string> vars{{"{akr}", circle.Akr},
                                            {"{lug}", lug},
                                            {"{lgp}", lgp},
                                            {"{pnrs}", pnrs.empty() ? "''" : pnrs}};

    std::string changes;
    int wanted = 1 + static_cast<int>(rng() % 3);
    for (int tries = 0, done = 0; done < wanted && tries < 20; ++tries) {
      std::string sql = Mutate(rng, vars);
      if (!sql.empty()) ++done;
      changes += sql;
    }
    // the description is Windows-1252 like the values; shown as UTF-8
    std::string what = "seed " + std::to_string(seed) + ", circle " + circle.Akr + " (" + lgp + "), Abrnr " +
                       circle.Abrnr + ", schema " + schema + ":\n" + changes;
    std::snprintf(g_case, sizeof g_case, "%s", what.c_str());

    if (std::getenv("LUG_CONTENT_FUZZ_SHOW")) std::fprintf(stderr, "%s", Utf8(what).c_str());
#if defined(__SANITIZE_ADDRESS__)
    // the undefined-behaviour checks of g++ end the process without the death
    // callback of the address checks: the seed stands before each case
    else std::fprintf(stderr, "content fuzz: seed %d\n", seed);
#endif
    int code = run(circle);

    std::string failures;
    std::string adt = one("SELECT AkrAdt FROM " + schema + ".O1001AbrKreis WHERE AkrNum = '" + circle.Akr + "'");
    std::string log = Text("Quantivel_php/log/log#lug.txt");
    std::vector<std::string> logLines = Lines(log);
    if (adt == "98") {
      if (code != 1) failures += "AkrAdt 98 with exit code " + std::to_string(code) + "\n";
      std::string report = Text("Quantivel_php/log/lug_" + upper + "_" + circle.Akr + "_" + circle.Abrnr + ".html");
      for (size_t i = 0; i < logLines.size(); ++i) {
        const std::string& l = logLines[i];
        // the report names the record by the status line or by the line
        // after it (the statement, where the status line only counts)
        std::string next = i + 1 < logLines.size() ? logLines[i + 1] : std::string();
        if (Contains(l, "Datenbankfehler") || Contains(l, "Abbruch wegen Fehler"))
          failures += "AkrAdt 98 after the log line: " + l + "\n";
        else if (RefusalLine(l) && !Contains(report, Html(l).c_str()) &&
                 (next.empty() || !Contains(report, Html(next).c_str())))
          failures += "AkrAdt 98, refused by the server but not in the report: " + l + "\n";
      }
      refusals += std::any_of(logLines.begin(), logLines.end(), RefusalLine);
    }
    std::map<std::string, std::string> files = Files();
    for (const auto& [name, bytes] : files) {
      KindWidths known = unchanged[name];
      failures += CheckFile(name, bytes, known);
    }

    bool leftOut = std::any_of(logLines.begin(), logLines.end(), LeftOutLine);
    if (adt == "98" && !leftOut && failures.empty() && (lgp == "DATEV" || lgp == "LODAS")) {
      // the hand-over carries the minutes of the run's transfer records
      ++sums;
      std::string zk1 = schema + ".Qvx331Zk1 WHERE Zk1Abr = " + circle.Abrnr;
      if (lgp == "DATEV") {
        // each record in hours with two decimals (5 * minutes / 3 hundredths
        // is never halfway)
        int64_t want = 0, got = 0;
        for (const auto& r : admin.Query("SELECT Zk1Std FROM " + zk1 + " AND Zk1Std <> 0")) {
          int64_t m = std::stoll(r[0]);
          want += (m >= 0 ? 5 * m + 1 : 5 * m - 1) / 3;
        }
        std::vector<std::string> lines = Lines(files["datev.csv"]);
        for (size_t i = 1; i < lines.size(); ++i) {
          auto f = Split(lines[i], ';');
          if (f.size() == 11) got += Hundredths(f[4]) + Hundredths(f[6]);
        }
        if (want != got)
          failures += "datev.csv hands over " + std::to_string(got) + " hundredths of hours, the transfer records " +
                      std::to_string(want) + "\n";
      } else if (files.size() == 1 && files.count("LodasSST-0.txt")) {
        // values are summed per line and rounded once: at most half a
        // hundredth off per line
        int64_t minutes =
            std::stoll(one("SELECT IFNULL(SUM(Zk1Std), 0) FROM " + zk1 + " AND Zk1Lfn = 0 AND Zk1Std <> 0"));
        int64_t got = 0, dataLines = 0;
        for (const auto& l : Lines(files["LodasSST-0.txt"])) {
          auto f = Split(l, ';');
          if (f.size() == 9 && f[3] == "01") {
            got += Hundredths(f[4]);
            ++dataLines;
          }
        }
        if (std::llabs(got * 60 - minutes * 100) > 30 * dataLines + 30)
          failures += "LodasSST-0.txt hands over " + std::to_string(got) +
                      " hundredths of hours, the transfer "
                      "records " +
                      std::to_string(minutes) + " minutes\n";
      }
    }
    if (!failures.empty()) {
      ++failed;
      ADD_FAILURE() << Utf8(what) << "exit code " << code << ", AkrAdt " << adt << "\n" << Utf8(failures);
    }
  }
  std::snprintf(g_case, sizeof g_case, "%s", "");
#if !defined(__SANITIZE_ADDRESS__)
  for (int sig : kCrashSignals) std::signal(sig, SIG_DFL);
#endif
  std::printf("content fuzz: %d case(s), %d failed; %d ended with 98 over refused records, %d compared sums\n", cases,
              failed, refusals, sums);
}

}  // namespace
