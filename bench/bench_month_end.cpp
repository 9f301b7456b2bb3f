// Benchmark of the month-end run of a large circle: N employees with four
// months of bookings (December 2025 to March 2026: day values, month values,
// days of leave and sickness, a daily overtime account, remaining leave, day
// records for every day). December to February are settled first (not
// measured); some of their bookings change; then the final settlement of
// March with a retro-calculation over three periods (AkrRrm 3) and the DATEV
// export runs in-process through RunMain. Printed: wall seconds, statements
// per employee and period (four periods are calculated), peak resident memory
// of the measured run, and the program's own CPU seconds in it (user and system;
// the rest of the wall time is the server's and the waits for it); below them
// the server's counters over the run and its CPU seconds, when the server
// runs on this machine.
//
//   bench_month_end [--floor] [N ...]        default: 1000 6000
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
// --floor (or LUG_BENCH_FLOOR=1): after the measured run's figures are taken,
// on the same schema and server, the floor of the same work: what the
// database alone needs for the data the run touches, printed below the run's
// figures with the ratio run wall / floor. On a plain connection of its own
// (utf8mb4, as the program's) it
//   a. streams every booking of the four periods (Qvx331Zkb: the columns the
//      run reads, its date as the run formats it) row by row as the server
//      sends them (mysql_use_result);
//   b. streams every day record of the four periods (Qvx320Tgb) the same way;
//   c. writes as many rows as the run left in the shape of the transfer
//      records (Qvx331Zk1) and of the retro records (Qvx331Zk3) into scratch
//      copies of the two tables (CREATE TABLE ... LIKE), 1000 rows to a
//      multi-row INSERT, in one transaction with its commit; the scratch
//      tables are dropped afterwards. The transfer rows are the run's own
//      (accounting number 4, copied); the run deletes its retro records under
//      its key when it ends, so their number is the rows the server deleted
//      during the run (Handler_delete; the run deletes nothing else in this company: its
//      deletes of number 4's transfer and statistics records find none on the
//      first settlement of March), and their rows are the transfer records of
//      the recalculated numbers 1 to 3 (the kind the retro records hold).
// Each of the three is timed in wall seconds from its first statement to its last
// row or its commit; the statements are formed before the clock starts. The
// comparison keys the run has the server compute beside the texts, the
// ORDER BY of its reads and the statistics records and the DATEV file are
// left out of the floor: it is the data, not the program's way to it.
//
// The schema is created on the private server (LUG_DB_SOCKET or the build's
// socket) and dropped afterwards; the installation tree lives in /tmp.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mysql.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sstream>
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

// Read with them, not printed: the rows deleted during the run (the floor
// takes the number of the run's retro records from it).
const char* const kDeletedCounter = "Handler_delete";

// The counters of kCounters, then kDeletedCounter.
std::vector<long long> ServerCounters() {
  TestDb db;
  RequireDatabase(db);
  std::vector<long long> v;
  auto read = [&](const char* c) {
    auto rows = db.Query(std::string("SHOW GLOBAL STATUS LIKE '") + c + "'");
    v.push_back(rows.empty() || rows[0].size() < 2 ? 0 : std::atoll(rows[0][1].c_str()));
  };
  for (const char* c : kCounters) read(c);
  read(kDeletedCounter);
  return v;
}

