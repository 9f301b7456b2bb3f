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
          "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'LOGA2');"
          "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('LOGA2', 'P3');"
          "INSERT INTO Qvx330Abr VALUES ('01', 1, '2025-12-01', '2025-12-31'), ('01', 2, '2026-01-01', '2026-01-31'),"
          " ('01', 3, '2026-02-01', '2026-02-28'), ('01', 4, '2026-03-01', '2026-03-31');"
          "INSERT INTO Qvx131Fcd VALUES ('U', 'URL'), ('K', 'KRK');"
          "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Tge, Lu1Sol, Lu1Svk,"
          " Lu1Flg, Lu1Sts, Lu1Ztr) VALUES"
          " ('L1', 'P3', 'ARB', '1000', '2020-01-01', 1, 0, 0, 0, 0, 0, 102, 0),"
          " ('L1', 'P3', 'UEB', '1100', '2020-01-01', 1, 1, 0, 0, 0, 0, 4, 0),"
          " ('L1', 'P3', 'URL', '2000', '2020-01-01', 1, 0, 1, 0, 0, 0, 105, 0),"
          " ('L1', 'P3', 'KRK', '3000', '2020-01-01', 1, 0, 1, 0, 1, 0, 106, 1),"
          " ('L1', 'P3', 'MEH', '4000', '2020-01-01', 0, 0, 0, 1, 0, 0, 0, 1),"
          " ('L1', 'P3', 'ZUS', '5000', '2020-01-01', 1, 0, 0, 0, 0, 1, 0, 0)");
  Inserter bsv(db, "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvLug) VALUES ");
  Inserter zuo(db, "INSERT INTO QVX311ZUO (ZuoPnr, ZuoGvo, ZuoKst, ZuoKtr, ZuoKrt) VALUES ");
  Inserter zkb(db, "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKrt, ZkbZkt, ZkbStd) VALUES ");
  Inserter tgb(db, "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbSa1, TgbSa2) VALUES ");
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
  Fill(db, schema, n);
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
