#include "calc/account_transfer.h"

#include <map>
#include <set>
#include <vector>

#include "calc/batch/bookings.h"
#include "calc/statistics.h"
#include "calc/batch/employee_batch.h"
#include "calc/retro_records.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

// Date columns of the booking, day-record, day-code and calendar tables are
// compared with the YYYY.MM.DD texts of the program directly: the server reads
// such a text as the date it names, so the result is that of comparing
// date_format texts, and the indexes on the date columns are used.

namespace {

// A retro record; one that meets a stored record of the same identity is
// added to it, as the transfer records are.
void WriteZk3(const Zk3Record& z, bool nextMonth, const char* message) {
  WriteZk3Record(z, nextMonth, [message](int st) { ReportStatus(st, message, st); });
}

// Month-account (Sta 1) and day-account (Sta 2) values.
void RetroValue(const RunContext& ctx, const Zk1Record& r) {
  WriteZk3(Zk3FromTransfer(r, ctx.RunKey), false, r.Sta == 1 ? "Zk3_Insert2: %d" : "Zk3_Insert: %d");
}

// Day runs. The transfer records accumulate a run that meets a stored one, so
// the retro records do too: otherwise the difference step would reverse what
// the settlement handed over.
void RetroRun(const RunContext& ctx, const Zk1Record& r, bool nextMonth) {
  WriteZk3(Zk3FromTransfer(r, ctx.RunKey), nextMonth, "Zk3_Insert: %d");
}

void ZwischenRun(const RunContext& ctx, const Zk1Record& r, bool nextMonth) { RetroRun(ctx, r, nextMonth); }

// zktKey: the key of the account zkt. The lines stay valid until the next
// call (a read that failed is not kept).
const std::vector<Lu1Row>& ReadLu1Lines(const RunContext& ctx, TransferAnswers& answers, const std::string& lugLug,
                                        const std::string& stz, const std::string& zkt, const std::string& zktKey) {
  // the interface and the record type are the texts the statement is given
  DbKey key = DbKey().AddExact(lugLug).AddExact(stz).Add(zktKey).AddExact(ctx.AbrVon).AddExact(ctx.AbrBis);
  auto it = answers.Lu1.find(key);
  if (it != answers.Lu1.end()) return it->second;
  std::vector<Lu1Row> rows;
  SqlCursor lu1;
  RequireRead(SQL_Qvx171Lu1_Open(lu1, lugLug, stz, zkt, ctx.AbrVon, ctx.AbrBis), "Qvx171Lu1");
  int st;
  for (;;) {
    Lu1Row l;
    st = SQL_Qvx171Lu1_Fetch(lu1, l);
    if (st != 0) break;
    rows.push_back(l);
  }
  (void)SQL_Qvx171Lu1_Close(lu1);
  if (st != kSqlNoMoreRows) {
    ReportStatus(st, "Warnung Qvx171Lu1-Status: %d, Zkt: %s, Stz: %s", st, zkt, stz);
    answers.Failed = std::move(rows);  // not kept: read again next time
    return answers.Failed;
  }
  return answers.Lu1.emplace(key, std::move(rows)).first->second;
}

// Next calendar day of the system calendar; empty when the day is not in it.
std::string NextDay(TransferAnswers& answers, const std::string& day) {
  auto it = answers.NextDay.find(day);
  if (it != answers.NextDay.end()) return it->second;
  std::string next;
  int st = SQL_Qvx133Bak_NextDay(day, next);
  if (st != 0) next.clear();
  if (st == 0 || st == kSqlNoMoreRows) answers.NextDay[day] = next;
  return next;
}

// Account of a day code; codeKey: the code's key.
int FcdZkt(TransferAnswers& answers, const std::string& code, const std::string& codeKey, std::string& zktKey) {
  DbKey key = DbKey().Add(codeKey);
  auto it = answers.Fcd.find(key);
  if (it == answers.Fcd.end()) {
    FcdAnswer e;
    e.Status = SQL_Qvx131Fcd_GetZkt(code, e.Zkt, e.ZktKey);
    if (e.Status != 0 && e.Status != kSqlNoMoreRows) {
      zktKey.clear();
      return e.Status;
    }
    it = answers.Fcd.emplace(key, e).first;
  }
  zktKey = it->second.ZktKey;
  return it->second.Status;
}

// Half-day kind of a day: 1 when the day has day codes but no whole-day code.
int16_t HalbtagArt(const std::string& pnr, const std::string& day) {
  std::string tgb, htv, htn;
  return SQL_Qvx327Tag_GetCodes(pnr, day, tgb, htv, htn) == 0 && tgb.empty() ? 1 : 0;
}

// The day record of the day has target time 0.
bool SollNull(const std::string& pnr, const std::string& day) {
  int32_t sol = 0;
  return SQL_Qvx320Tgb_GetSol(pnr, day, sol) == 0 && sol == 0;
}

void CheckFetch(int st, const char* message, const std::string& pnr) {
  if (st == 0 || st == kSqlNoMoreRows) return;
  ReportStatus(st, message, st, pnr);
}

Zk1Record BaseRecord(const TransferCall& call, const Lu1Row& l) {
  const RunContext& ctx = *call.Context;
  Zk1Record r;
  r.Abr = ctx.Abrnr;
  r.Lfn = ctx.Lfn;
  r.Stz = l.Lu1Stz;
  r.Pnr = call.Bsv->BsvPnr;
  r.Lna = l.Lu1Lna;
  r.Lgr = l.Lu1Lgr;
  r.Von = ctx.AbrVon;
  r.Bis = ctx.AbrBis;
  r.Sts = l.Lu1Sts;
  r.Rre = l.Lu1Rre;
  r.Upn = call.Bsv->Zk1Upn;
  return r;
}

// What has been handled in one account transfer, so that no booking gives a
// value twice when an account has sums under several cost assignments.
// (Keys as the server compares the texts.)
struct Handled {
  std::set<DbKey> DayAccounts;  // record type, account, wage type
  std::set<DbKey> Runs;         // record type, account, wage type, cost centre, cost unit
  std::set<DbKey> MonthDays;    // the same: days counted for a month account
};

DbKey LineKey(const ZkbMonat& m, const Lu1Row& l) { return DbKey().Add(l.KeyStz).Add(m.KeyZkt).Add(l.KeyLna); }
DbKey CostKey(const ZkbMonat& m, const Lu1Row& l) { return LineKey(m, l).Add(m.KeyKst).Add(m.KeyKtr); }

void DayAccount(const TransferCall& call, const ZkbMonat& m, const Lu1Row& l, Handled& done) {
  // The day account reads all daily bookings of the account whatever month
  // row led here; it runs once per wage-type line.
  if (!done.DayAccounts.insert(LineKey(m, l)).second) return;
  const RunContext& ctx = *call.Context;
  const std::string& pnr = call.Bsv->BsvPnr;
  std::set<DbKey> counted;  // day, cost centre, cost unit
  TagCursor tag;
  RequireRead(SQL_Qvx331Zkb_OpenTag(tag, pnr, m.ZkbZkt, ctx.AbrVon, ctx.AbrBis, &m.KeyZkt), "Qvx331Zkb");
  ZkbTag d;
  int st;
  while ((st = SQL_Qvx331Zkb_FetchTag(tag, d)) == 0) {
    int32_t minutes = d.ZkbStd;
    int32_t days = 0;
    if (l.Lu1Tge != 0) {
      minutes = 0;
      // a second booking of the day under the same cost centre and unit ends
      // in the same record; its day is counted once
      if (counted.insert(DbKey().AddExact(d.ZkbDtm).Add(d.KeyKst).Add(d.KeyKtr)).second) {
        days = CountPrueftage(*call.Answers, pnr, d.ZkbDtm, d.ZkbDtm, d.ZkbZkt, m.KeyZkt, d.ZkbKst, d.ZkbKrt, d.ZkbKtr,
                              call.Akr, l, d.KeyKst, d.KeyKtr);
        if (call.Dest->FeedsStatistics)
          Log("PNR: %s, Prueftage: %d, T-Konto: %s, Kst-Stelle: %s, Kst-Art: %s", pnr, days, d.ZkbZkt, d.ZkbKst,
              d.ZkbKrt);
      }
    }
    if (l.Lu1Svk != 0 && call.Dest->FeedsStatistics) call.Calc->Stat.SvkSum += days;
    if (minutes != 0 || days != 0) {
      Zk1Record r = BaseRecord(call, l);
      r.Bdt = d.ZkbDtm;
      r.Zkt = d.ZkbZkt;
      r.Kst = d.ZkbKst;
      r.Ktr = d.ZkbKtr;
      r.Krt = d.ZkbKrt;
      r.Stg = d.ZkbStg;
      r.Std = minutes;
      r.Tge = days;
      r.Sta = 2;
      if (call.Dest->MarksWritten) call.Calc->Written = true;
      call.Dest->WriteValue(*call.Context, r);
    }
    d = ZkbTag{};
  }
  CheckFetch(st, "Warnung Tageszeitkonto_Status: %d, Pnr: %s", pnr);
  (void)SQL_Qvx331Zkb_CloseTag(tag);
}

void MonthAccount(const TransferCall& call, const ZkbMonat& m, const Lu1Row& l, Handled& done) {
  const RunContext& ctx = *call.Context;
  if (call.Folgemonat != 0) {
    bool bis = ctx.Lug.LugDtm == 2;
    if (l.Lu1Fkt == 0) *call.Bdt = bis ? call.MainBis : call.MainVon;
    else *call.Bdt = bis ? ctx.AbrBis : ctx.AbrVon;
  }
  const std::string& pnr = call.Bsv->BsvPnr;
  int32_t minutes = m.ZkbStd;
  int32_t days = 0;
  if (l.Lu1Tge != 0) {
    minutes = 0;
    // month rows that differ only in cost type, ZkbStg or ZkbSta end in the
    // same record; the days of its cost centre and unit are counted once
    if (done.MonthDays.insert(CostKey(m, l)).second) {
      days = CountPrueftage(*call.Answers, pnr, ctx.AbrVon, ctx.AbrBis, m.ZkbZkt, m.KeyZkt, m.ZkbKst, m.ZkbKrt,
                            m.ZkbKtr, call.Akr, l, m.KeyKst, m.KeyKtr);
      if (call.Dest->FeedsStatistics)
        Log("PNR: %s, Prueftage: %d, M-Konto: %s,Kst-Stelle: %s, Kst-Art: %s", pnr, days, m.ZkbZkt, m.ZkbKst, m.ZkbKrt);
    }
  }
  // the days of all such accounts add up (the statistics subtract their sum)
  if (l.Lu1Svk != 0 && call.Dest->FeedsStatistics) call.Calc->Stat.SvkSum += days;
  if (minutes != 0 || days != 0) {
    Zk1Record r = BaseRecord(call, l);
    r.Bdt = *call.Bdt;
    r.Zkt = m.ZkbZkt;
    r.Kst = m.ZkbKst;
    r.Ktr = m.ZkbKtr;
    r.Krt = m.ZkbKrt;
    r.Stg = m.ZkbStg;
    r.Std = minutes;
    r.Tge = days;
    r.Sta = 1;
    if (call.Dest->MarksWritten) call.Calc->Written = true;
    call.Dest->WriteValue(*call.Context, r);
  }
}

struct Tagesfolge {
  std::string Von, Bis;
  int64_t Minutes = 0, Tenths = 0;  // summed over the days of the run
  int16_t Art = 0;
};

void WriteFolge(const TransferCall& call, const ZkbMonat& m, const Lu1Row& l, const Tagesfolge& f) {
  Zk1Record r = BaseRecord(call, l);
  r.Bdt = f.Von;
  r.Zkt = m.ZkbZkt;
  r.Kst = m.ZkbKst;
  r.Ktr = m.ZkbKtr;
  r.Krt = m.ZkbKrt;
  r.Stg = m.ZkbStg;
  r.Std = l.Lu1Tge == 0 ? ClampInt32(f.Minutes) : 0;
  r.Tge = l.Lu1Tge == 0 ? 0 : ClampInt32(f.Tenths);
  r.Von = f.Von;
  r.Bis = f.Bis;
  r.Sta = 2;
  r.Inf = f.Art;
  if (call.Dest->MarksWritten) call.Calc->Written = true;
  call.Dest->WriteRun(*call.Context, r, call.Folgemonat != 0);
}

// Transfer records of the run. A record that meets a stored one of the same
// identity is added to it.
void WriteZk1(const Zk1Record& r, bool nextMonth, const char* insertMessage) {
  WriteZk1Record(r, nextMonth, [r, nextMonth, insertMessage](int st) {
    if (st == kSqlDuplicate) {
      st = SQL_Qvx331Zk1_Update(r, nextMonth);
      if (st == kSqlNoMoreRows)
        LeaveOutRecord("Nicht übernommen",
                       "Update Qvx331Zk1: gespeicherter Satz nicht gefunden, Pnr: %s, Lohnart: %s, Minuten: %ld", r.Pnr,
                       r.Lna, static_cast<int32_t>(r.Std));
      else if (st != 0) ReportStatus(st, "Update Qvx331Zk1-Status %d", st);
    } else if (st != 0) {
      ReportStatus(st, insertMessage, st);
    }
  });
}

void WriteZk1Value(const RunContext& /*ctx*/, const Zk1Record& r) {
  WriteZk1(r, false, r.Sta == 1 ? "Insert Qvx331Zk1-Status %d" : "Insert 331Zk1-Status %d");
}

// A day run that the database refuses is reported and, when the same run is
// stored already, added to it like every other account value: no run is lost
// without a trace.
void WriteZk1Run(const RunContext& /*ctx*/, const Zk1Record& r, bool nextMonth) {
  WriteZk1(r, nextMonth, "Insert 331Zk1-Status %d");
}

}  // namespace

