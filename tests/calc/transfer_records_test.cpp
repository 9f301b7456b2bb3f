// Transfer and statistics tables: LOGA2 numbering and accumulation on
// duplicate identities (whole runs: tests/scenarios/settle_*.scn).
#include <gtest/gtest.h>

#include <unistd.h>

#include "calc/transfer_records.h"
#include "run/context.h"
#include "run/db.h"
#include "program_fixture.h"

TEST(Loga2Sequence, NumbersOnlyRecordsWithStatusAndWrapsBeforeTwelveNines) {
  SetLoga2Numbering(true);
  ResetLoga2Sequence();
  EXPECT_EQ(1, NextZk1Su1(5));
  EXPECT_EQ(0, NextZk1Su1(0));
  EXPECT_EQ(0, NextZk1Su1(-1));
  EXPECT_EQ(2, NextZk1Su1(112));
  ResetLoga2Sequence(999999999997LL);
  EXPECT_EQ(999999999998.0, NextZk1Su1(1));
  EXPECT_EQ(1, NextZk1Su1(1));  // 999999999999 is never given out
  EXPECT_EQ(2, NextZk1Su1(1));
  SetLoga2Numbering(false);
  EXPECT_EQ(0, NextZk1Su1(1));
  SetLoga2Numbering(true);
  EXPECT_EQ(3, NextZk1Su1(1));  // the counter is kept while the numbering is off
  SetLoga2Numbering(false);
  ResetLoga2Sequence();
}

namespace {

class TransferTable : public ProgramDbTest {
 protected:
  void SetUp() override {
    OpenSchema("ttr");
    SetLoga2Numbering(false);
  }
  static Zk1Record Record(const std::string& von, const std::string& bis, double std) {
    Zk1Record r;
    r.Abr = 3;
    r.Stz = "P3";
    r.Bdt = "2026.03.01";
    r.Pnr = "P1";
    r.Zkt = "ARB";
    r.Lna = "100";
    r.Lgr = "     ";
    r.Kst = "K1";
    r.Krt = "KA";
    r.Std = std;
    r.Von = von;
    r.Bis = bis;
    r.Sts = 5;
    r.Sta = 1;
    return r;
  }
};

}  // namespace

// A following-month record of February and the record of March share all
// identifying columns but the period: the accumulation of the March record
// must not reach the February one.
TEST_F(TransferTable, AccumulationAddsToTheOneRecordOfTheIdentity) {
  Zk1Record feb = Record("2026.02.01", "2026.02.28", 200);
  Zk1Record mar = Record("2026.03.01", "2026.03.31", 600);
  ASSERT_EQ(0, SQL_Qvx331Zk1_Insert(feb));
  ASSERT_EQ(0, SQL_Qvx331Zk1_Insert(mar));
  Zk1Record more = mar;
  more.Std = 60;
  more.Tge = 5;
  more.Stg = 2;
  more.Krt = "KB";
  ASSERT_EQ(kSqlDuplicate, SQL_Qvx331Zk1_Insert(more));
  EXPECT_EQ(0, SQL_Qvx331Zk1_Update(more));
  EXPECT_EQ("2026-02-01|KA|200|0|0\n2026-03-01|KB|660|5|2\n",
            Rows("SELECT Zk1Von, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg FROM " + schema + ".Qvx331Zk1 ORDER BY Zk1Von"));
  // a record not found again keeps its values out (1032), unless there was
  // nothing to add
  Zk1Record lost = more;
  lost.Pnr = "P9";
  EXPECT_EQ(kSqlNoMoreRows, SQL_Qvx331Zk1_Update(lost));
  lost.Std = lost.Tge = lost.Stg = 0;
  EXPECT_EQ(0, SQL_Qvx331Zk1_Update(lost));
}

TEST_F(TransferTable, FollowingMonthRunIsBookedOneMonthOnAndAccumulatesThere) {
  Zk1Record r = Record("2026.01.31", "2026.01.31", 90);
  r.Bdt = "2026.01.31";
  r.Sta = 2;
  ASSERT_EQ(0, SQL_Qvx331Zk1_InsertFolgemonat(r));
  ASSERT_EQ(kSqlDuplicate, SQL_Qvx331Zk1_InsertFolgemonat(r));
  EXPECT_EQ(0, SQL_Qvx331Zk1_Update(r, true));
  EXPECT_EQ("2026-02-28|180\n", Rows("SELECT Zk1Bdt, Zk1Std FROM " + schema + ".Qvx331Zk1"));
}

TEST_F(TransferTable, StatisticsRowOfTheSameIdentityAddsAllNineFigures) {
  Zk2Record z;
  z.Abr = 3;
  z.Pnr = "P1";
  z.Bdt = "2026.03.01";
  z.Stt = 15, z.Svt = 14.5, z.Slt = 10, z.Ant = 90, z.Sln = 80, z.Uns = 1.25, z.Zes = 2, z.Bzt = 3, z.Unt = 4;
  ASSERT_EQ(0, SQL_Qvx331Zk2_Write(z));
  ASSERT_EQ(0, SQL_Qvx331Zk2_Write(z));
  z.Rre = 1;
  ASSERT_EQ(0, SQL_Qvx331Zk2_Write(z));
  EXPECT_EQ(
      "0|30.00|29.00|20.00|180.00|160.00|2.50|4.00|6.00|8.00\n"
      "1|15.00|14.50|10.00|90.00|80.00|1.25|2.00|3.00|4.00\n",
      Rows("SELECT Zk2Rre, Zk2Stt, Zk2Svt, Zk2Slt, Zk2Ant, Zk2Sln, Zk2Uns, Zk2Zes, Zk2Bzt, Zk2Unt FROM " + schema +
           ".Qvx331Zk2 ORDER BY Zk2Rre"));
}
