// What the run says it handed over, held against what its exporter wrote: for
// the DATEV circle and each demo circle of another payroll system the files in
// the transfer folder are read by their layout (or the staging table that is
// the hand-over is queried), and the files, their lines, the rows added and
// per wage type the records, hours and days must be those of the run's
// hand-over; every person in the hand-over is one of the run's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "driver.h"
#include "export/demo_circles.h"
#include "run/context.h"
#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trimmed(std::string s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

// A number as a field shows it: decimal comma or point, blanks around it; a
// sign may stand behind the digits ("0123-"); empty is 0.
double Number(std::string text) {
  text = Trimmed(text);
  bool minus = !text.empty() && text.back() == '-';
  if (minus) text.pop_back();
  for (char& c : text) {
    if (c == ',' || c == ':') c = '.';
  }
  double v = text.empty() ? 0 : std::strtod(text.c_str(), nullptr);
  return minus ? -v : v;
}

// A zoned number of PAISY: the last digit of a negative value is p to y.
double Zoned(std::string text) {
  bool minus = !text.empty() && text.back() >= 'p' && text.back() <= 'y';
  if (minus) text.back() = static_cast<char>('0' + (text.back() - 'p'));
  return minus ? -Number(text) : Number(text);
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, sep)) out.push_back(field);
  if (!line.empty() && line.back() == sep) out.emplace_back();
  return out;
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::istringstream in(bytes);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
  }
  return out;
}