const TransferDest kTransferRecords = {WriteZk1Value, WriteZk1Run, false, true, true};

void TransferZeitkonten(RunContext& ctx, CalcState& calc, const BsvRow& row, const std::string& akr, int16_t folgeNr,
                        int16_t folgemonat, TransferAnswers& answers) {
  TransferCall call;
  call.Bsv = &row;
  call.Akr = akr;
  call.FolgeNr = folgeNr;
  call.Folgemonat = folgemonat;
  call.Calc = &calc;
  call.Context = &ctx;
  call.MainVon = calc.MainVon;
  call.MainBis = calc.MainBis;
  call.Bdt = &calc.Zk1Bdt;
  call.Answers = &answers;
  // after interim settlements the day runs are compared with what those sent
  if (calc.TagesfolgenRetro && folgemonat == 0) call.Dest = &ZwischenTransferDest();
  TransferZeitkontenTo(call);
}

void TransferZeitkontenTo(const TransferCall& call) {
  const RunContext& ctx = *call.Context;
  const std::string& pnr = call.Bsv->BsvPnr;
  // In the TOPAS interim run the month rows are the sums of the daily
  // bookings and serve every kind of wage-type line. Otherwise a line with
  // day runs (Lu1Ztr not 0) works on the daily bookings (ZkbZtr 1) and a line
  // without on the period bookings (ZkbZtr 3): an account with lines of both
  // kinds has month rows of both kinds, and each is handled by its lines only.
  bool topasInterim = ctx.TopasFlag != 0 && ctx.Lfn == 2;
  Handled done;
  MonatCursor monat;
  RequireRead(SQL_Qvx331Zkb_OpenMonat(ctx, monat, pnr, ctx.AbrVon, ctx.AbrBis, ctx.Lfn, ctx.Lug.LugLug,
                                      call.Folgemonat != 0 ? call.FolgeNr : int16_t{0}),
              "Qvx331Zkb");
  ZkbMonat m;
  int st;
  while ((st = SQL_Qvx331Zkb_FetchMonat(monat, m)) == 0) {
    for (int t = 0; t < call.Calc->RecordTypeCount; ++t) {
      const std::string stz = call.Calc->RecordTypes[static_cast<size_t>(t)].Lg1Stz;
      const std::vector<Lu1Row>& lines = ReadLu1Lines(ctx, *call.Answers, ctx.Lug.LugLug, stz, m.ZkbZkt, m.KeyZkt);
      DbKey last;
      for (Lu1Row l : lines) {
        // only the newest validity of a wage type counts, and the lines of
        // the record type are not read further
        DbKey pair = DbKey().Add(l.KeyZtk).Add(l.KeyLna);
        if (pair == last) break;
        // the pair is taken before any line is skipped, so that an older
        // validity never stands in for a newer one that does not take part
        last = pair;
        // interim settlement: day runs only
        if (ctx.Lfn > 0 && ctx.TopasFlag == 0 && l.Lu1Ztr == 0) continue;
        if (call.Dest->RetroLinesOnly && l.Lu1Rre != 1) continue;
        if (l.Lu1Lgr.empty()) l.Lu1Lgr = "     ";
        if (call.Folgemonat == 0 ? l.Lu1Flg != 0 : l.Lu1Flg != call.FolgeNr) continue;
        if (l.Lu1Ztr != 0) {
          // one set of runs per cost centre and unit of the account
          if ((topasInterim || m.ZkbZtr == 1) && done.Runs.insert(CostKey(m, l)).second) BuildTagesfolgen(call, m, l);
        } else if (topasInterim || m.ZkbZtr == 3) {
          if (l.Lu1Tgw != 0) DayAccount(call, m, l, done);
          else MonthAccount(call, m, l, done);
        }
      }
    }
    m = ZkbMonat{};
  }
  CheckFetch(st, "Warnung Monatszeitkonto-Status: %d, Pnr: %s", pnr);
  (void)SQL_Qvx331Zkb_CloseMonat(monat);
}

