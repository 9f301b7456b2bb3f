// A failure is never reported as success: the run is broken at every one of
// its statements (lost connection, server errors), killed at statements spread over it and
// started again, started twice at once, and made to wait for another run of
// its circle. Whatever happens, AkrAdt says 98 only over complete results,
// and no transfer file stands half written.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "calc/employment.h"
#include "export/transfer_record.h"
#include "run/db.h"
#include "driver.h"
#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

namespace {

// A LODAS circle (staging table and files) with retro-calculation over one
// period and following months: December and January are settled, then
// bookings of both change. The run under test settles February: it writes
// the following-month values, recomputes January and writes differences,
// fills the staging table and writes the files.
const char* kFixture =
    "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt, AkrRrm) VALUES ('01', 'L1', 0, 0, 1);"
    "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir, LugAkr) VALUES ('L1', '@LGP@', '29871', '00042');"
    "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 1, '2025-12-01', '2025-12-31'),"
    " ('01', 2, '2026-01-01', '2026-01-31'), ('01', 3, '2026-02-01', '2026-02-28');"
    "INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES ('@SCHEMA@', '00001');"
    "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('@LGP@', 'S1');"
    "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Ztr, Lu1Tge, Lu1Flg, Lu1Sts)"
    " VALUES ('L1', 'S1', 'Z1', '100', '2020-01-01', 1, 0, 0, 0, 0, 5),"
    " ('L1', 'S1', 'Z2', '200', '2020-01-01', 1, 1, 0, 0, 0, 6),"
    " ('L1', 'S1', 'Z3', '300', '2020-01-01', 1, 0, 1, 1, 0, 7),"
    " ('L1', 'S1', 'Z5', '500', '2020-01-01', 1, 0, 0, 0, 1, 9);"
    "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug) VALUES ('P1', '01', '2020-01-01', NULL, '4711'),"
    " ('P2', '01', '2020-01-01', NULL, '4712');"
    "INSERT INTO QVX311ZUO (ZuoPnr, ZuoKst, ZuoKtr, ZuoKrt, ZuoGvo) VALUES ('P1', 'K1', 'T1', 'A', '2020-01-01'),"
    " ('P2', 'K2', 'T2', 'A', '2020-01-01');"
    "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd) VALUES"
    " ('P1', 3, '2025-12-31', 'K1', 'T1', 'A', 'Z1', 100), ('P1', 3, '2025-12-31', 'K1', 'T1', 'A', 'Z5', 90),"
    " ('P1', 3, '2026-01-31', 'K1', 'T1', 'A', 'Z1', 200), ('P1', 3, '2026-01-31', 'K1', 'T1', 'A', 'Z2', 300),"
    " ('P1', 1, '2026-01-05', 'K1', 'T1', 'A', 'Z2', 100), ('P1', 1, '2026-01-06', 'K1', 'T1', 'A', 'Z2', 200),"
    " ('P1', 1, '2026-01-05', 'K1', 'T1', 'A', 'Z3', 480), ('P1', 1, '2026-01-06', 'K1', 'T1', 'A', 'Z3', 480),"
    " ('P1', 1, '2026-01-07', 'K1', 'T1', 'A', 'Z3', 480), ('P1', 3, '2026-01-31', 'K1', 'T1', 'A', 'Z5', 45),"
    " ('P2', 3, '2026-01-31', 'K2', 'T2', 'A', 'Z1', -90), ('P2', 3, '2026-02-28', 'K2', 'T2', 'A', 'Z1', 75),"
    " ('P2', 1, '2026-02-03', 'K2', 'T2', 'A', 'Z2', 125), ('P1', 3, '2026-02-28', 'K1', 'T1', 'A', 'Z5', 30);";

const char* kChanges =
    "UPDATE Qvx331Zkb SET ZkbStd = 60 WHERE ZkbZkt = 'Z5' AND ZkbDtm = '2025-12-31';"
    "UPDATE Qvx331Zkb SET ZkbStd = 250 WHERE ZkbZkt = 'Z2' AND ZkbDtm = '2026-01-06';"
    "DELETE FROM Qvx331Zkb WHERE ZkbZkt = 'Z3' AND ZkbDtm = '2026-01-06';"
    "UPDATE Qvx331Zkb SET ZkbStd = -120 WHERE ZkbPnr = 'P2' AND ZkbDtm = '2026-01-31'";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

// What a run leaves: AkrAdt, the rows of every table, the files of the
// transfer folder.
struct Outputs {
  std::string Adt;
  std::map<std::string, std::string> Tables;
  std::map<std::string, std::string> Files;
};

class FaultRun : public ::testing::Test {
 protected:
  void Prepare(const std::string& prefix, const std::string& lgp) {
    ASSERT_TRUE(admin.Connected()) << admin.Error();
    schema = prefix + std::to_string(getpid());
    snap = schema + "s";
    admin.CreateSchema(schema);
    tree = MakeInstallTree(schema);
    std::string upper = schema;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    admin.Exec(Replace(Replace(kFixture, "@SCHEMA@", upper), "@LGP@", lgp));
    ASSERT_EQ(1, Run("1", "2026-01-02 07:00:00"));
    ASSERT_EQ(1, Run("2", "2026-02-02 07:00:00"));
    admin.Use(schema);
    admin.Exec(kChanges);
    // the state before the run under test, to start each try from
    tables = SnapshotTables(admin, schema, snap);
    fs::copy(TransferDir(), fs::path(tree) / "Transfer.before", fs::copy_options::recursive);
    before = Read();
  }
  void TearDown() override {
    dbSetStatementHook(nullptr);
    dbSetReadAhead(true);
    SetEmploymentPageRows(kEmploymentPageRows);
    SetRunLockWait(kRunLockWaitSeconds);
    SetRetryPause(kRetryPauseMs);
    if (!schema.empty()) {
      admin.DropSchema(schema);
      admin.Exec("DROP DATABASE IF EXISTS " + snap);
      admin.Exec("DELETE FROM Darvonix.Qvx112Mnd WHERE UPPER(MndSch) = UPPER('" + schema + "')");
    }
    if (!tree.empty()) fs::remove_all(tree);
  }

