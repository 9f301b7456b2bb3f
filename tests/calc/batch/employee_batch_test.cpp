// Day codes and day records read ahead for a batch of employees: every answer
// equals the answer of the single statement, for personnel numbers that the
// database holds in another case or with trailing blanks, for days outside
// the batch and for employees outside it; a batch that cannot be read leaves
// every read to the database.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "calc/batch/bookings.h"
#include "calc/site_records.h"
#include "calc/statistics.h"
#include "calc/interruptions.h"
#include "calc/batch/employee_batch.h"
#include "calc/account_transfer.h"
#include "run/db_key.h"
#include "calc/statistics_fixture.h"

namespace {

class EmployeeBatch : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    Fixture(
        "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn) VALUES"
        " ('E1 ', '2026-03-02', '2026-03-02', 'U ', NULL, NULL),"
        " ('e1', '2026-03-03', '2026-03-03', NULL, 'HU', NULL),"
        " ('e1', '2026-03-04', '2026-03-04', NULL, NULL, NULL),"
        " ('P2', '2026-03-02', '2026-03-02', 'K', NULL, NULL),"
        " ('e1', '2026-04-01', '2026-04-01', 'K', NULL, NULL);"
        "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol) VALUES"
        " ('E1  ', '2026-03-02', 1, 480), ('e1', '2026-03-03', 1, 0), ('e1', '2026-03-03', 3, 99),"
        " ('P2', '2026-03-02', 1, 240), ('e1', '2026-04-01', 1, 480)");
  }
  ~EmployeeBatch() override { ClearBatch(); }

  // The key of a personnel number as the employment cursor fetches it.
  std::string Key(const std::string& pnr) {
    std::string key;
    EXPECT_EQ(0, SqlSelectOne("SELECT " + SqlKeyColumn("CONVERT('" + pnr + "' USING latin1) COLLATE latin1_swedish_ci"),
                              key));
    return key;
  }

  struct Answer {
    int Codes, Sol;
    std::string Tgb, Htv, Htn;
    int32_t SolValue;
    bool operator==(const Answer&) const = default;
  };
  Answer Ask(const std::string& pnr, const std::string& day) {
    Answer a{};
    a.Codes = SQL_Qvx327Tag_GetCodes(pnr, day, a.Tgb, a.Htv, a.Htn);
    a.Sol = SQL_Qvx320Tgb_GetSol(pnr, day, a.SolValue);
    return a;
  }
};

TEST_F(EmployeeBatch, AnswersEqualTheSingleStatements) {
  const std::vector<std::pair<std::string, std::string>> asks = {{"e1", "2026.03.02"}, {"E1", "2026.03.02"},
                                                                 {"e1", "2026.03.03"}, {"e1", "2026.03.04"},
                                                                 {"e1", "2026.03.05"}, {"e1", "2026.04.01"},
                                                                 {"P2", "2026.03.02"}, {"P3", "2026.03.02"},
                                                                 {"e1", "2026-03-02"}};
  std::vector<Answer> single;
  for (const auto& [pnr, day] : asks) single.push_back(Ask(pnr, day));
  EXPECT_EQ("U", single[0].Tgb);  // the other spelling of the personnel number and the code
  EXPECT_EQ(480, single[0].SolValue);
  EXPECT_EQ(1032, single[3].Codes);

  // the batch alone, then with the bookings of a main call's batch, whose
  // day codes serve here too
  const std::vector<BatchEmployee> employees = {{"e1", Key("e1")}, {"E1", Key("E1")}, {"P3", Key("P3")}};
  for (bool bookings : {false, true}) {
    ReadBatch(employees, "2026.03.01", "2026.03.31");
    if (bookings) ReadBookingBatch(Ctx, employees, "2026.03.01", "2026.03.31");
    long before = dbStatementCount();
    for (size_t i = 0; i < asks.size(); ++i) EXPECT_EQ(single[i], Ask(asks[i].first, asks[i].second)) << i;
    // P2 is not in the batch, 1 April and the day in another form lie
    // outside it; the day codes and day records are read once, when first
    // needed
    EXPECT_EQ(8, dbStatementCount() - before);
    ClearBookingBatch();
  }
}

TEST_F(EmployeeBatch, FailingBatchReadEndsTheRun) {
  Answer single = Ask("e1", "2026.03.02");
  EXPECT_EQ(1, dbCommit());  // the program's transaction must not hold the table renamed here
  admin.Exec("ALTER TABLE Qvx320Tgb RENAME TO Qvx320TgbX");
  ReadBatch({{"e1", Key("e1")}}, "2026.03.01", "2026.03.31");
  // the day records' batch read fails here: a missing table ends the run,
  // it is never taken for "no day record"
  try {
    Ask("e1", "2026.03.02");
    ADD_FAILURE() << "a missing table was answered";
  } catch (const SqlFatalError& e) { EXPECT_EQ(1146, e.Error); }
  (void)dbAbandonTransaction();
  admin.Exec("ALTER TABLE Qvx320TgbX RENAME TO Qvx320Tgb");
  EXPECT_EQ(single, Ask("e1", "2026.03.02"));
}

