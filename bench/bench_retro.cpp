// Benchmark of the retro-calculation: a circle of N employees with bookings
// in December 2025 to March 2026 (accounting numbers 1 to 4). December to
// February are settled first; then some of their bookings change (a monthly
// value, a day of leave, a day value) and March is settled twice in-process
// through RunMain: without retro-calculation (AkrRrm 0) and with AkrRrm 3
// (February, January and December recomputed, their following months, the
// difference records). Printed are the statements sent to the server and
// the time per employee of both runs and of the retro part (the difference).
//
//   bench_retro [N ...]        default: 100 1000
//
// The schema is created on the private server (LUG_DB_SOCKET or the build's
// socket) and dropped afterwards; the installation tree lives in /tmp.
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

using namespace bench_company;

struct Result {
  long statements[2];
  double seconds[2];
  std::string differences;
};

Result Bench(int n) {
  TestDb db;
  RequireDatabase(db);
  std::string schema = "lugbenchrr" + std::to_string(getpid());
  db.CreateSchema(schema);
  Fill(db, schema, n, false);
  std::string tree = MakeInstallTree(schema);

  int code = RunSettlement(tree, schema, 1, "2026-01-02 08:00:00").exitCode;
  if (code == 1) code = RunSettlement(tree, schema, 2, "2026-02-02 08:00:00").exitCode;
  if (code == 1) code = RunSettlement(tree, schema, 3, "2026-03-02 08:00:00").exitCode;
  db.Use(schema);
  Change(db);

  Result r{};
  for (int pass = 0; pass < 2 && code == 1; ++pass) {
    db.Exec(std::string("UPDATE O1001AbrKreis SET AkrRrm = ") + (pass ? "3" : "0"));
    TimedRun run = RunSettlement(tree, schema, 4, "2026-04-02 08:0" + std::to_string(pass) + ":00");
    code = run.exitCode;
    r.seconds[pass] = run.seconds;
    r.statements[pass] = run.statements;
  }

  r.differences = db.QueryText("SELECT COUNT(*) FROM Qvx331Zk1 WHERE Zk1Abr = 4 AND Zk1Rre = 2");
  if (!r.differences.empty()) r.differences.pop_back();
  db.DropSchema(schema);
  if (code == 1) fs::remove_all(tree);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = BenchSizes(argc, argv);
  std::printf("%8s %-18s %12s %14s %10s %16s %12s\n", "N", "run", "statements", "per employee", "seconds",
              "ms per employee", "differences");
  for (int n : sizes) {
    Result r = Bench(n);
    const char* names[] = {"settle (AkrRrm 0)", "settle + retro 3"};
    for (int p = 0; p < 2; ++p)
      std::printf("%8d %-18s %12ld %14.1f %10.2f %16.2f %12s\n", n, names[p], r.statements[p],
                  static_cast<double>(r.statements[p]) / n, r.seconds[p], 1000.0 * r.seconds[p] / n,
                  p ? r.differences.c_str() : "");
    long st = r.statements[1] - r.statements[0];
    double s = r.seconds[1] - r.seconds[0];
    std::printf("%8d %-18s %12ld %14.1f %10.2f %16.2f\n", n, "retro part", st, static_cast<double>(st) / n, s,
                1000.0 * s / n);
    std::fflush(stdout);
  }
  return 0;
}