  fs::path TransferDir() { return fs::path(tree) / "Transfer"; }

  int Run(const std::string& abrnr, const std::string& now = "2026-03-02 07:00:00") {
    dbSetSessionInit("SET TIMESTAMP = UNIX_TIMESTAMP('" + now + "')");
    int code = RunWithConsole({"lugtransfer", "x", schema, "01", abrnr, "0"}, U8Path(tree + "/bin"),
                              U8Path(tree + "/stdout.txt"));
    dbSetSessionInit("");
    return code;
  }

  // The database and the transfer folder as they were before the run.
  void Restore() {
    std::string sql;
    for (const auto& t : tables) {
      if (before.Tables[t].empty() && after.Tables[t].empty()) continue;
      sql += "DELETE FROM " + schema + "." + t + "; INSERT INTO " + schema + "." + t + " SELECT * FROM " + snap + "." +
             t + ";";
    }
    admin.Exec(sql);
    fs::remove_all(TransferDir());
    fs::copy(fs::path(tree) / "Transfer.before", TransferDir(), fs::copy_options::recursive);
    fs::remove(fs::path(tree) / "Quantivel_php/log/log#lug.txt");
  }

  Outputs Read() {
    Outputs o;
    auto adt = admin.Query("SELECT AkrAdt FROM " + schema + ".O1001AbrKreis WHERE AkrNum = '01'");
    o.Adt = adt.empty() ? "" : adt[0][0];
    for (const auto& t : tables) {
      if (t == "o1001abrkreis") continue;  // its AkrAdt is judged by itself
      o.Tables[t] = SortedRowsText(admin, "SELECT * FROM " + schema + "." + t);
    }
    for (const auto& e : fs::recursive_directory_iterator(TransferDir())) {
      if (e.is_regular_file())
        o.Files[fs::relative(e.path(), TransferDir()).string()] = ReadFileBytes(e.path().string());
    }
    return o;
  }

  std::string Log() {
    fs::path p = fs::path(tree) / "Quantivel_php/log/log#lug.txt";
    return fs::exists(p) ? ReadFileBytes(p.string()) : std::string();
  }

  // Every table and every file as before the run or as after the fault-free
  // run (nothing half done); AkrAdt 98 only when everything is as after the
  // fault-free run or nothing of the run was done at all. A run that ends
  // with a failure leaves AkrAdt 1 ("started"), or, when failureStatus is
  // given, that status (the run wrote it before it ended); either is judged
  // by the same "nothing half done" rule. Returns the kind of outcome, or a
  // text beginning with "FAULT" that says what is wrong.
  std::string Judge(const Outputs& o, const std::string& failureStatus = "") {
    bool allBefore = true, allAfter = true;
    for (const auto& [t, rows] : o.Tables) {
      if (ignored.count(t)) continue;
      bool b = rows == before.Tables[t], a = rows == after.Tables[t];
      if (!b && !a) return "FAULT table " + t + " half done";
      allBefore &= b;
      allAfter &= a;
    }
    for (const auto& [name, bytes] : o.Files) {
      if (name.size() > 4 && name.substr(name.size() - 4) == ".tmp") return "FAULT temporary file " + name + " left";
      auto b = before.Files.find(name), a = after.Files.find(name);
      bool isBefore = b != before.Files.end() && b->second == bytes;
      bool isAfter = a != after.Files.end() && a->second == bytes;
      if (!isBefore && !isAfter) return "FAULT file " + name + " half written";
      allBefore &= isBefore;
      allAfter &= isAfter;
    }
    allBefore &= o.Files.size() == before.Files.size();
    allAfter &= o.Files.size() == after.Files.size();
    if (o.Adt == "98") {
      if (allAfter) return "complete";
      if (allBefore) return "nothing done, earlier status kept";
      return "FAULT AkrAdt 98 over incomplete results";
    }
    bool failed = !failureStatus.empty() && o.Adt == failureStatus;
    if (o.Adt != "1" && !failed) return "FAULT AkrAdt " + o.Adt;
    std::string status = failed ? "status " + failureStatus + ", " : std::string("started, ");
    if (allBefore) return status + "nothing kept";
    bool settled = o.Tables.at("qvx331zk1") == after.Tables["qvx331zk1"];
    return status + (settled ? "settlement kept, export rolled back" : "rolled back");
  }

