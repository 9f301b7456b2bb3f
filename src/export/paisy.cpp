#include "export/paisy.h"

#include <cmath>
#include <cstdlib>

#include "calc/interface_record.h"
#include "export/exact_sums.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace paisy {

std::string FirmKey(const RunContext& ctx, const LugRecord& lug) {
  std::string firm = lug.LugFir;
  if (firm.empty()) firm = lug.LugAkr;
  if (firm.empty()) firm = ctx.Akr;
  if (!firm.empty() && firm[0] == '_') firm[0] = ' ';
  return SubStr(firm, 0, 2);
}

AccountingDate AccountingDateOf(const std::string& bdt, int lugMon, int lugDtm, bool logCarry) {
  AccountingDate d;
  int32_t date = DateToLong(bdt);
  d.Abt = lugDtm == 3 ? 0 : date % 100;
  int32_t ym = ShiftMonth(date / 100, lugMon);
  if (ym / 100 < date / 10000) {
    if (logCarry) Log("Qvx331Zk1-Datum-1: %s", bdt);
  } else if (ym / 100 > date / 10000) {
    if (logCarry) Log("Qvx331Zk1-Datum+12: %s", bdt);
  }
  int yy = (ym / 100) % 100;
  int mm = ym % 100;
  d.Abd = mm * 100 + yy;
  if (d.Abt > 28 && lugMon != 0) d.Abt = MonthLength(ym);
  return d;
}

bool ApplyAssignment(RunContext& ctx, WageTypeCache& cache, const std::string& lugLug, TransferRecord& r,
                     Lu1Line& line) {
  int st = CachedWageTypeLookup(cache, lugLug, r, line);
  if (LeftOutForUnreadLine(ctx, st, r, "Lesefehler Qvx171Lu1, Sqlfhl: %d")) return false;
  if (st != 0) return true;
  if (line.Lu1Ktr == 0) r.Zk1Ktr = " ";
  if (line.Lu1Krt == 0) r.Zk1Krt = " ";
  if (line.Lu1Kst == 0) r.Zk1Kst = " ";
  return true;
}

const Lg1Values& Lg1Get(std::map<std::string, Lg1Values>& cache, const std::string& lgp, const std::string& stz) {
  auto it = cache.find(stz);
  if (it != cache.end()) return it->second;
  Lg1Values v;
  std::string lg1Stz;
  v.Status = SqlSelectOne(SqlFormat("SELECT Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A  FROM Qvx170Lg1 "
                                    " WHERE Lg1Num = '%s'  AND Lg1Stz = '%s'",
                                    lgp, stz),
                          lg1Stz, v.Stt, v.Svt, v.Zes, v.P4A);
  if (v.Status != 0) v.Stt = v.Svt = v.Zes = v.P4A = 0;
  return cache.emplace(stz, v).first->second;
}

bool PersonFits(const TransferRecord& r) {
  std::string upn = r.Zk1Upn;
  if (RTrim(upn).size() <= 6) return true;
  LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
  return false;
}

void Accumulate(const std::string& insert, const std::function<std::string()>& update, const char* insertError,
                const char* updateError, const std::string& pnr) {
  const std::string table = InsertTable(insert);
  int st = StagedRow(table, SqlWrite(insert));
  if (st == kSqlDuplicate) {
    st = StagedRow(table, SqlWrite(update()), true);
    if (st != 0) ReportStatus(st, updateError, pnr, st);
  } else if (st != 0) {
    ReportStatus(st, insertError, pnr, st);
  }
}

void CheckRead(int status, const char* table) {
  if (status == 0 || status == kSqlNoMoreRows) return;
  ReportStatus(status, "Lesefehler %s, Sqlfhl: %d", table, status);
}

void ClearTable(const char* table) {
  int st = SqlWrite(Format("DELETE FROM %s ", table));
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler %s, Sqlfhl: %d", table, st);
}

int ForEachTransferRecord(int32_t abr, int16_t lfn, const char* orderBy, const std::function<void(TransferRecord&)>& fn,
                          int32_t& count) {
  SqlCursor c;
  int st =
      SqlOpenStreamed(c, SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt,"
                                   " Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg,"
                                   " date_format(Zk1Von, '%%Y.%%m.%%d'), date_format(Zk1Bis, '%%Y.%%m.%%d'), Zk1Sts,"
                                   " Zk1Rre, Zk1Sta, Zk1Upn, Zk1Rrn  FROM Qvx331Zk1 "
                                   " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  ORDER BY %s",
                                   abr, lfn, orderBy));
  count = 0;
  while (st == 0) {
    TransferRecord r;
    st = SqlFetchTransfer(c, r, r.Zk1Rrn);
    if (st != 0) break;
    ++count;
    fn(r);
  }
  dbClose(c);
  return st;
}