// A JSON value of the run's summary (a small reader: objects, arrays,
// strings with the escapes the summary writes, numbers, true, false, null).
struct JsonValue {
  enum Kind { Null, Bool, Number, String, Array, Object } Type = Null;
  bool B = false;
  double N = 0;
  std::string S;
  std::vector<JsonValue> A;
  std::vector<std::pair<std::string, JsonValue>> O;
  const JsonValue& operator[](const std::string& key) const {
    static const JsonValue none;
    for (const auto& [k, v] : O) {
      if (k == key) return v;
    }
    return none;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : t_(text) {}
  JsonValue Read() {
    JsonValue v = Value();
    Blanks();
    if (i_ != t_.size()) ok_ = false;
    return v;
  }
  bool Ok() const { return ok_; }

 private:
  void Blanks() {
    while (i_ < t_.size() && std::isspace(static_cast<unsigned char>(t_[i_]))) ++i_;
  }
  bool Take(char c) {
    Blanks();
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  std::string Text() {
    std::string out;
    if (!Take('"')) {
      ok_ = false;
      return out;
    }
    while (i_ < t_.size() && t_[i_] != '"') {
      char c = t_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      char e = i_ < t_.size() ? t_[i_++] : '?';
      if (e == 'n') out += '\n';
      else if (e == 'r') out += '\r';
      else if (e == 't') out += '\t';
      else if (e == 'u') {
        out += static_cast<char>(std::strtol(t_.substr(i_, 4).c_str(), nullptr, 16));
        i_ += 4;
      } else {
        out += e;
      }
    }
    ++i_;
    return out;
  }
  JsonValue Value() {
    JsonValue v;
    Blanks();
    if (i_ >= t_.size()) {
      ok_ = false;
      return v;
    }
    char c = t_[i_];
    if (c == '{') {
      v.Type = JsonValue::Object;
      ++i_;
      if (Take('}')) return v;
      do {
        std::string key = Text();
        if (!Take(':')) ok_ = false;
        v.O.emplace_back(key, Value());
      } while (Take(','));
      if (!Take('}')) ok_ = false;
    } else if (c == '[') {
      v.Type = JsonValue::Array;
      ++i_;
      if (Take(']')) return v;
      do v.A.push_back(Value());
      while (Take(','));
      if (!Take(']')) ok_ = false;
    } else if (c == '"') {
      v.Type = JsonValue::String;
      v.S = Text();
    } else if (t_.compare(i_, 4, "true") == 0 || t_.compare(i_, 5, "false") == 0) {
      v.Type = JsonValue::Bool;
      v.B = t_[i_] == 't';
      i_ += v.B ? 4 : 5;
    } else if (t_.compare(i_, 4, "null") == 0) {
      i_ += 4;
    } else {
      v.Type = JsonValue::Number;
      char* end = nullptr;
      v.N = std::strtod(t_.c_str() + i_, &end);
      if (end == t_.c_str() + i_) ok_ = false;
      i_ = static_cast<size_t>(end - t_.c_str());
    }
    return v;
  }
  const std::string& t_;
  size_t i_ = 0;
  bool ok_ = true;
};

// Per wage type: records, hours and days as found.
struct Sums {
  int64_t Records = 0;
  double Hours = 0;
  double Days = 0;
};

struct Found {
  std::map<std::string, Sums> WageTypes;
  std::set<std::string> Persons;
  bool CompareRecords = true;  // staging rows hold several records each
  bool OneValue = false;       // hours and days share one field: their sum is compared
  void Add(const std::string& pnr, const std::string& wageType, double hours, double days) {
    Sums& s = WageTypes[Trimmed(wageType)];
    ++s.Records;
    s.Hours += hours;
    s.Days += days;
    Persons.insert(Trimmed(pnr));
  }
};

// Fields of a TOPAS P1/P4 style line "CCvalue*CCvalue*..." from position 24.
std::map<std::string, std::string> CodedFields(const std::string& line) {
  std::map<std::string, std::string> out;
  for (const std::string& token : Split(line.substr(24), '*')) {
    if (token.size() >= 2) out[token.substr(0, 2)] = token.substr(2);
  }
  return out;
}

// Reads the data lines of one file of the transfer folder by the layout of
// its payroll system.
void ReadFile(const std::string& name, const std::string& bytes, Found& f) {
  std::vector<std::string> lines = Lines(bytes);
  if (name == "datev.csv") {
    for (size_t i = 1; i < lines.size(); ++i) {
      std::vector<std::string> c = Split(lines[i], ';');
      f.Add(c[0], c[3], Number(c[4]) + Number(c[6]), Number(c[5]));
    }
  } else if (name.rfind("LodasSST-", 0) == 0) {
    bool data = false;
    for (const std::string& l : lines) {
      if (l.empty()) continue;
      if (l[0] == '[') {
        data = l == "[Bewegungsdaten]" || l == "[Entfernen]";
        continue;
      }
      if (!data) continue;
      std::vector<std::string> c = Split(l, ';');
      f.Add(c[1], c[5], c[3] == "01" ? Number(c[4]) : 0, c[3] == "10" ? Number(c[4]) : 0);
    }
  } else if (name == "Loga2001Lpc.csv" || name == "Loga2001Lp1.csv") {
    for (size_t i = 1; i < lines.size(); ++i) {
      std::vector<std::string> c = Split(lines[i], ';');
      if (c[0] == "[VARTAB]") f.Add(c[3], c[7], Number(c[9]), Number(c[8]));
      if (c[0] == "[ZEITENKAL]") f.Add(c[8], c[18], 0, Number(c[20]));
    }
  } else if (name.rfind("020410", 0) == 0) {  // sage
    for (const std::string& l : lines) {
      double amount = Number(l.substr(17, 6));
      f.Add(l.substr(2, 6), l.substr(8, 3), amount != 0 ? amount : Number(l.substr(11, 6)), 0);
    }
  } else if (name == "Raet.txt") {
    for (const std::string& l : lines) {
      if (l[0] != '5') continue;
      f.Add(l.substr(1, 15), l.substr(31, 20), Number(l.substr(l.size() - 26)), 0);
    }
  } else if (name == "LO_IMP.txt") {  // XXL: hours or days in one field, compared as their sum
    f.OneValue = true;
    for (const std::string& l : lines) {
      double v = (l[27] == '-' ? -1 : 1) * Number(l.substr(28, 12));
      f.Add(l.substr(0, 6), l.substr(22, 3), v, 0);
    }
  } else if (name == "LOXF-0001.csv") {
    for (size_t i = 1; i < lines.size(); ++i) {
      std::vector<std::string> c = Split(lines[i], ';');
      f.Add(c[1], c[4], (c[13] == "-" ? -1 : 1) * Number(c[14]) / 100, (c[15] == "-" ? -1 : 1) * Number(c[16]) / 100);
    }
  } else if (name == "PaisyP1.txt") {
    for (const std::string& l : lines) {
      std::map<std::string, std::string> c = CodedFields(l);
      double hours = c.count("11") ? Number(c["11"]) / 100 : Number(c["14"]) / 100;
      f.Add(l.substr(6, 6), c["10"], hours, 0);
    }
  } else if (name == "PaisyP3.txt") {
    for (const std::string& l : lines) f.Add(l.substr(6, 6), l.substr(24, 3), 0, 0);
  } else if (name == "PaisyP4.txt") {
    for (const std::string& l : lines) {
      std::map<std::string, std::string> c = CodedFields(l);
      f.Add(l.substr(6, 6), "P4", Number(c["33"]) / 60, Number(c["37"]) + Number(c["15"]));
    }
  } else if (name == "PaisyP1b.txt") {
    for (const std::string& l : lines) f.Add(l.substr(6, 6), l.substr(26, 3), Zoned(l.substr(32, 5)) / 100, 0);
  } else if (name == "PaisyP4b.txt") {
    for (const std::string& l : lines)
      f.Add(l.substr(6, 6), "P4", Zoned(l.substr(32, 5)) / 100, Zoned(l.substr(26, 3)) / 10);
  } else if (name == "SAP2010.txt") {
    for (const std::string& l : lines) f.Add(l.substr(7, 8), l.substr(45, 4), Number(l.substr(59, 7)), 0);
  } else if (name == "SAP2001.txt") {
    for (const std::string& l : lines) f.Add(l.substr(7, 8), l.substr(45, 4), 0, 0);
  } else if (name == "LGD038IM") {
    for (const std::string& l : lines) {
      std::vector<std::string> c = Split(l, ';');
      f.Add(c[1], c[4], Number(c[5]) / 100, Number(c[6]) / 100);
    }
  } else if (name == "LGD034IM") {
    for (const std::string& l : lines) {
      std::vector<std::string> c = Split(l, ';');
      f.Add(c[1], c[5], Number(c[7]) / 100, Number(c[6]) / 100);
    }
  } else if (name == "M0060763.001") {  // Perman
    for (const std::string& l : lines) {
      if (l.rfind("PK", 0) != 0) continue;
      std::string field = Split(l, '\t')[1];
      bool shortField = field.rfind("V193", 0) == 0 || field.rfind("V199", 0) == 0 || field.rfind("V607", 0) == 0 ||
                        field.rfind("V608", 0) == 0;
      size_t width = shortField ? 4 : 9;
      f.Add(l.substr(7, 7), field.substr(0, field.size() - width), Number(field.substr(field.size() - width)) / 100, 0);
    }
  } else if (name == "ProAL.txt") {
    for (const std::string& l : lines) f.Add(l.substr(13, 6), l.substr(27, 3), Number(l.substr(30, 7)), 0);
  } else if (name.rfind("BEWA-", 0) == 0 || name.rfind("BWA", 0) == 0) {  // SBS
    for (const std::string& l : lines)
      f.Add(l.substr(6, 6), l.substr(12, 3), (l[15] == '1' ? -1 : 1) * Number(l.substr(16, 8)) / 100, 0);
  } else if (name == "BMNLUG.txt") {
    for (const std::string& l : lines) f.Add(l.substr(10, 4), l.substr(24, 3), Number(l.substr(27, 8)), 0);
  } else if (name == "PVZERZDP.DAT") {  // GOD: two head lines
    for (size_t i = 2; i < lines.size(); ++i) {
      const std::string& l = lines[i];
      if (l.rfind("970", 0) == 0) f.Add(l.substr(8, 8), l.substr(16, 4), Number(l.substr(36, 7)) / 100, 0);
      if (l.rfind("331", 0) == 0) f.Add(l.substr(8, 8), "331", 0, 0);
    }
  } else {
    ADD_FAILURE() << "no layout for the file " << name;
  }
}

// The staging tables that are the hand-over of a system without file.
void ReadStaging(TestDb& db, const std::string& circle, Found& f) {
  f.CompareRecords = false;
  auto add = [&](const std::string& sql) {
    for (const auto& r : db.Query(sql)) {
      // a B1 row has a column for each kind; only those with a value were written
      if (std::strtod(r[2].c_str(), nullptr) == 0 && std::strtod(r[3].c_str(), nullptr) == 0 &&
          r[1].rfind("B01", 0) == 0)
        continue;
      Sums& s = f.WageTypes[Trimmed(r[1])];
      s.Hours += std::strtod(r[2].c_str(), nullptr);
      s.Days += std::strtod(r[3].c_str(), nullptr);
      f.Persons.insert(Trimmed(r[0]));
    }
  };
  if (circle == "E1") add("SELECT EmsPnr, EmsLna, EmsStd, EmsTge / 10 FROM Qvx333Ems");
  if (circle == "AS") {
    add("SELECT AsrPnr, AsrLna, AsrStd, AsrTag FROM Qvx333Asr");
    add("SELECT AskPnr, AskArt, IF(AskEin = 'S', AskMge, 0), IF(AskEin = 'T', AskMge, 0) FROM Qvx333Ask");
  }
  if (circle == "L4") {
    add("SELECT B06Pnr, B06Lna, B06Bzt, 0 FROM Qvx333B06");
    for (const char* col : {"Sol", "Urs", "Krs", "Fts", "Ens", "Uns"})
      add(std::string("SELECT B01Pnr, 'B01") + col + "', B01" + col + ", 0 FROM Qvx333B01");
    for (const char* col : {"Url", "Krk", "Ftg", "Soz", "Ent", "Unt", "Arb"})
      add(std::string("SELECT B01Pnr, 'B01") + col + "', 0, B01" + col + " FROM Qvx333B01");
  }
}

class HandOverOfDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(admin.Connected()) << admin.Error();
    schema = "thand" + std::to_string(getpid());
    LoadDemoCompany(admin, schema);
    tree = MakeInstallTree(schema);
    transfer = tree / "Transfer/Lohn und Gehalt/Export" / Upper(schema);
  }
  void TearDown() override {
    admin.DropSchema(schema);
    fs::remove_all(tree);
  }
  int Run(const std::string& circle, const std::string& abrnr) {
    return RunWithConsole({"lugtransfer", "localhost", schema, circle, abrnr, "0"}, tree / "bin", tree / "stdout.txt",
                          &Ctx);
  }
  // the last run's context
  RunContext Ctx;
  // The run's summary file, read.
  JsonValue Summary(const std::string& circle, const std::string& abrnr) {
    fs::path p = tree / "Quantivel_php/log" / ("lug_" + Upper(schema) + "_" + circle + "_" + abrnr + ".json");
    std::string text = fs::exists(p) ? ReadFileBytes(p.string()) : std::string();
    JsonReader reader(text);
    JsonValue v = reader.Read();
    EXPECT_TRUE(reader.Ok()) << "summary " << p << ":\n" << text;
    return v;
  }

