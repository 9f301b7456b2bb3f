// Benchmark of the month-end run of a large circle: N employees with four
// months of bookings (December 2025 to March 2026: day values, month values,
// days of leave and sickness, a daily overtime account, remaining leave, day
// records for every day). December to February are settled first (not
// measured); some of their bookings change; then the final settlement of
// March with a retro-calculation over three periods (AkrRrm 3) and the DATEV
// export runs in-process through RunMain. Printed: wall seconds, statements
// per employee and period (four periods are calculated), peak resident memory
// of the measured run, and the program's own CPU seconds in it (user and system;
// the rest of the wall time is the server's and the waits for it).
//
//   bench_month_end [N ...]        default: 1000 6000
//
// The company is filled and the earlier months settled in one child process,
// the measured run in a fresh one, so that its peak resident memory is its
// own (not that of the fill's statements or of the earlier runs). Before the
// measured run the server writes out the pages the fill changed.
//
// LUG_BENCH_SLOWLOG=<file>: the server's slow-query log with long_query_time 0
// is switched on for the measured run only and written to <file> (one file per
// size: <file>.<N>); summarise it with mariadb-dumpslow.
//
// LUG_BENCH_KEEP=1: the schema and the installation tree are kept (to look at
// the statements' plans afterwards).
//
// The schema is created on the private server (LUG_DB_SOCKET or the build's
// socket) and dropped afterwards; the installation tree lives in /tmp.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_common.h"
#include "bench_company.h"

namespace fs = std::filesystem;
namespace chr = std::chrono;

namespace {
using namespace bench_company;

// Runs f in a child process; its exit code, or -1 when it did not end normally.
template <class F>
int InChild(F f, struct rusage* usage = nullptr) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) std::exit(f());
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  if (usage) *usage = ru;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// December to February settled, then the bookings changed and AkrRrm set.
int Prepare(const std::string& schema, const std::string& tree, int n, double& fill) {
  TestDb db;
  RequireDatabase(db);
  db.CreateSchema(schema);
  auto t0 = chr::steady_clock::now();
  Fill(db, schema, n, true);
  fill = chr::duration<double>(chr::steady_clock::now() - t0).count();
  int code = RunSettlement(tree, schema, 1, "2026-01-02 08:00:00").exitCode;
  if (code == 1) code = RunSettlement(tree, schema, 2, "2026-02-02 08:00:00").exitCode;
  if (code == 1) code = RunSettlement(tree, schema, 3, "2026-03-02 08:00:00").exitCode;
  db.Use(schema);
  Change(db);
  db.Exec("UPDATE O1001AbrKreis SET AkrRrm = 3");
  return code == 1 ? 0 : 1;
}

void SlowLog(bool on, int n) {
  const char* file = std::getenv("LUG_BENCH_SLOWLOG");
  if (!file || !*file) return;
  TestDb db;
  RequireDatabase(db);
  if (on)
    db.Exec("SET GLOBAL long_query_time = 0; SET GLOBAL slow_query_log_file = '" + std::string(file) + "." +
            std::to_string(n) + "'; SET GLOBAL slow_query_log = 1");
  else db.Exec("SET GLOBAL slow_query_log = 0; SET GLOBAL long_query_time = 10");
}

// Counters of the server (SHOW GLOBAL STATUS) read before and after the
// measured run: rows read in index order and by full scans, pages read from
// disk because the buffer pool did not hold them, temporary tables on disk,
// sorts that merged passes.
const char* const kCounters[] = {"Handler_read_next", "Handler_read_rnd_next", "Innodb_buffer_pool_reads",
                                 "Created_tmp_disk_tables", "Sort_merge_passes"};

std::vector<long long> ServerCounters() {
  TestDb db;
  RequireDatabase(db);
  std::vector<long long> v;
  for (const char* c : kCounters) {
    auto rows = db.Query(std::string("SHOW GLOBAL STATUS LIKE '") + c + "'");
    v.push_back(rows.empty() || rows[0].size() < 2 ? 0 : std::atoll(rows[0][1].c_str()));
  }
  return v;
}

