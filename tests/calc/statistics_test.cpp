// Employee statistics and special records against the private server.
#include "calc/statistics.h"

#include "statistics_fixture.h"

namespace {

class Statistics : public CalcTest {
 protected:
  // Day records of P1 for every day of [von, bis]: target 480 minutes on
  // Monday to Friday, none on weekends.
  void Workdays(const std::string& von, const std::string& bis, int sol = 480) {
    Fixture(
        "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol) SELECT 'P1', BakDtm, 1, "
        "IF(WEEKDAY(BakDtm) < 5, " +
        std::to_string(sol) +
        ", 0) FROM Darvonix.Qvx133Bak "
        "WHERE BakDtm BETWEEN '" +
        von + "' AND '" + bis + "'");
  }
  std::string Zk1() {
    return Rows(
        "SELECT Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, CONCAT('[', Zk1Lgr, ']'), Zk1Kst, "
        "Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn, Zk1Inf "
        "FROM Qvx331Zk1 ORDER BY Zk1Lna");
  }
  std::string Zk2() {
    return Rows(
        "SELECT Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Stt, Zk2Svt, Zk2Slt, Zk2Ant, Zk2Sln, Zk2Uns, Zk2Zes, Zk2Bzt, "
        "Zk2Unt, Zk2Rre FROM Qvx331Zk2 ORDER BY Zk2Pnr");
  }
};

}  // namespace

// Calendar days of one employment row: 30 for the whole period whatever the
// month's length, else the calendar days of the part the row covers.
TEST_F(Statistics, CalendarDaysOfAnEmploymentRow) {
  struct Case {
    const char *von, *bis, *gvo, *gbi;
    double stt;
  } cases[] = {
      {"2026.02.01", "2026.02.28", "2020.01.01", "", 30},
      {"2026.03.01", "2026.03.31", "2020.01.01", "", 30},
      {"2026.02.01", "2026.02.28", "2020.01.01", "2026.02.28", 30},
      {"2026.03.01", "2026.03.31", "2026.03.01", "2026.12.31", 30},
      {"2026.02.01", "2026.02.28", "2026.02.15", "", 14},
      {"2026.03.01", "2026.03.31", "2020.01.01", "2026.03.10", 10},
      {"2026.03.01", "2026.03.31", "2026.03.05", "2026.03.06", 2},
      {"2026.03.01", "2026.03.31", "2026.03.31", "", 1},
  };
  for (const auto& c : cases) {
    Period(c.von, c.bis);
    Employee("P1", c.gvo, c.gbi);
    CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
    EXPECT_EQ(c.stt, Calc.Stat.Stt) << c.von << " " << c.gvo << "-" << c.gbi;
  }
}

// Two employment rows in April (30 days): the newer covers 15 days, the older
// 20; the older one is cut to 15. The period-start maximum counts once, and
// the statistics row adds both rows up.
TEST_F(Statistics, EmploymentRowsOfOneEmployeeCountThirtyDaysTogether) {
  Period("2026.04.01", "2026.04.30");
  Workdays("2026.04.01", "2026.04.30");
  Fixture("INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbMax) VALUES ('P1', '2026-04-01', 3, 600)");

  Employee("P1", "2026.04.16", "");
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_EQ(15, Calc.Stat.Stt);
  EXPECT_EQ(11, Calc.Stat.Slt);  // 16.-30. April: 11 working days
  EXPECT_EQ(600, Calc.Stat.Zes);
  WriteStatistik(Ctx, Calc, Calc.Bsv);

  Calc.Bsv.BsvGvo = "2025.01.01";
  Calc.Bsv.BsvGbi = "2026.04.20";
  Calc.FirstRow = false;
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_EQ(15, Calc.Stat.Stt);
  EXPECT_EQ(14, Calc.Stat.Slt);  // 1.-20. April
  EXPECT_EQ(0, Calc.Stat.Zes);
  WriteStatistik(Ctx, Calc, Calc.Bsv);

  // Stt 30, Svt 30, Slt 25, Sln 25 x 8 hours, Zes 10 hours
  EXPECT_EQ("3|P1|2026-04-01|30.00|30.00|25.00|0.00|200.00|0.00|10.00|0.00|0.00|0\n", Zk2());
  EXPECT_EQ("Keine Stammkostenstelle für PNR P1\nKeine Stammkostenstelle für PNR P1\n", RunLog());
}