// The other per-employee reads of the statistics, the interruption count and
// the site records: an employee whose rows the tables hold in other spellings
// of the personnel number ('E1 ', 'e1'), one with few rows (balances before
// the period, no home cost, no remaining leave) and one outside the batch.
class EmployeeBatchSteps : public EmployeeBatch {
 protected:
  void SetUp() override {
    EmployeeBatch::SetUp();
    Ctx.MndSto = "02272";
    Fixture(
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Gbi, Lu1Sts, Lu1Art) VALUES "
        "('L1', 'LA', 'ANW', '100', NULL, '2020-01-01', NULL, 102, 0),"
        "('L1', 'LA', 'DR', '110', NULL, '2020-01-01', NULL, 103, 1),"
        "('L1', 'LA', 'UNB', '120', NULL, '2020-01-01', NULL, 104, 0),"
        "('L1', 'LB', 'UNB', '121', NULL, '2020-01-01', '2025-12-31', 104, 0),"
        "('L1', 'LA', 'ST4', '130', NULL, '2020-01-01', NULL, 4, 0),"
        "('L1', 'LA', 'URL', '200', NULL, '2020-01-01', NULL, 105, 0),"
        "('L1', 'S1', 'SF', '501', 'SFR', '2020-01-01', NULL, 0, 0),"
        "('L1', 'S1', 'UR', '502', 'RUL', '2020-01-01', NULL, 0, 0),"
        "('L1', 'S2', 'G1', '503', 'GLT', '2020-01-01', NULL, 0, 0),"
        "('L1', 'S2', 'G2', '504', 'MGF', '2020-01-01', NULL, 0, 0),"
        "('L1', 'S2', 'G3', '505', 'RZT', '2020-01-01', NULL, 0, 0);"
        "INSERT INTO Qvx131Fcd (FcdNum, FcdZkt) VALUES ('U', 'URL');"
        "INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoGbi, ZuoKst, ZuoKtr, ZuoKrt) VALUES"
        " ('E1 ', '2019-01-01', '2026-02-28', 'OLD', 'T0', 'A'), ('e1', '2025-01-01', NULL, 'K1', 'T1', 'B'),"
        " ('E1', '2026-03-10', NULL, 'K2', 'T2', 'C'), ('P3', '2020-01-01', NULL, 'K3', 'T3', 'D');"
        "INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg) VALUES ('e1', '2026-01-31', 10.5, 2),"
        " ('E1 ', '2026-03-20', 12.25, 1.5), ('e1', '2026-04-30', 99, 9), ('P3', '2026-03-01', 4, 4);"
        "INSERT INTO Qvx155Sfr (SfrMod, SfrAnz) VALUES ('M2', 2);"
        "INSERT INTO Qvx332Sfz (SfzPnr, SfzDtm, SfzAnt, SfzGen, SfzGvv) VALUES ('E1 ', '2026-03-31', 30, 12, 2),"
        " ('P2', '2026-03-30', 5, 1, 0), ('P3', '2026-03-31', 7, 1, 0);"
        // day records of February and March; unpaid weeks at the end of
        // February and in March, balances on some days
        "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb, TgbSa1, TgbVt1, TgbSa2, TgbVt2, TgbSa3,"
        " TgbVt3) SELECT IF(DAY(BakDtm) % 2 = 0, 'E1 ', 'e1'), BakDtm, 1, IF(WEEKDAY(BakDtm) < 5, 480, 0),"
        " IF(WEEKDAY(BakDtm) < 5 AND (BakDtm BETWEEN '2026-02-24' AND '2026-03-04' OR BakDtm BETWEEN"
        " '2026-03-16' AND '2026-03-20' OR BakDtm = '2026-03-25'), 480, 0), IF(DAY(BakDtm) IN (1, 12, 27), 60 +"
        " DAY(BakDtm), 0), DAY(BakDtm), -DAY(BakDtm), 3, MONTH(BakDtm), 4 FROM Darvonix.Qvx133Bak WHERE BakDtm"
        " BETWEEN '2026-02-02' AND '2026-03-31' AND BakDtm NOT IN ('2026-03-02', '2026-03-03');"
        "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb, TgbSa1, TgbSa2, TgbVt2, TgbSa3) VALUES"
        " ('e1', '2026-03-01', 3, 0, 0, 0, 0, 0, 0), ('P4', '2026-01-15', 1, 480, 480, 5, 6, 7, 8),"
        " ('P4', '2026-02-27', 1, 480, 480, 15, 16, 17, 18), ('P3', '2026-03-31', 1, 480, 0, 1, 2, 3, 4);"
        "UPDATE Qvx320Tgb SET TgbMax = 600 WHERE TgbZtr = 3;"
        "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbZkt, ZkbStd) VALUES "
        "('e1', 1, '2026-03-02', 'ANW', 480), ('E1 ', 1, '2026-03-02', 'ANW', 20), ('E1', 1, '2026-03-05', 'ANW', 0),"
        "('e1', 1, '2026-03-06', 'ANW', 240), ('e1', 1, '2026-02-27', 'ANW', 480), ('e1', 1, '2026-04-01', 'ANW', 1),"
        "('E1', 1, '2026-03-09', 'DR', 300), ('e1', 1, '2026-03-10', 'DR', 0), ('E1 ', 1, '2026-03-10', 'DR', 0),"
        "('e1', 3, '2026-03-11', 'DR', 300), ('e1', 1, '2026-03-16', 'UNB', 60), ('E1 ', 1, '2026-03-16', 'UNB', 60),"
        "('e1', 1, '2026-03-17', 'UNB', 0), ('e1', 1, '2026-03-18', 'ST4', 35), ('E1', 1, '2026-03-18', 'ST4', 7),"
        "('e1', 1, '2026-03-31', 'ST4', 11), ('P2', 1, '2026-03-03', 'DR', 60), ('P3', 1, '2026-03-03', 'UNB', 60);"
        "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn, TagOne) VALUES"
        " ('e1', '2026-03-06', '2026-03-06', NULL, 'U', NULL, 0), ('e1', '2026-03-09', '2026-03-09', NULL, NULL, NULL, 1);"
        "INSERT INTO Qvx140Azv (AzvNum, AzvGvo, AzvSol) VALUES ('A1', '2020-01-01', 450);"
        "INSERT INTO Qvx329Ztg (ZtgPnr, ZtgVon, ZtgAzt) SELECT 'e1', BakDtm, 'A1' FROM Darvonix.Qvx133Bak"
        " WHERE BakDtm BETWEEN '2026-03-01' AND '2026-03-12';"
        "INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt) VALUES ('E1 ', '2026-03-05', 'LSB', 1.5),"
        " ('e1', '2026-03-05', 'LSA', 2.25), ('e1', '2026-03-20', 'LSC', -7.5), ('e1', '2026-04-01', 'LSX', 1),"
        " ('P3', '2026-03-20', 'LSD', 3)");
  }

  // Everything the steps give for an employee row: figures, home cost,
  // records written, log lines; the records are removed again.
  std::string Steps(const std::string& pnr, const std::string& gvo, const std::string& lgp) {
    Ctx.Lug.LugLgp = lgp;
    Employee(pnr, gvo, "", "M2");
    Calc.Bsv.Zk1Upn = "U1";
    CalcStatistik(Ctx, Calc, Calc.Bsv, "01", Answers);
    const StatAccu& s = Calc.Stat;
    std::string out =
        Format("Stt %g Slt %g Sln %g Zes %g Ant %g Bzt %g Unt %g Uns %g Home %s/%s/%s\n", s.Stt, s.Slt, s.Sln, s.Zes,
               s.Ant, s.Bzt, s.Unt, s.Uns, Calc.Home.ZuoKst, Calc.Home.ZuoKtr, Calc.Home.ZuoKrt);
    HomeCost home;
    out += Format("Zuo %d %s\n", SQL_Qvx311Zuo_Get(pnr, "2026.03.01", "2026.03.31", home), home.ZuoKst);
    out += Format("Unterbrechungen %d %d\n", CountUnterbrechungenIn(pnr, "2026.03.01", "2026.03.31"),
                  CountUnterbrechungenIn(pnr, "2026.03.10", "2026.03.31"));
    WriteLsSaetze(Ctx, pnr, "U1", "2026.03.01", "2026.03.31", "K1", "T1", "2026.03.31", 0);
    out += Rows("SELECT Zk1Stz, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Kst, Zk1Std FROM Qvx331Zk1 ORDER BY Zk1Stz, Zk1Lna");
    admin.Exec("DELETE FROM Qvx331Zk1");
    out += RunLog();
    std::filesystem::remove(dir / "log.txt");
    return out;
  }

  struct Row {
    std::string pnr, gvo, lgp;
  };
  const std::vector<Row> rows = {{"e1", "2020.01.01", "XXX"},   {"E1", "2026.03.10", "XXX"},
                                 {"e1", "2020.01.01", "PSYBR"}, {"P2", "2020.01.01", "XXX"},
                                 {"P3", "2020.01.01", "XXX"},   {"P4", "2020.01.01", "XXX"}};
  const std::vector<BatchEmployee> batch() {
    return {{"e1", Key("e1")}, {"E1", Key("E1")}, {"P2", Key("P2")}, {"P4", Key("P4")}};
  }
};

