// Day codes and day records read ahead for a batch of employees: every answer
// equals the answer of the single statement, for personnel numbers that the
// database holds in another case or with trailing blanks, for days outside
// the batch and for employees outside it; a batch that cannot be read leaves
// every read to the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/statistik.h"
#include "calc/vorlesen.h"
#include "calc/zeitkonten.h"
#include "run/dbkey.h"
#include "statistik_fixture.h"

namespace {

class Vorlesen : public CalcTest {
protected:
  void SetUp() override {
    CalcTest::SetUp();
    Fixture("INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn) VALUES"
            " ('E1 ', '2026-03-02', '2026-03-02', 'U ', NULL, NULL),"
            " ('e1', '2026-03-03', '2026-03-03', NULL, 'HU', NULL),"
            " ('e1', '2026-03-04', '2026-03-04', NULL, NULL, NULL),"
            " ('P2', '2026-03-02', '2026-03-02', 'K', NULL, NULL),"
            " ('e1', '2026-04-01', '2026-04-01', 'K', NULL, NULL);"
            "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol) VALUES"
            " ('E1  ', '2026-03-02', 1, 480), ('e1', '2026-03-03', 1, 0), ('e1', '2026-03-03', 3, 99),"
            " ('P2', '2026-03-02', 1, 240), ('e1', '2026-04-01', 1, 480)");
  }
  ~Vorlesen() override { ClearBatch(); }

  // The key of a personnel number as the employment cursor fetches it.
  std::string Key(const std::string& pnr) {
    std::string key;
    EXPECT_EQ(0, SqlSelectOne("SELECT " + SqlKeyColumn("'" + pnr + "' COLLATE latin1_swedish_ci"), key));
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

TEST_F(Vorlesen, AnswersEqualTheSingleStatements) {
  const std::vector<std::pair<std::string, std::string>> asks = {
      {"e1", "2026.03.02"}, {"E1", "2026.03.02"}, {"e1", "2026.03.03"}, {"e1", "2026.03.04"},
      {"e1", "2026.03.05"}, {"e1", "2026.04.01"}, {"P2", "2026.03.02"}, {"P3", "2026.03.02"},
      {"e1", "2026-03-02"}};
  std::vector<Answer> single;
  for (const auto& [pnr, day] : asks) single.push_back(Ask(pnr, day));
  EXPECT_EQ("U", single[0].Tgb);  // the other spelling of the personnel number and the code
  EXPECT_EQ(480, single[0].SolValue);
  EXPECT_EQ(1032, single[3].Codes);

  ReadBatch({{"e1", Key("e1")}, {"E1", Key("E1")}, {"P3", Key("P3")}}, "2026.03.01", "2026.03.31");
  long before = dbStatementCount();
  for (size_t i = 0; i < asks.size(); ++i) EXPECT_EQ(single[i], Ask(asks[i].first, asks[i].second)) << i;
  // P2 is not in the batch, 1 April and the day in another form lie outside it
  EXPECT_EQ(6, dbStatementCount() - before);
}

TEST_F(Vorlesen, FailingBatchLeavesTheReadsToTheDatabase) {
  Answer single = Ask("e1", "2026.03.02");
  dbCommit();  // the program's transaction must not hold the table renamed here
  admin.Exec("ALTER TABLE Qvx320Tgb RENAME TO Qvx320TgbX");
  ReadBatch({{"e1", Key("e1")}}, "2026.03.01", "2026.03.31");
  dbCommit();
  admin.Exec("ALTER TABLE Qvx320TgbX RENAME TO Qvx320Tgb");
  long before = dbStatementCount();
  EXPECT_EQ(single, Ask("e1", "2026.03.02"));
  EXPECT_EQ(2, dbStatementCount() - before);
}

}  // namespace