void BuildTagesfolgen(const TransferCall& call, const ZkbMonat& m, const Lu1Row& l) {
  // Runs are built from the bookings of the month row's cost centre and unit
  // and carry them; a further month row of the same cost centre and unit
  // (another cost type, ZkbStg or ZkbSta) finds its bookings in these runs.
  const RunContext& ctx = *call.Context;
  const std::string& pnr = call.Bsv->BsvPnr;
  const FolgeKeys keys{m.KeyZkt, m.KeyKst, m.KeyKtr};
  TagCursor folge;
  RequireRead(SQL_Qvx331Zkb_OpenFolge(folge, pnr, m.ZkbZkt, m.ZkbKst, m.ZkbKtr, ctx.AbrVon, ctx.AbrBis, l.Lu1Ztr,
                                      &keys),
              "Qvx331Zkb");
  Tagesfolge f;
  bool open = false;
  std::string prevDay;
  int16_t prevArt = 0;
  bool prevSollNull = false;
  ZkbTag b;
  int st;
  while ((st = SQL_Qvx331Zkb_FetchFolge(folge, b)) == 0) {
    // A second booking of the account on the same day joins the run that
    // holds the day: its minutes are added, the day is not counted again.
    bool sameDay = open && b.ZkbDtm == prevDay;
    int16_t art = sameDay ? prevArt : HalbtagArt(pnr, b.ZkbDtm);
    bool sollNull = sameDay ? prevSollNull : (l.Lu1Sol != 0 && SollNull(pnr, b.ZkbDtm));
    int32_t tenths = sameDay ? 0 : (art == 1 ? 5 : 10);
    int32_t minutes = b.ZkbStd;
    if (l.Lu1Svk != 0 && call.Dest->FeedsStatistics) call.Calc->Stat.SvkSum += tenths;
    if (sollNull) tenths = minutes = 0;

    if (!open) {
      f = Tagesfolge{b.ZkbDtm, b.ZkbDtm, minutes, tenths, art};
      open = true;
    } else if (sameDay) {
      f.Minutes += minutes;
    } else if (art == f.Art && NextDay(*call.Answers, f.Bis) == b.ZkbDtm) {
      f.Bis = b.ZkbDtm;
      f.Minutes += minutes;
      f.Tenths += tenths;
    } else {
      // another kind of day (half or whole), a gap, or a day the calendar
      // does not know: the run ends before the booking, which opens the
      // next one
      WriteFolge(call, m, l, f);
      f = Tagesfolge{b.ZkbDtm, b.ZkbDtm, minutes, tenths, art};
    }
    prevDay = b.ZkbDtm;
    prevArt = art;
    prevSollNull = sollNull;
    b = ZkbTag{};
  }
  if (st == -1) AbortRun(60);
  if (open) WriteFolge(call, m, l, f);
  (void)SQL_Qvx331Zkb_CloseFolge(folge);
}

