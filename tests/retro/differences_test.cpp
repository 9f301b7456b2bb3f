// Difference records after the retro-calculation and after interim
// settlements, against the private server.
#include "retro/differences.h"

#include <filesystem>

#include "retro_fixture.h"
#include "scenario.h"

namespace {

class DifferenceStep : public RetroTest {
 protected:
  // One employee per case; Feb = accounting number 2, Jan = 1.
  void Cases() {
    Fixture(
        // PA changed: 480 handed over, 450 now
        Zk1(2, 0, "2026-02-01", "PA", "L100", 480, 0, 1, "2026-02-01", "2026-02-28") +
        Zk3(2, "2026-02-01", "PA", "L100", 450, 0, "2026-02-01", "2026-02-28") +
        // PB unchanged
        Zk1(2, 0, "2026-02-01", "PB", "L100", 240, 0, 1, "2026-02-01", "2026-02-28") +
        Zk3(2, "2026-02-01", "PB", "L100", 240, 0, "2026-02-01", "2026-02-28") +
        // PC vanished
        Zk1(2, 0, "2026-02-01", "PC", "L100", 120, 0, 1, "2026-02-01", "2026-02-28") +
        // PD vanished, but nothing was handed over
        Zk1(2, 0, "2026-02-01", "PD", "L100", 0, 0, 1, "2026-02-01", "2026-02-28") +
        // PE a correction of December (written by run 2), before the recomputed periods
        Zk1(2, 0, "2025-12-01", "PE", "L100", 60, 0, 2, "2025-12-01", "2025-12-31", 1, 0, "K", 12) +
        // PF a new value of January
        Zk3(1, "2026-01-01", "PF", "L100", 60, 0, "2026-01-01", "2026-01-31") +
        // PG a new value of nothing on a monthly line, PH on a day-based line
        Zk3(1, "2026-01-01", "PG", "L100", 0, 0, "2026-01-01", "2026-01-31") +
        Zk3(1, "2026-01-05", "PH", "L200", 0, 0, "2026-01-05", "2026-01-06") +
        // PI a value of January and its correction by run 2: 450 in all, gone now
        Zk1(1, 0, "2026-01-01", "PI", "L100", 480, 0, 1, "2026-01-01", "2026-01-31") +
        Zk1(2, 0, "2026-01-01", "PI", "L100", -30, 0, 2, "2026-01-01", "2026-01-31", 1, 0, "K", 1) +
        // PJ masked (moved to another circle): left alone, unmasked at the end
        Zk1(2, 0, "2026-02-01", "PJ", "L100", 100, 0, -1, "2026-02-01", "2026-02-28") +
        // PK a number outside the retro loop
        Zk1(5, 0, "2026-02-01", "PK", "L100", 100, 0, 1, "2026-02-01", "2026-02-28") +
        // PL a retro record of another run
        Zk3(2, "2026-02-01", "PL", "L100", 100, 0, "2026-02-01", "2026-02-28", "01.04.2026 07:00:00") +
        // PM a day value at the start of the earliest period, gone now
        Zk1(1, 0, "2026-01-10", "PM", "L200", 0, 10, 1, "2026-01-10", "2026-01-10", 2) +
        // PN a reversal that meets a difference record of the run
        Zk1(2, 0, "2026-02-01", "PN", "L100", 70, 0, 1, "2026-02-01", "2026-02-28") +
        Zk1(3, 0, "2026-02-01", "PN", "L100", 10, 0, 2, "2026-02-01", "2026-02-28", 1, 0, "K", 2) +
        // wage-type lines: L100 monthly, L200 day runs
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Ztr, Lu1Rre) VALUES"
        " ('L1', 'S1', 'Z1', 'L100', '2020-01-01', 0, 1), ('L1', 'S1', 'Z1', 'L200', '2020-01-01', 1, 1)");
  }