// Attendance: every day with a booking on an attendance account (Lu1Sts 102)
// counts 10, less 10 for an absent whole day and 5 for each absent half day.
TEST_F(Statistics, AttendanceWithWholeAndHalfAbsenceDays) {
  Fixture(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Sts, Lu1Art) VALUES "
      "('L1', 'LA', 'ANW', '100', '2020-01-01', 102, 0),"
      "('L1', 'LA', 'URL', '200', '2020-01-01', 105, 0),"
      "('L1', 'LA', 'KRK', '300', '2020-01-01', 109, 0),"
      "('L1', 'LA', 'GLZ', '400', '2020-01-01', 0, 0);"
      "INSERT INTO Qvx131Fcd (FcdNum, FcdZkt) VALUES ('U', 'URL'), ('K', 'KRK'), ('G', 'GLZ'), ('X', NULL);"
      "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbZkt, ZkbStd) VALUES "
      "('P1', 1, '2026-03-02', 'ANW', 480),"  // no day code: 10
      "('P1', 1, '2026-03-03', 'ANW', 480),"  // whole day absent: 0
      "('P1', 1, '2026-03-04', 'ANW', 240),"  // first half absent: 5
      "('P1', 1, '2026-03-05', 'ANW', 240),"  // second half absent: 5
      "('P1', 1, '2026-03-06', 'ANW', 10),"   // both halves absent: 0
      "('P1', 1, '2026-03-09', 'ANW', 480),"  // code of an account without absence code: 10
      "('P1', 1, '2026-03-10', 'ANW', 480),"  // code without account: 10
      "('P1', 1, '2026-03-11', 'ANW', 0),"    // no minutes: not a day
      "('P1', 3, '2026-03-12', 'ANW', 480),"  // period value: not a day
      "('P1', 1, '2026-03-13', 'ANW', 100), ('P1', 1, '2026-03-13', 'ANW', 200),"  // one day: 10
      "('P1', 1, '2026-04-01', 'ANW', 480);"                                       // after the period
      "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagTgb, TagHtv, TagHtn) VALUES "
      "('P1', '2026-03-03', 'U', NULL, NULL),"
      "('P1', '2026-03-04', NULL, 'U', NULL),"
      "('P1', '2026-03-05', '', NULL, 'K'),"
      "('P1', '2026-03-06', NULL, 'K', 'U'),"
      "('P1', '2026-03-09', 'G', NULL, NULL),"
      "('P1', '2026-03-10', 'X', NULL, NULL)");
  EXPECT_EQ(50, CountAnwesenheit("P1", "2026.03.01", "2026.03.31", "01", Answers));
  EXPECT_EQ(20, CountAnwesenheit("P1", "2026.03.04", "2026.03.09", "01", Answers));
  EXPECT_EQ(0, CountAnwesenheit("P1", "2026.03.01", "2026.03.31", "02", Answers));  // circle unknown
}

// Presence days (103), absence days (104), unpaid hours (4 and 104), target
// days and hours; the nine figures are rounded to two decimals and Svt takes
// off the days of the Lu1Svk accounts gathered by the account transfer.
TEST_F(Statistics, DayCountsHoursAndTheStatisticsRow) {
  Workdays("2026.03.01", "2026.03.31", 455);
  Fixture(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Gbi, Lu1Sts, Lu1Art) VALUES "
      "('L1', 'LA', 'DR', '110', '2020-01-01', NULL, 103, 1),"
      "('L1', 'LA', 'UNB', '120', '2020-01-01', NULL, 104, 0),"
      "('L1', 'LB', 'UNB', '121', '2020-01-01', '2025-12-31', 104, 0),"
      "('L1', 'LA', 'ST4', '130', '2020-01-01', NULL, 4, 0);"
      "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbZkt, ZkbStd) VALUES "
      "('P1', 1, '2026-03-02', 'DR', 300), ('P1', 1, '2026-03-03', 'DR', 0), ('P1', 1, '2026-03-03', 'DR', 0),"
      "('P1', 1, '2026-03-16', 'UNB', 60), ('P1', 1, '2026-03-17', 'UNB', 60), ('P1', 1, '2026-03-18', 'UNB', 60),"
      "('P1', 1, '2026-03-18', 'ST4', 35), ('P1', 1, '2026-03-19', 'ST4', 0), ('P1', 3, '2026-03-01', 'ST4', 999),"
      "('P1', 1, '2026-02-27', 'UNB', 60)");
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  Calc.Stat.SvkSum = 25;  // what the account transfer gathers
  WriteStatistik(Ctx, Calc, Calc.Bsv);
  // Slt 22 days, Sln 22 x 455 min = 166.83 h, Uns 215 min = 3.58 h, Bzt 2, Unt 3
  EXPECT_EQ("3|P1|2026-03-01|30.00|27.50|22.00|0.00|166.83|3.58|0.00|2.00|3.00|0\n", Zk2());
}