int32_t CountPrueftage(TransferAnswers& answers, const std::string& pnr, const std::string& von, const std::string& bis,
                       const std::string& zkt, const std::string& zktKey, const std::string& kst,
                       const std::string& krt, const std::string& ktr, const std::string& akr, const Lu1Row& lu1,
                       const std::string& kstKey, const std::string& ktrKey) {
  (void)krt;  // the days do not depend on the cost type
  int32_t result = 0;
  const FolgeKeys keys{zktKey, kstKey, ktrKey};
  PruefCursor pruef;
  RequireRead(SQL_Qvx327Tag_OpenPruef(pruef, pnr, zkt, kst, von, bis, akr, ktr, &keys), "Qvx327Tag");
  std::string day, htv, htn, htvKey, htnKey;
  while (SQL_Qvx327Tag_FetchPruef(pruef, day, htv, htn, htvKey, htnKey) == 0) {
    int32_t add = 10, sub = 0, target = 480;
    if (lu1.Lu1Sol != 0) {
      target = 0;
      if (SQL_Qvx320Tgb_GetSol(pnr, day, target) == 0 && target == 0) add = 0;
    }
    if (target > 0) {
      for (auto [code, codeKey] : {std::make_pair(&htv, &htvKey), std::make_pair(&htn, &htnKey)}) {
        RTrim(*code);
        if (code->empty()) continue;
        // the account of the code is the booking's account as the server
        // compares them
        std::string fcdZktKey;
        if (FcdZkt(answers, *code, *codeKey, fcdZktKey) == 0 && (fcdZktKey == zktKey || lu1.Lu1Sts == 102)) {
          add += 5;
          sub = 10;
        }
      }
    }
    result += add - sub;
    day.clear();
    htv.clear();
    htn.clear();
    htvKey.clear();
    htnKey.clear();
  }
  (void)SQL_Qvx327Tag_ClosePruef(pruef);
  return result;
}