TEST_F(EmployeeBatchSteps, StepsGiveTheAnswersOfTheSingleStatements) {
  std::vector<std::string> single;
  std::vector<long> singleStatements;
  for (const auto& r : rows) {
    long before = dbStatementCount();
    single.push_back(Steps(r.pnr, r.gvo, r.lgp));
    singleStatements.push_back(dbStatementCount() - before);
  }
  // the other spellings and the balances before the period are found
  EXPECT_NE(std::string::npos, single[0].find("Home K1/T1/B")) << single[0];
  EXPECT_NE(std::string::npos, single[0].find("S1|e1|UR|502|K1|735\n")) << single[0];
  EXPECT_NE(std::string::npos, single[5].find("S2|P4|G2|504||33\n")) << single[5];
  EXPECT_NE(std::string::npos, single[0].find("LS|e1|LSB|LSB|K1|150\n")) << single[0];

  // the batch alone, then with the bookings of a main call's batch, from
  // which the booking days and unpaid minutes are taken
  std::vector<long> first;
  for (bool bookings : {false, true}) {
    ReadBatch(batch(), "2026.03.01", "2026.03.31");
    if (bookings) ReadBookingBatch(Ctx, batch(), "2026.03.01", "2026.03.31");
    for (size_t i = 0; i < rows.size(); ++i) {
      long before = dbStatementCount();
      EXPECT_EQ(single[i], Steps(rows[i].pnr, rows[i].gvo, rows[i].lgp)) << i << " " << bookings;
      long statements = dbStatementCount() - before;
      if (i == 0) first.push_back(statements);
      if (i == 1) {
        EXPECT_LT(statements, singleStatements[i] / 2) << i;  // the kinds were read for e1 already
      } else if (i == 4) {
        EXPECT_EQ(statements, singleStatements[i]) << i;  // not in the batch
      }
    }
    ClearBookingBatch();
  }
  // with the bookings the booking days and unpaid minutes are not read again
  EXPECT_LT(first[1], first[0]);
}