  // Files, lines, staging rows and wage types of the run's summary against
  // what was written; the persons handed over are those written, and each is
  // one of the run's.
  void Compare(const std::string& circle, const std::string& abrnr, const std::string& result = "complete") {
    JsonValue sum = Summary(circle, abrnr);
    EXPECT_EQ(circle, sum["circle"].S);
    EXPECT_EQ("final", sum["mode"].S);
    EXPECT_EQ(result, sum["result"].S);
    EXPECT_EQ(1, sum["exit_code"].N);
    EXPECT_TRUE(sum["foreign_persons"].Type == JsonValue::Array && sum["foreign_persons"].A.empty());

    Found f;
    std::map<std::string, int64_t> onDisk;
    if (fs::exists(transfer)) {
      for (const auto& e : fs::directory_iterator(transfer)) {
        std::string bytes = ReadFileBytes(e.path().string());
        std::string name = U8Text(e.path().filename());
        int64_t n = 0;
        for (char c : bytes) n += c == '\n';
        onDisk[name] = n;
        // the csv twins of the SAP files repeat their lines; the empty P3b file has none
        if (name != "SAP2010.csv" && name != "SAP2001.csv" && name != "PaisyP3b.txt") ReadFile(name, bytes, f);
      }
    }
    std::map<std::string, int64_t> placed;
    for (const JsonValue& file : sum["files"].A) placed[file["name"].S] = static_cast<int64_t>(file["lines"].N);
    EXPECT_EQ(onDisk, placed);
    if (onDisk.empty()) ReadStaging(admin, circle, f);

    // rows added to the hand-over tables: the tables held none before
    int64_t stagedRecords = 0;
    for (const JsonValue& t : sum["staging"].A) {
      const std::string& table = t["table"].S;
      if (table.rfind("Qvx333", 0) != 0 && table.rfind("QVX333", 0) != 0) continue;
      SCOPED_TRACE(table);
      EXPECT_EQ(Format("%.0f\n", t["rows"].N), admin.QueryText("SELECT COUNT(*) FROM " + table));
      stagedRecords += static_cast<int64_t>(t["rows"].N + t["accumulated"].N);
    }

    std::map<std::string, Sums> told;
    int64_t records = 0;
    for (const JsonValue& w : sum["handed_over"].A) {
      Sums& s = told[Trimmed(w["wage_type"].S)];
      s.Records += static_cast<int64_t>(w["records"].N);
      s.Hours += w["hours"].N;
      s.Days += w["days"].N;
      records += static_cast<int64_t>(w["records"].N);
    }
    if (!f.CompareRecords) {
      // without file each staging write is one record of the hand-over
      EXPECT_EQ(stagedRecords, records);
      told.erase("B01Anw");
      told.erase("B1");
    }
    std::set<std::string> names, foundNames;
    for (const auto& [w, s] : told) names.insert(w);
    for (const auto& [w, s] : f.WageTypes) foundNames.insert(w);
    EXPECT_EQ(foundNames, names);
    for (const auto& [w, s] : f.WageTypes) {
      SCOPED_TRACE("wage type " + w);
      const Sums& t = told[w];
      if (f.CompareRecords) { EXPECT_EQ(s.Records, t.Records); }
      // each record's value is printed with six places at most
      double tolerance = 0.005 * static_cast<double>(std::max<int64_t>(1, t.Records)) + 1e-6;
      if (f.OneValue) {
        EXPECT_NEAR(s.Hours + s.Days, t.Hours + t.Days, tolerance);
      } else {
        EXPECT_NEAR(s.Hours, t.Hours, tolerance);
        EXPECT_NEAR(s.Days, t.Days, tolerance);
      }
    }
    // persons as numbers: the fields pad them with zeros or blanks
    auto number = [](const std::string& p) {
      std::string t = Trimmed(p);
      size_t a = t.find_first_not_of('0');
      return a == std::string::npos ? std::string() : t.substr(a);
    };
    std::set<std::string> persons, written;
    for (const std::string& p : Ctx.Handover.Persons) persons.insert(number(p));
    for (const std::string& p : f.Persons) written.insert(number(p));
    EXPECT_EQ(written, persons);

    // every person handed over is one of the run's transfer records
    std::set<std::string> ofRun;
    for (const auto& r :
         admin.Query("SELECT DISTINCT TRIM(Zk1Upn), TRIM(Zk1Pnr) FROM Qvx331Zk1 WHERE Zk1Abr = " + abrnr)) {
      ofRun.insert(number(r[0]));
      ofRun.insert(number(r[1]));
    }
    for (const std::string& p : f.Persons)
      EXPECT_TRUE(ofRun.count(number(p))) << "person " << p << " is none of the run";
  }

