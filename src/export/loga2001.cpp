#include "export/loga2001.h"

#include <string>
#include <vector>

#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// A transfer record or a correction memo as this exporter reads it.
struct Loga2Record {
  TransferRecord Rec;  // Zk1Rre: the kind of a memo (3 insert, 4 delete)
  int16_t Zk1Inf = 0;
  double Zk1Su1 = 0;  // sequence number
};

// One row of Qvx333Lp2.
struct Lp2Row {
  std::string Lp2Fir;
  std::string Lp2Akr;
  std::string Lp2Pnr;
  std::string Lp2Lna;
  std::string Lp2Kst;
  std::string Lp2Dat;  // YYYY.MM.DD as read back
  double Lp2Pst = 0;   // days, as read back
  double Lp2Std = 0;   // hours, as read back
  int32_t Lp2Zhn = 0;  // tenths of a day and minutes written; the days and
  int32_t Lp2Min = 0;  // hours are formatted from their sums
  int16_t Lp2Rre = 0;  // 0 value, 3 insert, 4 delete
};

// State of one export.
struct Loga2Run {
  WageTypeCache Lines;
  LugRecord Header;
  std::string Firm;
  std::string Today;  // YYYY-MM-DD
  int32_t LpcIdx = 1;
  int32_t Lp1Idx = 1;
};

[[nodiscard]] int SQL_Qvx333Lp2_Delete() { return SqlWrite("DELETE FROM Qvx333Lp2 "); }
[[nodiscard]] int SQL_Qvx333Lpc_Delete() { return SqlWrite("DELETE FROM Qvx333Lpc "); }
[[nodiscard]] int SQL_Qvx333Lp1_Delete() { return SqlWrite("DELETE FROM Qvx333Lp1 "); }

// A NULL maximum (empty table) leaves the value unchanged.
[[nodiscard]] int SQL_Qvx333Lp_GetMaxIdx(int32_t& lp1, int32_t& lpc) {
  int st = SqlSelectOne("SELECT max(Lp1Idx) FROM Qvx333Lp1", lp1);
  if (st != 0) return st;
  return SqlSelectOne("SELECT max(LpcIdx) FROM Qvx333Lpc", lpc);
}

[[nodiscard]] int SQL_GetToday(std::string& today) {
  return SqlSelectOne("SELECT date_format(SYSDATE(), '%Y-%m-%d') FROM dual ", today);
}

[[nodiscard]] int SQL_Qvx331Zk1_SelectLoga2(SqlCursor& c, int32_t abr, int16_t lfn) {
  return SqlOpenStreamed(c,
                         SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt, "
                                   "Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, "
                                   "date_format(Zk1Von, '%%Y.%%m.%%d'), date_format(Zk1Bis, '%%Y.%%m.%%d'), Zk1Sts, "
                                   "Zk1Rre, Zk1Sta, Zk1Upn, Zk1Inf, Zk1Su1  FROM Qvx331Zk1 "
                                   " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  AND Zk1Rre < 2 "
                                   " ORDER BY Zk1Pnr, Zk1Stz, Zk1Bdt, Zk1Lna, Zk1Zkt, Zk1Kst, Zk1Ktr, Zk1Von, Zk1Bis",
                                   abr, lfn));
}

int FetchTransfer(SqlCursor& c, Loga2Record& x) { return SqlFetchTransfer(c, x.Rec, x.Zk1Inf, x.Zk1Su1); }

// The insert and delete memos that the difference step wrote for this run;
// memos of another kind (PAISY's period memos) are no corrections.
[[nodiscard]] int SQL_Qvx331Zk5_SelectLoga2(SqlCursor& c, const std::string& key, int32_t abr) {
  return SqlOpenStreamed(
      c, SqlFormat("SELECT Zk5Abr, Zk5Stz, date_format(Zk5Bdt, '%%Y.%%m.%%d'), Zk5Pnr, Zk5Zkt, Zk5Lna, "
                   "Zk5Lgr, Zk5Kst, Zk5Ktr, Zk5Krt, Zk5Std, Zk5Tge, Zk5Stg, "
                   "date_format(Zk5Von, '%%Y.%%m.%%d'), date_format(Zk5Bis, '%%Y.%%m.%%d'), Zk5Sts, "
                   "Zk5Rre, Zk5Sta, Zk5Upn, Zk5Inf, Zk5Su1  FROM Qvx331Zk5 "
                   " WHERE Zk5Key = '%s'  AND Zk5Abr = %ld  AND Zk5Rre IN (3, 4) "
                   " ORDER BY Zk5Pnr, Zk5Stz, Zk5Bdt, Zk5Rre DESC, Zk5Lna, Zk5Zkt, Zk5Kst, Zk5Von, Zk5Bis",
                   key, abr));
}

