// Benchmark of a whole final settlement: a circle of N employees with a month
// of bookings (March 2026) is settled in-process through RunMain; printed are
// the statements sent to the server and the time per employee.
//
//   bench_settle [N ...]        default: 100 1000
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

namespace {

std::string Day(int d) { return "'2026-03-" + std::string(d < 10 ? "0" : "") + std::to_string(d) + "'"; }
bool Workday(int d) { return (d + 6) % 7 < 5; }  // 2 March 2026 is a Monday

void Fill(TestDb& db, const std::string& schema, int n) {
  db.Exec(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrRrm) VALUES ('01', 'L1', 0, 0);"
      "INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES (UPPER('" +
      schema +
      "'), '00001');"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX');"
      "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('XXX', 'P3');"
      "INSERT INTO Qvx330Abr VALUES ('01', 2, '2026-02-01', '2026-02-28'), ('01', 3, '2026-03-01', '2026-03-31');"
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
    // three days of leave (the last one a half day), two days of sickness,
    // overtime on every third working day, extra work on two days
    int leave = 2 + i % 15, sick = 2 + (i * 7 + 5) % 20;
    int work = 0, overtime = 0, leaveMinutes = 0, workday = 0;
    for (int d = 1; d <= 31; ++d) {
      bool wd = Workday(d);
      tgb.Add("(" + pnr + ", " + Day(d) + ", 1, " + (wd ? "480" : "0") + ", " + std::to_string(i % 60) + ", 0)");
      if (!wd) continue;
      ++workday;
      bool onLeave = workday >= leave && workday < leave + 3;
      bool half = workday == leave + 2;
      bool isSick = !onLeave && workday >= sick && workday < sick + 2;
      if (onLeave) {
        int minutes = half ? 240 : 480;
        leaveMinutes += minutes;
        zkb.Add("(" + pnr + ", 1, " + Day(d) + ", " + kst + ", 'KA', 'URL', " + std::to_string(minutes) + ")");
        tag.Add("(" + pnr + ", " + Day(d) + ", " + Day(d) +
                (half ? ", NULL, 'U', NULL, 1, 1)" : ", 'U', NULL, NULL, 0, 0)"));
        if (!half) continue;
      }
      if (isSick) {
        zkb.Add("(" + pnr + ", 1, " + Day(d) + ", " + kst + ", 'KA', 'KRK', 480)");
        tag.Add("(" + pnr + ", " + Day(d) + ", " + Day(d) + ", 'K', NULL, NULL, 0, 0)");
        continue;
      }
      int minutes = half ? 240 : 480;
      work += minutes;
      zkb.Add("(" + pnr + ", 1, " + Day(d) + ", " + kst + ", 'KA', 'ARB', " + std::to_string(minutes) + ")");
      if (workday % 3 == 0) {
        overtime += 30;
        zkb.Add("(" + pnr + ", 1, " + Day(d) + ", " + kst + ", 'KA', 'UEB', 30)");
      }
      if (workday == 5 + i % 10 || workday == 6 + i % 10)
        zkb.Add("(" + pnr + ", 1, " + Day(d) + ", " + kst + ", 'KB', 'MEH', 45)");
    }
    for (auto [zkt, minutes] : {std::pair<const char*, int>{"ARB", work}, {"UEB", overtime}, {"URL", leaveMinutes}})
      zkb.Add("(" + pnr + ", 3, '2026-03-31', " + kst + ", 'KA', '" + zkt + "', " + std::to_string(minutes) + ")");
    zkb.Add("(" + pnr + ", 3, '2026-02-28', " + kst + ", 'KA', 'ZUS', 120)");
  }
}

struct Result {
  long statements;
  double seconds;
  std::string records;
};

Result Bench(int n) {
  TestDb db;
  RequireDatabase(db);
  std::string schema = "lugbench" + std::to_string(getpid());
  db.CreateSchema(schema);
  Fill(db, schema, n);
  std::string tree = MakeInstallTree(schema);
  TimedRun run = RunSettlement(tree, schema, 3, "2026-04-02 08:00:00");

  db.Use(schema);
  std::string records = db.QueryText("SELECT COUNT(*) FROM Qvx331Zk1");
  if (!records.empty()) records.pop_back();
  db.DropSchema(schema);
  if (run.exitCode == 1) fs::remove_all(tree);
  return {run.statements, run.seconds, records};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = BenchSizes(argc, argv);
  std::printf("%8s %12s %14s %10s %16s %10s\n", "N", "statements", "per employee", "seconds", "ms per employee",
              "records");
  for (int n : sizes) {
    Result r = Bench(n);
    std::printf("%8d %12ld %14.1f %10.2f %16.2f %10s\n", n, r.statements, static_cast<double>(r.statements) / n,
                r.seconds, 1000.0 * r.seconds / n, r.records.c_str());
    std::fflush(stdout);
  }
  return 0;
}
