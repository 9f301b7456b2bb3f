#include "calc/interruptions.h"

#include <utility>
#include <vector>

#include "calc/calc_state.h"
#include "calc/transfer_records.h"
#include "calc/batch/employee_batch.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

namespace {

constexpr char kStartDay[] = "9999.01.01";

// A cursor of days with day differences: the rows of the batch of employees
// read ahead when it covers the employee, else the statement's rows.
using UnbCursor = BatchCursor<std::pair<std::string, int32_t>>;

// Qualifying days of the period, each with the number of days since the
// previous one (the first one against 9999.01.01, so negative).
[[nodiscard]] int SQL_Qvx320Tgb_OpenUnb(UnbCursor& unb, const std::string& pnr, const std::string& von,
                                        const std::string& bis) {
  if (unb.Serve(BatchUnb(pnr, von, bis, unb.Rows))) return 0;
  return SqlOpen(unb.Sql, SqlFormat("SELECT DISTINCT DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d'),"
                                    " DATEDIFF(TgbDtm, COALESCE(LAG(TgbDtm) OVER (ORDER BY TgbDtm),"
                                    " STR_TO_DATE('%s', '%%Y.%%m.%%d')))"
                                    " FROM Qvx320Tgb WHERE TgbPnr = '%s'"
                                    " AND DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d') >= '%s'"
                                    " AND DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d') <= '%s'"
                                    " AND TgbZtr = 1 AND TgbSol != 0 AND TgbSol <= TgbUnb ORDER BY TgbDtm",
                                    kStartDay, pnr, von, bis));
}
[[nodiscard]] int SQL_Qvx320Tgb_FetchUnb(UnbCursor& unb, std::string& day, int32_t& diff) {
  return unb.Fetch(day, diff);
}
[[nodiscard]] int SQL_Qvx320Tgb_CloseUnb(UnbCursor& unb) { return unb.Close(); }

// Qualifying days before a day, newest first, each with the number of days to
// the one fetched before it (the first one to the given day). The walk reads
// five days at most, so the older history is not delivered.
[[nodiscard]] int SQL_Qvx320Tgb_OpenUnbBack(UnbCursor& unbBack, const std::string& pnr, const std::string& day) {
  if (unbBack.Serve(BatchUnbBack(pnr, day, unbBack.Rows))) return 0;
  return SqlOpen(unbBack.Sql, SqlFormat("SELECT DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d'),"
                                        " DATEDIFF(COALESCE(LAG(TgbDtm) OVER (ORDER BY TgbDtm DESC),"
                                        " STR_TO_DATE('%s', '%%Y.%%m.%%d')), TgbDtm)"
                                        " FROM Qvx320Tgb WHERE TgbPnr = '%s'"
                                        " AND DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d') < '%s'"
                                        " AND TgbZtr = 1 AND TgbSol != 0 AND TgbSol <= TgbUnb"
                                        " ORDER BY TgbDtm DESC LIMIT 6",
                                        day, pnr, day));
}
[[nodiscard]] int SQL_Qvx320Tgb_FetchUnbBack(UnbCursor& unbBack, std::string& day, int32_t& diff) {
  return unbBack.Fetch(day, diff);
}
[[nodiscard]] int SQL_Qvx320Tgb_CloseUnbBack(UnbCursor& unbBack) { return unbBack.Close(); }

[[nodiscard]] int SQL_Qvx320Tgb_CountSollBetween(const std::string& pnr, const std::string& from, const std::string& to,
                                                 int32_t& count) {
  return ServedOr([&](int& st) { return BatchSollBetween(pnr, from, to, st, count); },
                  [&] {
                    return SqlSelectOne(SqlFormat("SELECT COUNT(TgbDtm) FROM Qvx320Tgb"
                                                  " WHERE TgbPnr = '%s' AND TgbZtr = 1 AND TgbSol > 0"
                                                  " AND DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d') > '%s'"
                                                  " AND DATE_FORMAT(TgbDtm, '%%Y.%%m.%%d') < '%s'",
                                                  pnr, from, to),
                                        count);
                  });
}

// Days with target time strictly between two days. Nothing lies after the
// start text 9999.01.01, so that case needs no statement.
int32_t SollTageZwischen(const std::string& pnr, const std::string& from, const std::string& to) {
  if (from == kStartDay) return 0;
  int32_t n = 0;
  RequireRead(SQL_Qvx320Tgb_CountSollBetween(pnr, from, to, n), "Qvx320Tgb");
  return n;
}

// Walks back from the first qualifying day of the period. A run that reaches
// six days together with the days before the period was counted in the
// previous period already (it had five days at that period's end); taking
// one off here cancels the count it gets when it ends in this period.
void LookBack(const std::string& pnr, const std::string& first, int32_t& runCount, int32_t& count) {
  UnbCursor unbBack;
  RequireRead(SQL_Qvx320Tgb_OpenUnbBack(unbBack, pnr, first), "Qvx320Tgb");
  std::string p = first, e;
  int32_t d = 0;
  int st;
  while ((st = SQL_Qvx320Tgb_FetchUnbBack(unbBack, e, d)) == 0) {
    if (d != 1) {
      int32_t n = SollTageZwischen(pnr, e, p);
      if (n != 0) {
        Log("--- %ld SollTage zwischen %s und %s", n, p, e);
        break;
      }
    }
    if (++runCount > 5) {
      --count;
      break;
    }
    p = e;
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx320Tgb_CloseUnbBack(unbBack);
}

}  // namespace

int32_t CountUnterbrechungenIn(const std::string& pnr, const std::string& von, const std::string& bis) {
  int32_t runCount = 0, count = 0;
  std::string prev = kStartDay, cur;
  int32_t d = 0;
  UnbCursor unb;
  RequireRead(SQL_Qvx320Tgb_OpenUnb(unb, pnr, von, bis), "Qvx320Tgb");
  int st;
  while ((st = SQL_Qvx320Tgb_FetchUnb(unb, cur, d)) == 0) {
    ++runCount;
    if (d < 0 && SubStr(von, 5, 2) != "01") {
      LookBack(pnr, cur, runCount, count);
    } else if (d != 1) {
      // A break counts the run when it has five days including the first day
      // after the gap, the way interruptions have always been counted.
      int32_t n = SollTageZwischen(pnr, prev, cur);
      if (n != 0) {
        Log("--- %ld SollTage zwischen %s und %s", n, prev, cur);
        if (runCount > 4) ++count;
        runCount = 1;
      }
    }
    prev = cur;
  }
  if (st == -1) AbortRun(60);
  // The run still open at the end of the period needs five days.
  if (runCount > 4) ++count;
  (void)SQL_Qvx320Tgb_CloseUnb(unb);
  return count;
}

void CountUnterbrechungen(const RunContext& ctx, CalcState& calc, const std::string& pnr) {
  int32_t count = CountUnterbrechungenIn(pnr, ctx.AbrVon, ctx.AbrBis);
  if (count <= 0) return;
  Log("--- Unterbrechungen: %d", count);
  Zk1Record r;
  r.Abr = ctx.Abrnr;
  r.Lfn = ctx.Lfn;
  r.Stz = calc.Interruption.Lu1Stz;
  r.Bdt = calc.Zk1Bdt;
  r.Pnr = pnr;
  r.Zkt = calc.Interruption.Lu1Lna;
  r.Lna = calc.Interruption.Lu1Lna;
  r.Lgr = " ";
  r.Kst = calc.Home.ZuoKst;
  r.Ktr = calc.Home.ZuoKtr;
  r.Krt = calc.Home.ZuoKrt;
  r.Std = count;
  r.Von = ctx.AbrVon;
  r.Bis = ctx.AbrBis;
  r.Sts = 112;
  r.Rre = calc.Interruption.Lu1Rre;
  r.Upn = calc.Bsv.Zk1Upn;
  calc.Written = true;
  WriteZk1Record(r, false, [](int st) {
    if (st != kSqlDuplicate) ReportStatus(st, "   Insert/Update Fehler %d", st);
  });
}
