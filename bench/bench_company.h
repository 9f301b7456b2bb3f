// The company of the benchmarks of whole runs: a circle of N employees with
// four months of bookings (December 2025 to March 2026, accounting numbers 1
// to 4): day values, month values, days of leave (one half day) and sickness,
// a daily overtime account, day records for every day, and the changes of
// settled months that the retro-calculation then finds.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#include "bench_common.h"

namespace bench_company {

namespace chr = std::chrono;

struct Month {
  int Year, Mon;
};
inline const Month kMonths[] = {{2025, 12}, {2026, 1}, {2026, 2}, {2026, 3}};

inline int DaysIn(Month m) {
  return static_cast<int>(static_cast<unsigned>(
      chr::year_month_day_last(chr::year(m.Year), chr::month_day_last(chr::month(static_cast<unsigned>(m.Mon))))
          .day()));
}

inline std::string Day(Month m, int d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d'", m.Year, m.Mon, d);
  return buf;
}

inline bool Workday(Month m, int d) {
  chr::weekday w{chr::sys_days{chr::year(m.Year) / m.Mon / d}};
  return w != chr::Saturday && w != chr::Sunday;
}

// The circle "01" of n employees. monthEnd: a DATEV interface with the special
// records RUL and MGF and remaining leave per month; otherwise a LOGA2
// interface without them.
inline void Fill(TestDb& db, const std::string& schema, int n, bool monthEnd) {
  db.Exec(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrRrm) VALUES ('01', 'L1', 0, 0);"
      "INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES (UPPER('" +
      schema + "'), '00001');" +
      std::string(
          monthEnd ? "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir, LugAkr) VALUES ('L1', 'DATEV', '29871', '00042');"
                     "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt) VALUES ('DATEV', 'P3', 1, 1);"
                   : "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'LOGA2');"
                     "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('LOGA2', 'P3');") +
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
      " ('L1', 'P3', 'ZUS', '5000', '2020-01-01', 1, 0, 0, 0, 0, 1, 0, 0, NULL)" +
      std::string(monthEnd ? ", ('L1', 'P3', 'RUL', '9100', '2020-01-01', 0, 0, 0, 0, 0, 0, 0, 0, 'RUL'),"
                             " ('L1', 'P3', 'MGF', '9200', '2020-01-01', 0, 0, 0, 0, 0, 0, 0, 0, 'MGF')"
                           : ""));
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
      if (monthEnd) utg.Add("(" + pnr + ", " + last + ", " + std::to_string(i % 30) + ", 0)");
    }
  }
}

// Bookings of the settled months that change before March is settled: every
// tenth employee's monthly working time of January, every fifth employee's
// first sick day of February (the runs change), every seventh employee's
// overtime of December.
inline void Change(TestDb& db) {
  db.Exec(
      "UPDATE Qvx331Zkb SET ZkbStd = ZkbStd - 60 WHERE ZkbZtr = 3 AND ZkbZkt = 'ARB'"
      " AND ZkbDtm = '2026-01-31' AND MOD(CAST(ZkbPnr AS UNSIGNED), 10) = 0;"
      "DELETE z FROM Qvx331Zkb z JOIN (SELECT ZkbPnr AS p, MIN(ZkbDtm) AS d FROM Qvx331Zkb WHERE ZkbZkt = 'KRK'"
      " AND ZkbDtm BETWEEN '2026-02-01' AND '2026-02-28' GROUP BY ZkbPnr) k ON z.ZkbPnr = k.p AND z.ZkbDtm = k.d"
      " WHERE z.ZkbZkt = 'KRK' AND MOD(CAST(z.ZkbPnr AS UNSIGNED), 5) = 0;"
      "UPDATE Qvx331Zkb SET ZkbStd = ZkbStd + 15 WHERE ZkbZtr = 1 AND ZkbZkt = 'UEB'"
      " AND ZkbDtm BETWEEN '2025-12-01' AND '2025-12-31' AND MOD(CAST(ZkbPnr AS UNSIGNED), 7) = 0");
}

}  // namespace bench_company