// ---------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------

// The month rows sum every booking once: the wage-type lines only decide
// which accounts and kinds take part (an account with several lines would
// otherwise be summed once per line). Rows of one account and cost centre and
// unit that differ in cost type end in one month-account record, which takes
// the cost type of each row it is added to; the period bookings come in the
// order of their last booking, so that the record carries the cost type of
// the latest booking. (Day runs carry the cost type of the first row.)
[[nodiscard]] int SQL_Qvx331Zkb_OpenMonat(const RunContext& ctx, MonatCursor& monat, const std::string& pnr,
                                          const std::string& von, const std::string& bis, int16_t lfn,
                                          const std::string& lugLug, int16_t followNr) {
  if (monat.Serve(BatchMonat(ctx, pnr, von, bis, lfn, lugLug, followNr, monat.Rows))) return 0;
  const std::string columns =
      "SELECT ZkbPnr, ZkbZtr, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, SUM(ZkbStd), SUM(ZkbTge),"
      " ZkbStg, ZkbSta, " +
      SqlKeyColumn("ZkbZkt") + ", " + SqlKeyColumn("ZkbKst") + ", " + SqlKeyColumn("ZkbKtr") +
      " FROM Qvx331Zkb WHERE ZkbPnr = '%s'";
  const char* tail =
      " GROUP BY ZkbPnr, ZkbZtr, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStg, ZkbSta"
      " ORDER BY ZkbZkt, ZkbZtr, ZkbKst, ZkbKtr, CASE WHEN ZkbZtr = 3 THEN MAX(ZkbDtm) END, ZkbKrt, ZkbStg,"
      " ZkbSta";
  if (ctx.TopasFlag != 0 && lfn == 2)
    return SqlOpen(monat.Sql,
                   SqlFormat(columns + " AND ZkbZtr = 1 AND ZkbDtm >= '%s' AND ZkbDtm <= '%s'" + tail, pnr, von, bis));
  return SqlOpen(monat.Sql, SqlFormat(columns +
                                          " AND ZkbDtm >= '%s' AND ZkbDtm <= '%s'"
                                          " AND ((ZkbZtr = 3 AND EXISTS (SELECT 1 FROM Qvx171Lu1 WHERE Lu1Num = '%s'"
                                          " AND Lu1Ztk = ZkbZkt AND Lu1Ztr = 0))"
                                          " OR (ZkbZtr = 1 AND EXISTS (SELECT 1 FROM Qvx171Lu1 WHERE Lu1Num = '%s'"
                                          " AND Lu1Ztk = ZkbZkt AND Lu1Ztr = 1)))" +
                                          tail,
                                      pnr, von, bis, lugLug, lugLug));
}

