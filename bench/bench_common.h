// Shared by the benchmarks: bulk fixture inserts and a whole run in-process in
// an installation tree, with the statements it sent and the time it took.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "run/db.h"
#include "driver.h"
#include "testdb.h"

// Rows of one multi-row INSERT, sent when the statement grows large.
class Inserter {
 public:
  Inserter(TestDb& db, std::string head) : db_(db), head_(std::move(head)) {}
  ~Inserter() { Flush(); }
  void Add(const std::string& values) {
    sql_ += (sql_.empty() ? head_ : std::string(",")) + values;
    if (sql_.size() > 200000) Flush();
  }
  void Flush() {
    if (!sql_.empty()) db_.Exec(sql_);
    sql_.clear();
  }

 private:
  TestDb& db_;
  std::string head_, sql_;
};

// The test server's connection, or the end of the benchmark.
inline void RequireDatabase(TestDb& db) {
  if (db.Connected()) return;
  std::fprintf(stderr, "no database at %s: %s\n", TestSocket().c_str(), db.Error().c_str());
  std::exit(2);
}

struct TimedRun {
  int exitCode = -1;
  long statements = 0;
  double seconds = 0;
};

// Runs the program in the installation tree (working directory tree/bin) for
// a final settlement of circle "01", database time pinned to now.
inline TimedRun RunSettlement(const std::string& tree, const std::string& schema, int abrnr, const std::string& now) {
  std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(tree + "/bin");
  dbSetSessionInit("SET TIMESTAMP = UNIX_TIMESTAMP('" + now + "')");
  TimedRun r;
  long before = dbStatementCount();
  auto start = std::chrono::steady_clock::now();
  r.exitCode = RunMain({"lugtransfer", "x", schema, "01", std::to_string(abrnr), "0"});
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.statements = dbStatementCount() - before;
  std::printf("\n");  // after the program's console line
  std::filesystem::current_path(cwd);
  if (r.exitCode != 1) std::fprintf(stderr, "run ended with exit code %d (log in %s)\n", r.exitCode, tree.c_str());
  return r;
}

// Sizes from the command line, or 100 and 1000.
inline std::vector<int> BenchSizes(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100, 1000};
  return sizes;
}