// Special balance records of the groups "SFR", "RUL", "GLT", "MGF", "RZT".
TEST_F(Statistics, SpecialRecords) {
  Fixture(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Gbi) VALUES "
      "('L1', 'S1', 'SF', '501', 'SFR', '2020-01-01', NULL),"
      "('L1', 'S1', 'UR', '502', 'RUL', '2020-01-01', NULL),"
      "('L1', 'S2', 'G1', '503', 'GLT', '2020-01-01', NULL),"
      "('L1', 'S2', 'G2', '504', 'MGF', '2020-01-01', NULL),"
      "('L1', 'S2', 'G3', '505', 'RZT', '2020-01-01', NULL),"
      "('L1', 'S2', 'G3', '599', 'RZT', '2020-01-01', '2026-03-15');"
      "INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoKst, ZuoKtr, ZuoKrt) VALUES ('P1', '2020-01-01', 'K100', 'T1', 'A');"
      "INSERT INTO Qvx155Sfr (SfrMod, SfrAnz) VALUES ('M2', 2);"
      "INSERT INTO Qvx332Sfz (SfzPnr, SfzDtm, SfzAnt, SfzGen, SfzGvv) VALUES ('P1', '2026-03-31', 30, 12, 2),"
      "  ('P1', '2026-03-30', 99, 0, 0);"
      "INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg) VALUES ('P1', '2026-03-20', 12.5, 3),"
      "  ('P1', '2026-02-28', 20, 5), ('P1', '2026-04-01', 1, 1);"
      // balances: the first one of the day before the last day with a first balance
      "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSa1, TgbVt1, TgbSa2, TgbVt2, TgbSa3, TgbVt3) VALUES "
      "('P1', '2026-03-26', 1, 100, 1, 0, 0, 0, 0),"
      "('P1', '2026-03-27', 1, 200, 2, 0, 0, 0, 0),"
      "('P1', '2026-03-28', 1, 300, 3, 0, 0, 0, 0),"
      "('P1', '2026-03-30', 1, 0, 0, 0, 0, 0, 0),"
      "('P1', '2026-03-31', 1, 0, 0, -45, 5, 77, 3),"
      "('P1', '2026-04-01', 1, 900, 9, 900, 9, 900, 9)");
  Employee("P1", "2020.01.01", "", "M2");
  Calc.Bsv.Zk1Upn = "U1";
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_TRUE(Calc.Written);
  EXPECT_EQ(
      "3|0|S1|2026-03-01|P1|SF|501|[ ]|K100|T1|A|600|0|0|2026-03-01|2026-03-31|0|0|0|U1|0\n"
      "3|0|S1|2026-03-01|P1|UR|502|[ ]|K100|T1|A|750|0|0|2026-03-01|2026-03-31|0|0|0|U1|0\n"
      "3|0|S2|2026-03-01|P1|G1|503|[ ]|K100|T1|A|202|0|0|2026-03-01|2026-03-31|0|0|0|U1|0\n"
      "3|0|S2|2026-03-01|P1|G2|504|[ ]|K100|T1|A|-40|0|0|2026-03-01|2026-03-31|0|0|0|U1|0\n"
      "3|0|S2|2026-03-01|P1|G3|505|[ ]|K100|T1|A|80|0|0|2026-03-01|2026-03-31|0|0|0|U1|0\n",
      Zk1());

  // An older employment row writes the same records again: dropped silently.
  Calc.FirstRow = false;
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_EQ(5u, admin.Query("SELECT * FROM Qvx331Zk1").size());
  EXPECT_EQ("", RunLog());
}

// The special-leave value is kept in 16 bits; without a special-leave model or
// an account row on the period end there is no "SFR" record.
TEST_F(Statistics, SpecialLeaveValueIn16Bits) {
  Fixture(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo) VALUES "
      "('L1', 'S1', 'SF', '501', 'SFR', '2020-01-01');"
      "INSERT INTO Qvx155Sfr (SfrMod, SfrAnz) VALUES ('M1', 1);"
      "INSERT INTO Qvx332Sfz (SfzPnr, SfzDtm, SfzAnt, SfzGen, SfzGvv) VALUES "
      "('P1', '2026-03-31', 600, 0, 0), ('P2', '2026-03-31', 5, 3, 0), ('P3', '2026-03-31', 5, 0, 0),"
      "('P4', '2026-03-30', 5, 0, 0)");
  struct Case {
    const char *pnr, *sfr;
    const char* std;  // empty: no record
  } cases[] = {
      {"P1", "M1", "-29536"},  // 600 x 60 = 36000 does not fit in 16 bits
      {"P2", "M1", "120"},     // (5 - 3 x 1) x 60
      {"P2", "M9", "300"},     // unknown model: factor 0
      {"P3", "", ""},          // no model
      {"P4", "M1", ""},        // no account row on the period end
  };
  for (const auto& c : cases) {
    admin.Exec("DELETE FROM Qvx331Zk1");
    Employee(c.pnr, "2020.01.01", "", c.sfr);
    CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
    std::string want = *c.std ? std::string(c.std) + "\n" : "";
    EXPECT_EQ(want, Rows("SELECT Zk1Std FROM Qvx331Zk1")) << c.pnr << " " << c.sfr;
  }
}