int FetchMemo(SqlCursor& c, Loga2Record& x) {
  TransferRecord& r = x.Rec;
  return SqlFetchInto(c, r.Zk1Abr, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr, r.Zk1Kst, r.Zk1Ktr,
                      r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Von, r.Zk1Bis, r.Zk1Sts, r.Zk1Rre, r.Zk1Sta,
                      r.Zk1Upn, x.Zk1Inf, x.Zk1Su1);
}

[[nodiscard]] int SQL_Qvx333Lp2_Insert(const Lp2Row& w) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Lp2 (Lp2Fir, Lp2Akr, Lp2Pnr, Lp2Lna, Lp2Kst, Lp2Dat, Lp2Pst, "
                "Lp2Std, Lp2Btr, Lp2Anz, Lp2Rre, Lp2Zhn, Lp2Min)  VALUES ('%s', '%s', '%s', '%s', '%s', "
                "'%s', ROUND(%ld / 10E0, 6), ROUND(%ld / 60E0, 6),  0, 0, %d, %ld, %ld) ",
                w.Lp2Fir, w.Lp2Akr, w.Lp2Pnr, w.Lp2Lna, w.Lp2Kst, w.Lp2Dat, w.Lp2Zhn, w.Lp2Min, w.Lp2Rre, w.Lp2Zhn,
                w.Lp2Min));
}

[[nodiscard]] int SQL_Qvx333Lp2_Update(const Lp2Row& w) {
  // days and hours follow the exact sums (assignments run from left to right)
  return SqlWrite(
      SqlFormat("UPDATE Qvx333Lp2  SET Lp2Zhn = Lp2Zhn + %ld,  Lp2Min = Lp2Min + %ld, "
                " Lp2Pst = ROUND(Lp2Zhn / 10E0, 6),  Lp2Std = ROUND(Lp2Min / 60E0, 6) "
                " WHERE Lp2Fir = '%s'  AND Lp2Akr = '%s'  AND Lp2Pnr = '%s'  AND Lp2Lna = '%s' "
                " AND Lp2Kst = '%s'  AND Lp2Dat = '%s'  AND Lp2Rre = %d",
                w.Lp2Zhn, w.Lp2Min, w.Lp2Fir, w.Lp2Akr, w.Lp2Pnr, w.Lp2Lna, w.Lp2Kst, w.Lp2Dat, w.Lp2Rre));
}

[[nodiscard]] int SQL_Qvx333Lp2_Select(SqlCursor& c) {
  return SqlOpen(c,
                 "SELECT Lp2Fir, Lp2Akr, Lp2Pnr, Lp2Lna, Lp2Kst, date_format(Lp2Dat,'%Y.%m.%d'),  Lp2Pst, Lp2Std, "
                 "Lp2Rre  FROM Qvx333Lp2  ORDER BY Lp2Fir, Lp2Akr, Lp2Pnr, Lp2Lna, Lp2Kst,  Lp2Dat desc, Lp2Rre desc ");
}

int FetchLp2(SqlCursor& c, Lp2Row& w) {
  return SqlFetchInto(c, w.Lp2Fir, w.Lp2Akr, w.Lp2Pnr, w.Lp2Lna, w.Lp2Kst, w.Lp2Dat, w.Lp2Pst, w.Lp2Std, w.Lp2Rre);
}

[[nodiscard]] int SQL_Qvx333Lpc_Insert(const std::string& line, int32_t idx) {
  return SqlWrite(SqlFormat("INSERT INTO Qvx333Lpc (LpcFld, LpcIdx)  VALUES ('%s', %ld)", line, idx));
}

[[nodiscard]] int SQL_Qvx333Lp1_Insert(const std::string& line, int32_t idx) {
  return SqlWrite(SqlFormat("INSERT INTO Qvx333Lp1 (Lp1Fld, Lp1Idx)  VALUES ('%s', %ld)", line, idx));
}