  TestDb admin;
  std::string schema, snap, tree;
  std::vector<std::string> tables;
  Outputs before, after;
  std::set<std::string> ignored;  // tables not judged
};

// The connection is lost at statement N, for every N of the run.
TEST_F(FaultRun, ConnectionLostAtEveryStatement) {
  for (const char* lgp : {"LODAS", "DATEV"}) {
    Prepare(std::string("tflt") + lgp[1], lgp);
    long start = dbStatementCount();
    ASSERT_EQ(1, Run("3"));
    long total = dbStatementCount() - start;
    after = Read();
    ASSERT_EQ("98", after.Adt);
    ASSERT_NE(before.Tables["qvx331zk1"], after.Tables["qvx331zk1"]);
    std::map<std::string, int> kinds;
    for (long n = 1; n <= total; ++n) {
      Restore();
      long first = dbStatementCount();
      dbSetStatementHook([&](long count) { return count - first == n; });
      int code = Run("3");
      dbSetStatementHook(nullptr);
      std::string kind = Judge(Read());
      ++kinds[kind];
      EXPECT_EQ(std::string::npos, kind.find("FAULT")) << lgp << " statement " << n << ": " << kind;
      EXPECT_EQ(1, code) << lgp << " statement " << n;
      // lost while the run waits for its run lock: nothing is written yet,
      // the run makes a new connection and settles
      if (Log().find("beim Warten auf die Sperre") != std::string::npos) {
        EXPECT_EQ("complete", kind) << lgp << " statement " << n;
        continue;
      }
      EXPECT_NE(std::string::npos, Log().find("Verbindung zur Datenbank verloren, Fehler: 2013\r\n"
                                              "Abbruch wegen Fehler, Status: 60\r\n"))
          << lgp << " statement " << n;
    }
    std::cout << "[ faults   ] " << lgp << ": " << total << " statements, lost connection at each:";
    for (const auto& [k, count] : kinds) std::cout << " " << count << " x " << k << ";";
    std::cout << std::endl;
    TearDown();
    schema.clear();
    tables.clear();
  }
}

// The server refuses statement N with a lock conflict (deadlock 1213, lock
// wait timeout 1205) or with a missing table (1146), for every N of the run.
// Before the run holds its circle (connect, SET AUTOCOMMIT, the run lock) the
// run may give up with exit code 0 and touch nothing. After that:
// - a lock conflict costs the transaction; the run starts the lost work over
//   and ends normally with the fault-free results and 98, and says so in the
//   log;
// - any other server error ends the run with status 60 and nothing half kept.
// The statements after the run has committed its 98 (the reads of the run
// report) find the hand-over complete: the error is logged, and the run ends
// with 98 or, for the missing table, with 60.
// Never 98 over less than the fault-free result.
TEST_F(FaultRun, ServerErrorAtEveryStatement) {
  struct Fault {
    int Error;
    long Step;  // every Step-th statement
  };
  // The deadlock and the missing table at every statement; the lock wait
  // timeout (answered like the deadlock, only that the server keeps the
  // transaction) at every third, to keep the test within a few minutes.
#ifndef _WIN32
  const Fault faults[] = {{1213, 1}, {1205, 3}, {1146, 1}};
#else
  // under wine every run takes several times as long: a spread of statements
  const Fault faults[] = {{1213, 4}, {1205, 9}, {1146, 4}};
#endif
  const std::string pinned = "am 02.03.2026 07:00:00";
  SetRetryPause(0);  // the pause before a step starts over is not what is tested
  for (const char* lgp : {"LODAS", "DATEV"}) {
    Prepare(std::string("tsrv") + lgp[1], lgp);
    std::string upper = schema;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    // the fault-free run; it tells the first statement sent while the run
    // holds the lock of its circle, and the first one after the run has
    // committed its 98 (having said "started" before)
    long start = dbStatementCount(), held = 0, done = 0;
    bool started = false;
    dbSetFaultHook([&](long count) {
      if (held == 0 && admin.Query("SELECT IS_USED_LOCK('lugtransfer " + upper + " 01') IS NOT NULL")[0][0] == "1")
        held = count - start;
      if (held != 0 && done == 0) {
        std::string adt = admin.Query("SELECT AkrAdt FROM " + schema + ".O1001AbrKreis WHERE AkrNum = '01'")[0][0];
        if (adt == "1") started = true;
        if (started && adt == "98") done = count - start;
      }
      return 0;
    });
    int code = Run("3");
    dbSetFaultHook(nullptr);
    ASSERT_EQ(1, code);
    long total = dbStatementCount() - start;
    ASSERT_GT(held, 1) << lgp << ": the run never held the lock of its circle";
    if (done == 0) done = total + 1;
    after = Read();
    ASSERT_EQ("98", after.Adt);
    ASSERT_NE(before.Tables["qvx331zk1"], after.Tables["qvx331zk1"]);
    for (const Fault& f : faults) {
      const std::string err = std::to_string(f.Error);
      const bool lockConflict = f.Error != 1146;
      std::map<std::string, int> kinds;
      int judged = 0;  // faults met while the run held its circle, before its 98
      for (long n = 1; n <= total; n += f.Step) {
        Restore();
        long first = dbStatementCount();
        dbSetFaultHook([&](long count) { return count - first == n ? f.Error : 0; });
        code = Run("3");
        dbSetFaultHook(nullptr);
        Outputs o = Read();
        std::string log = Log();
        const std::string where = std::string(lgp) + " error " + err + " at statement " + std::to_string(n);
        // the test's own statement that pins the session's time was refused:
        // the run worked at another time, its results are not comparable
        if (log.find("LuG-Uebergabe Akr:01,") != std::string::npos && log.find(pinned) == std::string::npos) {
          ++kinds["time not pinned, not judged"];
          continue;
        }
        std::string kind = Judge(o, "60");
        EXPECT_EQ(std::string::npos, kind.find("FAULT")) << where << ": " << kind << "\n" << log;
        if (code == 0) {
          // not started: nothing touched, the earlier status kept
          EXPECT_EQ(before.Adt, o.Adt) << where;
          EXPECT_EQ("nothing done, earlier status kept", kind) << where;
          ++kinds["not started, " + kind];
          continue;
        }
        // a line of the log that begins with the text
        auto logged = [&log](const std::string& line) {
          return log.starts_with(line) || log.find("\n" + line) != std::string::npos;
        };
        if (n >= done) {
          // the hand-over stands committed; the error is logged all the same
          ++kinds["after the end, " + kind];
          EXPECT_EQ(1, code) << where;
          EXPECT_TRUE(lockConflict ? o.Adt == "98" : o.Adt == "98" || o.Adt == "60") << where << ": " << o.Adt;
          if (o.Adt == "98") { EXPECT_EQ("complete", kind) << where; }
          EXPECT_TRUE(logged("Datenbankfehler " + err + " bei ") ||
                      (lockConflict && logged("Sperrkonflikt (Fehler " + err)))
              << where << "\n"
              << log;
          continue;
        }
        ++kinds[kind];
        ++judged;
        EXPECT_EQ(1, code) << where;
        if (lockConflict && o.Adt == "98") {
          // the step that lost its transaction was started over
          EXPECT_EQ("complete", kind) << where << "\n" << log;
          EXPECT_TRUE(logged("Sperrkonflikt (Fehler " + err)) << where << "\n" << log;
        } else if (lockConflict) {
          // in the run's first reads, outside the settlement and the export:
          // nothing to start over, the run ends with 60
          EXPECT_EQ("60", o.Adt) << where;
          EXPECT_TRUE(logged("Datenbankfehler " + err + " bei ")) << where << "\n" << log;
          EXPECT_NE(std::string::npos, log.find("\nAbbruch wegen Fehler, Status: 60\r\n")) << where << "\n" << log;
        } else {
          EXPECT_EQ("60", o.Adt) << where;
          EXPECT_TRUE(logged("Datenbankfehler 1146 bei ")) << where << "\n" << log;
          EXPECT_NE(std::string::npos, log.find("\nAbbruch wegen Fehler, Status: 60\r\n")) << where << "\n" << log;
        }
      }
      // almost everywhere a lock conflict is answered by starting the step
      // over (the run's checks before it says "started" end it unstarted)
      if (lockConflict) {
        EXPECT_GE(kinds["complete"] * 4, judged * 3) << lgp << " " << err;
        EXPECT_GE(judged * 2, static_cast<int>((done - held) / f.Step)) << lgp << " " << err;
      }
      std::cout << "[ faults   ] " << lgp << ": " << total << " statements (circle held from " << held
                << ", 98 committed before " << done << "), error " << err << " at every "
                << (f.Step == 1 ? std::string("") : std::to_string(f.Step) + ". ") << "statement:";
      for (const auto& [k, count] : kinds) std::cout << " " << count << " x " << k << ";";
      std::cout << std::endl;
    }
    TearDown();
    schema.clear();
    tables.clear();
  }
}

// The employment rows read a page per person (pages of one row): a server
// error at any statement, the reads of the later pages included, ends the run
// as at any other statement, never with 98 over less than the fault-free
// result.
TEST_F(FaultRun, ServerErrorWithPagesOfOnePerson) {
  SetEmploymentPageRows(1);
  Prepare("tsrvE", "DATEV");
  long start = dbStatementCount();
  ASSERT_EQ(1, Run("3"));
  const long total = dbStatementCount() - start;
  after = Read();
  ASSERT_EQ("98", after.Adt);
  std::map<std::string, int> kinds;
  for (long n = 1; n <= total; ++n) {
    Restore();
    long first = dbStatementCount();
    dbSetFaultHook([&](long count) { return count - first == n ? 1146 : 0; });
    int code = Run("3");
    dbSetFaultHook(nullptr);
    std::string kind = Judge(Read(), "60");
    EXPECT_EQ(std::string::npos, kind.find("FAULT")) << "error 1146 at statement " << n << ": " << kind << "\n"
                                                     << Log();
    EXPECT_TRUE(code == 0 || code == 1) << n;
    ++kinds[kind];
  }
  EXPECT_GT(kinds["status 60, nothing kept"] + kinds["status 60, rolled back"], 0);
  std::cout << "[ faults   ] pages of one person: " << total << " statements, error 1146 at every statement:";
  for (const auto& [k, count] : kinds) std::cout << " " << count << " x " << k << ";";
  std::cout << std::endl;
}

// The exporters read the run's transfer records from the second connection
// as the server sends them (the settlement is committed before the export).
// The files, the staging rows and every table are byte for byte those of a
// run that reads them whole on its own connection, for a file exporter and
// for one that writes staging tables in the same transaction; a preview,
// whose settlement is never committed, reads them on its own connection.
TEST_F(FaultRun, ExportReadsStreamedGiveTheSameResults) {
  for (const char* lgp : {"DATEV", "LODAS", "BAUMN"}) {
    Prepare(std::string("tstr") + lgp[1], lgp);
    long streamed = dbReadsStreamed();
    ASSERT_EQ(1, Run("3"));
    after = Read();
    ASSERT_EQ("98", after.Adt);
    EXPECT_GT(dbReadsStreamed(), streamed) << lgp;
    Restore();
    dbSetReadAhead(false);
    streamed = dbReadsStreamed();
    ASSERT_EQ(1, Run("3"));
    dbSetReadAhead(true);
    EXPECT_EQ(streamed, dbReadsStreamed()) << lgp;
    Outputs whole = Read();
    EXPECT_EQ(after.Adt, whole.Adt) << lgp;
    EXPECT_EQ(after.Files, whole.Files) << lgp;
    for (const auto& [t, rows] : after.Tables) EXPECT_EQ(rows, whole.Tables[t]) << lgp << " " << t;
    // a preview reads the records it has not committed on its own connection
    Restore();
    streamed = dbReadsStreamed();
    dbSetSessionInit("SET TIMESTAMP = UNIX_TIMESTAMP('2026-03-02 07:00:00')");
    int code = RunWithConsole({"lugtransfer", "x", schema, "01", "3", "0", "--preview", tree + "/preview"},
                              U8Path(tree + "/bin"), U8Path(tree + "/stdout.txt"));
    dbSetSessionInit("");
    EXPECT_EQ(0, code) << lgp << "\n" << Log();
    EXPECT_NE(std::string::npos, Log().find("VORSCHAU")) << lgp;
    EXPECT_EQ(streamed, dbReadsStreamed()) << lgp;
    TearDown();
    schema.clear();
    tables.clear();
  }
}

#ifndef _WIN32
// The process is killed (SIGKILL) at statement N, for about 20 N spread over
// the run; the run started again gives the fault-free results, and nothing of
// the killed run is left.
TEST_F(FaultRun, KilledAndStartedAgain) {
  // DATEV (file) and Raet (staging table and file). LODAS is left out: its
  // memo records of the differences are kept by every run of the period and
  // read by accounting number, so any second run of the period, killed
  // before or not, adds to them.
  for (const char* lgp : {"DATEV", "Raet"}) {
    Prepare(std::string("tkil") + lgp[1], lgp);
    long start = dbStatementCount();
    ASSERT_EQ(1, Run("3"));
    long total = dbStatementCount() - start;
    after = Read();
    ASSERT_EQ("98", after.Adt);
    int tries = 0;
    for (long n = 1; n <= total; n += std::max(1L, total / 20)) {
      Restore();
      pid_t pid = fork();
      ASSERT_NE(-1, pid);
      if (pid == 0) {
        long first = dbStatementCount();
        dbSetStatementHook([&](long count) {
          if (count - first == n) raise(SIGKILL);
          return false;
        });
        Run("3");
        _exit(0);
      }
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "statement " << n;
      // a killed process cannot remove its temporary file; no file stands
      // half written under its own name, and AkrAdt is no 98 over it
      Outputs killed = Read();
      std::erase_if(killed.Files, [](const auto& f) { return f.first.ends_with(".tmp"); });
      std::string kind = Judge(killed);
      EXPECT_EQ(std::string::npos, kind.find("FAULT")) << lgp << " killed at statement " << n << ": " << kind;
      ++tries;
      // killed after its normal end (while the report was written): the
      // hand-over stands complete, and a run without interface clearing
      // would add its values once more, as any second run does
      if (kind == "complete") continue;
      EXPECT_EQ(1, Run("3")) << lgp << " statement " << n;
      EXPECT_EQ("complete", Judge(Read())) << lgp << " started again after statement " << n;
    }
    std::cout << "[ faults   ] " << lgp << ": killed at " << tries << " of " << total << " statements and started again"
              << std::endl;
    TearDown();
    schema.clear();
    tables.clear();
  }
}
#endif

#ifndef _WIN32
// Two runs of the same circle started at once do not interleave: the second
// waits for the first, and the results are those of one run.
TEST_F(FaultRun, TwoRunsAtOnce) {
  Prepare("tlck", "DATEV");
  ASSERT_EQ(1, Run("3"));
  after = Read();
  Restore();
  pid_t pids[2];
  for (pid_t& pid : pids) {
    pid = fork();
    ASSERT_NE(-1, pid);
    if (pid == 0) _exit(Run("3"));
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  }
  EXPECT_EQ("complete", Judge(Read()));
  std::string log = Log();
  size_t first = log.find("LuG-Uebergabe Akr: 01, Abrnr: 3 am");
  size_t second = log.find("LuG-Uebergabe Akr:01,", log.find("LuG-Uebergabe Akr:01,") + 1);
  // the second run starts its work only after the first has ended
  ASSERT_NE(std::string::npos, second) << log;
  EXPECT_LT(first, second) << log;
}

// A run of the circle is still going: the next one gives up after its wait,
// with a log line and exit code 0, and touches nothing (no status, no log
// rotation, no file).
TEST_F(FaultRun, SecondRunGivesUpAfterItsWait) {
  Prepare("twat", "DATEV");
  admin.Exec("UPDATE " + schema + ".O1001AbrKreis SET AkrSsl = 1; UPDATE " + snap + ".O1001AbrKreis SET AkrSsl = 1");
  before = Read();
  after = before;
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  TestDb holder;
  ASSERT_EQ("1", holder.Query("SELECT GET_LOCK('lugtransfer " + upper + " 01', 0)")[0][0]);
  fs::remove(fs::path(tree) / "Quantivel_php/log/log#lug.txt");
  SetRunLockWait(1);
  EXPECT_EQ(0, Run("3"));
  // the wait is logged once, so that an administrator sees why nothing happens
  EXPECT_EQ(Cp1252("\r\n\r\nProtokollierung gestartet, V5.30\r\n"
                   "Sperre 'lugtransfer " +
                   upper +
                   " 01' wird von einem anderen Lauf gehalten, Wartezeit bis zu 1 Sekunden\r\n"
                   "Übergabe für Akr 01, Schema " +
                   upper + " läuft bereits, nach 1 Sekunden Wartezeit nicht gestartet\r\n"),
            Log());
  // and so does standard error, with the line of the run that did not start
  std::string logPath = (fs::path(tree) / "Quantivel_php/log/log#lug.txt").lexically_normal().string();
  EXPECT_EQ(Cp1252("lugtransfer: Sperre 'lugtransfer " + upper +
                   " 01' wird von einem anderen Lauf gehalten, Wartezeit bis zu 1 Sekunden (Protokoll: " + logPath +
                   ")\n"
                   "lugtransfer: Lauf vorzeitig beendet (Exit-Code 0): Übergabe für Akr 01, Schema " +
                   upper + " läuft bereits, nach 1 Sekunden Wartezeit nicht gestartet; Protokoll: " + logPath + "\n"),
            ReadFileBytes(tree + "/stdout.txt.err"));
  // everything as before (the expected state here)
  EXPECT_EQ("complete", Judge(Read()));
  EXPECT_FALSE(fs::exists(fs::path(tree) / "Quantivel_php/log/log#lug_1.txt"));
}
#endif

}  // namespace

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>