void Run(const RunContext& ctx, const Variant& v, RunHeader& header) {
  Log(v.Started, ctx.Akr, ctx.Abrnr);
  if (ctx.AkrSsl == 1) {
    for (const char* table : v.Tables) ClearTable(table);
  }
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, header.Lug), "Qvx171Lug");
  header.Firm = FirmKey(ctx, header.Lug);

  int32_t count = 0;
  int st = ForEachTransferRecord(ctx.Abrnr, ctx.Lfn, v.OrderBy, v.Handle, count);
  if (v.LogReading) {
    if (!(st == kSqlNoMoreRows && count > 0)) Log("Abbruch Lesen aus Zk1, Fehler: %d", st);
    if (st == -1) AbortRun(60);
    Log("%d Datensätze aus Qvx333Zk1 übergeben.", count);
  } else {
    CheckRead(st, "Qvx331Zk1");
  }

  // the files are one hand-over
  ExportSet files;
  v.WriteFiles(files);
  files.Place(ctx);
  Log(v.Finished);
}

void WriteStagingFile(const RunContext& ctx, ExportSet& set, const std::string& name, const char* openFailure,
                      const std::string& select, size_t columns,
                      const std::function<std::string(const std::vector<std::string>&)>& lineOf) {
  set.RemoveOldWhenPlaced(name);
  ExportFile file;
  ExportFileCreate(ctx, file, "\\" + name, openFailure, &set);
  SqlCursor c;
  int st = SqlOpen(c, select);
  while (st == 0) {
    SqlRow row = nullptr;
    st = dbFetch(c, row);
    if (st != 0) break;
    std::vector<std::string> cols(columns);
    for (size_t i = 0; i < cols.size(); ++i) cols[i] = row[i] ? row[i] : "";
    std::string line = lineOf(cols);
    if (!line.empty()) ExportWrite(file, line + "\n");
  }
  dbClose(c);
  CheckRead(st, name.c_str());
  ExportFileClose(file);
}

void LogOverflow(const std::string& prs) {
  std::string pnr = prs;
  Log("   ->Pnr %s : Überlauf Stundenwert !!!", Trim(pnr));
}

std::string ZonedNumber(double value, size_t width, const std::string& prs) {
  std::string digits = Format("%.0f", std::fabs(value));
  if (digits.size() > width) {
    LogOverflow(prs);
    digits.assign(width, '9');
  }
  digits = PadLeft(digits, width, '0');
  bool negative = value < 0 && digits.find_first_not_of('0') != std::string::npos;
  if (negative) digits.back() = static_cast<char>('p' + (digits.back() - '0'));
  return digits;
}

std::string PersonOfLine(const std::string& field) {
  std::string p = field;
  return Trim(p);
}

double ZonedValue(std::string_view digits) {
  std::string text(digits);
  bool negative = !text.empty() && text.back() >= 'p' && text.back() <= 'y';
  if (negative) text.back() = static_cast<char>('0' + (text.back() - 'p'));
  double value = WrittenNumber(text);
  return negative ? -value : value;
}

std::string FitNumberText(const std::string& text, size_t width, char pad, const std::string& prs) {
  if (text.size() <= width) return PadLeft(text, width, pad);
  LogOverflow(prs);
  return std::string(width, '9');
}

}  // namespace paisy

using namespace paisy;

