#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "run/context.h"
#include "run/db.h"
#include "driver.h"
#include "run/exit.h"
#include "run/platform.h"
#include "program_fixture.h"

namespace fs = std::filesystem;

namespace {

class DbLayer : public ProgramDbTest {
 protected:
  void SetUp() override {
    OpenSchema("tdb");
    Fixture("CREATE TABLE T (K VARCHAR(20) NOT NULL PRIMARY KEY, V INT NULL, D DOUBLE NULL)");
  }
};

}  // namespace

TEST_F(DbLayer, StatusesOfReadsWritesAndCommit) {
  EXPECT_EQ(0, SqlWrite(SqlFormat("INSERT INTO T (K, V) VALUES ('%s', %d)", "a", 1)));
  EXPECT_EQ(1062, SqlWrite(SqlFormat("INSERT INTO T (K, V) VALUES ('%s', %d)", "a", 2)));

  int32_t v = -5;
  EXPECT_EQ(0, SqlSelectOne(SqlFormat("SELECT V FROM T WHERE K = '%s'", "a"), v));
  EXPECT_EQ(1, v);
  v = -5;
  EXPECT_EQ(1032, SqlSelectOne(SqlFormat("SELECT V FROM T WHERE K = '%s'", "none"), v));
  EXPECT_EQ(-5, v);  // preset kept

  // a NULL column leaves the field as it was
  EXPECT_EQ(0, SqlWrite("INSERT INTO T (K) VALUES ('n')"));
  v = 42;
  double d = 1.5;
  EXPECT_EQ(0, SqlSelectOne("SELECT V, D FROM T WHERE K = 'n'", v, d));
  EXPECT_EQ(42, v);
  EXPECT_EQ(1.5, d);

  // no row: exec 0, first fetch 1032, repeatable; close without result -1
  SqlCursor c;
  EXPECT_EQ(0, SqlOpen(c, "SELECT K FROM T WHERE K = 'zz'"));
  SqlRow row;
  EXPECT_EQ(1032, dbFetch(c, row));
  EXPECT_EQ(1032, dbFetch(c, row));
  EXPECT_EQ(0, dbClose(c));
  EXPECT_EQ(-1, dbClose(c));
  EXPECT_EQ(-1, dbFetch(c, row));
  SqlCursor w;
  w.Statement = "DELETE FROM T WHERE K = 'zz'";
  EXPECT_EQ(0, dbExec(w));
  EXPECT_EQ(-1, dbClose(w));

  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("1", admin.QueryText("SELECT V FROM `" + schema + "`.T WHERE K = 'a'").substr(0, 1));
}