#include <chrono>

namespace {

// A server that accepts the connection but never answers: the run gives up
// after the connect timeout with its connection-failure line and exit code
// 0, instead of waiting for ever.
TEST(BadInstallation, ServerThatNeverAnswers) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
  ASSERT_EQ(0, listen(listener, 4));  // connections are queued, never accepted
  socklen_t len = sizeof addr;
  getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  std::string net8 = "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));

  fs::path tree = MakeInstallTree("tsilent" + std::to_string(getpid()));
  fs::remove(tree / "Files/quantivel.ini");
  auto t0 = std::chrono::steady_clock::now();
  int code = RunWithConsole({"lugtransfer", net8, "s", "01", "3", "0"}, tree / "bin", tree / "stdout.txt");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  close(listener);
  EXPECT_EQ(0, code);
  EXPECT_LT(seconds, 3.0 * kConnectTimeoutSeconds);
  std::string log = ReadFileBytes((tree / "Quantivel_php/log/log#lug.txt").string());
  // the number, the client library's words for it, the values used
  size_t at = log.find("dbConnect-Fehler: 2013\r\ndbConnect-Meldung: ");
  ASSERT_NE(std::string::npos, at) << log;
  size_t values = log.find("\r\nBenutzer: ,  Passwort: ,  Net8: " + net8 + ",  Schema: S\r\n", at);
  ASSERT_NE(std::string::npos, values) << log;
  // the message is one line, right after the number
  EXPECT_EQ(values, log.find("\r\n", at + std::string("dbConnect-Fehler: 2013\r\n").size())) << log;
  fs::remove_all(tree);
}

