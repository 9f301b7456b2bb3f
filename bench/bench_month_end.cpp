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

namespace fs = std::filesystem;
namespace chr = std::chrono;

namespace {

struct Month {
  int Year, Mon;
};
const Month kMonths[] = {{2025, 12}, {2026, 1}, {2026, 2}, {2026, 3}};

int DaysIn(Month m) {
  return static_cast<int>(static_cast<unsigned>(
      chr::year_month_day_last(chr::year(m.Year), chr::month_day_last(chr::month(static_cast<unsigned>(m.Mon))))
          .day()));
}

std::string Day(Month m, int d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d'", m.Year, m.Mon, d);
  return buf;
}

bool Workday(Month m, int d) {
  chr::weekday w{chr::sys_days{chr::year(m.Year) / m.Mon / d}};
  return w != chr::Saturday && w != chr::Sunday;
}

void Fill(TestDb& db, const std::string& schema, int n) {
  db.Exec("INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrRrm) VALUES ('01', 'L1', 0, 0);"
          "INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES (UPPER('" + schema + "'), '00001');"
          "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir, LugAkr) VALUES ('L1', 'DATEV', '29871', '00042');"
          "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt) VALUES ('DATEV', 'P3', 1, 1);"
          "INSERT INTO Qvx330Abr VALUES ('01', 1, '2025-12-01', '2025-12-31'), ('01', 2, '2026-01-01', '2026-01-31'),"
          " ('01', 3, '2026-02-01', '2026-02-28'), ('01', 4, '2026-03-01', '2026-03-31');"
          "INSERT INTO Qvx131Fcd VALUES ('U', 'URL'), ('K', 'KRK');"
          "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Tge, Lu1Sol, Lu1Svk,"
          " Lu1Flg, Lu1Sts, Lu1Ztr, Lu1Lgr) VALUES"
          " ('L1', 'P3', 'ARB', '1000', '2020-01-01', 1, 0, 0, 0, 0, 0, 102, 0, NULL),"
          " ('L1', 'P3', 'UEB', '1100', '2020-01-01', 1, 1, 0, 0, 0, 0, 4, 0, NULL),"
          " ('L1', 'P3', 'URL', '2000', '2020-01-01', 1, 0, 1, 0, 0, 0, 105, 0, NULL),"
          " ('L1', 'P3', 'KRK', '3000', '2020-01-01', 1, 0, 1, 0, 1, 0, 106, 1, NULL),"
          " ('L1', 'P3', 'MEH', '4000', '2020-01-01', 0, 0, 0, 1, 0, 0, 0, 1, NULL),"
          " ('L1', 'P3', 'ZUS', '5000', '2020-01-01', 1, 0, 0, 0, 0, 1, 0, 0, NULL),"
          " ('L1', 'P3', 'RUL', '9100', '2020-01-01', 0, 0, 0, 0, 0, 0, 0, 0, 'RUL'),"
          " ('L1', 'P3', 'MGF', '9200', '2020-01-01', 0, 0, 0, 0, 0, 0, 0, 0, 'MGF')");
  Inserter bsv(db, "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvLug) VALUES ");
  Inserter zuo(db, "INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoKst, ZuoKtr, ZuoKrt) VALUES ");
  Inserter zkb(db, "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKrt, ZkbZkt, ZkbStd) VALUES ");
  Inserter tgb(db, "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbSa1, TgbSa2) VALUES ");
  Inserter utg(db, "INSERT INTO QVX332UTG (UtgPnr, UtgDtm, UtgRtg, UtgVtg) VALUES ");
  Inserter tag(db, "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn, TagKom, TagGeh) VALUES ");
  for (int i = 0; i < n; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", i + 1);
    const std::string pnr = std::string("'") + buf + "'";
    const std::string kst = "'K" + std::to_string(i % 7) + "'";
    bsv.Add("(" + pnr + ", '01', '2019-01-01', " + (i % 4 ? pnr : std::string("NULL")) + ")");
    zuo.Add("(" + pnr + ", '2019-01-01', " + kst + ", '', 'KA')");
    for (size_t mi = 0; mi < std::size(kMonths); ++mi) {
      Month m = kMonths[mi];
      const std::string last = Day(m, DaysIn(m));
      // three days of leave (the last one a half day), two days of sickness,
      // overtime on every third working day, extra work on two days
      int leave = 2 + static_cast<int>(i + mi) % 15, sick = 2 + (i * 7 + 5 + static_cast<int>(mi)) % 18;
      int work = 0, overtime = 0, leaveMinutes = 0, workday = 0;
      for (int d = 1; d <= DaysIn(m); ++d) {
        bool wd = Workday(m, d);
        tgb.Add("(" + pnr + ", " + Day(m, d) + ", 1, " + (wd ? "480" : "0") + ", " + std::to_string(i % 60) + ", 0)");
        if (!wd) continue;
        ++workday;
        bool onLeave = workday >= leave && workday < leave + 3;
        bool half = workday == leave + 2;
        bool isSick = !onLeave && workday >= sick && workday < sick + 2;
        if (onLeave) {
          int minutes = half ? 240 : 480;
          leaveMinutes += minutes;
          zkb.Add("(" + pnr + ", 1, " + Day(m, d) + ", " + kst + ", 'KA', 'URL', " + std::to_string(minutes) + ")");
          tag.Add("(" + pnr + ", " + Day(m, d) + ", " + Day(m, d) +
                  (half ? ", NULL, 'U', NULL, 1, 1)" : ", 'U', NULL, NULL, 0, 0)"));
          if (!half) continue;
        }
        if (isSick) {
          zkb.Add("(" + pnr + ", 1, " + Day(m, d) + ", " + kst + ", 'KA', 'KRK', 480)");
          tag.Add("(" + pnr + ", " + Day(m, d) + ", " + Day(m, d) + ", 'K', NULL, NULL, 0, 0)");
          continue;
        }
        int minutes = half ? 240 : 480;
        work += minutes;
        zkb.Add("(" + pnr + ", 1, " + Day(m, d) + ", " + kst + ", 'KA', 'ARB', " + std::to_string(minutes) + ")");
        if (workday % 3 == 0) {
          overtime += 30;
          zkb.Add("(" + pnr + ", 1, " + Day(m, d) + ", " + kst + ", 'KA', 'UEB', 30)");
        }
        if (workday == 5 + i % 10 || workday == 6 + i % 10)
          zkb.Add("(" + pnr + ", 1, " + Day(m, d) + ", " + kst + ", 'KB', 'MEH', 45)");
      }
      for (auto [zkt, minutes] : {std::pair<const char*, int>{"ARB", work}, {"UEB", overtime}, {"URL", leaveMinutes}})
        zkb.Add("(" + pnr + ", 3, " + last + ", " + kst + ", 'KA', '" + zkt + "', " + std::to_string(minutes) + ")");
      zkb.Add("(" + pnr + ", 3, " + last + ", " + kst + ", 'KA', 'ZUS', " + std::to_string(60 + 30 * mi) + ")");
      utg.Add("(" + pnr + ", " + last + ", " + std::to_string(i % 30) + ", 0)");
    }
  }
}

// Bookings of the settled months that change before March is settled: every
// tenth employee's monthly working time of January, every fifth employee's
// first sick day of February (the runs change), every seventh employee's
// overtime of December.
void Change(TestDb& db) {
  db.Exec("UPDATE Qvx331Zkb SET ZkbStd = ZkbStd - 60 WHERE ZkbZtr = 3 AND ZkbZkt = 'ARB'"
          " AND ZkbDtm = '2026-01-31' AND MOD(CAST(ZkbPnr AS UNSIGNED), 10) = 0;"
          "DELETE z FROM Qvx331Zkb z JOIN (SELECT ZkbPnr AS p, MIN(ZkbDtm) AS d FROM Qvx331Zkb WHERE ZkbZkt = 'KRK'"
          " AND ZkbDtm BETWEEN '2026-02-01' AND '2026-02-28' GROUP BY ZkbPnr) k ON z.ZkbPnr = k.p AND z.ZkbDtm = k.d"
          " WHERE z.ZkbZkt = 'KRK' AND MOD(CAST(z.ZkbPnr AS UNSIGNED), 5) = 0;"
          "UPDATE Qvx331Zkb SET ZkbStd = ZkbStd + 15 WHERE ZkbZtr = 1 AND ZkbZkt = 'UEB'"
          " AND ZkbDtm BETWEEN '2025-12-01' AND '2025-12-31' AND MOD(CAST(ZkbPnr AS UNSIGNED), 7) = 0");
}


void Bench(int n) {
  TestDb db;
  RequireDatabase(db);
  std::string schema = "lugbenchme" + std::to_string(getpid());
  db.CreateSchema(schema);
  auto t0 = chr::steady_clock::now();
  Fill(db, schema, n);
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