[[nodiscard]] int SQL_Qvx331Zkb_FetchMonat(MonatCursor& monat, ZkbMonat& m) {
  if (monat.Served()) return monat.Next(m);
  return SqlFetchInto(monat.Sql, m.ZkbPnr, m.ZkbZtr, m.ZkbKst, m.ZkbKtr, m.ZkbKrt, m.ZkbZkt, m.ZkbStd, m.ZkbTge,
                      m.ZkbStg, m.ZkbSta, m.KeyZkt, m.KeyKst, m.KeyKtr);
}

[[nodiscard]] int SQL_Qvx331Zkb_CloseMonat(MonatCursor& monat) { return monat.Close(); }

[[nodiscard]] int SQL_Qvx171Lu1_Open(SqlCursor& lu1, const std::string& lugLug, const std::string& stz,
                                     const std::string& zkt, const std::string& von, const std::string& bis) {
  return SqlOpen(lu1,
                 SqlFormat("SELECT Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, date_format(Lu1Gvo, '%%Y.%%m.%%d'),"
                           " date_format(Lu1Gbi, '%%Y.%%m.%%d'), Lu1Rre, Lu1Tgw, Lu1Kst, Lu1Ktr, Lu1Krt,"
                           " Lu1Tge, Lu1Sol, Lu1Svk, Lu1Flg, Lu1Lfn, Lu1Sts, Lu1Fkt, Lu1Ztr, Lu1Mog, Lu1Sta, " +
                               SqlKeyColumn("Lu1Stz") + ", " + SqlKeyColumn("Lu1Ztk") + ", " + SqlKeyColumn("Lu1Lna") +
                               " FROM Qvx171Lu1 WHERE Lu1Num = '%s' AND Lu1Stz = '%s' AND Lu1Ztk = '%s'"
                               " AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s'"
                               " AND (Lu1Gbi IS NULL OR date_format(Lu1Gbi, '%%Y.%%m.%%d') >= '%s')"
                               " ORDER BY Lu1Ztk, Lu1Lna, Lu1Gvo DESC",
                           lugLug, stz, zkt, von, bis));
}