  void CheckCases() {
    Cases();
    // the booking date of a run with booking dates at the period end
    Retro.RetroBdt = "2026.01.31";
    EXPECT_EQ(1, DifferenzenErmitteln(Ctx, Retro));  // PJ unmasked
    EXPECT_EQ(
        "3|0|2026-02-01|PA|L100|-30|0|2026-02-01|2026-02-28|2|1|2|0\n"
        "3|0|2026-02-01|PC|L100|-120|0|2026-02-01|2026-02-28|2|1|2|0\n"
        "3|0|2026-01-01|PF|L100|60|0|2026-01-01|2026-01-31|2|1|1|0\n"
        "3|0|2026-01-05|PH|L200|0|0|2026-01-05|2026-01-06|2|1|1|0\n"
        "3|0|2026-01-01|PI|L100|-450|0|2026-01-01|2026-01-31|2|1|1|0\n"
        "3|0|2026-01-10|PM|L200|0|-10|2026-01-10|2026-01-10|2|1|1|0\n"
        "3|0|2026-02-01|PN|L100|-60|0|2026-02-01|2026-02-28|2|1|2|0\n",
        Differences());
    EXPECT_EQ(
        "\nDifferenzen ermitteln:\n"
        "Differenzsatz schreiben(1), Pnr: PA\n"
        "Differenzsatz schreiben(Del), Pnr: PC\n"
        "Differenzsatz schreiben(Del), Pnr: PI\n"
        "Differenzsatz schreiben(Del), Pnr: PM\n"
        "Differenzsatz schreiben(Del), Pnr: PN\n"
        "Differenzsatz schreiben(Ins), Pnr: PF\n"
        "Differenzsatz schreiben(Ins), Pnr: PH\n",
        RunLog());
    // only the other run's retro record is left; no Zk1Rre stays negative
    EXPECT_EQ("01.04.2026 07:00:00|PL\n", Rows("SELECT Zk3Key, Zk3Pnr FROM Qvx331Zk3"));
    EXPECT_EQ("PJ|1\n", Rows("SELECT Zk1Pnr, Zk1Rre FROM Qvx331Zk1 WHERE Zk1Pnr = 'PJ'"));
    EXPECT_EQ("", Rows("SELECT Zk1Pnr FROM Qvx331Zk1 WHERE Zk1Rre < 0"));
    EXPECT_EQ("", Rows("SELECT * FROM Qvx331Zk5"));
  }

  void CheckZwischen() {
    Ctx.Lug.LugLgp = "LOGA2";
    Fixture(
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Ztr, Lu1Rre) VALUES"
        " ('L1', 'S1', 'Z1', 'L200', '2020-01-01', 1, 0), ('L1', 'S1', 'Z1', 'L100', '2020-01-01', 0, 0);" +
        // PA 300 sent, 360 now
        Zk1(3, 10, "2026-03-02", "PA", "L200", 300, 0, 0, "2026-03-02", "2026-03-03", 2) +
        Zk3(3, "2026-03-02", "PA", "L200", 360, 0, "2026-03-02", "2026-03-03") +
        // PB 90 sent, gone; PC 0 sent, gone
        Zk1(3, 20, "2026-03-09", "PB", "L200", 90, 0, 0, "2026-03-09", "2026-03-09", 2) +
        Zk1(3, 20, "2026-03-10", "PC", "L200", 0, 0, 0, "2026-03-10", "2026-03-10", 2) +
        // PD gone, and the final run holds a record of the same identity already
        Zk1(3, 20, "2026-03-11", "PD", "L200", 45, 0, 0, "2026-03-11", "2026-03-11", 2) +
        Zk1(3, 0, "2026-03-11", "PD", "L200", 7, 0, 0, "2026-03-11", "2026-03-11", 2) +
        // PE unchanged
        Zk1(3, 10, "2026-03-16", "PE", "L200", 480, 0, 0, "2026-03-16", "2026-03-16", 2) +
        Zk3(3, "2026-03-16", "PE", "L200", 480, 0, "2026-03-16", "2026-03-16") +
        // PF a new run
        Zk3(3, "2026-03-23", "PF", "L200", 120, 0, "2026-03-23", "2026-03-23") +
        // not compared: a month value of an interim run, a day-account value of
        // a line without day runs, a day run of the final run itself
        Zk1(3, 10, "2026-03-01", "PG", "L200", 50, 0, 0, "2026-03-01", "2026-03-31", 1) +
        Zk1(3, 10, "2026-03-05", "PH", "L100", 50, 0, 0, "2026-03-01", "2026-03-31", 2) +
        Zk1(3, 0, "2026-03-06", "PI", "L200", 50, 0, 0, "2026-03-06", "2026-03-06", 2));
    EXPECT_EQ(0, ZwischenDifferenzenErmitteln(Ctx));
    EXPECT_EQ(
        "3|0|2026-03-02|PA|L200|60|0|2026-03-02|2026-03-03|2|1|3|1\n"
        "3|0|2026-03-09|PB|L200|-90|0|2026-03-09|2026-03-09|2|1|3|2\n"
        "3|0|2026-03-23|PF|L200|120|0|2026-03-23|2026-03-23|2|1|3|4\n",
        Differences());
    EXPECT_EQ("PD|7|0\n", Rows("SELECT Zk1Pnr, Zk1Std, Zk1Rre FROM Qvx331Zk1 WHERE Zk1Pnr = 'PD' AND Zk1Lfn = 0"));
    EXPECT_EQ("PA|3|360|1\nPA|4|300|0\nPB|4|90|0\nPD|4|45|0\nPF|3|120|4\n",
              Rows("SELECT Zk5Pnr, Zk5Rre, Zk5Std, Zk5Su1 FROM Qvx331Zk5 ORDER BY Zk5Pnr, Zk5Rre"));
    EXPECT_EQ(
        "\nZwischenabrechnung : Differenzen ermitteln:\n"
        "Diff.satz schreiben(1) ZwiAbr, Pnr: PA\n"
        "Diff.satz schreiben(Del) ZwiAbr, Pnr: PB\n"
        "Diff.satz schreiben(Del) ZwiAbr, Pnr: PD\n"
        "  ZK1 INSERT-Satz(2) ZwiAbr, Status : 1062\n"
        "Diff.satz schreiben(Ins) ZwiAbr, Pnr: PF\n",
        RunLog());
    EXPECT_EQ("", Rows("SELECT Zk3Pnr FROM Qvx331Zk3"));
  }
};

}  // namespace

