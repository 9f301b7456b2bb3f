#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "export/dispatch.h"
#include "export_fixture.h"
#include "run/db.h"

namespace fs = std::filesystem;

namespace {

// Every staging table of the exporters.
const char* const kStagingTables[] = {
    "Qvx333Ld1", "Qvx333Lp2", "Qvx333Lpc",  "Qvx333Lp1",  "Qvx333Sag",  "Qvx333Rat", "Qvx333Xxl",
    "Qvx333Ems", "Qvx333B01", "Qvx333B06",  "Qvx333Asr",  "Qvx333Ask",  "Qvx333Sli", "Qvx333Ps1",
    "Qvx333Ps3", "Qvx333Ps4", "Qvx333Ps1B", "Qvx333Ps3B", "Qvx333Ps4B", "Qvx333S10", "Qvx333S01",
    "Qvx333Tp1", "Qvx333Tp2", "Qvx333Pro",  "Qvx333Sbs",  "Qvx333Bmn",  "Qvx333God", "QVX333Perman",
};

// The payroll systems that add up what they hand over, with the record kind
// under which each takes hours and the statistics key of the records (Loga400
// adds the hours of key 1 to the target hours of its B1 row).
const struct {
  const char* Code;
  const char* Stz;
  int Sts = 0;
} kSystems[] = {
    {"XXL", "LS"},   {"EMIS", "LS"},    {"SCHLP", "LS"}, {"ProAL", "LS"}, {"Raet", "LS"},    {"GOD", "970"},
    {"BAUMN", "LS"}, {"TOPAS", "LS01"}, {"ASR", "LS"},   {"PRMAN", "LS"}, {"sage", "LS"},    {"SAP", "LS"},
    {"PAISY", "P1"}, {"PSYBR", "P1"},   {"LOGA2", "LS"}, {"LODAS", "LS"}, {"LOGA", "B1", 1},
};

}  // namespace

class ExactSums : public ExportTest {
 protected:
  // Runs the exporter of code on the given records (minutes per account, or
  // tenths of days with days set; sts the statistics key) and returns every
  // file it wrote and every staging row it left.
  std::string HandOver(const char* code, const char* stz, int sts, const std::map<std::string, int>& minutes,
                       bool days = false) {
    std::string sql = "DELETE FROM Qvx331Zk1;";
    for (const char* t : kStagingTables) sql += std::string("DELETE FROM ") + t + ";";
    for (const auto& [zkt, std] : minutes)
      sql += Format(
          "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, "
          "Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Von, Zk1Bis, Zk1Sta, Zk1Upn, Zk1Sts) VALUES (5, 0, '%s', "
          "'2026-03-10', '1001', '%s', '100', 'G', 'K1', 'T1', '1', %d, %d, '2026-03-01', '2026-03-31', 1, "
          "'1001', %d);",
          stz, zkt, days ? 0 : std, days ? std : 0, sts);
    Fixture(sql);
    fs::remove_all(tree / "Transfer/Lohn und Gehalt/Export/S");
    fs::create_directories(tree / "Transfer/Lohn und Gehalt/Export/S");
    Ctx.Lug.LugLgp = code;
    EXPECT_EQ(-1, ExitCodeOf([this] { ExportDispatch(Ctx); })) << code;
    std::string out;
    for (const auto& f : fs::directory_iterator(tree / "Transfer/Lohn und Gehalt/Export/S"))
      out += "[" + f.path().filename().string() + "]\n" + ReadFileBytes(f.path().string());
    EXPECT_EQ(1, dbCommit());
    Fixture("UPDATE Qvx333Asr SET AsrUhr = NULL");  // the clock time of the last addition
    for (const char* t : kStagingTables) out += Rows(std::string("SELECT * FROM ") + t);
    return out;
  }

  // The circle, the run and the settings of every system in kSystems.
  void PrepareRun() {
    std::string sql =
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrAdt) VALUES ('01', 'L1', 1, 31, 0);"
        "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-03-01', '2026-03-31');"
        "INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES ('1001', 'Eins');";
    for (const auto& s : kSystems) {
      sql += Format("INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes) VALUES ('%s', '%s', 1, 1, 1);",
                    s.Code, s.Stz);
      for (const char* zkt : {"A0", "A1", "A2", "A3"})
        sql += Format(
            "INSERT IGNORE INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst, Lu1Ktr, Lu1Krt) "
            "VALUES ('L1', '%s', '%s', '100', '2020-01-01', 1, 1, 1);",
            s.Stz, zkt);
    }
    Fixture(sql);
    Ctx.AkrSsl = 1;
    Ctx.AkrAzr = 31;
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugFir = "12";
    Ctx.AbrVon = Ctx.AbrDatum = "2026.03.01";
    Ctx.AbrBis = "2026.03.31";
    Ctx.DbTime = "02.04.2026 08:00:00";
  }

  // The hand-over settings (Qvx171Lug) name the system of code.
  void UseSystem(const char* code) {
    Fixture(Format("DELETE FROM Qvx171Lug; INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir) VALUES ('L1', '%s', '12')",
                   code));
  }
};

// One value split into several records that an exporter adds up under one
// key (here three accounts of one wage type on one day: 100 minutes each)
// hands over exactly what one record of the whole value does: the same file
// bytes and the same staging rows. Adding floats or formatted texts shows
// here (1.666667 three times is 5.000001, 1.67 three times 5.01). DATEV and
// SBS are not among them: they hand over one line per transfer record and add
// nothing up within a run. Loga400's B6 lines stay one per record too, but
// its B1 row adds up the hours and days of all of a person's records and must
// be exact.
TEST_F(ExactSums, SplitValueEqualsWholeValue) {
  PrepareRun();
  for (const auto& s : kSystems) {
    UseSystem(s.Code);
    std::string whole = HandOver(s.Code, s.Stz, s.Sts, {{"A0", 300}});
    EXPECT_NE(std::string::npos, whole.find("1001")) << s.Code << " hands over nothing";
    EXPECT_EQ(whole, HandOver(s.Code, s.Stz, s.Sts, {{"A1", 100}, {"A2", 100}, {"A3", 100}})) << s.Code;
  }
}

// Loga400 adds the days of its B1 row as tenths too: three leave records of
// a tenth of a day each give the row of one record of 0.3 days (0.1 added
// three times as a double is 0.30000000000000004).
TEST_F(ExactSums, Loga400SplitDaysEqualWholeDays) {
  PrepareRun();
  UseSystem("LOGA");
  std::string whole = HandOver("LOGA", "B1", 105, {{"A0", 3}}, true);
  EXPECT_NE(std::string::npos, whole.find("|0.3|")) << whole;
  EXPECT_EQ(whole, HandOver("LOGA", "B1", 105, {{"A1", 1}, {"A2", 1}, {"A3", 1}}, true));
}
