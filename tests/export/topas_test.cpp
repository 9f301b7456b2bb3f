#include <gtest/gtest.h>

#include "export/field_text.h"
#include "export/payroll_dates.h"
#include "export/topas.h"
#include "export_fixture.h"
#include "run/db.h"

// Days are added and taken across month and year ends; texts that are no
// date are refused.
TEST(ExportDates, DayArithmetic) {
  const struct {
    const char* Date;
    int Days;
    const char* Result;
  } cases[] = {
      {"31.03.2026", 1, "01.04.2026"},  {"28.02.2026", 1, "01.03.2026"}, {"28.02.2028", 1, "29.02.2028"},
      {"01.03.2028", -1, "29.02.2028"}, {"31.12.2025", 1, "01.01.2026"}, {"01.01.2026", -1, "31.12.2025"},
      {"01.04.2026", -1, "31.03.2026"}, {"15.06.2026", 0, "15.06.2026"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Result, DayText(DayNumber(c.Date) + c.Days)) << c.Date << " " << c.Days;
  EXPECT_LT(DayNumber("01.12.2025"), DayNumber("02.01.2026"));  // as texts the order would turn
  for (const char* bad : {"", "2026.03.01", "32.01.2026", "01.13.2026", "ab.cd.efgh"})
    EXPECT_EQ(-1, DayNumber(bad)) << bad;
}

// A final run hands over the part of the record's period that the interim
// period has not covered.
TEST(TopasExport, RemainingPeriod) {
  const struct {
    const char* IV;
    const char* IB;
    const char* RV;
    const char* RB;
    const char* Von;
    const char* Bis;
  } cases[] = {
      {"01.03.2026", "15.03.2026", "01.03.2026", "31.03.2026", "16.03.2026", "31.03.2026"},  // start covered
      {"27.02.2026", "28.02.2026", "27.02.2026", "03.03.2026", "01.03.2026", "03.03.2026"},  // across the month end
      {"30.12.2025", "31.12.2025", "30.12.2025", "02.01.2026", "01.01.2026", "02.01.2026"},  // across the year end
      {"20.03.2026", "31.03.2026", "01.03.2026", "31.03.2026", "01.03.2026", "19.03.2026"},  // end covered
      {"01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026"},  // all covered
      {"10.03.2026", "12.03.2026", "01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026"},  // inside
      {"01.02.2026", "28.02.2026", "01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026"},  // before
  };
  for (const auto& c : cases) {
    std::string von = c.RV, bis = c.RB;
    TopasRemainingPeriod(c.IV, c.IB, von, bis);
    EXPECT_EQ(c.Von, von) << c.IV << "-" << c.IB << " / " << c.RV << "-" << c.RB;
    EXPECT_EQ(c.Bis, bis) << c.IV << "-" << c.IB << " / " << c.RV << "-" << c.RB;
  }
}

TEST(ExportText, DecimalCommaWhereverThePointStands) {
  EXPECT_EQ("   1,50", DecimalComma("   1.50"));
  EXPECT_EQ("10000,00", DecimalComma("10000.00"));
  EXPECT_EQ("-0,50", DecimalComma("-0.50"));
  EXPECT_EQ("12", DecimalComma("12"));
}

// A final run sends what the interim run (running number 2) has not: a day
// account day by day, a month account by its period start (its booking date
// moves with the run). The final run keeps running number 0 when yesterday is
// the period's last day; it subtracts the interim values all the same.
TEST_F(ExportTest, TopasFinalRunAfterInterimRun) {
  admin.Exec(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl) VALUES ('01', 'TP', 1);"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir) VALUES ('TP', 'TOPAS', '777');"
      "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Std, Zk1Von, Zk1Bis, Zk1Sta,"
      " Zk1Upn) VALUES (5, 2, 'LS01', '2026-03-02', 'P1', 'AZ', '100', 30, '2026-03-01', '2026-03-15', 2, 'U1'),"
      " (5, 2, 'LS01', '2026-03-03', 'P1', 'AZ', '100', 60, '2026-03-01', '2026-03-15', 2, 'U1'),"
      " (5, 2, 'LS01', '2026-03-15', 'P1', 'MZ', '200', 300, '2026-03-01', '2026-03-15', 1, 'U1'),"
      " (5, 1, 'LS01', '2026-03-02', 'P1', 'AZ', '100', 45, '2026-03-01', '2026-03-31', 2, 'U1'),"
      " (5, 1, 'LS01', '2026-03-03', 'P1', 'AZ', '100', 60, '2026-03-01', '2026-03-31', 2, 'U1'),"
      " (5, 1, 'LS01', '2026-03-04', 'P1', 'AZ', '100', 90, '2026-03-01', '2026-03-31', 2, 'U1'),"
      " (5, 1, 'LS01', '2026-03-31', 'P1', 'MZ', '200', 480, '2026-03-01', '2026-03-31', 1, 'U1')");
  // 0.25 hours on the 2nd, nothing on the 3rd, 1.50 hours on the 4th; 3 hours of the month account
  const std::string want =
      "777;U1;202603;202603;100;25;;;;;;;;;;;02.03.2026;;;;;;;;;\r\n777;U1;202603;202603;100;150;;;;;;;;;;;04.03.2026;;;;"
      ";;;;;\r\n777;U1;202603;202603;200;300;;;;;;;;;;;31.03.2026;;;;;;;;;\r\n";
  Ctx.AkrSsl = 1;
  for (int lfn : {1, 0}) {
    admin.Exec(Format("UPDATE Qvx331Zk1 SET Zk1Lfn = %d WHERE Zk1Lfn <> 2", lfn));
    EXPECT_EQ(1, dbCommit());
    Ctx.Lfn = static_cast<int16_t>(lfn);
    TopasLohnexport(Ctx);
    EXPECT_EQ(want, TransferFile("LGD038IM")) << "running number " << lfn;
  }
}