// The three cases per group, the new values, the groups left alone, the
// accumulation of a reversal, the deletion of the run's retro records and the
// unmasking, in one step.
TEST_F(DifferenceStep, CasesOfOneRun) { CheckCases(); }

// The groups are read on the second connection while the program compares:
// the same records and log lines, the group read taken from there. When the
// run has masked an employee's transfer records in its open transaction
// (moved to another circle), which the second connection does not see, the
// groups are read on the run's own connection: the masked value stays out of
// the groups and the retro record is a new value.
TEST_F(DifferenceStep, GroupsReadAhead) {
  long taken = dbReadsAheadTaken();
  CheckCases();
  EXPECT_EQ(taken + 1, dbReadsAheadTaken());
}

TEST_F(DifferenceStep, GroupsOfMaskedRecordsOnTheRunsConnection) {
  Cases();
  ASSERT_EQ(0, SQL_Qvx331Zk1_Mask("PA", 3));
  Retro.Masked = true;
  long taken = dbReadsAheadTaken();
  EXPECT_EQ(2, DifferenzenErmitteln(Ctx, Retro));  // PA and PJ unmasked
  EXPECT_EQ(taken, dbReadsAheadTaken());
  EXPECT_EQ("450|0\n", Rows("SELECT Zk1Std, Zk1Tge FROM Qvx331Zk1 WHERE Zk1Abr = 3 AND Zk1Pnr = 'PA'"));
  EXPECT_NE(std::string::npos, RunLog().find("Differenzsatz schreiben(Ins), Pnr: PA\n"));
  EXPECT_EQ("", Rows("SELECT Zk1Pnr FROM Qvx331Zk1 WHERE Zk1Rre < 0"));
}

// LOGA2: every difference record takes the next number of the sequence; a
// change gives an insert record (the value now valid, the difference's number)
// and a delete record (the value sent before, the group's highest number); a
// reversal a delete record, a new value an insert record.
TEST_F(DifferenceStep, Loga2MemoRecords) {
  Ctx.Lug.LugLgp = "LOGA2";
  Fixture(Zk1(2, 0, "2026-02-01", "PA", "L100", 480, 0, 1, "2026-02-01", "2026-02-28", 1, 7) +
          Zk3(2, "2026-02-01", "PA", "L100", 450, 0, "2026-02-01", "2026-02-28") +
          Zk1(2, 0, "2026-02-01", "PC", "L100", 120, 5, 1, "2026-02-01", "2026-02-28", 1, 8) +
          Zk3(1, "2026-01-01", "PF", "L100", 60, 0, "2026-01-01", "2026-01-31"));
  DifferenzenErmitteln(Ctx, Retro);
  EXPECT_EQ(
      "3|0|2026-02-01|PA|L100|-30|0|2026-02-01|2026-02-28|2|1|2|1\n"
      "3|0|2026-02-01|PC|L100|-120|-5|2026-02-01|2026-02-28|2|1|2|2\n"
      "3|0|2026-01-01|PF|L100|60|0|2026-01-01|2026-01-31|2|1|1|3\n",
      Differences());
  EXPECT_EQ(std::string(kKey) +
                "|3|0|S1|2026-02-01|PA|Z1|L100|     |KST|KTR|K|450|0|0|2026-02-01|2026-02-28|5|3|0|UPA|0|1\n" + kKey +
                "|3|0|S1|2026-02-01|PA|Z1|L100|     |KST|KTR|K|480|0|0|2026-02-01|2026-02-28|5|4|0|UPA|0|7\n" + kKey +
                "|3|0|S1|2026-02-01|PC|Z1|L100|     |KST|KTR|K|120|5|0|2026-02-01|2026-02-28|5|4|0|UPC|0|8\n" + kKey +
                "|3|0|S1|2026-01-01|PF|Z1|L100|     |KST|KTR|K|60|0|0|2026-01-01|2026-01-31|5|3|0|UPF|0|3\n",
            Rows("SELECT Zk5Key, Zk5Abr, Zk5Lfn, Zk5Stz, Zk5Bdt, Zk5Pnr, Zk5Zkt, Zk5Lna, Zk5Lgr, Zk5Kst, Zk5Ktr,"
                 " Zk5Krt, Zk5Std, Zk5Tge, Zk5Stg, Zk5Von, Zk5Bis, Zk5Sts, Zk5Rre, Zk5Sta, Zk5Upn, Zk5Inf, Zk5Su1"
                 " FROM Qvx331Zk5 ORDER BY Zk5Pnr, Zk5Rre"));
  EXPECT_EQ(
      "\nDifferenzen ermitteln:\n"
      "Differenzsatz schreiben(1), Pnr: PA\n"
      "Differenzsatz schreiben(Del), Pnr: PC\n"
      "Differenzsatz schreiben(Ins), Pnr: PF\n",
      RunLog());
}

