#include "export/raet.h"

#include <cmath>

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// State of one export.
struct RaetExport {
  LugRecord Header;
  std::string Today;        // YYYYMMDD
  std::string ShiftedDate;  // YYYYMMDD, empty when LugMon is 0
  WageTypeCache Lines;
  int32_t Read = 0;
  int32_t Written = 0;
};

void CollectRecord(RunContext& ctx, RaetExport& x, const TransferRecord& r) {
  if (!RecordFitsLine(r, "")) return;
  // every setting is preset for each record, the factor too: a record
  // without a line (or with a NULL factor) is handed over unscaled
  Lu1Line line;
  int st = CachedWageTypeLookup(x.Lines, x.Header.LugLug, r, line);
  if (LeftOutForUnreadLine(ctx, st, r)) return;
  if (st != 0) ReportStatus(st, "Fehler beim Lesen Qvx171Lu1: %d", st);

  if (r.Zk1Upn.size() > 15) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return;
  }
  if (r.Zk1Lna.size() > 20) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Pnr %s: Lohnart zu lang (%s)",
                     r.Zk1Pnr, r.Zk1Lna);
    return;
  }
  // hours, or days without hours, times the factor (four decimals): exact
  int64_t factor = line.Lu1Mog != 0.0 ? std::llround(line.Lu1Mog * 10000) : 10000;
  int64_t exact = (r.Zk1Std != 0 ? int64_t{r.Zk1Std} : int64_t{r.Zk1Tge} * 6) * factor;

  std::string statement;
  st = SQL_Qvx333Rat_Write(r.Zk1Upn, r.Zk1Lna, x.ShiftedDate, exact, &statement);
  if (st != 0) {
    Log("     SQL_Qvx333Rat_Write, ERROR: %ld", st);
    ReportStatus(st, "     sqlStmt : %s", statement);
  }
  ++x.Read;
}

// The value zero-filled to 26 characters with six decimals; the leading zero
// gives way to a blank, so positive values begin with a blank and negative
// ones with "-". Empty when the value does not fit the 26 characters.
std::string ValueText(double value) {
  std::string text = Format("%026.6f", value);
  if (text.size() > 26) return std::string();
  if (text[0] == '0') text[0] = ' ';
  return text;
}

void WriteFile(const RunContext& ctx, RaetExport& x) {
  ExportFile file;
  ExportFileCreate(ctx, file, "\\Raet.txt", "Schnittstellendatei Raet kann nicht geoeffnet werden !");
  std::string fir = x.Header.LugFir.empty() ? std::string("???") : x.Header.LugFir;
  ExportWriteF(file, "A%s%s0001RPD conversie  %s\n", Format("%-8s", fir), x.Today, x.ShiftedDate);

  SqlCursor rows;
  int opened = SQL_Qvx333Rat_OpenAll(rows);
  RatRow row;
  int st = SQL_Qvx333Rat_FetchAll(rows, row);
  while (st == 0) {
    std::string value = ValueText(row.RatVal);
    if (value.empty()) {
      LeaveOutRecordOf(row.RatPnr, row.RatLna, row.RatVal, 0, "zu groß", "Pnr %s: Wert zu groß (%s)", row.RatPnr,
                       Format("%f", row.RatVal));
    } else {
      ExportWriteF(file, "%s%s%s%s%s%s%s\n", row.RatArt, Format("%-15s", row.RatPnr), Format("%-15s", row.RatVid),
                   Format("%-20s", row.RatLna), row.RatAbd, Format("%-1s", row.RatUeb), value);
      // hours with six decimals; the file is the hand-over
      HandedOverRecord(row.RatPnr, row.RatLna, WrittenNumber(value), 0);
      ++x.Written;
    }
    row = RatRow{};
    st = SQL_Qvx333Rat_FetchAll(rows, row);
  }
  // rows that cannot be read leave the file incomplete: the run ends
  if (st != kSqlNoMoreRows) {
    int status = opened != 0 ? opened : st;
    Log("Fehler beim Lesen Qvx333Rat: %d", status);
    AbortRun(60);
  }
  (void)SQL_Qvx333Rat_CloseAll(rows);

  ExportWriteF(file, "Z%s\n", Format("%08d", x.Written + 2));
  ExportFileClose(file);
  Log("%d Datensätze in Datei(en) geschrieben.", x.Written);
}

}  // namespace

[[nodiscard]] int SQL_Qvx333Rat_Delete() { return SqlWrite(SqlFormat("DELETE FROM Qvx333Rat")); }

