#include <gtest/gtest.h>

#include <string>

#include "export/asring.h"
#include "export/loga400.h"
#include "export/schleupen.h"
#include "export_fixture.h"
#include "run/db.h"

namespace {

// 10 persons with 5 wage types each (kind LS, one booking date), and one
// record without days and hours.
std::string Records() {
  std::string sql =
      "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Kst, Zk1Std, Zk1Tge, "
      "Zk1Von, Zk1Bis, Zk1Upn) VALUES ";
  for (int p = 1; p <= 10; ++p) {
    for (int l = 0; l < 5; ++l)
      sql += Format("(5, 0, 'LS', '2026-03-01', '%d', 'AZ', '%d', '1', 60, 0, '2026-03-01', '2026-03-31', '%d'),",
                    1000 + p, 100 + l, 1000 + p);
  }
  return sql + "(5, 0, 'LS', '2026-03-01', '1011', 'AZ', '100', '1', 0, 0, '2026-03-01', '2026-03-31', '1011')";
}

}  // namespace

class Loga400AsringExport : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    Fixture(
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1');"
        "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir) VALUES ('L1', 'X', '12');"
        "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-03-01', '2026-03-31');"
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst) VALUES"
        " ('L1', 'LS', 'AZ', '100', '2020-01-01', 1), ('L1', 'LS', 'AZ', '101', '2020-01-01', 1);" +
        Records());
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugLgp = "X";
    Ctx.AbrDatum = "2026.03.01";
  }
};

// Statements are the cost of an export: one write per record, one wage-type
// read per wage type and date, the rest once per run; a record without days
// and hours is not handed over by Loga400.
TEST_F(Loga400AsringExport, StatementsPerRecord) {
  const struct {
    const char* Name;
    void (*Run)(RunContext&);
    const char* Rows;
    long Statements;
  } cases[] = {
      {"Loga400", Loga400Lohnprogramm, "SELECT COUNT(*), SUM(B06Bzt), SUM(B06Pnr = '1011') FROM Qvx333B06", 50 + 5 + 2},
      {"Asring", AsringLohnprogramm, "SELECT COUNT(*), SUM(AsrStd), SUM(AsrPnr = '1011') FROM Qvx333Asr", 51 + 5 + 3},
      {"Schleupen", SchleupenLohnprogramm, "SELECT COUNT(*), SUM(SliMin), SUM(SliPnr = '01011') FROM Qvx333Sli",
       51 + 3},
  };
  const char* expected[] = {"50|50|0", "51|50|1", "51|3000|1"};
  int i = 0;
  for (const auto& c : cases) {
    long before = dbStatementCount();
    EXPECT_EQ(-1, ExitCodeOf([&] { c.Run(Ctx); })) << c.Name;
    EXPECT_GE(c.Statements, dbStatementCount() - before) << c.Name;
    EXPECT_EQ(std::string(expected[i++]) + "\n", Rows(c.Rows)) << c.Name;
  }
}