  TestDb admin;
  std::string schema;
  fs::path tree, transfer;
};

}  // namespace

TEST_F(HandOverOfDemo, DatevFileIsTheHandOver) {
  EXPECT_EQ(1, Run("D1", "11"));
  // the records with days only are left out (see below)
  Compare("D1", "11", "left_out");
}

// The days-only records of 4010 are no part of DATEV's file: the summary
// lists them as left out, with person and days, and the run as one that left
// records out.
TEST_F(HandOverOfDemo, DatevLeavesOutRecordsWithDaysOnly) {
  EXPECT_EQ(1, Run("D1", "11"));
  JsonValue sum = Summary("D1", "11");
  EXPECT_EQ("left_out", sum["result"].S);
  std::map<std::string, double> days;
  for (const JsonValue& r : sum["left_out"].A) {
    EXPECT_EQ("nur Tage", r["kind"].S);
    EXPECT_EQ("4010", r["wage_type"].S);
    EXPECT_EQ(0, r["hours"].N);
    EXPECT_NE(std::string::npos, r["reason"].S.find("Satz nur mit Tagen"));
    days[r["pnr"].S] += r["days"].N;
  }
  std::map<std::string, double> expected;
  for (const auto& r : admin.Query("SELECT TRIM(Zk1Upn), SUM(Zk1Tge) FROM Qvx331Zk1 WHERE Zk1Abr = 11 "
                                   "AND Zk1Lna = '4010' GROUP BY Zk1Upn"))
    expected[r[0]] = std::strtod(r[1].c_str(), nullptr) / 10.0;  // tenths of a day
  EXPECT_FALSE(expected.empty());
  ASSERT_EQ(expected.size(), days.size());
  for (const auto& [pnr, d] : expected) EXPECT_NEAR(d, days[pnr], 1e-9) << pnr;
}