// The fill and the earlier months leave many changed pages in the buffer
// pool; the server writes them out in the background. The measured run starts
// when that is done (at most a minute), so that it does not share the disk
// and the CPU with it.
void WaitForQuietServer() {
  TestDb db;
  RequireDatabase(db);
  auto dirty = [&db] {
    auto rows = db.Query("SHOW GLOBAL STATUS LIKE 'Innodb_buffer_pool_pages_dirty'");
    return rows.empty() || rows[0].size() < 2 ? 0LL : std::atoll(rows[0][1].c_str());
  };
  auto pct = db.Query("SELECT @@GLOBAL.innodb_max_dirty_pages_pct");
  db.Exec("SET GLOBAL innodb_max_dirty_pages_pct = 0");
  for (int i = 0; i < 600 && dirty() > 100; ++i) usleep(100000);
  db.Exec("SET GLOBAL innodb_max_dirty_pages_pct = " + (pct.empty() || pct[0].empty() ? std::string("90") : pct[0][0]));
}

void Bench(int n) {
  std::string schema = "lugbenchme" + std::to_string(getpid());
  std::string tree = MakeInstallTree(schema);
  // the fill and the earlier months in a child; its fill time comes back through a pipe
  double fill = 0;
  int fds[2];
  if (pipe(fds) != 0) std::exit(2);
  int prepared = InChild([&] {
    int rc = Prepare(schema, tree, n, fill);
    if (write(fds[1], &fill, sizeof fill) != static_cast<ssize_t>(sizeof fill)) rc = 1;
    return rc;
  });
  if (read(fds[0], &fill, sizeof fill) != static_cast<ssize_t>(sizeof fill)) fill = 0;
  close(fds[0]);
  close(fds[1]);

  WaitForQuietServer();
  SlowLog(true, n);
  std::vector<long long> before = ServerCounters();
  // the measured run alone in a fresh process
  int runFds[2];
  if (pipe(runFds) != 0) std::exit(2);
  struct rusage ru {};
  int measured = InChild(
      [&] {
        TimedRun run = RunSettlement(tree, schema, 4, "2026-04-02 08:00:00");
        bool ok = write(runFds[1], &run, sizeof run) == static_cast<ssize_t>(sizeof run);
        return ok && run.exitCode == 1 ? 0 : 1;
      },
      &ru);
  TimedRun run;
  if (read(runFds[0], &run, sizeof run) != static_cast<ssize_t>(sizeof run)) run = TimedRun{};
  close(runFds[0]);
  close(runFds[1]);
  std::vector<long long> after = ServerCounters();
  SlowLog(false, n);

  TestDb db;
  RequireDatabase(db);
  db.Use(schema);
  std::string diffs = db.QueryText("SELECT COUNT(*) FROM Qvx331Zk1 WHERE Zk1Abr = 4 AND Zk1Rre = 2");
  if (!diffs.empty()) diffs.pop_back();
  std::string upper = schema;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  std::ifstream datev(tree + "/Transfer/Lohn und Gehalt/Export/" + upper + "/datev.csv", std::ios::binary);
  long lines = std::count(std::istreambuf_iterator<char>(datev), std::istreambuf_iterator<char>(), '\n');
  double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
               static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  std::printf("%8d %8.1f %10.2f %8.2f %12ld %18.2f %12.1f %12s %10s\n", n, fill, run.seconds, cpu, run.statements,
              static_cast<double>(run.statements) / (4.0 * n), static_cast<double>(ru.ru_maxrss) / 1024.0,
              diffs.c_str(), std::to_string(lines).c_str());
  std::printf("%8s server:", "");
  for (size_t i = 0; i < std::size(kCounters); ++i) std::printf(" %s %lld", kCounters[i], after[i] - before[i]);
  std::printf("\n");
  std::fflush(stdout);
  if (const char* keep = std::getenv("LUG_BENCH_KEEP"); keep && *keep) {
    std::printf("kept: schema %s, installation tree %s\n", schema.c_str(), tree.c_str());
    return;
  }
  db.DropSchema(schema);
  if (prepared == 0 && measured == 0) fs::remove_all(tree);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 6000};
  std::printf("%8s %8s %10s %8s %12s %18s %12s %12s %10s\n", "N", "fill s", "seconds", "cpu s", "statements",
              "per empl.+period", "peak RSS MB", "differences", "datev");
  std::fflush(stdout);
  for (int n : sizes) { Bench(n); }
  return 0;
}