namespace {

// What lives for one PAISY export.
struct PaisyRun : RunHeader {
  WageTypeCache Lines;
  std::map<std::string, Lg1Values> Lg1;
  bool HavePerson = false;
  std::string LastPnr;
  double Stt = 0, Svt = 0, Ant = 0;  // day values of the current person
  bool P4 = false;                   // P4 records are produced for the current person
  bool MonthOpen = false;            // the day values opened the P4 row of the run's month
};

// Values derived from one transfer record.
struct RecordValues {
  AccountingDate Date;
  int Abn = 1;
  int32_t Lhn = 0;  // six digits do not fit 16 bits
  std::string Prs, Lhg, Kst, Lna3;
  double Mog = 0;  // factor of the wage-type line (0: none)
  // hours and amount exactly, in units of 1/6000000 (a minute is 100000)
  int64_t Hours = 0, Amount = 0;
};

// Stt and Svt travel as texts; 999 marks "not handed over" and is empty.
std::string DayText(double v) { return v == 999 ? std::string() : Format("%ld", static_cast<int32_t>(v)); }

std::string Ddmmyy(const std::string& ymd) { return SubStr(ymd, 8, 2) + SubStr(ymd, 5, 2) + SubStr(ymd, 2, 2); }

void InsertP4(const PaisyRun& s, const RecordValues& d, double bta, double bas, double stt, double svt, double ana,
              double kra, const std::function<std::string()>& update) {
  Accumulate(SqlFormat("INSERT INTO Qvx333Ps4 (Ps4Stz, Ps4Frm, Ps4Prs, Ps4Abd, Ps4Abn, Ps4Dne, Ps4F37, Ps4Bta,"
                       " Ps4St1, Ps4F33, Ps4Bas, Ps4St2, Ps4F12, Ps4Sta, Ps4St3, Ps4F13, Ps4Sva, Ps4St4, Ps4F14,"
                       " Ps4Ana, Ps4St5, Ps4F15, Ps4Kra, Ps4St6, Ps4F22, Ps4Arn, Ps4St7) VALUES ('P4', '%s', '%s',"
                       " %ld, %d, '1', 37, %f, '*', 33, %f, '*', 12, '%s', '*', 13, '%s', '*', 14, %f, '*', 15, %f,"
                       " '*', 22, '1', '*')",
                       s.Firm, d.Prs, d.Date.Abd, d.Abn, bta, bas, DayText(stt), DayText(svt), ana, kra),
             update, "Qvx333Ps4-InsertFehler, Pnr: %s, Sqlfhl: %d", "Qvx333Ps4-UpdateFehler, Pnr: %s, Sqlfhl: %d",
             s.LastPnr);
}

std::string P4Where(const PaisyRun& s, const RecordValues& d) {
  return SqlFormat(" WHERE Ps4Stz = 'P4'  AND Ps4Frm = '%s'  AND Ps4Prs = '%s'  AND Ps4Abd = %ld  AND Ps4Abn = %d",
                   s.Firm, d.Prs, d.Date.Abd, d.Abn);
}

// First record of a person in the run's period: the person's day values of
// the month and the P4 row they open; a duplicate adds the day counts to the
// stored row (the text values Stt and Svt as numbers; an empty one stays
// empty). A retro or following-month record before it opens nothing, so the
// month's days never go under an earlier month.
void OpenMonth(const RunContext& ctx, PaisyRun& s, const RecordValues& d, const Lg1Values& lg1) {
  s.MonthOpen = true;
  int st = SqlSelectOne(SqlFormat("SELECT Zk2Stt, Zk2Svt, Zk2Ant  FROM Qvx331Zk2  WHERE Zk2Abr = %ld "
                                  " AND Zk2Pnr = '%s'  AND Zk2Rre < 2",
                                  ctx.Abrnr, s.LastPnr),
                        s.Stt, s.Svt, s.Ant);
  CheckRead(st, "Qvx331Zk2");
  s.P4 = true;
  if (lg1.P4A != 0 && s.Stt == 30 && s.Svt == 30) {
    s.P4 = false;
    return;
  }
  InsertP4(s, d, 0, 0, s.Stt, s.Svt, s.Ant, 0, [&] {
    return SqlFormat(
               "UPDATE Qvx333Ps4 SET Ps4Bta = Ps4Bta + %f, Ps4Bas = Ps4Bas + %f,"
               " Ps4Sta = IF(Ps4Sta = '', Ps4Sta, Ps4Sta + %f), Ps4Sva = IF(Ps4Sva = '', Ps4Sva, Ps4Sva + %f),"
               " Ps4Ana = Ps4Ana + %f, Ps4Kra = Ps4Kra + %f",
               0.0, 0.0, s.Stt, s.Svt, s.Ant, 0.0) +
           P4Where(s, d);
  });
}

void StartPerson(const RunContext& ctx, PaisyRun& s, const TransferRecord& r, const RecordValues& d,
                 const Lg1Values& lg1) {
  s.HavePerson = true;
  s.LastPnr = r.Zk1Pnr;
  s.Stt = s.Svt = s.Ant = 0;
  s.P4 = true;
  s.MonthOpen = false;
  if (InRunPeriod(ctx, r)) OpenMonth(ctx, s, d, lg1);
}

void AddP1(const PaisyRun& s, const TransferRecord& r, RecordValues& d) {
  // the factor has four decimals: the units stay whole numbers
  if (d.Mog != 0) d.Hours = d.Hours / 10000 * std::llround(d.Mog * 10000);
  if (d.Hours == 0 && d.Amount == 0) {
    HandedOverNothing();
    return;
  }
  // hours and amount follow the exact sums, six decimals (assignments run
  // from left to right)
  Accumulate(
      SqlFormat("INSERT INTO Qvx333Ps1 (Ps1Stz, Ps1Frm, Ps1Prs, Ps1Abt, Ps1Abd, Ps1Abn, Ps1Dne, Ps1Lhn,"
                " Ps1Ztd, Ps1Lhg, Ps1Btr, Ps1Kst, Ps1Zex, Ps1Bex) VALUES ('P1', '%s', '%s', %d, %ld, %d, '1',"
                " %ld, ROUND(%lld / 6000000E0, 6), '%s', ROUND(%lld / 6000000E0, 6), '%s', %lld, %lld)",
                s.Firm, d.Prs, d.Date.Abt, d.Date.Abd, d.Abn, d.Lhn, d.Hours, d.Lhg, d.Amount, d.Kst, d.Hours,
                d.Amount),
      [&] {
        return SqlFormat(
            "UPDATE Qvx333Ps1 SET Ps1Zex = Ps1Zex + %lld, Ps1Bex = Ps1Bex + %lld, "
            "Ps1Ztd = ROUND(Ps1Zex / 6000000E0, 6), Ps1Btr = ROUND(Ps1Bex / 6000000E0, 6) "
            " WHERE Ps1Stz = 'P1'  AND Ps1Frm = '%s'  AND Ps1Prs = '%s'  AND Ps1Abt = %d "
            " AND Ps1Abd = %ld  AND Ps1Abn = %d  AND Ps1Lhn = %ld  AND Ps1Lhg = '%s' "
            " AND Ps1Kst = '%s'",
            d.Hours, d.Amount, s.Firm, d.Prs, d.Date.Abt, d.Date.Abd, d.Abn, d.Lhn, d.Lhg, d.Kst);
      },
      "Qvx333PS1-InsertFehler, Pnr: %s, Sqlfhl: %d", "Qvx333Ps1-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr);
}

void AddP4(const RunContext& ctx, PaisyRun& s, const TransferRecord& r, const RecordValues& d, const Lg1Values& lg1) {
  if (!s.P4) return;
  double bta = 0, bas = 0, kra = 0;
  if (r.Zk1Sts == 3) bas = r.Zk1Std;
  if (r.Zk1Sts == 103) bta = r.Zk1Tge * 0.1;
  if (r.Zk1Sts == 108) kra = r.Zk1Tge * 0.1;
  if (lg1.Stt == 0) s.Stt = 999;
  if (lg1.Svt == 0) s.Svt = 999;
  // the day values belong to the run's month only
  double stt = InRunPeriod(ctx, r) ? s.Stt : 999, svt = InRunPeriod(ctx, r) ? s.Svt : 999;
  InsertP4(s, d, bta, bas, stt, svt, 0, kra, [&] {
    return SqlFormat(
               "UPDATE Qvx333Ps4 SET Ps4Bta = Ps4Bta + %f, Ps4Bas = Ps4Bas + %f, Ps4Sta = '%s', Ps4Sva = '%s',"
               " Ps4Ana = Ps4Ana + %f, Ps4Kra = Ps4Kra + %f",
               bta, bas, DayText(stt), DayText(svt), 0.0, kra) +
           P4Where(s, d);
  });
}

// Bounds of an absence period that reaches beyond the accounting period
// (von/bis): a period that began before it is sent with its true start, one
// that goes on after it without end date. Absence periods are rare, so the
// day-by-day reads here cost little.
void ZeitraumGrenzen(TransferRecord& r, const std::string& von, const std::string& bis, std::string& start) {
  start.clear();
  std::string s, e, a;
  int st = SqlSelectOne(SqlFormat("SELECT date_format(Max(TgbDtm), '%%Y.%%m.%%d')  FROM Qvx320Tgb "
                                  " WHERE TgbPnr = '%s'  AND TgbZtr = 1  AND TgbDtm < '%s'",
                                  r.Zk1Pnr, r.Zk1Von),
                        a);
  CheckRead(st, "Qvx320Tgb");
  if (st == 0 && !a.empty() && von > a) {
    SqlCursor days;
    st = SqlOpen(days, SqlFormat("SELECT date_format(TgbDtm, '%%Y.%%m.%%d')  FROM Qvx320Tgb  WHERE TgbPnr = '%s' "
                                 " AND TgbDtm <= '%s'  AND TgbZtr = 1  ORDER BY TgbDtm DESC",
                                 r.Zk1Pnr, a));
    while (st == 0) {
      std::string day, booked;
      st = SqlFetchInto(days, day);
      if (st != 0) break;
      st = SqlSelectOne(SqlFormat("SELECT date_format(ZkbDtm, '%%Y.%%m.%%d')  FROM Qvx331Zkb  WHERE ZkbPnr = '%s' "
                                  " AND ZkbDtm = '%s'  AND ZkbZtr = 1  AND ZkbZkt = '%s'",
                                  r.Zk1Pnr, day, r.Zk1Zkt),
                        booked);
      if (st != 0) break;
      s = booked;
    }
    dbClose(days);
    CheckRead(st, "Qvx320Tgb/Qvx331Zkb");
    start = s;
  }
  std::string b;
  st = SqlSelectOne(SqlFormat("SELECT date_format(ZkbDtm, '%%Y.%%m.%%d')  FROM Qvx331Zkb  WHERE ZkbPnr = '%s' "
                              " AND ZkbZtr = 1  AND ZkbZkt = '%s'  AND ZkbDtm = (SELECT MIN(TgbDtm) FROM Qvx320Tgb "
                              " WHERE TgbPnr = '%s'  AND TgbZtr = 1  AND TgbSol > 0  AND TgbDtm > '%s')",
                              r.Zk1Pnr, r.Zk1Zkt, r.Zk1Pnr, r.Zk1Bis),
                    b);
  CheckRead(st, "Qvx331Zkb");
  if (st == 0 && !b.empty() && bis < b) e = b;
  if (!s.empty() && e.empty()) {
    r.Zk1Von = s;
  } else if (!s.empty()) {
    r.Zk1Von.clear();
    r.Zk1Bis.clear();
  } else if (!e.empty()) {
    r.Zk1Bis.clear();
  }
}

void AddP3(const RunContext& ctx, const PaisyRun& s, TransferRecord& r, const RecordValues& d) {
  std::string lna = r.Zk1Lna;
  if (RTrim(lna).size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                     "Lohnart zu lang für P3-Satz : %s", r.Zk1Upn);
    return;
  }
  // at this site absence periods are not handed over
  bool site = ctx.MndSto == "37708";
  std::string zet = "     ", bdt, edt;
  if (r.Zk1Rre == 2 && (r.Zk1Std < 0 || r.Zk1Tge < 0)) {
    // a reversal is sent with the dates of the period it cancels; the memo of
    // that period holds the minutes as a positive value
    if (!site) {
      int st = SqlSelectOne(
          SqlFormat("SELECT date_format(Zk5Von, '%%d%%m%%y'), date_format(Zk5Bis, '%%d%%m%%y')  FROM Qvx331Zk5 "
                    " WHERE Zk5Stz = 'P3'  AND Zk5Ktr = '%s'  AND Zk5Pnr = '%s'  AND Zk5Lna = '%s'  AND Zk5Std = %lld "
                    " AND (date_format(Zk5Von, '%%Y.%%m.%%d') = '%s'  OR date_format(Zk5Bis, '%%Y.%%m.%%d') = '%s')"
                    "  ORDER BY Zk5Von, Zk5Bis",
                    s.Firm, d.Prs, d.Lna3, std::llabs(static_cast<long long>(r.Zk1Std)), r.Zk1Von, r.Zk1Bis),
          bdt, edt);
      CheckRead(st, "Qvx331Zk5");
    }
    zet = "0";
  } else {
    std::string von = ctx.AbrVon, bis = ctx.AbrBis;
    if (r.Zk1Rre == 2 && r.Zk1Std > 0) {
      int st = SQL_Qvx330Abr_GetPeriod(ctx.Akr, r.Zk1Rrn, von, bis);
      if (st != 0) ReportStatus(st, "Fehler Lesen Qvx330Abr (6): %d", st);
    }
    std::string start;
    if (!site) ZeitraumGrenzen(r, von, bis, start);
    if (!r.Zk1Von.empty()) bdt = Ddmmyy(r.Zk1Von);
    if (!r.Zk1Bis.empty()) edt = Ddmmyy(r.Zk1Bis);
    if (r.Zk1Rre == 2 && r.Zk1Std > 0 && r.Zk1Von.empty() && r.Zk1Bis.empty()) {
      std::string found;
      int st = SqlSelectOne(SqlFormat("SELECT DATE_FORMAT(Zk1Bis, '%%d%%m%%y')  FROM Qvx331Zk1  WHERE Zk1Abr = %ld "
                                      " AND Zk1Stz = 'P3'  AND Zk1Pnr = '%s'  AND Zk1Zkt = '%s'  AND Zk1Lna = '%s' "
                                      " AND Zk1Rre = 2  AND Zk1Std < 0  AND DATE_FORMAT(Zk1Bis, '%%Y.%%m.%%d') <= '%s'",
                                      r.Zk1Abr, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, bis),
                            found);
      if (st == 0) {
        if (!start.empty()) bdt = Ddmmyy(start);
      } else if (st != kSqlNoMoreRows) {
        ReportStatus(st, "Fehler SearchDelete: %d", st);
      }
    }
  }
  if (bdt.empty() && edt.empty()) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "Zeitraum offen",
                     "Pnr: %s, Zkt: %s : Zeitraum offen=>kein P3", r.Zk1Pnr, r.Zk1Zkt);
    return;
  }
  if (site) return;
  // an open end is stored as NULL
  std::string edtValue = edt.empty() ? std::string("NULL") : SqlFormat("'%s'", edt);
  int st = SqlWrite(SqlFormat("INSERT INTO Qvx333Ps3 (Ps3Stz, Ps3Frm, Ps3Prs, Ps3Bdt, Ps3Abn, Ps3Lna, Ps3Zet, Ps3Edt)"
                              " VALUES ('P3', '%s', '%s', '%s', '1', '%s', '%s', ",
                              s.Firm, d.Prs, bdt, d.Lna3, zet) +
                    edtValue + ")");
  StagedRow("Qvx333Ps3", st);
  if (st == kSqlDuplicate && !edt.empty()) {
    st =
        SqlWrite(SqlFormat("UPDATE Qvx333Ps3 SET Ps3Edt = '%s'  WHERE Ps3Stz = 'P3'  AND Ps3Abn = '1' "
                           " AND Ps3Frm = '%s'  AND Ps3Prs = '%s'  AND Ps3Bdt = '%s'  AND Ps3Lna = '%s' "
                           " AND Ps3Zet = '%s'",
                           edt, s.Firm, d.Prs, bdt, d.Lna3, zet));
    StagedRow("Qvx333Ps3", st, true);
    if (st != 0) ReportStatus(st, "Qvx331Ps3-UpdateFehler, Pnr: %s  Fehler: %d", r.Zk1Pnr, st);
    return;
  }
  if (st != 0 && st != kSqlDuplicate) ReportStatus(st, "Qvx333Ps3-InsertFehler, Pnr: %s, Err: %d", r.Zk1Pnr, st);
  if (ctx.AkrRrm == 0) return;
  st = SqlWrite(SqlFormat("INSERT INTO Qvx331Zk5 (Zk5Key, Zk5Abr, Zk5Stz, Zk5Pnr, Zk5Lna, Zk5Ktr, Zk5Std, Zk5Zkt,"
                          " Zk5Lgr, Zk5Kst, Zk5Krt, Zk5Rre, Zk5Von, Zk5Bis) VALUES ('%s', %ld, 'P3', '%s', '%s', '%s',"
                          " %ld, '%s', '%s', '   ', '   ', 2, ",
                          ctx.RunKey, ctx.Abrnr, d.Prs, d.Lna3, s.Firm, r.Zk1Std, d.Lna3, d.Lna3) +
                SqlDateDdmmyy(bdt) + ", " + SqlDateDdmmyy(edt) + ")");
  StagedRow("Qvx331Zk5", st);
  if (st != 0 && st != kSqlDuplicate) ReportStatus(st, "Qvx331Zk5-InsertFehler, Pnr: %s, Err: %d", r.Zk1Pnr, st);
}