// A real full disk: a tiny file system mounted over the transfer folder (needs
// root). The file that does not fit is not handed over, the earlier file of
// the name is gone, no temporary file is left, and AkrAdt says "started".
TEST_F(FaultRun, TransferFolderOnAFullDisk) {
  Prepare("ttmp", "DATEV");
  fs::path dir = TransferDir() / "Lohn und Gehalt/Export" / schema;
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  dir = TransferDir() / "Lohn und Gehalt/Export" / upper;
  ASSERT_TRUE(fs::exists(dir / "datev.csv"));
  if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=4k") != 0)
    GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root): " << std::strerror(errno);
  // the earlier file, and the rest of the space taken
  WriteFileBytes((dir / "datev.csv").string(), "alt\r\n");
  std::ofstream fill(dir / "fill", std::ios::binary);
  std::string block(512, 'x');
  while (fill.write(block.data(), static_cast<std::streamsize>(block.size())) && fill.flush()) {}
  fill.close();
  int code = Run("3");
  std::string log = Log();
  bool hasFile = fs::exists(dir / "datev.csv");
  bool hasTemp = fs::exists(dir / "datev.csv.01.tmp");
  umount(dir.c_str());
  EXPECT_EQ(1, code);
  EXPECT_NE(std::string::npos, log.find("Schreibfehler in Datei")) << log;
  EXPECT_FALSE(hasFile);
  EXPECT_FALSE(hasTemp);
  EXPECT_EQ("1", Read().Adt);
}

}  // namespace
#endif