TEST_F(HandOverOfDemo, EveryOtherPayrollSystem) {
  for (const DemoCircle& c : kDemoCircles) {
    SCOPED_TRACE(c.Circle);
    fs::remove_all(transfer);
    EXPECT_EQ(1, Run(c.Circle, c.Abrnr));
    Compare(c.Circle, c.Abrnr);
    EXPECT_TRUE(Ctx.Handover.LeftOut.empty()) << Ctx.Handover.LeftOut.front().Text;
  }
}

// A payroll personnel number of six digits does not fit LODAS's five: the
// person's records are left out with person, wage type and hours, and the
// run says so.
TEST_F(HandOverOfDemo, LodasLeavesOutALongPersonnelNumber) {
  admin.Exec("UPDATE Qvx310Bsv SET BsvLug = '101234' WHERE BsvPnr = '9101'");
  EXPECT_EQ(1, Run("LD1", "11"));
  std::map<std::string, double> hours;
  for (const LeftOutRecord& r : Ctx.Handover.LeftOut) {
    EXPECT_EQ("zu lang", r.Kind);
    EXPECT_EQ("PersNr zu lang : 101234", r.Text);
    EXPECT_EQ("101234", r.Pnr);
    EXPECT_TRUE(r.HasRecord);
    hours[r.WageType] += r.Hours;
  }
  std::map<std::string, double> expected;
  for (const auto& r : admin.Query("SELECT TRIM(Zk1Lna), SUM(Zk1Std) / 60E0 FROM Qvx331Zk1 WHERE Zk1Abr = 11 "
                                   "AND Zk1Upn = '101234' GROUP BY Zk1Lna"))
    expected[r[0]] = std::strtod(r[1].c_str(), nullptr);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected.size(), hours.size());
  for (const auto& [w, v] : expected) EXPECT_NEAR(v, hours[w], 1e-9) << w;
  // the other person is handed over, this one is not
  EXPECT_EQ(std::vector<std::string>{"102"}, Ctx.Handover.Persons);
  std::string log = ReadFileBytes((tree / "Quantivel_php/log/log#lug.txt").string());
  EXPECT_NE(std::string::npos, log.find("PersNr zu lang : 101234"));
  // the summary lists the same records
  JsonValue sum = Summary("LD1", "11");
  EXPECT_EQ("left_out", sum["result"].S);
  std::map<std::string, double> listed;
  for (const JsonValue& r : sum["left_out"].A) {
    EXPECT_EQ("101234", r["pnr"].S);
    EXPECT_EQ("zu lang", r["kind"].S);
    EXPECT_EQ("PersNr zu lang : 101234", r["reason"].S);
    listed[r["wage_type"].S] += r["hours"].N;
  }
  EXPECT_EQ(expected.size(), listed.size());
  for (const auto& [w, v] : expected) EXPECT_NEAR(v, listed[w], 1e-5) << w;
}