// Every status of the server is answered by its class: expected ones and
// refused values of one record are returned, a lock conflict and anything
// else are thrown with the statement's purpose, never taken for "no row".
TEST_F(DbLayer, EveryServerStatusIsClassified) {
  for (int st : {0, 1032, 1062}) EXPECT_EQ(SqlStatusClass::Expected, ClassifySqlStatus(st)) << st;
  for (int st : {1048, 1264, 1366, 1406, 4025}) EXPECT_EQ(SqlStatusClass::Record, ClassifySqlStatus(st)) << st;
  for (int st : {1213, 1205}) EXPECT_EQ(SqlStatusClass::LockConflict, ClassifySqlStatus(st)) << st;
  for (int st : {-1, 1054, 1064, 1142, 1146, 2006, 2013}) EXPECT_EQ(SqlStatusClass::Fatal, ClassifySqlStatus(st)) << st;

  // refused values: returned, the transaction goes on
  ASSERT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('ok', 1)"));
  EXPECT_EQ(1406, SqlWrite("INSERT INTO T (K, V) VALUES ('" + std::string(300, 'x') + "', 1)"));
  int32_t v = 0;
  EXPECT_EQ(0, SqlSelectOne("SELECT V FROM T WHERE K = 'ok'", v));

  // missing table or column, bad statement: thrown with number, text and purpose
  struct Case {
    const char* Statement;
    int Error;
    const char* Purpose;
  };
  for (const Case& c : {Case{"SELECT V FROM NoSuchTable WHERE K = 'a'", 1146, "SELECT NoSuchTable"},
                        Case{"INSERT INTO NoSuchTable (K) VALUES ('a')", 1146, "INSERT NoSuchTable"},
                        Case{" UPDATE T SET NoColumn = 1", 1054, "UPDATE T"},
                        Case{"DELETE FROM T WHERE NoColumn = 1", 1054, "DELETE T"}}) {
    try {
      SqlCursor cur;
      cur.Statement = c.Statement;
      (void)dbExec(cur);
      ADD_FAILURE() << c.Statement << " returned";
    } catch (const SqlFatalError& e) {
      EXPECT_EQ(c.Error, e.Error) << c.Statement;
      EXPECT_EQ(c.Purpose, e.Purpose) << c.Statement;
      EXPECT_FALSE(e.Text.empty());
    }
  }

  // a lock conflict, also on an answer read later: thrown, and the
  // transaction is given up as a whole
  dbSetFaultHook([first = dbStatementCount()](long n) { return n == first + 1 ? kSqlDeadlock : 0; });
  EXPECT_THROW((void)SqlWrite("INSERT INTO T (K, V) VALUES ('dl', 1)"), SqlLockConflict);
  dbSetFaultHook(nullptr);
  SqlWriteDeferred("INSERT INTO T (K, V) VALUES ('w1', 1), ('w2', 2)", [](int) { ADD_FAILURE() << "answered"; });
  EXPECT_EQ(0, dbAbandonTransaction());
  EXPECT_EQ(1032, SqlSelectOne("SELECT V FROM T WHERE K = 'ok'", v));
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("0\n", admin.QueryText("SELECT COUNT(*) FROM `" + schema + "`.T"));
}

TEST_F(DbLayer, AutocommitIsOff) {
  EXPECT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('x', 1)"));
  EXPECT_EQ("0\n", admin.QueryText("SELECT COUNT(*) FROM `" + schema + "`.T"));
  dbDisconnect();  // uncommitted work is lost with the connection
  EXPECT_EQ("0\n", admin.QueryText("SELECT COUNT(*) FROM `" + schema + "`.T"));
}

// A step's transaction keeps its work only when committed: one that ends
// otherwise (a failure thrown through it, a return before the commit) rolls
// back; while commits are held (a preview) its commit says done and keeps
// the work open for the preview's end to roll back.
TEST_F(DbLayer, TransactionRollsBackUnlessCommitted) {
  const std::string count = "SELECT COUNT(*) FROM `" + schema + "`.T";
  try {
    Transaction step;
    EXPECT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('thrown', 1)"));
    throw std::runtime_error("step failed");
  } catch (const std::runtime_error&) {}
  {
    Transaction step;
    EXPECT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('returned', 1)"));
  }
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("0\n", admin.QueryText(count));
  {
    Transaction step;
    EXPECT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('kept', 1)"));
    EXPECT_EQ(1, step.Commit());
  }
  EXPECT_EQ("1\n", admin.QueryText(count));

  dbHoldCommits(true);
  {
    Transaction step;
    EXPECT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('preview', 1)"));
    EXPECT_EQ(1, step.Commit());
  }
  EXPECT_EQ("1\n", admin.QueryText(count));
  int32_t seen = 0;
  EXPECT_EQ(0, SqlSelectOne("SELECT COUNT(*) FROM T", seen));
  EXPECT_EQ(2, seen);  // the preview goes on with its own rows
  EXPECT_EQ(0, dbRollback());
  dbHoldCommits(false);
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("1\n", admin.QueryText(count));
}