void HandleRecord(RunContext& ctx, PaisyRun& s, TransferRecord& r) {
  if (!RecordFitsLine(r, "")) return;
  if (r.Zk1Rre == 0) r.Zk1Rre = 1;
  RecordValues d;
  d.Date = AccountingDateOf(r.Zk1Bdt, s.Lug.LugMon, ctx.Lug.LugDtm, true);
  d.Abn = r.Zk1Rre;
  Lu1Line line;
  if (!ApplyAssignment(ctx, s.Lines, s.Lug.LugLug, r, line)) return;
  d.Mog = line.Lu1Mog;
  const Lg1Values& lg1 = Lg1Get(s.Lg1, ctx.Lug.LugLgp, r.Zk1Stz);
  // logged for every record of the kind; -1 (no connection) ends the run
  if (lg1.Status != 0)
    ReportStatus(lg1.Status, "Qvx170Lg1-SelectFehler, Lgp: %s, Stz: %s, Sqlfhl: %d", ctx.Lug.LugLgp, r.Zk1Stz,
                 lg1.Status);
  std::string lna = r.Zk1Lna;
  if (RTrim(lna).size() > 6) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", r.Zk1Upn);
    return;
  }
  if (!PersonFits(r)) return;
  d.Lhn = ToLong(r.Zk1Lna);
  d.Prs = SubStr(r.Zk1Upn, 0, 6);
  d.Lhg = SubStr(r.Zk1Lgr, 0, 5);
  d.Kst = SubStr(r.Zk1Kst, 0, 6);
  d.Lna3 = SubStr(r.Zk1Lna, 0, 3);

  std::string kind = SubStr(r.Zk1Stz, 0, 2);
  constexpr int64_t kHour = 6000000;
  if (line.Lu1Bau == 1) d.Amount = int64_t{r.Zk1Std} * 100000;
  else if (r.Zk1Std == 0) d.Hours = int64_t{r.Zk1Tge} * 600000;
  else d.Hours = int64_t{r.Zk1Std} * 100000;
  if (kind != "P3" && std::llabs(d.Hours) > 999 * kHour) {
    d.Hours = (d.Hours > 0 ? 1 : -1) * (999 * kHour + 99 * kHour / 100);
    LeaveOutRecord("zu groß, gekappt", "PNR %s: Stundenwert zu groß f.Übergabe", r.Zk1Upn);
  }
  if (!s.HavePerson || r.Zk1Pnr != s.LastPnr) StartPerson(ctx, s, r, d, lg1);
  else if (!s.MonthOpen && InRunPeriod(ctx, r)) OpenMonth(ctx, s, d, lg1);

  if (kind == "P1" || kind == "LS") AddP1(s, r, d);
  else if (kind == "P4" || kind == "SS") AddP4(ctx, s, r, d, lg1);
  else if (kind == "P3") AddP3(ctx, s, r, d);
}