namespace {

// A log that earlier runs filled to its limit (or past it) is put aside as
// its newest generation when the next line passes the limit, and the run goes
// on in a new log: it does not stop, and later runs do not either.
TEST_F(FaultRun, FullRunLogIsPutAsideAndTheRunGoesOn) {
  Prepare("tlog", "DATEV");
  ASSERT_EQ(1, Run("3"));
  after = Read();
  fs::path logDir = fs::path(tree) / "Quantivel_php/log";
  for (long filled : {10485760L - 60, 10485760L + 100}) {
    SCOPED_TRACE(filled);
    Restore();
    fs::remove(logDir / "log#lug_1.txt");
    const std::string earlier(static_cast<size_t>(filled), 'x');
    WriteFileBytes((logDir / "log#lug.txt").string(), earlier);
    EXPECT_EQ(1, Run("3"));
    EXPECT_EQ("complete", Judge(Read()));
    // the full log keeps what it had, and the line that passed the limit
    std::string aside = ReadFileBytes((logDir / "log#lug_1.txt").string());
    EXPECT_EQ(earlier, aside.substr(0, earlier.size()));
    EXPECT_LT(aside.size(), earlier.size() + 200);
    std::string text = Log();
    EXPECT_EQ(0u, text.find("Protokoll \xFC"
                            "ber 10 MiB, die Zeilen davor stehen in ..\\Quantivel_php\\log\\log#lug_1.txt\r\n"))
        << text.substr(0, 200);
    EXPECT_NE(std::string::npos, text.find("LuG-Uebergabe Akr: 01, Abrnr: 3 am "));
    EXPECT_EQ(std::string::npos, text.find("Abbruch"));
  }
}

// A run that alone writes more than the log and its generations keep ends as
// after a fatal error: it rolls back, AkrAdt says 60 (never the 98 of the
// earlier run) and the console says why.
TEST_F(FaultRun, RunThatFloodsItsLogEndsWithAFailureStatus) {
  Prepare("tlgf", "DATEV");
  Restore();
  const long first = dbStatementCount();
  const std::string block(1 << 20, 'y');
  bool flooded = false;
  dbSetStatementHook([&](long count) {
    if (count - first == 40 && !flooded) {
      flooded = true;
      for (int i = 0; i < 100; ++i) ::Log("%s", block);
    }
    return false;
  });
  EXPECT_EQ(1, Run("3"));
  dbSetStatementHook(nullptr);
  EXPECT_TRUE(flooded);
  EXPECT_EQ("status 60, nothing kept", Judge(Read(), "60"));
  std::string text = Log();
  EXPECT_EQ(Cp1252("Abbruch wegen LogFile-Überlaufs !!"), text.substr(text.size() - 34));
  std::string console = ReadFileBytes(tree + "/stdout.txt.err");
  EXPECT_NE(std::string::npos,
            console.find(Cp1252("Abbruch wegen LogFile-Überlaufs !! - Abbruch wegen Fehler, Status: 60")))
      << console;
}

}  // namespace

