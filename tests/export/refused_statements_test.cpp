// Statements of the exporters that the server refuses: every exporter answers
// them as the others do, and none takes a failed read for a missing row.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export/dispatch.h"
#include "export_fixture.h"
#include "run/db.h"

namespace fs = std::filesystem;

namespace {

const char* const kStagingTables[] = {
    "Qvx333Ld1",  "Qvx333Lp2", "Qvx333Lpc", "Qvx333Lp1", "Qvx333Sag",    "Qvx333Rat", "Qvx333Xxl",  "Qvx333B01",
    "Qvx333B06",  "Qvx333Asr", "Qvx333Ask", "Qvx333Ps1", "Qvx333Ps3",    "Qvx333Ps4", "Qvx333Ps1B", "Qvx333Ps3B",
    "Qvx333Ps4B", "Qvx333Tp1", "Qvx333Tp2", "Qvx333Pro", "QVX333Perman", "Qvx331Zk5",
};

// The payroll systems that look up the wage-type line of a record, with the
// record kind under which they take hours.
const struct {
  const char* Code;
  const char* Stz;
} kSystems[] = {
    {"DATEV", "LS"}, {"XXL", "LS"},   {"ProAL", "LS"}, {"Raet", "LS"},  {"TOPAS", "LS01"},
    {"ASR", "LS"},   {"PRMAN", "LS"}, {"sage", "LS"},  {"PAISY", "P1"}, {"PSYBR", "P1"},
    {"LOGA2", "LS"}, {"LODAS", "LS"}, {"LOGA", "LS"},
};

}  // namespace

class RefusedStatement : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    Fixture(
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrAdt) VALUES ('01', 'L1', 1, 31, 0);"
        "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-03-01', '2026-03-31');"
        "INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES ('1001', 'Eins'), ('1002', 'Zwei');");
    Ctx.AkrSsl = 1;
    Ctx.AkrAzr = 31;
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugFir = "12";
    Ctx.AbrVon = Ctx.AbrDatum = "2026.03.01";
    Ctx.AbrBis = "2026.03.31";
    Ctx.DbTime = "02.04.2026 08:00:00";
  }

  // Settings of the system and two records of one kind, account and wage
  // type, of the persons 1001 and 1002 (in this order).
  void UseSystem(const char* code, const char* stz) {
    std::string sql = "DELETE FROM Qvx171Lug; DELETE FROM Qvx170Lg1; DELETE FROM Qvx171Lu1; DELETE FROM Qvx331Zk1;";
    sql += Format("INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir, LugAkr) VALUES ('L1', '%s', '12', '34');", code);
    sql += Format("INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes) VALUES ('%s', '%s', 1, 1, 1);", code,
                  stz);
    sql += Format(
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst, Lu1Ktr, Lu1Krt) "
        "VALUES ('L1', '%s', 'A0', '100', '2020-01-01', 0, 0, 0);",
        stz);
    for (const char* pnr : {"1001", "1002"})
      sql += Format(
          "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, "
          "Zk1Krt, Zk1Std, Zk1Tge, Zk1Von, Zk1Bis, Zk1Sta, Zk1Upn) VALUES (5, 0, '%s', '2026-03-10', '%s', 'A0', "
          "'100', 'G', 'K1', 'T1', '1', 120, 0, '2026-03-01', '2026-03-31', 2, '%s');",
          stz, pnr, pnr);
    Fixture(sql);
    Ctx.Lug.LugLgp = code;
  }

  // Runs the export with the server refusing statement `at` (counted from
  // the export's start) as an incorrect value; the run log it added.
  std::string RunRefusing(long at) {
    std::string sql;
    for (const char* t : kStagingTables) sql += std::string("DELETE FROM ") + t + ";";
    Fixture(sql);
    fs::remove_all(tree / "Transfer/Lohn und Gehalt/Export/S");
    fs::create_directories(tree / "Transfer/Lohn und Gehalt/Export/S");
    Ctx.Handover = HandOver{};
    Ctx.LastStatus = 0;
    size_t logged = RunLog().size();
    dbSetFaultHook([n = dbStatementCount() + at](long s) { return s == n ? 1292 : 0; });
    ExitCodeOf([this] { ExportDispatch(Ctx); });
    dbSetFaultHook(nullptr);
    (void)dbCommit();
    return RunLog().substr(logged);
  }

  static bool Names(const std::vector<std::string>& persons, const char* pnr) {
    for (const std::string& p : persons) {
      if (p.find(pnr) != std::string::npos) return true;
    }
    return false;
  }

  // Runs the export with each statement in turn refused until the run log
  // shows text; the log of that run (empty when none showed it).
  std::string RefuseUntilLogged(const char* text) {
    for (long at = 1; at <= 12; ++at) {
      std::string log = RunRefusing(at);
      if (log.find(text) != std::string::npos) return log;
    }
    return std::string();
  }
};

// A wage-type line that cannot be read is no missing line: handed over with
// the presets, a record would carry cost fields or values that its line may
// not allow. The first read of the line fails: the record of 1001 is left out
// with its person and wage type, the line is read again for 1002, whose
// record is handed over.
TEST_F(RefusedStatement, UnreadWageTypeLineLeavesTheRecordOut) {
  for (const auto& s : kSystems) {
    UseSystem(s.Code, s.Stz);
    std::string log = RefuseUntilLogged("Qvx171Lu1");
    if (log.empty() || Ctx.Handover.LeftOut.size() != 1) {
      ADD_FAILURE() << s.Code << ": the record is not left out once\n" << log;
      continue;
    }
    const LeftOutRecord& left = Ctx.Handover.LeftOut[0];
    EXPECT_TRUE(left.HasRecord) << s.Code;
    EXPECT_EQ("1001", left.Pnr) << s.Code;
    EXPECT_EQ("100", left.WageType) << s.Code;
    EXPECT_NE(std::string::npos, left.Text.find("Qvx171Lu1")) << s.Code << " " << left.Text;
    EXPECT_FALSE(Names(Ctx.Handover.Persons, "1001")) << s.Code << " hands over the record of 1001";
    EXPECT_TRUE(Names(Ctx.Handover.Persons, "1002")) << s.Code << " leaves out the record of 1002";
  }
}

// Emptying a staging table when the interface is cleared: a refused delete is
// reported as in every exporter (the run is not complete, and -1 would end
// it), not only logged.
TEST_F(RefusedStatement, RefusedStagingClearIsReported) {
  for (const char* code : {"SAP", "TOPAS", "PRMAN"}) {
    UseSystem(code, "LS");
    std::string log = RefuseUntilLogged("DeleteFehler");
    if (log.empty() || Ctx.Handover.LeftOut.size() != 1) {
      ADD_FAILURE() << code << ": the failed delete is not reported\n" << log;
      continue;
    }
    EXPECT_NE(std::string::npos, Ctx.Handover.LeftOut[0].Text.find("DeleteFehler")) << code;
    EXPECT_EQ(1292, Ctx.LastStatus) << code;
  }
}