// "0123-" from -123: the sign stands behind the digits.
std::string SignBehind(std::string text) {
  if (!text.empty() && text[0] == '-') text = text.substr(1) + "-";
  return text;
}

std::string P1Line(const std::vector<std::string>& c) {
  double ztd = std::strtod(c[10].c_str(), nullptr);
  double btr = std::strtod(c[12].c_str(), nullptr);
  if (ztd == 0 && btr == 0) return std::string();
  std::string line = c[0] + c[1] + c[2] + c[3] + c[4] + (c[5] == "00" ? "  " : c[5]) + c[6] + c[7] + c[8];
  line += "10" + c[9] + "*";
  std::string hoursText, amountText;
  if (ztd != 0) {
    double h = ztd * 100;
    std::string text = Format("%05.0f", h);
    if (h > 99999 || (h > 0 && text.size() > 5)) {
      h = 99999;
      LogOverflow(c[3]);
    } else if (h < -9999 || (h < 0 && text.size() > 5)) {
      h = -9999;
      LogOverflow(c[3]);
    }
    hoursText = Format("%05.0f", h);
    line += "11" + SignBehind(hoursText) + "*";
  }
  std::string lhg = c[11];
  if (!Trim(lhg).empty()) line += "13" + lhg + "*";
  if (btr != 0) {
    double a = btr * 100;
    std::string text = Format("%09.0f", a);
    if (text.size() > 9) {
      LogOverflow(c[3]);
      text = a > 0 ? "999999999" : "-99999999";
    }
    amountText = text;
    line += "14" + SignBehind(text) + "*";
  }
  std::string kst = c[14];
  if (!Trim(kst).empty()) line += "20" + kst + "*";
  // hours and amount in hundredths; a line with both is counted by its hours
  if (!hoursText.empty()) HandedOverRecord(PersonOfLine(c[3]), c[9], WrittenNumber(hoursText) / 100, 0);
  else HandedOverRecord(PersonOfLine(c[3]), c[9], WrittenNumber(amountText) / 100, 0, true);
  return line;
}