[[nodiscard]] int SQL_Qvx331Zk5_DeleteKey(const std::string& key) {
  return SqlWrite(SqlFormat("DELETE FROM Qvx331Zk5  WHERE Zk5Key = '%s' ", key));
}

// Date on which the value withdrawn by a delete line was handed over: the
// latest hand-over before the current month of the person's wage type in the
// payroll month of dat (YYYY-MM-DD), shifted back by mon months.
[[nodiscard]] int SQL_Qvx331Zk1_GetAltDatum(const std::string& pnr, const std::string& lna, const std::string& dat,
                                            int mon, const std::string& today, std::string& found) {
  std::string r = SubStr(dat, 0, 8) + "01";
  std::string t = SubStr(today, 0, 8) + "01";
  return SqlSelectOne(SqlFormat("SELECT date_format(max(Zk1Dat), '%%Y-%%m-%%d')  FROM Qvx331Zk1 "
                                " WHERE Zk1Upn = '%s'  AND Zk1Lna = '%s' "
                                " AND Zk1Bdt >= date_add('%s', interval %d month) "
                                " AND Zk1Bdt < date_add('%s', interval %d month)  AND Zk1Dat < '%s'",
                                pnr, lna, r, -mon, r, 1 - mon, t),
                      found);
}

int OpenLines(SqlCursor& c, const char* table) {
  return SqlOpen(c, Format("SELECT %sFld FROM Qvx333%s ORDER BY %sIdx asc", table, table, table));
}

// A staging statement that failed: logged with its message; -1 ends the run.
void CheckWrite(int st, std::string_view message, const std::string& pnr) {
  if (st != 0 && st != kSqlDuplicate) ReportStatus(st, message, pnr, st);
}

// Dots of a date text made dashes.
std::string Dashes(std::string date) {
  for (char& c : date) {
    if (c == '.') c = '-';
  }
  return date;
}

// Payroll month of a transfer record: the first of the booking month shifted
// by LugMon (YYYY-MM-01).
std::string MonthDate(const std::string& bdt, int lugMon) {
  if (lugMon == 0) return Dashes(SubStr(bdt, 0, 8) + "01");
  int32_t ym = ShiftMonth(DateToLong(bdt) / 100, lugMon);
  return Format("%d-%02d-%02d", ym / 100, ym % 100, 1);
}

// Date of a memo: the booking date shifted by LugMon; a day above 28 becomes
// the length of the shifted month.
std::string MemoDate(const std::string& bdt, int lugMon) {
  if (lugMon == 0) return Dashes(bdt);
  int32_t d = ShiftDatePayrollDay(DateToLong(bdt), lugMon);
  return Format("%d-%02d-%02d", d / 10000, (d / 100) % 100, d % 100);
}

std::string Operation(int kind) {
  if (kind == 3) return "INSERT;";
  if (kind == 4) return "DELETE;";
  return ";";
}