// Every value column of the B1 row by the record's Zk1Sts, once through the
// insert (one person per code) and once through the accumulation (one person
// with all codes). 90 minutes and 25 tenths: hours 1.5, days 2.5, work days 2;
// presence days from the statistics (105 tenths).
TEST_F(Loga400AsringExport, Loga400B1ColumnsByValueKind) {
  const struct {
    int Sts;
    const char* Row;  // Arb Sol Anw Url Krk Ftg Soz Ent Unt Urs Krs Fts Ens Uns
  } cases[] = {
      {1, "0|1.5|0|0|0|0|0|0|0|0|0|0|0|0"},    {3, "0|0|0|0|0|0|0|0|0|0|0|0|0|0"},
      {5, "0|0|0|0|0|0|0|0|0|1.5|0|0|0|0"},    {6, "0|0|0|0|0|0|0|0|0|0|0|1.5|0|0"},
      {8, "0|0|0|0|0|0|0|0|0|0|1.5|0|0|0"},    {9, "0|0|0|0|0|0|0|0|0|0|0|0|1.5|0"},
      {10, "0|0|0|0|0|0|0|0|0|0|0|0|0|1.5"},   {101, "2|0|0|0|0|0|0|0|0|0|0|0|0|0"},
      {102, "0|0|10.5|0|0|0|0|0|0|0|0|0|0|0"}, {105, "0|0|0|2.5|0|0|0|0|0|0|0|0|0|0"},
      {106, "0|0|0|0|0|2.5|0|0|0|0|0|0|0|0"},  {107, "0|0|0|0|0|0|2.5|0|0|0|0|0|0|0"},
      {108, "0|0|0|0|2.5|0|0|0|0|0|0|0|0|0"},  {109, "0|0|0|0|0|0|0|2.5|0|0|0|0|0|0"},
      {110, "0|0|0|0|0|0|0|0|2.5|0|0|0|0|0"},
  };
  std::string sql =
      "DELETE FROM Qvx331Zk1; INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Zes) VALUES ('X', 'B1', 1, 1);";
  std::string expected;
  for (const auto& c : cases) {
    std::string pnr = Format("S%03d", c.Sts);
    for (const std::string& p : {pnr, std::string("ALL")}) {
      sql += Format(
          "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Std, Zk1Tge, Zk1Von, "
          "Zk1Bis, Zk1Sts, Zk1Upn) VALUES (5, 0, 'B1', '2026-03-10', '%s', 'A%d', '1', 90, 25, '2026-03-01', "
          "'2026-03-31', %d, '%s');",
          p, c.Sts, c.Sts, p);
    }
    sql += Format(
        "INSERT INTO Qvx331Zk2 (Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Stt, Zk2Ant, Zk2Zes) VALUES (5, '%s', "
        "'2026-03-01', 30, 105, 7.5);",
        pnr);
    expected += pnr + "|20260310|" + c.Row + "|30|7.5\n";
  }
  Fixture(sql +
          "INSERT INTO Qvx331Zk2 (Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Stt, Zk2Ant, Zk2Zes) VALUES (5, 'ALL', "
          "'2026-03-01', 30, 105, 7.5);");
  EXPECT_EQ(-1, ExitCodeOf([this] { Loga400Lohnprogramm(Ctx); }));
  const char* all = "ALL|20260310|2|1.5|10.5|2.5|2.5|2.5|2.5|2.5|2.5|1.5|1.5|1.5|1.5|1.5|30|7.5\n";
  EXPECT_EQ(all + expected,
            Rows("SELECT B01Pnr, B01Bdt * 100 + B01Ltt, B01Arb, B01Sol, B01Anw, B01Url, B01Krk, B01Ftg, B01Soz, "
                 "B01Ent, B01Unt, B01Urs, B01Krs, B01Fts, B01Ens, B01Uns, B01Stg, B01Std FROM Qvx333B01 "
                 "ORDER BY B01Pnr"));
}

// With LugMon the booking day follows the payroll day rule that PAISY and
// LOGA2001 apply: a day above 28 becomes the length of the shifted month
// (29 and 30 December become 31 January), other days stay.
TEST_F(Loga400AsringExport, Loga400DayRuleOfTheShiftedMonth) {
  std::string sql = "DELETE FROM Qvx331Zk1; UPDATE Qvx171Lug SET LugMon = 1;";
  for (const char* bdt : {"2025-12-28", "2025-12-29", "2025-12-30", "2026-01-30"})
    sql += Format(
        "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Kst, Zk1Std, "
        "Zk1Von, Zk1Bis, Zk1Upn) VALUES (5, 0, 'LS', '%s', '1001', 'AZ', '100', '1', 60, '2026-03-01', "
        "'2026-03-31', '1001');",
        bdt);
  Fixture(sql);
  EXPECT_EQ(-1, ExitCodeOf([this] { Loga400Lohnprogramm(Ctx); }));
  EXPECT_EQ("202601|28\n202601|31\n202601|31\n202602|28\n",
            Rows("SELECT B06Bdt, B06Ltt FROM Qvx333B06 ORDER BY B06Bdt, B06Ltt"));
}