std::string P3Line(const std::vector<std::string>& c) {
  std::string line;
  for (const std::string& col : c) line += col;
  // an absence period of the wage type, without value
  HandedOverRecord(PersonOfLine(c[3]), c[8], 0, 0);
  return line;
}

// A P4 line carries the person's day counts of a month, not one wage type:
// it counts as one record of "P4" with the minutes of field 33 as hours and
// the days of absence (37) and of illness (15) as days. The day values of
// the SS records are handed over here and nowhere else.
std::string P4Line(const std::vector<std::string>& c) {
  const std::string& prs = c[3];
  double minutes = 0, days = 0;
  std::string line;
  for (size_t i = 0; i < c.size(); ++i) {
    switch (i) {
      case 9:  // days of absence
        line += FitNumberText(c[i], 3, ' ', prs);
        days += WrittenNumber(line.substr(line.size() - 3));
        break;
      case 21:  // attendance days
        line += FitNumberText(c[i], 3, ' ', prs);
        break;
      case 12:  // minutes
        line += FitNumberText(c[i], 5, ' ', prs);
        minutes = WrittenNumber(line.substr(line.size() - 5));
        break;
      case 24:  // days of illness
        line += FitNumberText(c[i], 3, '0', prs);
        days += WrittenNumber(line.substr(line.size() - 3));
        break;
      case 15:
      case 18: line += Format("%-3s", c[i]); break;
      default: line += c[i];
    }
  }
  HandedOverRecord(PersonOfLine(prs), "P4", minutes / 60, days);
  return line;
}

}  // namespace