// PSYBR: remaining leave includes the days carried over; no period-start
// maximum; days of the working-time model without a target-time record count
// as target and presence days, days with one count as presence days when
// they have a presence mark but no presence-account booking.
TEST_F(Statistics, PsybrDeviations) {
  Ctx.Lug.LugLgp = "PSYBR";
  Fixture(
      "UPDATE Qvx171Lug SET LugLgp = 'PSYBR';"
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Sts) VALUES "
      "('L1', 'S1', 'UR', '502', 'RUL', '2020-01-01', 0), ('L1', 'LA', 'DR', '110', NULL, '2020-01-01', 103);"
      "INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg) VALUES ('P1', '2026-03-20', 12.5, 3);"
      "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbMax) VALUES "
      "('P1', '2026-03-01', 3, 0, 600),"
      "('P1', '2026-03-03', 1, 480, 0), ('P1', '2026-03-04', 1, 480, 0), ('P1', '2026-03-05', 1, 480, 0),"
      "('P1', '2026-03-06', 1, 0, 0);"
      "INSERT INTO Qvx140Azv (AzvNum, AzvGvo, AzvGbi, AzvSol) VALUES "
      "('A1', '2020-01-01', '2026-02-28', 300), ('A1', '2026-03-01', NULL, 420), ('A0', '2020-01-01', NULL, 0);"
      "INSERT INTO Qvx329Ztg (ZtgPnr, ZtgVon, ZtgAzt) VALUES "
      "('P1', '2026-03-02', 'A1'),"  // no day record: target and presence day, 420 minutes
      "('P1', '2026-03-03', 'A1'),"  // target, presence mark, no booking: presence day
      "('P1', '2026-03-04', 'A1'),"  // target, presence mark, booking: counted by the booking only
      "('P1', '2026-03-05', 'A1'),"  // target, no presence mark: nothing
      "('P1', '2026-03-06', 'A1'),"  // target 0 in the day record: target and presence day
      "('P1', '2026-03-09', 'A0'),"  // model without target time: nothing
      "('P1', '2026-04-01', 'A1');"  // after the period
      "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagOne, TagKom, TagGeh) VALUES "
      "('P1', '2026-03-03', '2026-03-03', 1, 0, 0), ('P1', '2026-03-04', '2026-03-04', 0, 1, 0),"
      "('P1', '2026-03-05', '2026-03-05', 0, 0, 0);"
      "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbZkt, ZkbStd) VALUES "
      "('P1', 1, '2026-03-03', 'DR', 0), ('P1', 1, '2026-03-04', 'DR', 60)");
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_EQ(0, Calc.Stat.Zes);
  EXPECT_EQ(3 + 2, Calc.Stat.Slt);  // three day records with target, the model days 2nd and 6th
  EXPECT_EQ(3 * 480 + 2 * 420, Calc.Stat.Sln);
  EXPECT_EQ(1 + 3, Calc.Stat.Bzt);                           // the booking of the 4th; the 2nd, 3rd and 6th
  EXPECT_EQ("930\n", Rows("SELECT Zk1Std FROM Qvx331Zk1"));  // (12.5 + 3) x 60
}

// Without a home cost assignment the special records carry empty cost fields;
// the cost centre of the employee before is not carried over.
TEST_F(Statistics, NoHomeCostAssignment) {
  Fixture(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo) VALUES "
      "('L1', 'S2', 'G2', '504', 'MGF', '2020-01-01');"
      "INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoGbi, ZuoKst, ZuoKtr, ZuoKrt) VALUES "
      "('P1', '2020-01-01', NULL, 'K100', 'T1', 'A'), ('P2', '2020-01-01', '2026-02-28', 'K200', 'T2', 'B')");
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  Employee("P2", "2020.01.01", "");
  CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
  EXPECT_EQ("P1|K100|T1|A\nP2|||\n", Rows("SELECT Zk1Pnr, Zk1Kst, Zk1Ktr, Zk1Krt FROM Qvx331Zk1 ORDER BY Zk1Pnr"));
  EXPECT_EQ("Keine Stammkostenstelle für PNR P2\n", RunLog());
}

// In an interim settlement the figures are not gathered: the row carries zeros.
TEST_F(Statistics, InterimRunWritesZeroFigures) {
  Ctx.InterimFlag = 1;
  Ctx.Lfn = 15;
  Calc.Stat.Stt = 30;
  Calc.Stat.SvkSum = 20;
  WriteStatistik(Ctx, Calc, Calc.Bsv);
  WriteStatistik(Ctx, Calc, Calc.Bsv);
  EXPECT_EQ("3|P1|2026-03-01|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0\n", Zk2());
}