namespace {

// The connection is lost while the run waits for its run lock (the server
// restarted, the wait was killed): nothing has been written yet, so the run
// makes a new connection, asks for the lock again and settles normally.
TEST_F(FaultRun, ConnectionLostWhileWaitingForTheRunLockIsMadeAnew) {
  Prepare("tlkr", "DATEV");
  ASSERT_EQ(1, Run("3"));
  after = Read();
  Restore();
  long first = dbStatementCount();
  dbSetStatementHook([&](long count) { return count - first == 3; });
  EXPECT_EQ(1, Run("3"));
  dbSetStatementHook(nullptr);
  EXPECT_EQ("complete", Judge(Read()));
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  std::string log = Log();
  EXPECT_NE(std::string::npos, log.find("Verbindung zur Datenbank beim Warten auf die Sperre 'lugtransfer " + upper +
                                        " 01' verloren, Fehler: 2013, neuer Versuch\r\n"))
      << log;
  EXPECT_EQ(std::string::npos, log.find("Abbruch wegen Fehler")) << log;
}

// Lost again on the new connection: the run has not taken place. It says so,
// ends with exit code 0 and leaves everything as it was, the earlier 98
// included; no failure status is claimed that was never written.
TEST_F(FaultRun, ConnectionLostTwiceWhileWaitingForTheRunLock) {
  Prepare("tlkt", "DATEV");
  after = before;
  long first = dbStatementCount();
  // the lock statement of the first connection and of the new one (after
  // its SET AUTOCOMMIT and SET TIMESTAMP)
  dbSetStatementHook([&](long count) { return count - first == 3 || count - first == 6; });
  EXPECT_EQ(0, Run("3"));
  dbSetStatementHook(nullptr);
  Outputs o = Read();
  EXPECT_EQ("98", o.Adt);
  EXPECT_EQ("complete", Judge(o));
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  std::string log = Log();
  EXPECT_NE(std::string::npos,
            log.find(Cp1252("Verbindung zur Datenbank beim Warten auf die Sperre 'lugtransfer " + upper +
                            " 01' verloren, Fehler: 2013, neuer Versuch\r\n"
                            "Verbindung zur Datenbank beim Warten auf die Sperre 'lugtransfer " +
                            upper +
                            " 01' erneut verloren, Fehler: 2013\r\n"
                            "Übergabe für Akr 01, Schema " +
                            upper + " nicht gestartet, nichts geändert\r\n")))
      << log;
  EXPECT_EQ(std::string::npos, log.find("Abbruch wegen Fehler")) << log;
}

// A second connection kills the run's connection while the run waits for the
// lock that another client holds; the holder then lets go. The run takes the
// lock on a new connection and settles normally.
TEST_F(FaultRun, RunLockWaitKilledFromAnotherConnection) {
  Prepare("tlkk", "DATEV");
  ASSERT_EQ(1, Run("3"));
  after = Read();
  Restore();
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string lock = "lugtransfer " + upper + " 01";
  TestDb holder;
  ASSERT_EQ("1", holder.Query("SELECT GET_LOCK('" + lock + "', 0)")[0][0]);
  SetRunLockWait(20);
  std::thread killer([&] {
    TestDb killerDb;
    for (int i = 0; i < 200; ++i) {
      auto rows = killerDb.Query("SELECT ID FROM information_schema.PROCESSLIST WHERE INFO LIKE 'SELECT GET_LOCK(''" +
                                 lock + "'', 20)'");
      if (!rows.empty()) {
        killerDb.Exec("KILL CONNECTION " + rows[0][0]);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    holder.Query("SELECT RELEASE_LOCK('" + lock + "')");
  });
  int code = Run("3");
  killer.join();
  EXPECT_EQ(1, code);
  EXPECT_EQ("complete", Judge(Read()));
  std::string log = Log();
  EXPECT_NE(std::string::npos, log.find("Verbindung zur Datenbank beim Warten auf die Sperre '" + lock + "' verloren"))
      << log;
  EXPECT_EQ(std::string::npos, log.find("Abbruch wegen Fehler")) << log;
}

}  // namespace