// The accounting number of a reversal: the record holding the group's values,
// else the recomputed period holding them, else the earliest number of the
// retro loop; never the number of the reversal before.
TEST_F(DifferenceStep, ReversalAccountingNumber) {
  Retro.RetroVon = "";
  Fixture(Zk1(2, 0, "2026-02-01", "PA", "L100", 480, 0, 1, "2026-02-01", "2026-02-28") +
          // a group of two records in January
          Zk1(1, 0, "2026-01-01", "PB", "L100", 480, 0, 1, "2026-01-01", "2026-01-31") +
          Zk1(2, 0, "2026-01-01", "PB", "L100", 20, 0, 2, "2026-01-01", "2026-01-31", 1, 0, "K", 1) +
          // the same in December, a period the loop did not recompute
          Zk1(1, 0, "2025-12-01", "PC", "L100", 480, 0, 1, "2025-12-01", "2025-12-31") +
          Zk1(2, 0, "2025-12-01", "PC", "L100", 20, 0, 2, "2025-12-01", "2025-12-31", 1, 0, "K", 12));
  DifferenzenErmitteln(Ctx, Retro);
  EXPECT_EQ("PA|-480|2\nPB|-500|1\nPC|-500|1\n",
            Rows("SELECT Zk1Pnr, Zk1Std, Zk1Rrn FROM Qvx331Zk1 WHERE Zk1Abr = 3 ORDER BY Zk1Pnr"));
}

// The retro identity: a second record of the run with the same identity is
// refused (1062) and added to the first, whose cost type it replaces; the same
// record under another run key is a record of its own.
TEST_F(DifferenceStep, RetroRecordIdentity) {
  Zk3Record r;
  r.Key = kKey;
  r.Abr = 2;
  r.Stz = "S1";
  r.Bdt = "2026.02.01";
  r.Pnr = "PA";
  r.Zkt = "Z1";
  r.Lna = "L100";
  r.Lgr = "     ";
  r.Kst = "KST";
  r.Ktr = "KTR";
  r.Krt = "K1";
  r.Std = 100;
  r.Tge = 10;
  r.Stg = 1;
  r.Von = "2026.02.01";
  r.Bis = "2026.02.28";
  EXPECT_EQ(0, SQL_Qvx331Zk3_Insert(r));
  Zk3Record s = r;
  s.Krt = "K2";
  s.Std = 20;
  s.Tge = 5;
  s.Von = "2026.02.02";  // not part of the identity
  EXPECT_EQ(kSqlDuplicate, SQL_Qvx331Zk3_Insert(s));
  EXPECT_EQ(0, SQL_Qvx331Zk3_Add(s));
  s.Key = "01.04.2026 07:00:00";
  EXPECT_EQ(0, SQL_Qvx331Zk3_Insert(s));
  // next-month records: the booking date one month on, added to the same way
  Zk3Record n = r;
  n.Abr = 1;
  n.Bdt = "2026.01.31";
  EXPECT_EQ(0, SQL_Qvx331Zk3_InsertNextMonth(n));
  EXPECT_EQ(kSqlDuplicate, SQL_Qvx331Zk3_InsertNextMonth(n));
  EXPECT_EQ(0, SQL_Qvx331Zk3_AddNextMonth(n));
  EXPECT_EQ("01.04.2026 07:00:00|2|2026-02-01|K2|20|5|1\n" + std::string(kKey) + "|1|2026-02-28|K1|200|20|2\n" + kKey +
                "|2|2026-02-01|K2|120|15|2\n",
            Rows("SELECT Zk3Key, Zk3Abr, Zk3Bdt, Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg FROM Qvx331Zk3"
                 " ORDER BY Zk3Key, Zk3Abr"));
}

