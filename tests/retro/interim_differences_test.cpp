// A final settlement after interim settlements of the same accounting number,
// run in-process against the private server. In production the control's
// hook never reports interim settlements; here it is switched on for the
// final run, so that its day runs become retro records and the interim
// differences are written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "control/control.h"
#include "run/db.h"
#include "driver.h"
#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

namespace {

class InterimRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.Connected()) << db.Error();
    schema = "zwi" + std::to_string(getpid());
    db.CreateSchema(schema);
    db.Exec(
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt, AkrRrm) VALUES ('01', 'L1', 0, 0, 0);"
        "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'LODAS');"
        "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 3, '2026-03-01', '2026-03-31');"
        "INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES (UPPER('" +
        schema +
        "'), '00001');"
        "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('LODAS', 'S1');"
        // L300 day runs (minutes), L100 monthly
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Rre, Lu1Ztr, Lu1Sts) VALUES"
        " ('L1', 'S1', 'Z3', 'L300', '2020-01-01', 0, 1, 7), ('L1', 'S1', 'Z1', 'L100', '2020-01-01', 1, 0, 5);"
        "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo) VALUES ('P1', '01', '2020-01-01');"
        "INSERT INTO QVX311ZUO (ZuoPnr, ZuoKst, ZuoKtr, ZuoKrt, ZuoGvo) VALUES ('P1', 'K1', 'T1', 'A', '2020-01-01');"
        "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd) VALUES"
        " ('P1', 1, '2026-03-02', 'K1', 'T1', 'A', 'Z3', 480), ('P1', 1, '2026-03-03', 'K1', 'T1', 'A', 'Z3', 480),"
        " ('P1', 1, '2026-03-09', 'K1', 'T1', 'A', 'Z3', 300), ('P1', 3, '2026-03-31', 'K1', 'T1', 'A', 'Z1', 1000)");
    tree = MakeInstallTree(schema);
  }

  void TearDown() override {
    SetEndabrechnungGelaufen(false);
    db.DropSchema(schema);
    fs::remove_all(tree);
  }

  int Run(const std::string& now, const std::string& mode) {
    dbSetSessionInit("SET TIMESTAMP = UNIX_TIMESTAMP('" + now + "')");
    fs::path cwd = fs::current_path();
    fs::current_path(tree / "bin");
    testing::internal::CaptureStdout();
    int code = RunMain({"lugtransfer", "x", schema, "01", "3", mode});
    testing::internal::GetCapturedStdout();
    fs::current_path(cwd);
    dbSetSessionInit("");
    return code;
  }

  std::string Rows(const std::string& sql) { return RowsText(db, sql); }

  std::string RunLog() {
    std::string text = Utf8(ReadFileBytes((tree / "Quantivel_php/log/log#lug.txt").string())), out;
    for (char c : text) {
      if (c != '\r') out += c;
    }
    return out;
  }

  TestDb db;
  std::string schema;
  fs::path tree;
};

}  // namespace

// An interim settlement on 10 March sends the day runs 2-3 March (960) and 9
// March (300). Then 3 March becomes 240 minutes, 9 March disappears and 16
// March is booked. With the hook reporting the interim settlements, a further
// interim request is refused, and the final settlement sends its monthly
// value as usual and, for the day runs, only the differences to what the
// interim settlement sent: -240, -300 and +480 (with LODAS memo records).
TEST_F(InterimRun, FinalAfterInterim) {
  ASSERT_EQ(1, Run("2026-03-10 07:00:00", "1"));
  db.Use(schema);
  db.Exec(
      "UPDATE Qvx331Zkb SET ZkbStd = 240 WHERE ZkbDtm = '2026-03-03';"
      "DELETE FROM Qvx331Zkb WHERE ZkbDtm = '2026-03-09';"
      "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd) VALUES"
      " ('P1', 1, '2026-03-16', 'K1', 'T1', 'A', 'Z3', 480)");
  SetEndabrechnungGelaufen(true);
  EXPECT_EQ(0, Run("2026-03-20 07:00:00", "1"));
  ASSERT_EQ(1, Run("2026-04-02 07:00:00", "0"));

  EXPECT_EQ(
      "10|L300|2026-03-02|960|2026-03-02|2026-03-03|0|2|0\n"
      "10|L300|2026-03-09|300|2026-03-09|2026-03-09|0|2|0\n"
      "0|L100|2026-03-01|1000|2026-03-01|2026-03-31|1|1|0\n"
      "0|L300|2026-03-02|-240|2026-03-02|2026-03-03|2|1|3\n"
      "0|L300|2026-03-09|-300|2026-03-09|2026-03-09|2|1|3\n"
      "0|L300|2026-03-16|480|2026-03-16|2026-03-16|2|1|3\n",
      Rows("SELECT Zk1Lfn, Zk1Lna, Zk1Bdt, Zk1Std, Zk1Von, Zk1Bis, Zk1Rre, Zk1Sta, Zk1Rrn FROM Qvx331Zk1"
           " ORDER BY Zk1Lfn DESC, Zk1Rre, Zk1Bdt"));
  EXPECT_EQ("3|2026-03-02|720|3\n3|2026-03-02|960|4\n3|2026-03-09|300|4\n3|2026-03-16|480|3\n",
            Rows("SELECT Zk5Abr, Zk5Bdt, Zk5Std, Zk5Rre FROM Qvx331Zk5 ORDER BY Zk5Bdt, Zk5Rre"));
  EXPECT_EQ("", Rows("SELECT * FROM Qvx331Zk3"));
  std::string log = RunLog();
  EXPECT_NE(std::string::npos, log.find("Zwischenabrechnung nicht möglich, da Endabrechnung bereits gelaufen !!\n"));
  EXPECT_NE(std::string::npos, log.find("\nZwischenabrechnung : Differenzen ermitteln:\n"
                                        "Diff.satz schreiben(1) ZwiAbr, Pnr: P1\n"
                                        "Diff.satz schreiben(Del) ZwiAbr, Pnr: P1\n"
                                        "Diff.satz schreiben(Ins) ZwiAbr, Pnr: P1\n"))
      << log;
}