// A circle whose staging table is not emptied (AkrSsl 0) collects the rows
// of earlier runs into its file. A person there whom no transfer record of
// this run names is flagged in the report and the summary; the run itself
// left nothing out.
TEST_F(HandOverOfDemo, PersonsOfAnotherRunInTheFileAreFlagged) {
  admin.Exec("UPDATE O1001AbrKreis SET AkrSsl = 0 WHERE AkrNum = 'B1'");
  ASSERT_EQ(1, Run("B1", "11"));
  EXPECT_TRUE(Summary("B1", "11")["foreign_persons"].A.empty());
  admin.Exec("CREATE TABLE BmnOther AS SELECT * FROM Qvx333Bmn LIMIT 1");
  admin.Exec("UPDATE BmnOther SET BmnPnr = '7777'");
  admin.Exec("INSERT INTO Qvx333Bmn SELECT * FROM BmnOther");
  admin.Exec("DROP TABLE BmnOther");
  ASSERT_EQ(1, Run("B1", "11"));
  JsonValue sum = Summary("B1", "11");
  ASSERT_EQ(1u, sum["foreign_persons"].A.size());
  EXPECT_EQ("7777", sum["foreign_persons"].A[0]["pnr"].S);
  std::string page = ReadFileBytes((tree / "Quantivel_php/log" / ("lug_" + Upper(schema) + "_B1_11.html")).string());
  EXPECT_NE(std::string::npos, page.find("Nicht aus diesem Lauf"));
  EXPECT_NE(std::string::npos, page.find("<tr><td>7777</td>"));
}

// A value too wide for its field is written as 0, as the format wants: the
// payroll system does not get it, so the run lists it as not handed over and
// is not complete.
TEST_F(HandOverOfDemo, AValueTooWideForItsFieldIsListedAsNotHandedOver) {
  admin.Exec("UPDATE O1001AbrKreis SET AkrSsl = 0 WHERE AkrNum = 'PR'");
  ASSERT_EQ(1, Run("PR", "11"));
  EXPECT_EQ("complete", Summary("PR", "11")["result"].S);
  admin.Exec("UPDATE Qvx333Pro SET ProMin = 99999999 ORDER BY ProPnr, ProLna LIMIT 1");
  ASSERT_EQ(1, Run("PR", "11"));
  JsonValue sum = Summary("PR", "11");
  EXPECT_EQ("left_out", sum["result"].S);
  ASSERT_EQ(1u, sum["left_out"].A.size());
  EXPECT_EQ("zu groß, als 0 übergeben", sum["left_out"].A[0]["kind"].S);
  EXPECT_NE(std::string::npos, sum["left_out"].A[0]["reason"].S.find("Wert zu groß f.Übergabe, Pnr: "));
}
