// Benchmark of several circles of one schema at once: eight circles of N
// employees each (the company of the benchmarks of whole runs, once per
// circle, each with its own accounting numbers and personnel numbers, DATEV),
// December to February settled (not measured), some bookings changed, then
// March with a retro-calculation over three periods (AkrRrm 3) for all eight
// circles: 1, 2, 4 and 8 circles at once (each run in a process of its own,
// the next group started when the group before has ended). Every round starts
// from the same state. Printed per round: wall seconds, employees per second,
// and whether the transfer records are those of the runs one after the other.
//
//   bench_circles [N ...]        default: 100 (employees per circle)
//
// The schema is created on the private server (LUG_DB_SOCKET or the build's
// socket) and dropped afterwards; the installation tree lives in /tmp.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "bench_company.h"

namespace fs = std::filesystem;
namespace chr = std::chrono;

namespace {

constexpr int kCircles = 8;

std::string Akr(int c) { return "0" + std::to_string(c); }
std::string Lug(int c) { return "L" + std::to_string(c); }
int Abrnr(int c, int month) { return 10 * c + month; }  // month 1 (December) to 4 (March)

// Runs the settlement of circle c for accounting month `month` in this (child)
// process, database time pinned to now, its console lines dropped; the exit
// code.
int RunCircle(const std::string& tree, const std::string& schema, int c, int month, const std::string& now) {
  int null = open("/dev/null", O_WRONLY);
  if (null >= 0) {
    dup2(null, 1);
    close(null);
  }
  fs::path cwd = fs::current_path();
  fs::current_path(tree + "/bin");
  dbSetSessionInit("SET TIMESTAMP = UNIX_TIMESTAMP('" + now + "')");
  int code = RunMain({"lugtransfer", "x", schema, Akr(c), std::to_string(Abrnr(c, month)), "0"});
  dbSetSessionInit("");
  fs::current_path(cwd);
  if (code != 1)
    std::fprintf(stderr, "circle %s, month %d ended with exit code %d (log in %s)\n", Akr(c).c_str(), month, code,
                 tree.c_str());
  return code;
}

// The company of circle 01 copied to circles 02 to 08: the same bookings under
// personnel numbers c00001 and on, with accounting numbers 10 c + 1 to 4.
void CopyCircles(TestDb& db) {
  struct Table {
    const char* Name;
    const char* Pnr;
  };
  const Table perEmployee[] = {{"Qvx310Bsv", "BsvPnr"}, {"QVX311ZUO", "ZuoPnr"}, {"Qvx331Zkb", "ZkbPnr"},
                               {"Qvx320Tgb", "TgbPnr"}, {"QVX332UTG", "UtgPnr"}, {"Qvx327Tag", "TagPnr"}};
  std::string sql = "UPDATE Qvx330Abr SET AbrNum = 10 + AbrNum;";
  for (int c = 2; c <= kCircles; ++c) {
    const std::string akr = Akr(c), lug = Lug(c), offset = std::to_string(c - 1) + "00000";
    sql += "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrRrm) VALUES ('" + akr + "', '" + lug + "', 0, 0);";
    sql += "CREATE TEMPORARY TABLE t AS SELECT * FROM Qvx171Lug WHERE LugLug = 'L1'; UPDATE t SET LugLug = '" + lug +
           "'; INSERT INTO Qvx171Lug SELECT * FROM t; DROP TEMPORARY TABLE t;";
    sql += "CREATE TEMPORARY TABLE t AS SELECT * FROM Qvx171Lu1 WHERE Lu1Num = 'L1'; UPDATE t SET Lu1Num = '" + lug +
           "'; INSERT INTO Qvx171Lu1 SELECT * FROM t; DROP TEMPORARY TABLE t;";
    sql += "CREATE TEMPORARY TABLE t AS SELECT * FROM Qvx330Abr WHERE AbrAkr = '01'; UPDATE t SET AbrAkr = '" + akr +
           "', AbrNum = AbrNum - 10 + " + std::to_string(10 * c) +
           "; INSERT INTO Qvx330Abr SELECT * FROM t;"
           " DROP TEMPORARY TABLE t;";
    for (const Table& t : perEmployee) {
      const std::string pnr = t.Pnr;
      sql += std::string("CREATE TEMPORARY TABLE t AS SELECT * FROM ") + t.Name + " WHERE " + pnr + " < '100000';" +
             "UPDATE t SET " + pnr + " = LPAD(CAST(" + pnr + " AS UNSIGNED) + " + offset + ", 6, '0');";
      if (pnr == "BsvPnr") sql += "UPDATE t SET BsvAkr = '" + akr + "', BsvLug = IF(BsvLug IS NULL, NULL, BsvPnr);";
      sql += std::string("INSERT INTO ") + t.Name + " SELECT * FROM t; DROP TEMPORARY TABLE t;";
    }
  }
  db.Exec(sql);
}

// The rows of the state before the measured runs are copied to snap and back.
std::vector<std::string> Tables(TestDb& db, const std::string& schema) {
  std::vector<std::string> tables;
  for (const auto& r :
       db.Query("SELECT table_name FROM information_schema.tables WHERE table_schema = '" + schema + "'"))
    tables.push_back(r[0]);
  return tables;
}

void Restore(TestDb& db, const std::string& schema, const std::string& snap, const std::vector<std::string>& tables,
             const std::string& tree) {
  std::string sql;
  for (const auto& t : tables)
    sql += "DELETE FROM " + schema + "." + t + "; INSERT INTO " + schema + "." + t + " SELECT * FROM " + snap + "." +
           t + ";";
  db.Exec(sql);
  fs::remove_all(tree + "/Transfer");
  fs::copy(tree + "/Transfer.before", tree + "/Transfer", fs::copy_options::recursive);
}

// The eight circles' March in groups of `together` runs at once; wall seconds,
// or a negative number when a run did not end with exit code 1.
double Round(const std::string& tree, const std::string& schema, int together) {
  std::fflush(stdout);
  bool ok = true;
  auto t0 = chr::steady_clock::now();
  for (int first = 1; first <= kCircles; first += together) {
    std::vector<pid_t> pids;
    for (int c = first; c < first + together && c <= kCircles; ++c) {
      pid_t pid = fork();
      if (pid == 0) _exit(RunCircle(tree, schema, c, 4, "2026-04-02 08:00:00") == 1 ? 0 : 1);
      pids.push_back(pid);
    }
    for (pid_t pid : pids) {
      int status = 0;
      waitpid(pid, &status, 0);
      ok &= WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
  }
  double seconds = chr::duration<double>(chr::steady_clock::now() - t0).count();
  return ok ? seconds : -seconds;
}

// The transfer records of March, circle by circle, to compare with the runs
// one after the other.
std::string Results(TestDb& db, const std::string& schema) {
  return db.QueryText("SELECT Zk1Abr, Zk1Rre, COUNT(*), SUM(Zk1Std), SUM(Zk1Tge) FROM " + schema +
                      ".Qvx331Zk1 WHERE MOD(Zk1Abr, 10) = 4 GROUP BY Zk1Abr, Zk1Rre ORDER BY Zk1Abr, Zk1Rre");
}

void Bench(int n) {
  std::string schema = "lugbenchci" + std::to_string(getpid()), snap = schema + "s";
  std::string tree = MakeInstallTree(schema);
  TestDb db;
  RequireDatabase(db);
  db.CreateSchema(schema);
  auto t0 = chr::steady_clock::now();
  bench_company::Fill(db, schema, n, true);
  CopyCircles(db);
  // December to February, circle after circle, each in a process of its own
  for (int c = 1; c <= kCircles; ++c) {
    const char* days[] = {"2026-01-02 08:00:00", "2026-02-02 08:00:00", "2026-03-02 08:00:00"};
    for (int month = 1; month <= 3; ++month) {
      std::fflush(stdout);
      pid_t pid = fork();
      if (pid == 0) _exit(RunCircle(tree, schema, c, month, days[month - 1]) == 1 ? 0 : 1);
      int status = 0;
      waitpid(pid, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "preparation failed (circle %d, month %d)\n", c, month);
        std::exit(1);
      }
    }
  }
  db.Use(schema);
  bench_company::Change(db);
  db.Exec("UPDATE O1001AbrKreis SET AkrRrm = 3");
  double prepared = chr::duration<double>(chr::steady_clock::now() - t0).count();

  std::vector<std::string> tables = Tables(db, schema);
  db.Exec("DROP DATABASE IF EXISTS " + snap + "; CREATE DATABASE " + snap);
  std::string copy;
  for (const auto& t : tables) copy += "CREATE TABLE " + snap + "." + t + " AS SELECT * FROM " + schema + "." + t + ";";
  db.Exec(copy);
  fs::copy(tree + "/Transfer", tree + "/Transfer.before", fs::copy_options::recursive);

  std::string alone;
  double sequential = 0, allAtOnce = 0;
  for (int together : {1, 2, 4, 8}) {
    Restore(db, schema, snap, tables, tree);
    double seconds = Round(tree, schema, together);
    std::string results = Results(db, schema);
    if (together == 1) {
      alone = results;
      sequential = seconds;
    }
    bool failed = seconds < 0;
    if (failed) seconds = -seconds;
    std::printf("%8d %9.1f %10d %10.2f %12.1f %10.2f %s\n", n, prepared, together, seconds, kCircles * n / seconds,
                sequential > 0 ? sequential / seconds : 0.0,
                failed             ? "run failed"
                : results == alone ? "as one after the other"
                                   : "RESULTS DIFFER");
    std::fflush(stdout);
    if (together == kCircles) allAtOnce = seconds;
  }
  std::printf("%8d circles of %d employees: one after the other %.2f s, all %d at once %.2f s\n", kCircles, n,
              sequential, kCircles, allAtOnce);
  std::fflush(stdout);
  db.DropSchema(schema);
  db.Exec("DROP DATABASE IF EXISTS " + snap);
  fs::remove_all(tree);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = BenchSizes(argc, argv);
  if (argc < 2) sizes = {100};
  std::printf("%8s %9s %10s %10s %12s %10s %s\n", "N/circle", "prepare s", "at once", "seconds", "empl./s", "speed-up",
              "results");
  std::fflush(stdout);
  for (int n : sizes) Bench(n);
  return 0;
}
