// Interruption count against the private server.
#include "calc/interruptions.h"

#include <utility>
#include <vector>

#include "calc/statistics.h"
#include "statistics_fixture.h"

namespace {

class Interruptions : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    // December 2025 to April 2026: 480 target minutes from Monday to Friday.
    Days("2025-12-01", "2026-04-30", false);
  }
  // Day records of P1 in [from, to] (ISO dates); on Monday to Friday the whole
  // target time unpaid or paid.
  void Days(const std::string& from, const std::string& to, bool unpaid) {
    Fixture(
        "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb) SELECT 'P1', BakDtm, 1, "
        "IF(WEEKDAY(BakDtm) < 5, 480, 0), IF(WEEKDAY(BakDtm) < 5 AND " +
        std::string(unpaid ? "1" : "0") + ", 480, 0) FROM Darvonix.Qvx133Bak WHERE BakDtm BETWEEN '" + from +
        "' AND '" + to + "' ON DUPLICATE KEY UPDATE TgbSol = VALUES(TgbSol), TgbUnb = VALUES(TgbUnb)");
  }
};

}  // namespace

// Mondays: 2025-12-22, 12-29, 2026-01-05, 02-16, 02-23, 03-02, 03-09, 03-16, 03-23, 03-30.
TEST_F(Interruptions, RunsOfUnpaidDays) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> unpaid;
    const char *von, *bis;
    int count;
    const char* log;
  } cases[] = {
      {"a week, a week with target days, three days",
       {{"2026-03-02", "2026-03-06"}, {"2026-03-16", "2026-03-18"}},
       "2026.03.01",
       "2026.03.31",
       1,
       "--- 5 SollTage zwischen 2026.03.06 und 2026.03.16\n"},
      {"two weeks, the weekend between without target time",
       {{"2026-03-02", "2026-03-13"}},
       "2026.03.01",
       "2026.03.31",
       1,
       ""},
      {"three days", {{"2026-03-02", "2026-03-04"}}, "2026.03.01", "2026.03.31", 0, ""},
      {"four days before a gap count, four days at the end do not",
       {{"2026-03-02", "2026-03-05"}, {"2026-03-16", "2026-03-16"}, {"2026-03-26", "2026-03-31"}},
       "2026.03.01",
       "2026.03.31",
       1,
       "--- 6 SollTage zwischen 2026.03.05 und 2026.03.16\n--- 7 SollTage zwischen 2026.03.16 und 2026.03.26\n"},
      {"two weeks apart",
       {{"2026-03-02", "2026-03-06"}, {"2026-03-16", "2026-03-20"}},
       "2026.03.01",
       "2026.03.31",
       2,
       "--- 5 SollTage zwischen 2026.03.06 und 2026.03.16\n"},
      {"the previous period ends with five days: counted there",
       {{"2026-02-23", "2026-02-27"}, {"2026-03-02", "2026-03-04"}},
       "2026.02.01",
       "2026.02.28",
       1,
       ""},
      {"... and cancelled by the look-back here",
       {{"2026-02-23", "2026-02-27"}, {"2026-03-02", "2026-03-04"}},
       "2026.03.01",
       "2026.03.31",
       0,
       ""},
      {"the look-back stops at a target day",
       {{"2026-02-23", "2026-02-24"}, {"2026-02-26", "2026-03-04"}},
       "2026.03.01",
       "2026.03.31",
       1,
       "--- 1 SollTage zwischen 2026.02.26 und 2026.02.24\n"},
      {"no look-back in January", {{"2025-12-22", "2026-01-07"}}, "2026.01.01", "2026.01.31", 1, ""},
      {"the same run in March", {{"2026-02-16", "2026-03-06"}}, "2026.03.01", "2026.03.31", 0, ""},
  };
  for (const auto& c : cases) {
    Days("2025-12-01", "2026-04-30", false);
    for (const auto& r : c.unpaid) Days(r.first, r.second, true);
    std::filesystem::remove(dir / "log.txt");
    EXPECT_EQ(c.count, CountUnterbrechungenIn("P1", c.von, c.bis)) << c.what;
    EXPECT_EQ(c.log, RunLog()) << c.what;
  }
}

// A day whose target time is only partly unpaid does not qualify; a day
// without target time neither.
TEST_F(Interruptions, QualifyingDays) {
  Days("2026-03-02", "2026-03-06", true);
  Fixture(
      "UPDATE Qvx320Tgb SET TgbUnb = 479 WHERE TgbDtm = '2026-03-04';"
      "UPDATE Qvx320Tgb SET TgbSol = 0 WHERE TgbDtm = '2026-03-05';"
      "UPDATE Qvx320Tgb SET TgbUnb = 600 WHERE TgbDtm = '2026-03-06'");
  EXPECT_EQ(0, CountUnterbrechungenIn("P1", "2026.03.01", "2026.03.31"));
  EXPECT_EQ("--- 1 SollTage zwischen 2026.03.03 und 2026.03.06\n", RunLog());
}

// The interruption record: wage type of Lu1Sts 112, count in Zk1Std, home
// cost assignment; only on the first employment row and only when the
// interruption wage type exists.
TEST_F(Interruptions, InterruptionRecord) {
  Days("2026-03-02", "2026-03-06", true);
  Days("2026-03-16", "2026-03-20", true);
  Fixture(
      "INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoKst, ZuoKtr, ZuoKrt) VALUES ('P1', '2020-01-01', 'K1', 'T1', 'A')");
  Calc.Bsv.Zk1Upn = "U1";
  Calc.Zk1Bdt = "2026.03.31";

  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);  // no interruption wage type
  Calc.Interruption = InterruptionType{true, "UNT", "S9", 1};
  Calc.FirstRow = false;
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);  // older employment row
  EXPECT_EQ("", Rows("SELECT * FROM Qvx331Zk1"));
  EXPECT_FALSE(Calc.Written);

  Calc.FirstRow = true;
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_TRUE(Calc.Written);
  EXPECT_EQ("3|0|S9|2026-03-31|P1|UNT|UNT|[ ]|K1|T1|A|2|0|0|2026-03-01|2026-03-31|112|1|0|U1|0\n",
            Rows("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, CONCAT('[', Zk1Lgr, ']'), Zk1Kst,"
                 " Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn, Zk1Inf"
                 " FROM Qvx331Zk1"));

  // the same count again (a second call for the employee): the duplicate is dropped silently
  CountUnterbrechungen(Ctx, Calc, "P1");
  EXPECT_EQ(
      "--- 5 SollTage zwischen 2026.03.06 und 2026.03.16\n--- Unterbrechungen: 2\n"
      "--- 5 SollTage zwischen 2026.03.06 und 2026.03.16\n--- Unterbrechungen: 2\n",
      RunLog());
  EXPECT_EQ("2\n", Rows("SELECT Zk1Std FROM Qvx331Zk1"));
}