// The [ZEITENKAL] line of an absence record.
void Loga2001Zeitenkal(Loga2Run& run, const Loga2Record& x) {
  const TransferRecord& r = x.Rec;
  std::string line = "[ZEITENKAL];" + Operation(r.Zk1Rre) + Format("%012.0f", x.Zk1Su1) + ";;;;" + run.Firm + ";" +
                     run.Header.LugAkr + ";" + r.Zk1Upn + ";;;;" + Dashes(r.Zk1Von) + ";" + Dashes(r.Zk1Bis) + ";" +
                     (x.Zk1Inf > 0 ? "1" : "") + ";;;;" + r.Zk1Lgr + ";I;" +
                     (r.Zk1Tge != 0 ? Format("%.2f", static_cast<float>(r.Zk1Tge) * 0.1f) : std::string()) +
                     ";;;;;;;1;;;;";
  int st = StagedRow("Qvx333Lp1", SQL_Qvx333Lp1_Insert(line, run.Lp1Idx));
  ++run.Lp1Idx;
  CheckWrite(st, "Qvx333Lp1-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Upn);
}

// One value or absence record; kind 0 for transfer records, the memo's kind
// for memos.
void HandleRecord(RunContext& ctx, Loga2Run& run, Loga2Record x, const std::string& date) {
  TransferRecord& r = x.Rec;
  if (!RecordFitsLine(r, ";")) return;
  Lu1Line line;  // presets: nothing handed over
  if (LeftOutForUnreadLine(ctx, CachedWageTypeLookup(run.Lines, run.Header.LugLug, r, line), r)) return;
  if (line.Lu1Kst == 0) r.Zk1Kst = " ";
  else r.Zk1Kst = SubStr(r.Zk1Kst, 0, 7);
  if (line.Lu1Ktr == 0) r.Zk1Ktr = " ";
  if (line.Lu1Krt == 0) r.Zk1Krt = " ";

  if (r.Zk1Sts >= 1) {
    Loga2001Zeitenkal(run, x);
    return;
  }
  Lp2Row w;
  w.Lp2Fir = run.Firm;
  w.Lp2Akr = run.Header.LugAkr;
  w.Lp2Pnr = r.Zk1Upn;
  w.Lp2Lna = r.Zk1Lna;
  w.Lp2Kst = r.Zk1Kst;
  w.Lp2Dat = date;
  w.Lp2Zhn = r.Zk1Tge;
  w.Lp2Min = r.Zk1Std;
  w.Lp2Rre = r.Zk1Rre;
  int st = StagedRow("Qvx333Lp2", SQL_Qvx333Lp2_Insert(w));
  if (st == kSqlDuplicate) {
    st = StagedRow("Qvx333Lp2", SQL_Qvx333Lp2_Update(w), true);
    if (st != 0) ReportStatus(st, "Qvx333Lp2-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  } else if (st != 0) {
    ReportStatus(st, "Qvx333Lp2-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  }
}

// "%.2f" with a decimal comma; empty for 0.
std::string Amount(double v) { return v != 0 ? DecimalComma(Format("%.2f", v)) : std::string(); }

void WriteVartab(Loga2Run& run, const Lp2Row& w) {
  std::string date = Dashes(w.Lp2Dat);
  std::string validFrom = run.Today;
  if (w.Lp2Rre == 4) {
    std::string found;
    int st = SQL_Qvx331Zk1_GetAltDatum(w.Lp2Pnr, w.Lp2Lna, date, run.Header.LugMon, run.Today, found);
    if (st == 0 && !found.empty()) {
      validFrom = found;
    } else {
      if (st == -1) AbortRun(60);
      Log("Delete: Datum d.alten Satzes nicht gefunden, Pnr: %s, Lna: %s, Belegdatum: %s", w.Lp2Pnr, w.Lp2Lna, date);
    }
  }
  std::string kst = (w.Lp2Kst == " " || w.Lp2Kst == "0") ? std::string() : w.Lp2Kst;
  std::string line = "[VARTAB];" + Operation(w.Lp2Rre) + w.Lp2Fir + w.Lp2Akr + ";" + w.Lp2Pnr + ";;;;" + w.Lp2Lna +
                     ";" + Amount(w.Lp2Pst) + ";" + Amount(w.Lp2Std) + ";;;" + kst + ";;;;" + date + ";;" + validFrom +
                     ";;;;";
  int st = StagedRow("Qvx333Lpc", SQL_Qvx333Lpc_Insert(line, run.LpcIdx));
  ++run.LpcIdx;
  CheckWrite(st, "Qvx333Lpc-InsertFehler, Pnr: %s, Sqlfhl: %d", w.Lp2Pnr);
}

// A line of the files as the payroll system reads it: a [VARTAB] line has the
// person in field 3, the wage type in 7, days in 8 and hours in 9; a
// [ZEITENKAL] line the person in 8, the absence kind in 18 and days in 20.
// The stored lines include those of earlier runs that the file repeats.
void HandedOverLine(const std::string& line) {
  std::vector<std::string> f;
  size_t from = 0;
  for (;;) {
    size_t at = line.find(';', from);
    f.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) break;
    from = at + 1;
  }
  if (f[0] == "[VARTAB]" && f.size() > 9) HandedOverRecord(f[3], f[7], WrittenNumber(f[9]), WrittenNumber(f[8]));
  else if (f[0] == "[ZEITENKAL]" && f.size() > 20) HandedOverRecord(f[8], f[18], 0, WrittenNumber(f[20]));
}

// File "." followed by the stored lines in index order, as a file of the set.
void WriteFile(const RunContext& ctx, ExportSet& set, const char* table, std::string_view name,
               std::string_view openFailure) {
  set.RemoveOldWhenPlaced(name.substr(1));
  ExportFile f;
  ExportFileCreate(ctx, f, name, openFailure, &set);
  ExportWrite(f, ".\n");
  SqlCursor c;
  OpenLines(c, table);
  std::string line;
  int st;
  while ((st = SqlFetchInto(c, line)) == 0) {
    ExportWriteF(f, "%s\n", line);
    HandedOverLine(line);
    line.clear();
  }
  if (st == -1) AbortRun(60);
  dbClose(c);
  ExportFileClose(f);
}

void Loga2001WriteLpc(const RunContext& ctx, ExportSet& set) {
  WriteFile(ctx, set, "Lpc", "\\Loga2001Lpc.csv", "Schnittstellendatei Lpc kann nicht geoeffnet werden !");
}

void Loga2001WriteLp1(const RunContext& ctx, ExportSet& set) {
  WriteFile(ctx, set, "Lp1", "\\Loga2001Lp1.csv", "Schnittstellendatei Lp1 kann nicht geoeffnet werden !");
}

void CheckDelete(int st, std::string_view message) {
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, message, st);
}

}  // namespace

void Loga2001Lohnprogramm(RunContext& ctx) {
  Log("\nLoga2001 Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  Loga2Run run;
  CheckDelete(SQL_Qvx333Lp2_Delete(), "DeleteFehler QVX333Lp2, Sqlfhl: %d");
  if (ctx.AkrSsl == 1) {
    CheckDelete(SQL_Qvx333Lpc_Delete(), "DeleteFehler QVX333Lpc, Sqlfhl: %d");
    CheckDelete(SQL_Qvx333Lp1_Delete(), "DeleteFehler QVX333Lp1, Sqlfhl: %d");
  } else {
    // the new lines follow the lines of earlier runs
    int st = SQL_Qvx333Lp_GetMaxIdx(run.Lp1Idx, run.LpcIdx);
    if (st != 0) ReportStatus(st, "Lesefehler QVX333Lpc/Lp1, Sqlfhl: %d", st);
    ++run.Lp1Idx;
    ++run.LpcIdx;
  }
  RequireRead(SQL_GetToday(run.Today), "sysdate");
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, run.Header), "Qvx171Lug");
  run.Firm = !run.Header.LugFir.empty() ? run.Header.LugFir : !run.Header.LugAkr.empty() ? run.Header.LugAkr : ctx.Akr;
  RequireFitsLine(run.Firm, ";", "LugFir");

  SqlCursor zk1;
  RequireRead(SQL_Qvx331Zk1_SelectLoga2(zk1, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  Loga2Record x;
  int st;
  while ((st = FetchTransfer(zk1, x)) == 0) {
    x.Rec.Zk1Rre = 0;
    HandleRecord(ctx, run, x, MonthDate(x.Rec.Zk1Bdt, run.Header.LugMon));
    x = Loga2Record{};
  }
  if (st == -1) AbortRun(60);
  dbClose(zk1);

  SqlCursor zk5;
  RequireRead(SQL_Qvx331Zk5_SelectLoga2(zk5, ctx.RunKey, ctx.Abrnr), "Qvx331Zk5");
  while ((st = FetchMemo(zk5, x)) == 0) {
    HandleRecord(ctx, run, x, MemoDate(x.Rec.Zk1Bdt, run.Header.LugMon));
    x = Loga2Record{};
  }
  if (st == -1) AbortRun(60);
  dbClose(zk5);

  SqlCursor lp2;
  RequireRead(SQL_Qvx333Lp2_Select(lp2), "Qvx333Lp2");
  Lp2Row w;
  while ((st = FetchLp2(lp2, w)) == 0) {
    WriteVartab(run, w);
    w = Lp2Row{};
  }
  if (st == -1) AbortRun(60);
  dbClose(lp2);

  CheckDelete(SQL_Qvx331Zk5_DeleteKey(ctx.RunKey), "DeleteFehler QVX331Zk5, Sqlfhl: %d");
  // the two files are one hand-over
  ExportSet files;
  Loga2001WriteLpc(ctx, files);
  Loga2001WriteLp1(ctx, files);
  files.Place(ctx);
  Log("Loga2001 Lohnprogramm beendet");
}