[[nodiscard]] int SQL_Qvx171Lu1_Fetch(SqlCursor& lu1, Lu1Row& l) {
  int st = SqlFetchInto(lu1, l.Lu1Num, l.Lu1Stz, l.Lu1Ztk, l.Lu1Lna, l.Lu1Lgr, l.Lu1Gvo, l.Lu1Gbi, l.Lu1Rre, l.Lu1Tgw,
                        l.Lu1Kst, l.Lu1Ktr, l.Lu1Krt, l.Lu1Tge, l.Lu1Sol, l.Lu1Svk, l.Lu1Flg, l.Lu1Lfn, l.Lu1Sts,
                        l.Lu1Fkt, l.Lu1Ztr, l.Lu1Mog, l.Lu1Sta, l.KeyStz, l.KeyZtk, l.KeyLna);
  if (st == 0 && l.Lu1Flg == -9) l.Lu1Flg = 0;
  return st;
}

[[nodiscard]] int SQL_Qvx171Lu1_Close(SqlCursor& lu1) { return dbClose(lu1); }

namespace {
// Formed when the statement is: the key columns follow the run's key
// collation, which is known only once the server has been checked.
std::string TagColumns() {
  return "SELECT ZkbPnr, ZkbZtr, date_format(ZkbDtm, '%%Y.%%m.%%d'), ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge,"
         " ZkbStg, ZkbSta, ZkbDat, " +
         SqlKeyColumn("ZkbKst") + ", " + SqlKeyColumn("ZkbKtr") + " FROM Qvx331Zkb";
}

int FetchTag(SqlCursor& c, ZkbTag& d) {
  return SqlFetchInto(c, d.ZkbPnr, d.ZkbZtr, d.ZkbDtm, d.ZkbKst, d.ZkbKtr, d.ZkbKrt, d.ZkbZkt, d.ZkbStd, d.ZkbTge,
                      d.ZkbStg, d.ZkbSta, d.ZkbDat, d.KeyKst, d.KeyKtr);
}
}  // namespace
[[nodiscard]] int SQL_Qvx331Zkb_OpenTag(TagCursor& tag, const std::string& pnr, const std::string& zkt,
                                        const std::string& von, const std::string& bis, const std::string* zktKey) {
  if (tag.Serve(zktKey && BatchTag(pnr, *zktKey, von, bis, tag.Rows))) return 0;
  return SqlOpen(tag.Sql, SqlFormat(TagColumns() + " WHERE ZkbPnr = '%s' AND ZkbZtr = 1 AND ZkbZkt = '%s'"
                                                   " AND ZkbDtm >= '%s' AND ZkbDtm <= '%s'"
                                                   " ORDER BY ZkbZkt, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt",
                                    pnr, zkt, von, bis));
}

[[nodiscard]] int SQL_Qvx331Zkb_FetchTag(TagCursor& tag, ZkbTag& d) {
  return tag.Served() ? tag.Next(d) : FetchTag(tag.Sql, d);
}
[[nodiscard]] int SQL_Qvx331Zkb_CloseTag(TagCursor& tag) { return tag.Close(); }

[[nodiscard]] int SQL_Qvx331Zkb_OpenFolge(TagCursor& folge, const std::string& pnr, const std::string& zkt,
                                          const std::string& kst, const std::string& ktr, const std::string& von,
                                          const std::string& bis, int16_t ztr, const FolgeKeys* keys) {
  if (folge.Serve(keys && BatchFolge(pnr, keys->Zkt, keys->Kst, keys->Ktr, von, bis, ztr, folge.Rows))) return 0;
  return SqlOpen(folge.Sql,
                 SqlFormat(TagColumns() + " WHERE ZkbPnr = '%s' AND ZkbZkt = '%s' AND ZkbZtr = 1"
                                          " AND ZkbKst = '%s' AND ZkbKtr = '%s'"
                                          " AND ZkbDtm >= '%s' AND ZkbDtm <= '%s' AND (ZkbStd > 0 OR %d != 0)"
                                          " ORDER BY ZkbDtm, ZkbKrt",
                           pnr, zkt, kst, ktr, von, bis, ztr));
}

