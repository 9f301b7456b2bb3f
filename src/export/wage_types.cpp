#include "export/wage_types.h"

#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

// Several lines of one wage type can be valid at the booking date (a line is
// replaced by a newer one from a later date on). The newest of them is the one
// in force, as in DATEV's own lookup; without an order the server would return
// them in index order and the oldest line would win.
[[nodiscard]] int SQL_Qvx171Lu1_OpenLna(SqlCursor& cursor, const std::string& lugLug, const TransferRecord& r) {
  return SqlOpen(cursor, SqlFormat("SELECT Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Mog, Lu1Fkt, Lu1Bau  FROM Qvx171Lu1 "
                                   " WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                   " AND Lu1Lna = '%s'  AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s' "
                                   " ORDER BY Lu1Gvo DESC",
                                   lugLug, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna, r.Zk1Bdt));
}

[[nodiscard]] int SQL_Qvx171Lu1_FetchLna(SqlCursor& cursor, Lu1Line& l) {
  return SqlFetchInto(cursor, l.Lu1Kst, l.Lu1Ktr, l.Lu1Krt, l.Lu1Mog, l.Lu1Fkt, l.Lu1Bau);
}

[[nodiscard]] int SQL_Qvx171Lu1_CloseLna(SqlCursor& cursor) { return dbClose(cursor); }

bool LeftOutForUnreadLine(RunContext& ctx, int status, const TransferRecord& r, const char* message) {
  if (status == 0 || status == kSqlNoMoreRows) return false;
  ctx.LastStatus = status;
  if (status == -1) {
    Log(message, status);
    AbortRun(60);
  }
  LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "Vom Server abgewiesen", message, status);
  return true;
}

int FindWageTypeLine(RunContext& ctx, WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r,
                     Lu1Line& line) {
  int st = CachedWageTypeLookup(cache, lugLug, r, line);
  (void)LeftOutForUnreadLine(ctx, st, r);
  return st;
}

[[nodiscard]] int SQL_Qvx170Lg1_Get(const std::string& lgp, const std::string& stz, Lg1Flags& f) {
  std::string kind;
  return SqlSelectOne(SqlFormat("SELECT Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A  FROM Qvx170Lg1 "
                                " WHERE Lg1Num = '%s'  AND Lg1Stz = '%s'",
                                lgp, stz),
                      kind, f.Lg1Stt, f.Lg1Svt, f.Lg1Zes, f.Lg1P4A);
}

int WageTypeLookup(const std::string& lugLug, const TransferRecord& r, Lu1Line& line) {
  SqlCursor cursor;
  int st = SQL_Qvx171Lu1_OpenLna(cursor, lugLug, r);
  if (st == 0) st = SQL_Qvx171Lu1_FetchLna(cursor, line);
  (void)SQL_Qvx171Lu1_CloseLna(cursor);
  return st;
}

int CachedWageTypeLookup(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& line) {
  std::string key = r.Zk1Stz + '\x1f' + r.Zk1Zkt + '\x1f' + r.Zk1Lna;
  auto it = cache.Lines.find(key);
  if (it == cache.Lines.end()) {
    SqlCursor c;
    int st = SqlOpen(c, SqlFormat("SELECT date_format(Lu1Gvo, '%%Y.%%m.%%d'), Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Mog, Lu1Fkt,"
                                  " Lu1Bau  FROM Qvx171Lu1  WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                  " AND Lu1Lna = '%s'  AND Lu1Gvo IS NOT NULL  ORDER BY Lu1Gvo DESC",
                                  lugLug, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna));
    if (st != 0) return st;
    std::vector<Lu1Line> lines;
    for (;;) {
      Lu1Line l;
      st = SqlFetchInto(c, l.Lu1Gvo, l.Lu1Kst, l.Lu1Ktr, l.Lu1Krt, l.Lu1Mog, l.Lu1Fkt, l.Lu1Bau);
      if (st != 0) break;
      lines.push_back(std::move(l));
    }
    dbClose(c);
    if (st != kSqlNoMoreRows) return st;
    it = cache.Lines.emplace(std::move(key), std::move(lines)).first;
  }
  for (const Lu1Line& l : it->second) {
    if (l.Lu1Gvo <= r.Zk1Bdt) {
      line = l;
      return 0;
    }
  }
  return kSqlNoMoreRows;
}