TEST_F(DbLayer, TextsAreEscaped) {
  const std::string nasty[] = {"O'Brien", "a\\b", "x' OR '1'='1", "\xE4\xDF'\\'", "tab\there\nnew"};
  for (const auto& text : nasty) {
    EXPECT_EQ(0, SqlWrite(SqlFormat("INSERT INTO T (K, V) VALUES ('%s', 7)", text))) << text;
    std::string back;
    EXPECT_EQ(0, SqlSelectOne(SqlFormat("SELECT K FROM T WHERE K = '%s'", text), back)) << text;
    EXPECT_EQ(text, back);
  }
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("5\n", admin.QueryText("SELECT COUNT(*) FROM `" + schema + "`.T"));
}

TEST_F(DbLayer, AffectedRowsOfTheStatusUpdate) {
  EXPECT_EQ(0, SqlWrite("INSERT INTO O1001AbrKreis (AkrNum, AkrAdt) VALUES ('01', 0)"));
  EXPECT_EQ(0, SqlWrite("INSERT INTO O1001AbrKreis (AkrNum, AkrAdt) VALUES ('O''1', 0)"));
  EXPECT_EQ(1, SQL_O1001AbrKreis_SetAdt("01", 98));
  EXPECT_EQ(0, SQL_O1001AbrKreis_SetAdt("01", 98));  // unchanged value: no row changed
  EXPECT_EQ(0, SQL_O1001AbrKreis_SetAdt("99", 98));
  EXPECT_EQ(1, SQL_O1001AbrKreis_SetAdt("O'1", 60));
}

TEST_F(DbLayer, StatementLongerThanTheBufferEndsTheProcess) {
  std::string fits(1499 - std::string("SELECT ''").size(), 'x');
  EXPECT_NO_THROW(SqlFormat("SELECT '%s'", fits));
  try {
    SqlFormat("SELECT '%s'", fits + "x");
    FAIL() << "no process end";
  } catch (const ProcessExit& e) { EXPECT_EQ(1, e.code); }
  // escaping counts: a quote takes two characters
  EXPECT_THROW(SqlFormat("SELECT '%s'", fits.substr(1) + "'"), ProcessExit);
}

