// Benchmark of the month-end run of a large circle: N employees with four
// months of bookings (December 2025 to March 2026: day values, month values,
// days of leave and sickness, a daily overtime account, remaining leave, day
// records for every day). December to February are settled first (not
// measured); some of their bookings change; then the final settlement of
// March with a retro-calculation over three periods (AkrRrm 3) and the DATEV
// export runs in-process through RunMain. Each size runs in its own process.
// Printed: wall seconds, statements per employee and period (four periods are
// calculated), peak resident memory of the process.
//
//   bench_month_end [N ...]        default: 1000 6000
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

void Bench(int n) {
  TestDb db;
  RequireDatabase(db);
  std::string schema = "lugbenchme" + std::to_string(getpid());
  db.CreateSchema(schema);
  auto t0 = chr::steady_clock::now();
  Fill(db, schema, n, true);
  double fill = chr::duration<double>(chr::steady_clock::now() - t0).count();
  std::string tree = MakeInstallTree(schema);

  int code = RunSettlement(tree, schema, 1, "2026-01-02 08:00:00").exitCode;
  if (code == 1) code = RunSettlement(tree, schema, 2, "2026-02-02 08:00:00").exitCode;
  if (code == 1) code = RunSettlement(tree, schema, 3, "2026-03-02 08:00:00").exitCode;
  db.Use(schema);
  Change(db);
  db.Exec("UPDATE O1001AbrKreis SET AkrRrm = 3");
  TimedRun run = RunSettlement(tree, schema, 4, "2026-04-02 08:00:00");
  std::string diffs = db.QueryText("SELECT COUNT(*) FROM Qvx331Zk1 WHERE Zk1Abr = 4 AND Zk1Rre = 2");
  if (!diffs.empty()) diffs.pop_back();
  std::string upper = schema;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  std::ifstream datev(tree + "/Transfer/Lohn und Gehalt/Export/" + upper + "/datev.csv", std::ios::binary);
  long lines = std::count(std::istreambuf_iterator<char>(datev), std::istreambuf_iterator<char>(), '\n');
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("%8d %8.1f %10.2f %12ld %18.2f %12.1f %12s %10s\n", n, fill, run.seconds, run.statements,
              static_cast<double>(run.statements) / (4.0 * n), static_cast<double>(ru.ru_maxrss) / 1024.0,
              diffs.c_str(), std::to_string(lines).c_str());
  std::fflush(stdout);
  db.DropSchema(schema);
  if (run.exitCode == 1 && code == 1) fs::remove_all(tree);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 6000};
  std::printf("%8s %8s %10s %12s %18s %12s %12s %10s\n", "N", "fill s", "seconds", "statements",
              "per empl.+period", "peak RSS MB", "differences", "datev");
  std::fflush(stdout);
  for (int n : sizes) {
    // one process per size, so that the peak resident memory is the size's own
    pid_t pid = fork();
    if (pid == 0) {
      Bench(n);
      std::exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
  return 0;
}
