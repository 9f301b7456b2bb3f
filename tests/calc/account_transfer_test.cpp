// Account transfer of one employee, March 2026, one record type "P3": cases
// around the rules that decide how often a booking counts (same-day
// bookings, several cost assignments, month rows of one record), the day
// count, the statistics days, the interim rule and the second destination.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "calc/calc_state.h"
#include "calc/statistics.h"
#include "calc/account_transfer.h"
#include "run/context.h"
#include "run/db.h"
#include "run/db_key.h"
#include "run/exit.h"
#include "program_fixture.h"

namespace {

class AccountTransfer : public ProgramDbTest {
 protected:
  // the settlement's calculation state under test
  CalcState Calc;

  void SetUp() override {
    OpenSchema("tzk");
    Fixture(
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1');"
        "INSERT INTO Qvx131Fcd VALUES ('U', 'URL'), ('K', 'KRK')");
  }

  // A fresh calculation of P1 with the given lines and bookings.
  void Calculate(const std::string& fixture, int16_t lfn = 0, const std::string& von = "2026.03.01",
                 const std::string& bis = "2026.03.31") {
    EXPECT_EQ(1, dbCommit());  // the program's transaction must not hold the rows deleted here
    admin.Exec(
        "DELETE FROM Qvx171Lu1; DELETE FROM Qvx331Zkb; DELETE FROM Qvx327Tag; DELETE FROM Qvx320Tgb;"
        "DELETE FROM Qvx331Zk1");
    if (!fixture.empty()) admin.Exec(fixture);
    EXPECT_EQ(1, dbCommit());
    Ctx = RunContext{};
    Ctx.LogPath = (dir / "log.txt").string();
    Ctx.Akr = "01";
    Ctx.Abrnr = 3;
    Ctx.Lfn = lfn;
    Ctx.AbrVon = von;
    Ctx.AbrBis = bis;
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugLgp = "XXX";
    Calc = CalcState{};
    Calc.RecordTypes[0].Lg1Stz = "P3";
    Calc.RecordTypeCount = 1;
    Calc.MainVon = von;
    Calc.MainBis = bis;
    Calc.Zk1Bdt = von;
    row = BsvRow{"P1", "01", "2020.01.01", "", "", "", "P1", "P1", "", "", ""};
    TransferAnswers answers;
    TransferZeitkonten(Ctx, Calc, row, "01", 0, 0, answers);
  }

  std::string Records() {
    return Rows(
        "SELECT date_format(Zk1Bdt, '%d'), Zk1Lna, Zk1Kst, Zk1Krt, Zk1Std, Zk1Tge,"
        " date_format(Zk1Von, '%d'), date_format(Zk1Bis, '%d'), Zk1Inf FROM Qvx331Zk1"
        " ORDER BY Zk1Lna, Zk1Kst, Zk1Bdt");
  }

  BsvRow row;
};

const char* kLine =
    "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Tge, Lu1Sol, Lu1Svk, Lu1Sts,"
    " Lu1Ztr) VALUES ";
const char* kBooking = "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKrt, ZkbZkt, ZkbStd) VALUES ";

struct Case {
  const char* name;
  std::string fixture;
  std::string records;  // Bdt day|Lna|Kst|Krt|Std|Tge|Von day|Bis day|Inf
  double svkSum;
};

}  // namespace