// Interim differences: the day runs handed over by the interim settlements
// (running numbers 10 and 20) against the final settlement's day runs.
TEST_F(DifferenceStep, ZwischenDifferenzen) { CheckZwischen(); }

// Groups and retro records are compared for ranges of personnel numbers one
// after the other: ranges of one, two and three employees (and ranges ending
// at a spelling of a personnel number that the transfer and retro records
// hold in others) give exactly the records, log lines and LOGA2 numbers of
// one range over all.
class DifferenceRanges : public DifferenceStep, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    DifferenceStep::SetUp();
    SetDifferenceRangeEmployees(GetParam());
    // the ranges end at personnel numbers of the employment rows
    std::string rows;
    for (char c = 'A'; c <= 'Z'; ++c)
      rows += std::string(rows.empty() ? "" : ", ") + "('P" + c + "', '01', '2020-01-01')";
    Fixture("INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo) VALUES " + rows);
  }
  void TearDown() override {
    SetDifferenceRangeEmployees(kDifferenceRangeEmployees);
    DifferenceStep::TearDown();
  }
};

TEST_P(DifferenceRanges, CasesOfOneRun) {
  // one employee in two spellings on either side: unchanged, nothing written
  Fixture(Zk1(2, 0, "2026-02-01", "pz", "L100", 30, 0, 1, "2026-02-01", "2026-02-28") +
          Zk1(1, 0, "2026-01-01", "PZ ", "L100", 40, 0, 1, "2026-01-01", "2026-01-31") +
          Zk3(2, "2026-02-01", "PZ", "L100", 30, 0, "2026-02-01", "2026-02-28") +
          Zk3(1, "2026-01-01", "pz ", "L100", 40, 0, "2026-01-01", "2026-01-31"));
  CheckCases();
}

TEST_P(DifferenceRanges, ZwischenDifferenzen) { CheckZwischen(); }

INSTANTIATE_TEST_SUITE_P(Sizes, DifferenceRanges, ::testing::Values(1, 2, 3));

// The retro records left over for new values wait in a scratch file beside
// the run log beyond the ones held: none, one or two held give exactly the
// records, log lines and LOGA2 numbers of all held, and the file is gone
// afterwards. A file that cannot be made (a folder has its name: -1) leaves
// them all held, with the same results.
class DifferenceLeftOver : public DifferenceStep, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    DifferenceStep::SetUp();
    scratch = dir / "lug__01_3_rest.tmp";
    if (GetParam() < 0) std::filesystem::create_directories(scratch);
    SetDifferenceLeftInMemory(GetParam() < 0 ? 0 : GetParam());
  }
  void TearDown() override {
    SetDifferenceLeftInMemory(kDifferenceLeftInMemory);
    EXPECT_EQ(GetParam() < 0, std::filesystem::exists(scratch));
    std::filesystem::remove_all(scratch);
    DifferenceStep::TearDown();
  }
  std::filesystem::path scratch;
};

TEST_P(DifferenceLeftOver, CasesOfOneRun) { CheckCases(); }

TEST_P(DifferenceLeftOver, ZwischenDifferenzen) { CheckZwischen(); }

INSTANTIATE_TEST_SUITE_P(Held, DifferenceLeftOver, ::testing::Values(0, 1, 2, -1));

// The reference company with every left-over retro record in the scratch
// file: every result and log line as with all of them held.
TEST(DifferencesReference, LeftOverRecordsInTheScratchFile) {
  SetDifferenceLeftInMemory(0);
  std::string failures = RunScenario(std::string(LUG_SOURCE_DIR) + "/tests/scenarios/reference_company.scn");
  SetDifferenceLeftInMemory(kDifferenceLeftInMemory);
  EXPECT_TRUE(failures.empty()) << failures;
}

// The reference company with ranges of seven employees: every result and log
// line as with one range over its three hundred employees.
TEST(DifferencesReference, RangesOfSevenEmployees) {
  SetDifferenceRangeEmployees(7);
  std::string failures = RunScenario(std::string(LUG_SOURCE_DIR) + "/tests/scenarios/reference_company.scn");
  SetDifferenceRangeEmployees(kDifferenceRangeEmployees);
  EXPECT_TRUE(failures.empty()) << failures;
}
