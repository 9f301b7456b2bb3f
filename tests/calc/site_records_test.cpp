// Site records ("LS") against the private server.
#include "calc/site_records.h"

#include "calc/retro_records.h"

#include "statistics_fixture.h"

namespace {

class SiteRecords : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    Ctx.MndSto = "02272";
    Fixture(
        "INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt) VALUES "
        "('P1', '2026-03-31', 'LSA', 7.5), ('P1', '2026-03-31', 'LSB', 0.004), ('P1', '2026-03-31', 'LSC', -7.5),"
        "('P1', '2026-03-01', 'LSD', 1.005), ('P1', '2026-03-15', 'LSE', 12.3456),"
        "('P1', '2026-02-28', 'LSX', 1), ('P1', '2026-04-01', 'LSY', 1), ('P2', '2026-03-10', 'LSZ', 1)");
  }
  void Write(int mode) { WriteLsSaetze(Ctx, "P1", "U1", "2026.03.01", "2026.03.31", "K1", "T1", "2026.03.31", mode); }
};

}  // namespace

// Values in hundredths, rounded half away from zero (-7.5 gives -750, 1.005
// gives 101); days outside the period and other employees are not read.
TEST_F(SiteRecords, TransferRecords) {
  Write(0);
  EXPECT_EQ(
      "3|0|LS|2026-03-31|P1|LSA|LSA|[ ]|K1|T1|0|750|0|0|2026-03-01|2026-03-31|0|1|0|U1|0\n"
      "3|0|LS|2026-03-31|P1|LSB|LSB|[ ]|K1|T1|0|0|0|0|2026-03-01|2026-03-31|0|1|0|U1|0\n"
      "3|0|LS|2026-03-31|P1|LSC|LSC|[ ]|K1|T1|0|-750|0|0|2026-03-01|2026-03-31|0|1|0|U1|0\n"
      "3|0|LS|2026-03-31|P1|LSD|LSD|[ ]|K1|T1|0|101|0|0|2026-03-01|2026-03-31|0|1|0|U1|0\n"
      "3|0|LS|2026-03-31|P1|LSE|LSE|[ ]|K1|T1|0|1235|0|0|2026-03-01|2026-03-31|0|1|0|U1|0\n",
      Rows("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, CONCAT('[', Zk1Lgr, ']'), Zk1Kst,"
           " Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn, Zk1Inf"
           " FROM Qvx331Zk1 ORDER BY Zk1Zkt"));
  EXPECT_EQ("", RunLog());
  EXPECT_FALSE(Calc.Written);
}

// The same text twice in the period: the later one is refused and logged, the
// others are written.
TEST_F(SiteRecords, DuplicateTextIsLoggedNotFatal) {
  Fixture("INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt) VALUES ('P1', '2026-03-20', 'LSA', 2)");
  Write(0);
  EXPECT_EQ("      Fehler Schreiben Zk1: 1062\n", RunLog());
  EXPECT_EQ("LSA|200\nLSB|0\nLSC|-750\nLSD|101\nLSE|1235\n",
            Rows("SELECT Zk1Zkt, Zk1Std FROM Qvx331Zk1 ORDER BY Zk1Zkt"));
}

// Mode 1: retro records under the run key and the accounting number being
// recomputed; a duplicate is accepted silently.
TEST_F(SiteRecords, RetroRecords) {
  Ctx.Abrnr = 2;
  Fixture("INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt) VALUES ('P1', '2026-03-20', 'LSA', 2)");
  Write(1);
  EXPECT_EQ("", RunLog());
  EXPECT_EQ("", Rows("SELECT * FROM Qvx331Zk1"));
  EXPECT_EQ(
      "02.04.2026 07:00:00|2|0|LS|2026-03-31|P1|LSA|LSA|[ ]|K1|T1|0|200|0|0|2026-03-01|2026-03-31|0|U1|0\n"
      "02.04.2026 07:00:00|2|0|LS|2026-03-31|P1|LSB|LSB|[ ]|K1|T1|0|0|0|0|2026-03-01|2026-03-31|0|U1|0\n"
      "02.04.2026 07:00:00|2|0|LS|2026-03-31|P1|LSC|LSC|[ ]|K1|T1|0|-750|0|0|2026-03-01|2026-03-31|0|U1|0\n"
      "02.04.2026 07:00:00|2|0|LS|2026-03-31|P1|LSD|LSD|[ ]|K1|T1|0|101|0|0|2026-03-01|2026-03-31|0|U1|0\n"
      "02.04.2026 07:00:00|2|0|LS|2026-03-31|P1|LSE|LSE|[ ]|K1|T1|0|1235|0|0|2026-03-01|2026-03-31|0|U1|0\n",
      Rows("SELECT Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt, Zk3Lna, CONCAT('[', Zk3Lgr, ']'),"
           " Zk3Kst, Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg, Zk3Von, Zk3Bis, Zk3Sts, Zk3Upn, Zk3Inf"
           " FROM Qvx331Zk3 ORDER BY Zk3Zkt"));
}