TEST_F(AccountTransfer, EveryBookingCountsOnce) {
  const std::string kTag = "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagTgb, TagHtv, TagHtn) VALUES ";
  const std::vector<Case> cases = {
      {"second booking on a run day: minutes added, the day counted once",
       std::string(kLine) +
           "('L1','P3','KRK','400','2020-01-01',1,0,1,0,1,0,1),('L1','P3','MEH','410','2020-01-01',0,0,0,0,0,0,1);" +
           kBooking +
           "('P1',1,'2026-03-02','K1','KA','KRK',480),('P1',1,'2026-03-02','K1','KB','KRK',120),"
           "('P1',1,'2026-03-03','K1','KA','KRK',480),('P1',1,'2026-03-09','K1','KA','MEH',30),"
           "('P1',1,'2026-03-09','K1','KA','MEH',45),('P1',1,'2026-03-10','K1','KA','MEH',15)",
       "02|400|K1|KA|0|20|02|03|0\n09|410|K1|KA|90|0|09|10|0\n", 20},
      {"day runs per cost centre: each booking in the run of its own cost centre",
       std::string(kLine) + "('L1','P3','KRK','400','2020-01-01',1,0,1,0,0,0,1);" + kBooking +
           "('P1',1,'2026-03-02','K1','KA','KRK',480),('P1',1,'2026-03-03','K1','KA','KRK',480),"
           "('P1',1,'2026-03-04','K2','KA','KRK',480),('P1',1,'2026-03-05','K1','KA','KRK',480)",
       "02|400|K1|KA|0|20|02|03|0\n05|400|K1|KA|0|10|05|05|0\n04|400|K2|KA|0|10|04|04|0\n", 0},
      {"day account in days: two bookings of a day and cost centre count the day once",
       std::string(kLine) + "('L1','P3','URL','200','2020-01-01',1,1,1,0,1,0,0);" + kBooking +
           "('P1',3,'2026-03-31','K1','KA','URL',960),('P1',3,'2026-03-31','K2','KA','URL',480),"
           "('P1',1,'2026-03-02','K1','KA','URL',240),('P1',1,'2026-03-02','K1','KB','URL',240),"
           "('P1',1,'2026-03-03','K2','KA','URL',480);" +
           kTag + "('P1','2026-03-02','U',NULL,NULL),('P1','2026-03-03','U',NULL,NULL)",
       "02|200|K1|KA|0|10|01|31|0\n03|200|K2|KA|0|10|01|31|0\n", 20},
      {"month account in days: month rows of one record count the days once",
       std::string(kLine) +
           "('L1','P3','URL','200','2020-01-01',1,0,1,0,1,0,0),('L1','P3','KRK','400','2020-01-01',1,0,1,0,1,0,0);" +
           kBooking +
           "('P1',3,'2026-03-31','K1','KA','URL',480),('P1',3,'2026-03-31','K1','KB','URL',480),"
           "('P1',1,'2026-03-02','K1','KA','URL',480),('P1',1,'2026-03-03','K1','KB','URL',480),"
           "('P1',3,'2026-03-31','K1','KA','KRK',480),('P1',1,'2026-03-04','K1','KA','KRK',480);" +
           kTag +
           "('P1','2026-03-02','U',NULL,NULL),('P1','2026-03-03','U',NULL,NULL),('P1','2026-03-04','K',NULL,NULL)",
       "01|200|K1|KA|0|20|01|31|0\n01|400|K1|KA|0|10|01|31|0\n", 30},
      {"day codes: 8 whole days, 2 single and 1 double half day give 100, a day without codes 0",
       std::string(kLine) + "('L1','P3','URL','200','2020-01-01',1,0,1,0,0,0,0);" + kBooking +
           "('P1',3,'2026-03-31','K1','KA','URL',4560),"
           "('P1',1,'2026-03-02','K1','KA','URL',480),('P1',1,'2026-03-03','K1','KA','URL',480),"
           "('P1',1,'2026-03-04','K1','KA','URL',480),('P1',1,'2026-03-05','K1','KA','URL',480),"
           "('P1',1,'2026-03-06','K1','KA','URL',480),('P1',1,'2026-03-09','K1','KA','URL',480),"
           "('P1',1,'2026-03-10','K1','KA','URL',480),('P1',1,'2026-03-11','K1','KA','URL',480),"
           "('P1',1,'2026-03-12','K1','KA','URL',240),('P1',1,'2026-03-13','K1','KA','URL',240),"
           "('P1',1,'2026-03-16','K1','KA','URL',240),('P1',1,'2026-03-17','K1','KA','URL',480);" +
           kTag +
           "('P1','2026-03-02','U',NULL,NULL),('P1','2026-03-03','U',NULL,NULL),('P1','2026-03-04','U',NULL,NULL),"
           "('P1','2026-03-05','U',NULL,NULL),('P1','2026-03-06','U',NULL,NULL),('P1','2026-03-09','U',NULL,NULL),"
           "('P1','2026-03-10','U',NULL,NULL),('P1','2026-03-11','U',NULL,NULL),('P1','2026-03-12',NULL,'U',NULL),"
           "('P1','2026-03-13',NULL,NULL,'U'),('P1','2026-03-17',NULL,'U','U')",
       "01|200|K1|KA|0|100|01|31|0\n", 0},
      {"half-day code of another account counts for a line of code 102; target 0 counts nothing",
       std::string(kLine) + "('L1','P3','ANW','102','2020-01-01',1,0,1,1,0,102,0);" + kBooking +
           "('P1',3,'2026-03-31','K1','KA','ANW',960),('P1',1,'2026-03-02','K1','KA','ANW',240),"
           "('P1',1,'2026-03-03','K1','KA','ANW',480),('P1',1,'2026-03-07','K1','KA','ANW',480);" +
           kTag +
           "('P1','2026-03-02',NULL,'K',NULL),('P1','2026-03-03','X',NULL,NULL),('P1','2026-03-07','X',NULL,NULL);" +
           "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol) VALUES ('P1','2026-03-02',1,480),"
           "('P1','2026-03-03',1,480),('P1','2026-03-07',1,0)",
       "01|102|K1|KA|0|15|01|31|0\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Calculate(c.fixture);
    EXPECT_EQ(c.records, Records());
    EXPECT_EQ(c.svkSum, Calc.Stat.SvkSum);
  }
}

// Days the system calendar does not know (it ends with 2035) cannot be joined
// to a run: every booking forms a run of its own, none is lost.
TEST_F(AccountTransfer, DaysMissingFromTheCalendarEndTheRunWithoutLosingBookings) {
  Calculate(std::string(kLine) + "('L1','P3','KRK','400','2020-01-01',1,0,1,0,0,0,1);" + kBooking +
                "('P1',1,'2036-01-07','K1','KA','KRK',480),('P1',1,'2036-01-08','K1','KA','KRK',480),"
                "('P1',1,'2036-01-09','K1','KA','KRK',480)",
            0, "2036.01.01", "2036.01.31");
  EXPECT_EQ("07|400|K1|KA|0|10|07|07|0\n08|400|K1|KA|0|10|08|08|0\n09|400|K1|KA|0|10|09|09|0\n", Records());
}

// Interim settlement: the newest validity of wage type 200 is a month line,
// which an interim run skips; its older validity with day runs must not stand
// in for it. The day-run line 400 is transferred.
TEST_F(AccountTransfer, InterimRunTakesDayRunsOfNewestValiditiesOnly) {
  Calculate(std::string(kLine) +
                "('L1','P3','KRK','200','2026-01-01',1,0,1,0,0,0,0),('L1','P3','KRK','200','2020-01-01',1,0,1,0,0,0,1),"
                "('L1','P3','KRK','400','2020-01-01',1,0,1,0,0,0,1);" +
                kBooking + "('P1',1,'2026-03-02','K1','KA','KRK',480),('P1',3,'2026-03-31','K1','KA','KRK',480)",
            15);
  EXPECT_EQ("", Records());
  admin.Exec("DELETE FROM Qvx171Lu1 WHERE Lu1Lna = '200'");
  Calculate(std::string(kLine) + "('L1','P3','KRK','400','2020-01-01',1,0,1,0,0,0,1);" + kBooking +
                "('P1',1,'2026-03-02','K1','KA','KRK',480),('P1',3,'2026-03-31','K1','KA','KRK',480)",
            15);
  EXPECT_EQ("02|400|K1|KA|0|10|02|02|0\n", Records());
}

namespace {
std::vector<std::string> g_written;
void Collect(const Zk1Record& r, char kind) {
  g_written.push_back(std::string(1, kind) + r.Lna + "|" + r.Bdt + "|" + std::to_string(static_cast<int>(r.Std)) + "|" +
                      std::to_string(r.Tge));
}
void CollectValue(const RunContext& /*ctx*/, const Zk1Record& r) { Collect(r, r.Sta == 1 ? 'M' : 'T'); }
void CollectRun(const RunContext& /*ctx*/, const Zk1Record& r, bool nextMonth) { Collect(r, nextMonth ? 'N' : 'F'); }
}  // namespace

// The retro-calculation passes its own destination: the same rules deliver
// the values there, only for lines marked for retro-calculation, and nothing
// reaches the transfer records or the written flag of the settlement.
TEST_F(AccountTransfer, SecondDestinationReceivesTheRetroLinesOnly) {
  Calculate(std::string(kLine) +
            "('L1','P3','ARB','100','2020-01-01',1,0,0,0,0,0,0),('L1','P3','ARB','150','2020-01-01',0,0,0,0,0,0,0),"
            "('L1','P3','UEB','300','2020-01-01',1,1,0,0,0,0,0),('L1','P3','KRK','400','2020-01-01',1,0,1,0,0,0,1);" +
            kBooking +
            "('P1',3,'2026-03-31','K1','KA','ARB',600),('P1',3,'2026-03-31','K1','KA','UEB',30),"
            "('P1',1,'2026-03-04','K1','KA','UEB',30),('P1',1,'2026-03-02','K1','KA','KRK',480)");
  EXPECT_EQ(1, dbCommit());
  admin.Exec("DELETE FROM Qvx331Zk1");
  EXPECT_EQ(1, dbCommit());
  const TransferDest retro = {CollectValue, CollectRun, true, false, false};
  std::string bdt = "2026.03.31";
  TransferCall call;
  call.Bsv = &row;
  call.Akr = "01";
  call.Folgemonat = 0;
  call.MainVon = "2026.03.01";
  call.MainBis = "2026.03.31";
  call.Bdt = &bdt;
  call.Dest = &retro;
  TransferAnswers answers;
  call.Answers = &answers;
  call.Calc = &Calc;
  call.Context = &Ctx;
  Calc.Written = false;
  g_written.clear();
  TransferZeitkontenTo(call);
  EXPECT_EQ((std::vector<std::string>{"M100|2026.03.31|600|0", "F400|2026.03.02|0|10", "T300|2026.03.04|30|0"}),
            g_written);
  EXPECT_FALSE(Calc.Written);
  EXPECT_EQ("", Records());
}

// Minutes of a run of days are summed in 64 bits: a run whose sum leaves the
// range of the column is held at its limit with its sign, never wrapped
// around to the other sign; the same for a second booking of a day.
TEST_F(AccountTransfer, DayRunSumsBeyondTheColumnRangeKeepTheirSign) {
  const std::string line = std::string(kLine) + "('L1','P3','MEH','410','2020-01-01',0,0,0,0,0,0,1);";
  Calculate(line + kBooking +
            "('P1',1,'2026-03-09','K1','KA','MEH',2147483646),('P1',1,'2026-03-10','K1','KA','MEH',2147483646)");
  EXPECT_EQ("09|410|K1|KA|2147483647|0|09|10|0\n", Records());
  Calculate(line + kBooking +
            "('P1',1,'2026-03-09','K1','KA','MEH',-2147483647),('P1',1,'2026-03-10','K1','KA','MEH',-2147483647)");
  EXPECT_EQ("09|410|K1|KA|-2147483648|0|09|10|0\n", Records());
  Calculate(line + kBooking +
            "('P1',1,'2026-03-09','K1','KA','MEH',2147483646),('P1',1,'2026-03-09','K1','KB','MEH',100)");
  EXPECT_EQ("09|410|K1|KA|2147483647|0|09|09|0\n", Records());
}

// The day bookings read one employee at a time carry the keys of their cost
// assignment in the run's key collation, as the reads of a whole batch do:
// the key collation is set when the server has been checked, after the
// program started, and a key formed before would compare cost centres in
// the column's own collation.
TEST_F(AccountTransfer, SingleReadsKeyCostAssignmentsInTheRunsCollation) {
  Calculate("");
  admin.Exec(std::string(kBooking) + "('P1',1,'2026-03-09','k1','KA','MEH',60)");
  EXPECT_EQ(1, dbCommit());
  SetKeyCollation("utf8mb4_bin");
  std::string expected;
  ASSERT_EQ(0, SqlSelectOne("SELECT " + SqlKeyColumn("ZkbKst") + " FROM Qvx331Zkb", expected));
  TagCursor tag;
  ASSERT_EQ(0, SQL_Qvx331Zkb_OpenTag(tag, "P1", "MEH", "2026.03.01", "2026.03.31", nullptr));
  ZkbTag day;
  ASSERT_EQ(0, SQL_Qvx331Zkb_FetchTag(tag, day));
  (void)SQL_Qvx331Zkb_CloseTag(tag);
  SetKeyCollation("");
  EXPECT_EQ(expected, day.KeyKst);
}