// CPU seconds the server process has used so far (user and system), read
// from /proc when the server runs on this machine; -1 when it cannot be read.
double ServerCpuSeconds() {
  TestDb db;
  RequireDatabase(db);
  std::string pidFile = db.QueryText("SELECT @@pid_file");
  while (!pidFile.empty() && (pidFile.back() == '\n' || pidFile.back() == '\t')) pidFile.pop_back();
  std::ifstream pf(pidFile);
  long pid = 0;
  if (!(pf >> pid) || pid <= 0) return -1;
  std::ifstream st("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(st)), std::istreambuf_iterator<char>());
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  // after the command's closing parenthesis: state is field 3, utime 14, stime 15
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i >= 14) ticks += std::atof(field.c_str());
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
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

// --- The floor -------------------------------------------------------------

// A plain connection to the private server, in the program's character set.
class FloorConnection {
 public:
  explicit FloorConnection(const std::string& schema) {
    conn_ = mysql_init(nullptr);
    if (!conn_) throw std::runtime_error("mysql_init failed");
    mysql_options(conn_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    bool tcp = TestPort() != 0;
    if (!mysql_real_connect(conn_, tcp ? TestHost().c_str() : "localhost", "root", "", schema.c_str(), TestPort(),
                            tcp ? nullptr : TestSocket().c_str(), 0)) {
      std::string error = mysql_error(conn_);
      mysql_close(conn_);
      throw std::runtime_error(error);
    }
  }
  ~FloorConnection() { mysql_close(conn_); }
  FloorConnection(const FloorConnection&) = delete;
  FloorConnection& operator=(const FloorConnection&) = delete;

  void Exec(const std::string& sql) {
    if (mysql_real_query(conn_, sql.data(), sql.size()) != 0)
      throw std::runtime_error(std::string(mysql_error(conn_)) + " in: " + sql.substr(0, 200));
  }

  // Rows of a query fetched one by one as the server sends them (unbuffered).
  long long Stream(const std::string& sql) {
    Exec(sql);
    MYSQL_RES* res = mysql_use_result(conn_);
    if (!res) throw std::runtime_error(std::string("no result: ") + mysql_error(conn_));
    long long rows = 0;
    while (mysql_fetch_row(res)) ++rows;
    bool failed = mysql_errno(conn_) != 0;
    std::string error = mysql_error(conn_);
    mysql_free_result(res);
    if (failed) throw std::runtime_error(error);
    return rows;
  }

  // Rows of a query as the values of a multi-row INSERT ("(4, 'P3', NULL)"):
  // texts and dates quoted, numbers as they are.
  std::vector<std::string> ValueRows(const std::string& sql) {
    Exec(sql);
    MYSQL_RES* res = mysql_store_result(conn_);
    if (!res) throw std::runtime_error(std::string("no result: ") + mysql_error(conn_));
    unsigned cols = mysql_num_fields(res);
    MYSQL_FIELD* fields = mysql_fetch_fields(res);
    std::vector<std::string> rows;
    std::string escaped;
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
      unsigned long* len = mysql_fetch_lengths(res);
      std::string v = "(";
      for (unsigned i = 0; i < cols; ++i) {
        if (i) v += ", ";
        if (!row[i]) v += "NULL";
        else if (IS_NUM(fields[i].type)) v.append(row[i], len[i]);
        else {
          escaped.resize(len[i] * 2 + 1);
          escaped.resize(mysql_real_escape_string(conn_, escaped.data(), row[i], len[i]));
          v += "'" + escaped + "'";
        }
      }
      rows.push_back(v + ")");
    }
    mysql_free_result(res);
    return rows;
  }

 private:
  MYSQL* conn_ = nullptr;
};

struct FloorFigures {
  double Bookings = 0, Days = 0, Writes = 0;
  long long BookingRows = 0, DayRows = 0, TransferRows = 0, RetroRows = 0;
};

double Since(chr::steady_clock::time_point t0) { return chr::duration<double>(chr::steady_clock::now() - t0).count(); }

// Multi-row INSERTs of 1000 rows each into table.
void AddInserts(std::vector<std::string>& statements, const std::string& head, const std::vector<std::string>& rows) {
  for (size_t i = 0; i < rows.size(); i += 1000) {
    std::string sql = head;
    for (size_t j = i; j < rows.size() && j < i + 1000; ++j) sql += (j == i ? "" : ",") + rows[j];
    statements.push_back(std::move(sql));
  }
}

// The floor of the measured run on its schema (see the head comment);
// retroRows: the number of retro records the run wrote.
FloorFigures MeasureFloor(const std::string& schema, long long retroRows) {
  FloorFigures f;
  FloorConnection c(schema);
  const std::string von = Day(kMonths[0], 1), bis = Day(kMonths[3], DaysIn(kMonths[3]));

  auto t0 = chr::steady_clock::now();
  f.BookingRows = c.Stream(
      "SELECT ZkbPnr, ZkbZtr, date_format(ZkbDtm, '%Y.%m.%d'), ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge,"
      " ZkbStg, ZkbSta, ZkbDat FROM Qvx331Zkb WHERE ZkbDtm BETWEEN " +
      von + " AND " + bis);
  f.Bookings = Since(t0);

  t0 = chr::steady_clock::now();
  f.DayRows = c.Stream(
      "SELECT TgbPnr, date_format(TgbDtm, '%Y.%m.%d'), TgbZtr, TgbSol, TgbMax, TgbUnb, TgbSa1, TgbVt1, TgbSa2,"
      " TgbVt2, TgbSa3, TgbVt3 FROM Qvx320Tgb WHERE TgbDtm BETWEEN " +
      von + " AND " + bis);
  f.Days = Since(t0);

  // the rows to write, formed before the clock starts
  std::vector<std::string> transfer = c.ValueRows("SELECT * FROM Qvx331Zk1 WHERE Zk1Abr = 4");
  std::vector<std::string> source = c.ValueRows(
      "SELECT Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge,"
      " Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Upn, Zk1Inf FROM Qvx331Zk1 WHERE Zk1Abr BETWEEN 1 AND 3"
      " ORDER BY Zk1Rre DESC, Zk1Abr, Zk1Pnr, Zk1Bdt, Zk1Lna");
  std::vector<std::string> retro;
  if (!source.empty()) {
    // a key of its own for each pass over the source rows keeps them unique
    for (long long i = 0; i < retroRows; ++i) {
      const std::string& row = source[static_cast<size_t>(i) % source.size()];
      retro.push_back("('floor " + std::to_string(static_cast<size_t>(i) / source.size()) + "', " + row.substr(1));
    }
  }
  f.TransferRows = static_cast<long long>(transfer.size());
  f.RetroRows = static_cast<long long>(retro.size());
  std::vector<std::string> statements;
  AddInserts(statements, "INSERT INTO FloorZk1 VALUES ", transfer);
  AddInserts(statements,
             "INSERT INTO FloorZk3 (Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt, Zk3Lna, Zk3Lgr, Zk3Kst,"
             " Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg, Zk3Von, Zk3Bis, Zk3Sts, Zk3Upn, Zk3Inf) VALUES ",
             retro);

  c.Exec("DROP TABLE IF EXISTS FloorZk1, FloorZk3");
  c.Exec("CREATE TABLE FloorZk1 LIKE Qvx331Zk1");
  c.Exec("CREATE TABLE FloorZk3 LIKE Qvx331Zk3");
  try {
    t0 = chr::steady_clock::now();
    c.Exec("START TRANSACTION");
    for (const std::string& sql : statements) c.Exec(sql);
    c.Exec("COMMIT");
    f.Writes = Since(t0);
  } catch (...) {
    try {
      c.Exec("ROLLBACK");
      c.Exec("DROP TABLE IF EXISTS FloorZk1, FloorZk3");
    } catch (...) {
      // the schema goes with its scratch tables
    }
    throw;
  }
  c.Exec("DROP TABLE IF EXISTS FloorZk1, FloorZk3");
  return f;
}

void PrintFloor(const std::string& schema, const TimedRun& run, long long retroRows) {
  try {
    FloorFigures f = MeasureFloor(schema, retroRows);
    double sum = f.Bookings + f.Days + f.Writes;
    std::printf(
        "%8s floor: bookings %.2f s (%lld rows), day records %.2f s (%lld rows), writes %.2f s (%lld rows:"
        " %lld transfer, %lld retro), sum %.2f s; run / floor %.1f\n",
        "", f.Bookings, f.BookingRows, f.Days, f.DayRows, f.Writes, f.TransferRows + f.RetroRows, f.TransferRows,
        f.RetroRows, sum, sum > 0 ? run.seconds / sum : 0.0);
  } catch (const std::exception& e) { std::printf("%8s floor: not measured: %s\n", "", e.what()); }
  std::fflush(stdout);
}

void Bench(int n, bool floor) {
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
  double serverCpu = ServerCpuSeconds();
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
  double serverCpuAfter = ServerCpuSeconds();
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
  if (serverCpu >= 0 && serverCpuAfter >= 0) std::printf(" cpu s %.2f", serverCpuAfter - serverCpu);
  std::printf("\n");
  std::fflush(stdout);
  if (floor) {
    if (measured == 0) PrintFloor(schema, run, after.back() - before.back());
    else std::printf("%8s floor: not measured (the run failed)\n", "");
    std::fflush(stdout);
  }
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
  const char* env = std::getenv("LUG_BENCH_FLOOR");
  bool floor = env && *env && std::string(env) != "0";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--floor") floor = true;
    else sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) sizes = {1000, 6000};
  std::printf("%8s %8s %10s %8s %12s %18s %12s %12s %10s\n", "N", "fill s", "seconds", "cpu s", "statements",
              "per empl.+period", "peak RSS MB", "differences", "datev");
  std::fflush(stdout);
  for (int n : sizes) { Bench(n, floor); }
  return 0;
}