// The program's connection is killed from a second session while the run
// waits for a lock: the run ends with exit code 1 and says so in the log;
// it neither hangs nor reports success.
TEST(WholeRun, ConnectionKilledInTheMiddle) {
  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tkill" + std::to_string(getpid());
  admin.CreateSchema(schema);
  admin.Exec(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt) VALUES ('01', 'L1', 0, 5);"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX');"
      "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-01-01', '2026-01-31')");
  fs::path tree = MakeInstallTree(schema);

  // a second session holds the circle's row, so the run's status update waits
  TestDb locker;
  locker.Use(schema);
  locker.Exec("START TRANSACTION");
  locker.Exec("SELECT AkrAdt FROM O1001AbrKreis WHERE AkrNum = '01' FOR UPDATE");

  std::thread killer([&] {
    TestDb k;
    for (int i = 0; i < 300; ++i) {
      auto rows = k.Query("SELECT ID FROM information_schema.processlist WHERE DB = '" + schema +
                          "' AND USER = 'lug' AND INFO LIKE 'UPDATE O1001AbrKreis%'");
      if (!rows.empty()) {
        k.Exec("KILL " + rows[0][0]);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  fs::path cwd = fs::current_path();
  fs::current_path(tree / "bin");
  int code = RunMain({"lugtransfer", "x", schema, "01", "5", "0"});
  fs::current_path(cwd);
  killer.join();
  locker.Exec("ROLLBACK");

  EXPECT_EQ(1, code);
  std::string log = ReadFileBytes((tree / "Quantivel_php/log/log#lug.txt").string());
  EXPECT_NE(std::string::npos, log.find("Verbindung zur Datenbank verloren, Fehler: 2013\r\n"
                                        "Abbruch wegen Fehler, Status: 60\r\n"))
      << log;
  EXPECT_EQ("5\n", admin.QueryText("SELECT AkrAdt FROM `" + schema + "`.O1001AbrKreis"));
  admin.DropSchema(schema);
  fs::remove_all(tree);
}

// Windows has no Unix sockets: an absolute socket path as Net8 is refused with
// a log line instead of reaching whatever listens on localhost:3306.
TEST(Connect, SocketPathOnWindowsIsRefused) {
#ifndef _WIN32
  GTEST_SKIP() << "socket paths are refused on Windows only";
#else
  fs::path dir = fs::temp_directory_path() / ("lugnet8" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  RunContext ctx;
  RunAttachment attached(ctx);
  ctx.LogPath = (dir / "log.txt").string();
  EXPECT_EQ(2002, dbConnect("lug", "lug", "/run/mysqld/mysqld.sock", "x"));
  EXPECT_EQ(
      "Net8 /run/mysqld/mysqld.sock ist ein Socket-Pfad, unter Windows nicht verwendbar "
      "(Host oder Host:Port angeben)\r\n",
      ReadFileBytes(ctx.LogPath));
  fs::remove_all(dir);
#endif
}

// A statement read ahead is answered by the second connection: counted once,
// where the run sends it; the same statement sent again goes to the run's own
// connection.
TEST_F(DbLayer, ReadAheadIsTakenOnceFromTheSecondConnection) {
  std::string own, ahead, again;
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", own));
  long start = dbStatementCount(), taken = dbReadsAheadTaken();
  dbReadAhead({"SELECT CONNECTION_ID()", "SELECT COUNT(*) FROM T"});
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", ahead));
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", again));
  EXPECT_NE(own, ahead);
  EXPECT_EQ(own, again);
  EXPECT_EQ(start + 2, dbStatementCount());
  EXPECT_EQ(taken + 1, dbReadsAheadTaken());
}

// Two sets are held: the reads of the set before the last stay to be taken;
// a third set drops them. Statements that differ in any byte are not taken.
TEST_F(DbLayer, ReadsAheadOfTheSetBeforeAreKeptOnce) {
  std::string own, got;
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", own));
  dbReadAhead({"SELECT CONNECTION_ID(), 1"});
  dbReadAhead({"SELECT CONNECTION_ID(), 2"});
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID(), 1", got));
  EXPECT_NE(own, got);
  ASSERT_EQ(0, SqlSelectOne("select CONNECTION_ID(), 2", got));
  EXPECT_EQ(own, got);
  dbReadAhead({});
  dbReadAhead({});
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID(), 2", got));
  EXPECT_EQ(own, got);
}

// A read ahead that fails is sent on the run's own connection, which gives
// the server's status as without reading ahead; nothing more is read ahead
// until the next connect.
TEST_F(DbLayer, FailedReadAheadIsSentOnTheOwnConnection) {
  long taken = dbReadsAheadTaken();
  std::string v, own, got;
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", own));
  dbReadAhead({"SELECT V FROM NoSuchTable", "SELECT CONNECTION_ID()"});
  try {
    (void)SqlSelectOne("SELECT V FROM NoSuchTable", v);
    ADD_FAILURE() << "a missing table is no row";
  } catch (const SqlFatalError& e) { EXPECT_EQ(1146, e.Error); }
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", got));
  EXPECT_EQ(own, got);
  EXPECT_EQ(taken, dbReadsAheadTaken());
  ASSERT_EQ(0, dbConnect("lug", "lug", ProgramSocket(), schema));
  dbReadAhead({"SELECT CONNECTION_ID()"});
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", got));
  EXPECT_EQ(taken + 1, dbReadsAheadTaken());
}

// A streamed read comes from the second connection row by row while the
// run's own connection goes on with its statements; it is counted once and
// ends with "no more rows" only when the server says so.
TEST_F(DbLayer, StreamedReadComesFromTheSecondConnection) {
  ASSERT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('a', 1), ('b', 2), ('c', 3)"));
  ASSERT_EQ(1, dbCommit());
  std::string own, id, k, between;
  ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", own));
  long start = dbStatementCount(), streamed = dbReadsStreamed();
  SqlCursor c;
  ASSERT_EQ(0, SqlOpenStreamed(c, "SELECT CONNECTION_ID(), K FROM T ORDER BY K"));
  std::string keys;
  int st = 0;
  while ((st = SqlFetchInto(c, id, k)) == 0) {
    keys += k;
    EXPECT_NE(own, id);
    ASSERT_EQ(0, SqlSelectOne("SELECT CONNECTION_ID()", between));
    EXPECT_EQ(own, between);
  }
  EXPECT_EQ(kSqlNoMoreRows, st);
  EXPECT_EQ("abc", keys);
  dbClose(c);
  EXPECT_EQ(start + 4, dbStatementCount());
  EXPECT_EQ(streamed + 1, dbReadsStreamed());
}

// The second connection sees only what is committed: a table the run has
// written to since its last commit or rollback, a preview's held commits and
// a read while another one is streamed are read on the run's own connection,
// with the run's own rows.
TEST_F(DbLayer, ReadOfWhatTheRunHasNotCommittedStaysOnItsOwnConnection) {
  Fixture("CREATE TABLE U (K VARCHAR(20) NOT NULL PRIMARY KEY)");
  ASSERT_EQ(0, SqlWrite("INSERT INTO U (K) VALUES ('u')"));
  ASSERT_EQ(1, dbCommit());
  auto keys = [](const std::string& statement) {
    SqlCursor c;
    std::string all, k;
    if (SqlOpenStreamed(c, statement) != 0) return std::string("refused");
    int st = 0;
    while ((st = SqlFetchInto(c, k)) == 0) all += k;
    return st == kSqlNoMoreRows ? all : "status " + std::to_string(st);
  };
  long streamed = dbReadsStreamed();
  ASSERT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('mine', 1)"));
  EXPECT_EQ("mine", keys("SELECT K FROM T"));
  EXPECT_EQ("mine", keys("SELECT T.K FROM U JOIN T ON 1 = 1"));
  EXPECT_EQ("mine", keys("SELECT T.K FROM U u, T WHERE 1 = 1"));
  EXPECT_EQ("mine", keys("SELECT K FROM `T` WHERE K = 'mine'"));
  EXPECT_EQ(streamed, dbReadsStreamed());
  // a table the run has not written is streamed meanwhile
  EXPECT_EQ("u", keys("SELECT K FROM U"));
  EXPECT_EQ(streamed + 1, dbReadsStreamed());
  ASSERT_EQ(0, dbRollback());
  EXPECT_EQ("", keys("SELECT K FROM T"));
  EXPECT_EQ(streamed + 2, dbReadsStreamed());
  // a write to a list of tables: any table may have been written
  ASSERT_EQ(0, SqlWrite("UPDATE U u, T SET T.V = 2 WHERE 1 = 0"));
  EXPECT_EQ("u", keys("SELECT K FROM U"));
  EXPECT_EQ(streamed + 2, dbReadsStreamed());
  ASSERT_EQ(0, dbRollback());
  EXPECT_EQ("u", keys("SELECT K FROM U"));
  EXPECT_EQ(streamed + 3, dbReadsStreamed());

  dbHoldCommits(true);
  ASSERT_EQ(0, SqlWrite("INSERT INTO T (K, V) VALUES ('held', 1)"));
  ASSERT_EQ(1, dbCommit());
  EXPECT_EQ("held", keys("SELECT K FROM T"));
  EXPECT_EQ("u", keys("SELECT K FROM U"));
  EXPECT_EQ(streamed + 3, dbReadsStreamed());
  dbHoldCommits(false);
  ASSERT_EQ(0, dbRollback());

  // one streamed read at a time: the second is read on the own connection
  SqlCursor first, second;
  std::string k;
  ASSERT_EQ(0, SqlOpenStreamed(first, "SELECT K FROM U"));
  ASSERT_EQ(0, SqlOpenStreamed(second, "SELECT K FROM U"));
  EXPECT_EQ(streamed + 4, dbReadsStreamed());
  ASSERT_EQ(0, SqlFetchInto(second, k));
  ASSERT_EQ(0, SqlFetchInto(first, k));
  EXPECT_EQ("u", k);
  EXPECT_EQ(kSqlNoMoreRows, SqlFetchInto(first, k));
}

// The second connection is killed while it sends a read far larger than the
// socket holds: the rows handed over so far stay, and the read ends with a
// thrown failure, never with "no more rows". The run's own connection goes on;
// later reads are read on it.
TEST_F(DbLayer, StreamBrokenOffIsAFailureNotTheEnd) {
  Fixture("CREATE TABLE Big (N INT NOT NULL PRIMARY KEY, X VARCHAR(250) NOT NULL)");
  Fixture("INSERT INTO Big SELECT seq, REPEAT('x', 200) FROM seq_1_to_200000");
  SqlCursor c;
  ASSERT_EQ(0, SqlOpenStreamed(c, "SELECT CONNECTION_ID(), N, X FROM Big ORDER BY N"));
  std::string id, x;
  int32_t n = 0, rows = 0;
  ASSERT_EQ(0, SqlFetchInto(c, id, n, x));
  admin.Exec("KILL CONNECTION " + id);
  try {
    int st = 0;
    while ((st = SqlFetchInto(c, id, n, x)) == 0) ++rows;
    ADD_FAILURE() << "status " << st << " after " << rows << " rows";
  } catch (const SqlFatalError& e) {
    EXPECT_TRUE(e.Error == 2013 || e.Error == 2006 || e.Error == 1927) << e.Error << " " << e.Text;
    EXPECT_EQ("SELECT Big", e.Purpose);
  }
  EXPECT_LT(rows, 199999);
  dbClose(c);
  std::string own;
  long streamed = dbReadsStreamed();
  ASSERT_EQ(0, SqlOpenStreamed(c, "SELECT COUNT(*) FROM Big"));
  ASSERT_EQ(0, SqlFetchInto(c, own));
  EXPECT_EQ("200000", own);
  EXPECT_EQ(streamed, dbReadsStreamed());
}

// The server gives up sending a result that the client does not read for
// net_write_timeout seconds. A streamed read waits while the run works on its
// own connection (a lock wait there may take as long as the server allows),
// so the second connection lifts that limit: with the server's default set
// to one second, a pause of three seconds in the middle of 200,000 rows
// still gives every row.
TEST_F(DbLayer, StreamedReadWaitsForTheRun) {
  Fixture("CREATE TABLE Big (N INT NOT NULL PRIMARY KEY, X VARCHAR(250) NOT NULL)");
  Fixture("INSERT INTO Big SELECT seq, REPEAT('x', 200) FROM seq_1_to_200000");
  std::string before = admin.QueryText("SELECT @@GLOBAL.net_write_timeout");
  if (!before.empty()) before.pop_back();
  admin.Exec("SET GLOBAL net_write_timeout = 1");
  // the second connection is made anew, with the server's default
  ASSERT_EQ(0, dbConnect("lug", "lug", ProgramSocket(), schema));
  SqlCursor c;
  ASSERT_EQ(0, SqlOpenStreamed(c, "SELECT N, X FROM Big ORDER BY N"));
  int32_t n = 0, rows = 0;
  std::string x;
  ASSERT_EQ(0, SqlFetchInto(c, n, x));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  int st = 0;
  try {
    while ((st = SqlFetchInto(c, n, x)) == 0) ++rows;
  } catch (const SqlFatalError& e) { ADD_FAILURE() << e.Error << " " << e.Text << " after " << rows << " rows"; }
  admin.Exec("SET GLOBAL net_write_timeout = " + before);
  EXPECT_EQ(kSqlNoMoreRows, st);
  EXPECT_EQ(199999, rows);
}