[[nodiscard]] int SQL_Qvx331Zkb_FetchFolge(TagCursor& folge, ZkbTag& d) {
  return folge.Served() ? folge.Next(d) : FetchTag(folge.Sql, d);
}
[[nodiscard]] int SQL_Qvx331Zkb_CloseFolge(TagCursor& folge) { return folge.Close(); }

[[nodiscard]] int SQL_Qvx320Tgb_GetSol(const std::string& pnr, const std::string& day, int32_t& sol) {
  sol = 0;
  return ServedOr([&](int& st) { return BatchTgbSol(pnr, day, st, sol); },
                  [&] {
                    return SqlSelectOne(
                        SqlFormat("SELECT TgbSol FROM Qvx320Tgb WHERE TgbPnr = '%s' AND TgbZtr = 1 AND TgbDtm = '%s'",
                                  pnr, day),
                        sol);
                  });
}

[[nodiscard]] int SQL_Qvx133Bak_NextDay(const std::string& day, std::string& next) {
  next.clear();
  return SqlSelectOne(SqlFormat("SELECT date_format(date_add(BakDtm, interval 1 day), '%%Y.%%m.%%d')"
                                " FROM Darvonix.Qvx133Bak WHERE BakDtm = '%s'",
                                day),
                      next);
}

[[nodiscard]] int SQL_Qvx327Tag_OpenPruef(PruefCursor& pruef, const std::string& pnr, const std::string& zkt,
                                          const std::string& kst, const std::string& von, const std::string& bis,
                                          const std::string& akr, const std::string& ktr, const FolgeKeys* keys) {
  if (pruef.Serve(keys && BatchPruef(pnr, keys->Zkt, keys->Kst, von, bis, akr, keys->Ktr, pruef.Rows))) return 0;
  return SqlOpen(
      pruef.Sql,
      SqlFormat("SELECT DISTINCT date_format(TagTag, '%%Y.%%m.%%d'), TagHtv, TagHtn, " + SqlKeyColumn("TagHtv") + ", " +
                    SqlKeyColumn("TagHtn") +
                    " FROM Qvx327Tag"
                    " WHERE TagPnr = '%s' AND TagTag IN (SELECT ZkbDtm FROM Qvx331Zkb, Qvx171Lu1, O1001AbrKreis"
                    " WHERE ZkbPnr = '%s' AND ZkbZtr = 1 AND ZkbDtm >= '%s' AND ZkbDtm <= '%s'"
                    " AND ZkbKst = '%s' AND ZkbKtr = '%s' AND ZkbZkt = '%s'"
                    " AND ((ZkbStd > 0) OR (ZKBSTD = 0 AND Lu1Art = 1)) AND ZkbZkt = Lu1Ztk"
                    " AND Lu1Num = AkrLug AND AkrNum = '%s')",
                pnr, pnr, von, bis, kst, ktr, zkt, akr));
}

[[nodiscard]] int SQL_Qvx327Tag_FetchPruef(PruefCursor& pruef, std::string& day, std::string& htv, std::string& htn,
                                           std::string& htvKey, std::string& htnKey) {
  if (pruef.Served()) {
    PruefRow r;
    int st = pruef.Next(r);
    if (st == 0) {
      day = r.Day;
      htv = r.Htv;
      htn = r.Htn;
      htvKey = r.HtvKey;
      htnKey = r.HtnKey;
    }
    return st;
  }
  return SqlFetchInto(pruef.Sql, day, htv, htn, htvKey, htnKey);
}

[[nodiscard]] int SQL_Qvx327Tag_ClosePruef(PruefCursor& pruef) { return pruef.Close(); }

[[nodiscard]] int SQL_Qvx131Fcd_GetZkt(const std::string& code, std::string& zkt, std::string& zktKey) {
  return SqlSelectOne(SqlFormat("SELECT FcdZkt, " + SqlKeyColumn("FcdZkt") + " FROM Qvx131Fcd WHERE FcdNum = '%s'",
                                code),
                      zkt, zktKey);
}

const TransferDest kRetroRecords = {RetroValue, RetroRun, true, false, false};

const TransferDest& ZwischenTransferDest() {
  static const TransferDest dest = {kTransferRecords.WriteValue, ZwischenRun, false, true, true};
  return dest;
}