// Another site or run number 2: nothing is read or written.
TEST_F(SiteRecords, OtherSiteOrRunNumberTwo) {
  Ctx.MndSto = "02273";
  Write(0);
  Ctx.MndSto = "02272";
  Ctx.Lfn = 2;
  Write(0);
  Write(1);
  EXPECT_EQ("", Rows("SELECT Zk1Pnr FROM Qvx331Zk1 UNION ALL SELECT Zk3Pnr FROM Qvx331Zk3"));
}

// An unreadable table ends the run.
TEST_F(SiteRecords, TableNotReadable) {
  admin.Exec("DROP TABLE Qvx331Zks");
  // never taken for "no site values": the run ends
  try {
    Write(0);
    ADD_FAILURE() << "a missing table was answered";
  } catch (const SqlFatalError& e) {
    EXPECT_EQ(1146, e.Error);
    EXPECT_EQ("SELECT Qvx331Zks", e.Purpose);
  }
}

// Retro record statements: a second insert of one identity is refused and
// added with SQL_Qvx331Zk3_Add (cost type of the second); other run keys never
// collide; the next-month insert books one month after the given day.
TEST_F(SiteRecords, RetroRecordStatements) {
  Zk3Record r;
  r.Key = "02.04.2026 07:00:00";
  r.Abr = 2;
  r.Stz = "LA";
  r.Bdt = "2026.02.01";
  r.Pnr = "P1";
  r.Zkt = "ANW";
  r.Lna = "100";
  r.Lgr = "     ";
  r.Kst = "K1";
  r.Krt = "A";
  r.Std = 60;
  r.Tge = 10;
  r.Stg = 1;
  r.Von = "2026.02.01";
  r.Bis = "2026.02.28";
  EXPECT_EQ(0, SQL_Qvx331Zk3_Insert(r));
  Zk3Record again = r;
  again.Krt = "B";
  EXPECT_EQ(1062, SQL_Qvx331Zk3_Insert(again));
  EXPECT_EQ(0, SQL_Qvx331Zk3_Add(again));
  again.Key = "03.04.2026 07:00:00";
  EXPECT_EQ(0, SQL_Qvx331Zk3_Insert(again));
  again.Pnr = "P9";
  EXPECT_EQ(0, SQL_Qvx331Zk3_Add(again));  // no such record: nothing changed, still 0
  r.Inf = 1;
  EXPECT_EQ(0, SQL_Qvx331Zk3_InsertNextMonth(r));
  EXPECT_EQ(
      "02.04.2026 07:00:00|2026-02-01|[     ]|B|120|20|2|0\n"
      "02.04.2026 07:00:00|2026-03-01|[     ]|A|60|10|1|1\n"
      "03.04.2026 07:00:00|2026-02-01|[     ]|B|60|10|1|0\n",
      Rows("SELECT Zk3Key, Zk3Bdt, CONCAT('[', Zk3Lgr, ']'), Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg, Zk3Inf"
           " FROM Qvx331Zk3 ORDER BY Zk3Key, Zk3Bdt"));
}

// Values whose hundredths leave the 32-bit range (the column allows
// -99999999.9999) are held at the largest magnitude with their sign.
TEST_F(SiteRecords, ValuesBeyondTheRangeKeepTheirSign) {
  Fixture(
      "DELETE FROM Qvx331Zks; INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt) VALUES "
      "('P1', '2026-03-31', 'LSA', -99999999.9999), ('P1', '2026-03-31', 'LSB', 99999999.9999),"
      "('P1', '2026-03-31', 'LSC', 21474836.47)");
  Write(0);
  EXPECT_EQ("LSA|-2147483647\nLSB|2147483647\nLSC|2147483647\n",
            Rows("SELECT Zk1Zkt, Zk1Std FROM Qvx331Zk1 ORDER BY Zk1Zkt"));
}
