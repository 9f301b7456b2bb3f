// Rows written in batches: rows that meet a stored row are added to it as the
// single statements add, pending rows are written before any statement that
// names their table, and whole runs give the same rows, log and files with
// every row written by a statement of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "run/context.h"
#include "run/db.h"
#include "run/write_batch.h"
#include "scenario.h"

namespace {

class WriteBatchTest : public ProgramDbTest {
 protected:
  void SetUp() override {
    OpenSchema("twb");
    Fixture("CREATE TABLE Acc (K VARCHAR(8) NOT NULL, V INT NOT NULL, PRIMARY KEY (K)) DEFAULT CHARSET=latin1");
  }
};

TEST_F(WriteBatchTest, AccumulatesAndIsSentBeforeTheTableIsRead) {
  WriteBatch batch("Acc", "INSERT INTO Acc (K, V) VALUES ", " ON DUPLICATE KEY UPDATE V = V + VALUES(V)");
  int replays = 0;
  long start = dbStatementCount();
  for (const char* row : {"('a', 1)", "('b', 2)", "('A ', 3)", "('c', 4)"})
    batch.Add(std::string("INSERT INTO Acc (K, V) VALUES ") + row, [&] { ++replays; });
  EXPECT_EQ(start, dbStatementCount());  // nothing sent yet
  std::string sum;
  // the read names the table in another case: the rows are sent first
  ASSERT_EQ(0, SqlSelectOne("select group_concat(concat(K, '=', V) order by K) from ACC", sum));
  EXPECT_EQ(start + 2, dbStatementCount());
  EXPECT_EQ("a=4,b=2,c=4", sum);
  EXPECT_EQ(0, replays);
}

// A read the caller knows cannot find the pending rows leaves them pending;
// the next statement that names the table sends them.
TEST_F(WriteBatchTest, KeptRowsWaitForTheNextStatement) {
  WriteBatch batch("Acc", "INSERT INTO Acc (K, V) VALUES ", "");
  const std::string single = "INSERT INTO Acc (K, V) VALUES ('a', 1)";
  batch.Add(single, [single] { (void)SqlWrite(single); });
  std::string count;
  {
    KeepPending keep({&batch});
    ASSERT_EQ(0, SqlSelectOne("SELECT COUNT(*) FROM Acc WHERE K = 'z'", count));
    EXPECT_FALSE(batch.Empty());
  }
  ASSERT_EQ(0, SqlSelectOne("SELECT COUNT(*) FROM Acc", count));
  EXPECT_TRUE(batch.Empty());
  EXPECT_EQ("1", count);
}

// Two batches of one table: a row sends the other batch's rows first only
// when one of them has its identity (or any row has none), so that rows of
// one key reach the table in the order written.
TEST_F(WriteBatchTest, OtherBatchIsSentFirstOnlyForTheSameIdentity) {
  WriteBatch add("Acc", "INSERT INTO Acc (K, V) VALUES ", " ON DUPLICATE KEY UPDATE V = V + VALUES(V)");
  WriteBatch plain("Acc", "INSERT INTO Acc (K, V) VALUES ", "");
  std::vector<std::string> refused;
  auto row = [&](WriteBatch& b, const std::string& k, int v, const std::string& identity) {
    std::string single = "INSERT INTO Acc (K, V) VALUES ('" + k + "', " + std::to_string(v) + ")";
    b.Add(
        single,
        [&refused, single] {
          if (SqlWrite(single) != 0) refused.push_back(single);
        },
        identity);
  };
  row(add, "a", 1, "A");
  row(plain, "b", 2, "B");
  EXPECT_FALSE(add.Empty());  // other identities: both stay pending
  row(plain, "a", 5, "A");    // a's row in the other batch goes first
  EXPECT_TRUE(add.Empty());
  row(add, "c", 3, "");  // without an identity: the other batch goes first
  EXPECT_TRUE(plain.Empty());
  FlushWriteBatches();
  EXPECT_EQ("a|1\nb|2\nc|3\n", Rows("SELECT K, V FROM " + schema + ".Acc ORDER BY K"));
  ASSERT_EQ(1u, refused.size());  // the plain row of a met the stored one
  EXPECT_EQ("INSERT INTO Acc (K, V) VALUES ('a', 5)", refused[0]);
}

TEST_F(WriteBatchTest, RefusedBatchIsWrittenRowByRow) {
  Fixture("ALTER TABLE Acc ADD CONSTRAINT Small CHECK (V < 100)");
  WriteBatch batch("Acc", "INSERT INTO Acc (K, V) VALUES ", "");
  std::vector<std::pair<std::string, int>> statuses;  // each row's own status, in order
  for (const char* row : {"('a', 1)", "('b', 200)", "('c', 3)", "('a', 5)"}) {
    std::string single = std::string("INSERT INTO Acc (K, V) VALUES ") + row;
    batch.Add(single, [&statuses, single] { statuses.emplace_back(single, SqlWrite(single)); });
  }
  long replayed = WriteBatchesReplayed();
  batch.Flush();
  EXPECT_EQ(replayed + 1, WriteBatchesReplayed());
  ASSERT_EQ(4u, statuses.size());
  EXPECT_EQ(0, statuses[0].second);
  EXPECT_EQ(4025, statuses[1].second);
  EXPECT_EQ(0, statuses[2].second);
  EXPECT_EQ(kSqlDuplicate, statuses[3].second);
  EXPECT_EQ("a|1\nc|3\n", Rows("SELECT K, V FROM " + schema + ".Acc ORDER BY K"));
}

// A full batch is sent without waiting for its answer; the answer (here a
// refusal, so every row is sent again on its own) is handled when the
// connection is used next.
TEST_F(WriteBatchTest, FullBatchIsAnsweredWhenTheConnectionIsUsedNext) {
  Fixture("ALTER TABLE Acc ADD CONSTRAINT Small CHECK (V < 100)");
  WriteBatch batch("Acc", "INSERT INTO Acc (K, V) VALUES ", "");
  std::vector<int> statuses;  // each row's own status, in order
  long sent = WriteBatchesSent(), replayed = WriteBatchesReplayed();
  int rows = 0;
  do {
    std::string single = "INSERT INTO Acc (K, V) VALUES ('k" + std::to_string(rows) + "', " +
                         std::to_string(rows == 7 ? 500 : rows % 100) + ")";
    batch.Add(single, [&statuses, single] { statuses.push_back(SqlWrite(single)); });
    ++rows;
  } while (!batch.Empty());
  EXPECT_EQ(sent + 1, WriteBatchesSent());
  EXPECT_TRUE(statuses.empty());  // not answered yet
  std::string count;
  ASSERT_EQ(0, SqlSelectOne("SELECT 1", count));
  EXPECT_EQ(replayed + 1, WriteBatchesReplayed());
  ASSERT_EQ(static_cast<size_t>(rows), statuses.size());
  EXPECT_EQ(4025, statuses[7]);
  EXPECT_EQ(static_cast<size_t>(rows - 1), std::count(statuses.begin(), statuses.end(), 0));
  EXPECT_EQ(std::to_string(rows - 1) + "\n", Rows("SELECT COUNT(*) FROM " + schema + ".Acc"));
}

// Scenarios whose rows accumulate, are refused or are retro records, run once
// more with every row as a single statement, and once more without reads
// ahead: each passes with the same expected rows, log and files.
TEST(WriteBatchRuns, ScenariosPassWithSingleStatements) {
  for (const char* name :
       {"settle_refused_rows", "settle_accounts", "settle_loga2", "retro_loga2_periods", "retro_collation",
        "retro_cost_type", "retro_deferred", "lodas_retro_periods", "reference_company"}) {
    const std::string file = std::string(LUG_SOURCE_DIR) + "/tests/scenarios/" + name + ".scn";
    SetWriteBatching(false);
    long taken = dbReadsAheadTaken();
    std::string failures = RunScenario(file);
    SetWriteBatching(true);
    EXPECT_EQ("", failures) << name;
    // its circle has more employees than a batch: the later batches were read ahead
    if (std::string(name) == "reference_company") { EXPECT_LT(taken, dbReadsAheadTaken()); }
    dbSetReadAhead(false);
    failures = RunScenario(file);
    dbSetReadAhead(true);
    EXPECT_EQ("", failures) << name << " without reads ahead";
  }
}

}  // namespace