void PaisyLohnprogramm(RunContext& ctx) {
  PaisyRun s;
  paisy::Run(
      ctx,
      {
          .Started = "\nPaisy Lohnprogramm Akr: %s, Abrnr: %d gestartet",
          .Finished = "Paisy Lohnprogramm beendet",
          .Tables = {"Qvx333Ps1", "Qvx333Ps3", "Qvx333Ps4"},
          .OrderBy = "Zk1Pnr, Zk1Stz, Zk1Bdt, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Von, Zk1Bis",
          .LogReading = true,
          .Handle = [&](TransferRecord& r) { HandleRecord(ctx, s, r); },
          .WriteFiles =
              [&ctx](ExportSet& files) {
                WriteStagingFile(
                    ctx, files, "PaisyP1.txt", "Schnittstellendatei P1 kann nicht geoeffnet werden !",
                    "SELECT  LPAD(COALESCE(Ps1Stz, ' '), 2, ' '), LPAD(COALESCE(Ps1Frm, ' '), 2, ' '), "
                    "LPAD(COALESCE(Ps1F02, ' '), 2, ' '), RPAD(COALESCE(Ps1Prs, ' '), 6, ' '), "
                    "LPAD(COALESCE(Ps1F04, ' '), 4, ' '), LPAD(COALESCE(Ps1Abt, '0'), 2, '0'), "
                    "LPAD(COALESCE(Ps1Abd, '0'), 4, '0'), LPAD(COALESCE(Ps1Abn, '0'), 1, ' '), "
                    "LPAD(COALESCE(Ps1Dne, ' '), 1, ' '), LPAD(COALESCE(Ps1Lhn, '0'), 6, '0'), Ps1Ztd, "
                    "RPAD(COALESCE(Ps1Lhg, ' '), 4, ' '), Ps1Btr, LPAD(COALESCE(Ps1F05, ' '), 5, ' '), "
                    "LPAD(COALESCE(Ps1Kst, ' '), 6, ' '), LPAD(COALESCE(Ps1F25, ' '), 25,' ')  FROM Qvx333Ps1 "
                    " ORDER BY Ps1Prs, Ps1Abd, Ps1Abt, Ps1Abn, Ps1Lhn, Ps1Lhg, Ps1Kst",
                    16, P1Line);
                WriteStagingFile(ctx, files, "PaisyP3.txt", "Schnittstellendatei P3 kann nicht geoeffnet werden !",
                                 "SELECT lpad(COALESCE(Ps3Stz, ' '),  2, ' '),  lpad(COALESCE(Ps3Frm, ' '),  2, ' '),  "
                                 "lpad(COALESCE(Ps3F02, ' '),  2, ' '),  rpad(COALESCE(Ps3Prs, ' '),  6, ' '),  "
                                 "lpad(COALESCE(Ps3F04, ' '),  4, ' '),  lpad(COALESCE(Ps3Bdt, ' '),  6, ' '),  "
                                 "lpad(COALESCE(Ps3Abn, ' '),  1, ' '),  lpad(COALESCE(Ps3F01, ' '),  1, ' '),  "
                                 "lpad(COALESCE(Ps3Lna, ' '),  3, ' '),  lpad(COALESCE(Ps3Zet, ' '),  5, ' '),  "
                                 "lpad(COALESCE(Ps3F05, ' '),  5, ' '),  lpad(COALESCE(Ps3Edt, ' '),  6, ' '),  "
                                 "lpad(COALESCE(Ps3Res, ' '), 37, ' ')   FROM Qvx333Ps3  ORDER BY Ps3Prs, Ps3Lna, "
                                 "concat(substr(Ps3Bdt, 5, 2), substr(Ps3Bdt, 3, 2), substr(Ps3Bdt, 1, 2)), Ps3Zet",
                                 13, P3Line);
                // the four counts are padded here, so that a value that does not fit is
                // never cut
                WriteStagingFile(
                    ctx, files, "PaisyP4.txt", "Schnittstellendatei P4 kann nicht geoeffnet werden !",
                    "SELECT lpad(COALESCE(Ps4Stz, ' '), 2, ' '), lpad(COALESCE(Ps4Frm, ' '), 2, ' '), "
                    "lpad(COALESCE(Ps4F02, ' '), 2, ' '), rpad(COALESCE(Ps4Prs, ' '), 6, ' '), "
                    "lpad(COALESCE(Ps4F06, ' '), 6, ' '), lpad(COALESCE(Ps4Abd, '0'), 4, '0'), "
                    "lpad(COALESCE(Ps4Abn, '0'), 1, ' '), lpad(COALESCE(Ps4Dne, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F37, '0'), 2, ' '), COALESCE(Ps4Bta, 0), lpad(COALESCE(Ps4St1, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F33, '0'), 2, ' '), COALESCE(Ps4Bas, 0), lpad(COALESCE(Ps4St2, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F12, '0'), 2, ' '), rpad(COALESCE(Ps4Sta, ' '), 3, ' '), "
                    "lpad(COALESCE(Ps4St3, ' '), 1, ' '), lpad(COALESCE(Ps4F13, '0'), 2, ' '), "
                    "rpad(COALESCE(Ps4Sva, ' '), 3, ' '), lpad(COALESCE(Ps4St4, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F14, '0'), 2, ' '), COALESCE(Ps4Ana, 0), lpad(COALESCE(Ps4St5, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F15, '0'), 2, ' '), COALESCE(Ps4Kra, 0), lpad(COALESCE(Ps4St6, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F22, '0'), 2, ' '), lpad(COALESCE(Ps4Arn, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4St7, ' '), 1, ' '), lpad(COALESCE(Ps4F80, ' '), 14, ' ')  FROM Qvx333Ps4 "
                    " ORDER BY Ps4Prs, Ps4Abd, Ps4Abn",
                    30, P4Line);
              },
      },
      s);
}