// Difference records (Zk1Rre 2) are not handed over.
[[nodiscard]] int SQL_Qvx331Zk1_OpenRaet(SqlCursor& cursor, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(cursor,
                         SqlFormat("SELECT trim(Zk1Pnr), trim(Zk1Lna), COALESCE(Zk1Std, 0), COALESCE(Zk1Tge, 0), "
                                   "date_format(Zk1Bdt, '%%Y.%%m.%%d'), trim(Zk1Upn), trim(Zk1Zkt), trim(Zk1Stz) "
                                   " FROM Qvx331Zk1  WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  AND Zk1Rre < 2 "
                                   " ORDER BY Zk1Pnr, Zk1Lna",
                                   abrnr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchRaet(SqlCursor& cursor, TransferRecord& r) {
  return SqlFetchInto(cursor, r.Zk1Pnr, r.Zk1Lna, r.Zk1Std, r.Zk1Tge, r.Zk1Bdt, r.Zk1Upn, r.Zk1Zkt, r.Zk1Stz);
}

[[nodiscard]] int SQL_Qvx331Zk1_CloseRaet(SqlCursor& cursor) { return dbClose(cursor); }

[[nodiscard]] int SQL_Qvx333Rat_Write(const std::string& pnr, const std::string& lna, const std::string& abd,
                                      int64_t exact, std::string* statement) {
  // six decimals of the hours: exact / 60 / 10000
  auto value = [](int64_t e) { return ExactText(ExactRound(e, 600000, 6), 6); };
  std::string sql = SqlFormat(
      "INSERT INTO Qvx333Rat (RatArt, RatPnr, RatVid, RatLna, RatAbd, RatUeb, RatVal, RatExa) "
      " VALUES ('5', '%s', '1', '%s', '%s', ' ', %s, %lld)",
      pnr, lna, abd, value(exact), exact);
  int st = StagedRow("Qvx333Rat", SqlWrite(sql));
  if (st == kSqlDuplicate) {
    // the sum and the value formatted from it, in one statement
    const std::string sum = Format("(RatExa + %lld)", static_cast<long long>(exact));
    sql = SqlFormat(
        "UPDATE  Qvx333Rat SET  RatVal = %s, RatExa = %s  WHERE  RatPnr = '%s' AND  RatAbd = '%s' AND "
        " RatLna = '%s'",
        ExactSql(sum, 600000, 6), sum, pnr, abd, lna);
    st = StagedRow("Qvx333Rat", SqlWrite(sql), true);
  }
  if (statement) *statement = sql;
  return st;
}

// Rows of one personnel number and wage type but different dates come by date.
[[nodiscard]] int SQL_Qvx333Rat_OpenAll(SqlCursor& cursor) {
  return SqlOpen(cursor, SqlFormat("SELECT  RatArt, RatPnr, RatVid, RatLna,   RatAbd, RatUeb, RatVal  FROM  "
                                   "Qvx333Rat  ORDER  BY RatPnr, RatLna, RatAbd"));
}

[[nodiscard]] int SQL_Qvx333Rat_FetchAll(SqlCursor& cursor, RatRow& row) {
  return SqlFetchInto(cursor, row.RatArt, row.RatPnr, row.RatVid, row.RatLna, row.RatAbd, row.RatUeb, row.RatVal);
}

[[nodiscard]] int SQL_Qvx333Rat_CloseAll(SqlCursor& cursor) { return dbClose(cursor); }

void RaetLohnprogramm(RunContext& ctx) {
  Log("\nRaet-Lohnübergabe Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  RaetExport x;

  if (ctx.AkrSsl == 1) {
    int st = SQL_Qvx333Rat_Delete();
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333Rat, Sqlfhl: %d", st);
  }

  // today from the database time DD.MM.YYYY HH:MM:SS
  x.Today = SubStr(ctx.DbTime, 6, 4) + SubStr(ctx.DbTime, 3, 2) + SubStr(ctx.DbTime, 0, 2);
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, x.Header), "Qvx171Lug");
  // the head line has eight places for the firm number: a longer one would
  // shift the date behind it, and a cut one names another firm
  if (x.Header.LugFir.size() > 8) {
    Log("Firmennummer LugFir '%s' zu lang für Raet (höchstens 8 Zeichen), Übergabe abgebrochen", x.Header.LugFir);
    AbortRun(60);
  }
  // settlement date shifted by LugMon months; a day the new month does not
  // have becomes its last day
  if (x.Header.LugMon != 0) x.ShiftedDate = Format("%ld", ShiftDateInMonth(DateToLong(ctx.AbrDatum), x.Header.LugMon));

  SqlCursor records;
  RequireRead(SQL_Qvx331Zk1_OpenRaet(records, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  int st = SQL_Qvx331Zk1_FetchRaet(records, r);
  while (st == 0) {
    CollectRecord(ctx, x, r);
    r = TransferRecord{};
    st = SQL_Qvx331Zk1_FetchRaet(records, r);
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zk1_CloseRaet(records);
  Log("%d Datensätze aus Qvx333Zk1 gelesen.", x.Read);

  WriteFile(ctx, x);
  Log("Raet-Lohnübergabe beendet");
}