// A batch statement the server refuses ends the run (never "no rows"); after
// the table is back the single reads give the same answers.
TEST_F(EmployeeBatchSteps, FailingBatchStatementEndsTheRun) {
  struct Case {
    const char* table;
    std::function<bool()> read;
  } cases[] = {
      {"QVX311ZUO",
       [] {
         int st;
         HomeCost h;
         return BatchHome("e1", "2026.03.01", "2026.03.31", st, h);
       }},
      {"QVX332UTG",
       [] {
         int st;
         double r, v;
         return BatchUtg("e1", "2026.03.31", st, r, v);
       }},
      {"Qvx332Sfz",
       [] {
         int st;
         int16_t a, g, v;
         return BatchSfz("e1", "2026.03.31", st, a, g, v);
       }},
      {"O1001AbrKreis",
       [] {
         std::vector<std::string> d;
         return BatchTage("e1", "2026.03.01", "2026.03.31", "01", 103, d);
       }},
      {"Qvx140Azv",
       [] {
         std::vector<std::pair<std::string, double>> r;
         return BatchZtg("e1", "2026.03.01", "2026.03.31", r);
       }},
      {"Qvx331Zks",
       [] {
         std::vector<std::pair<std::string, double>> r;
         return BatchZks("e1", "2026.03.01", "2026.03.31", r);
       }},
  };
  const std::string single = Steps("e1", "2020.01.01", "PSYBR");
  for (const auto& c : cases) {
    ReadBatch(batch(), "2026.03.01", "2026.03.31");
    EXPECT_EQ(1, dbCommit());
    admin.Exec(std::string("RENAME TABLE ") + c.table + " TO FailX");
    // a missing table ends the run, it is never taken for "no rows"
    EXPECT_THROW(c.read(), SqlFatalError) << c.table;
    (void)dbAbandonTransaction();
    admin.Exec(std::string("RENAME TABLE FailX TO ") + c.table);
    EXPECT_EQ(single, Steps("e1", "2020.01.01", "PSYBR")) << c.table;
  }
  // the balances and day counts of a readable batch come from memory
  ReadBatch(batch(), "2026.03.01", "2026.03.31");
  int st = -5;
  int32_t sa = 0, vt = 0;
  EXPECT_TRUE(BatchSaldo(2, "e1", "2026.03.31", "2026.03.31", st, sa, vt));
  EXPECT_EQ(0, st);
  EXPECT_EQ(-31, sa);
  EXPECT_EQ(3, vt);
}

}  // namespace
