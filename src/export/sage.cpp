#include "export/sage.h"

#include "export/export_file.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// Row of Qvx333Sag, in the column order of the table.
struct SagRow {
  std::string SagMon;
  std::string SagPnr;
  std::string SagLna;
  double SagStd = 0;   // as read back for the file
  int64_t SagExa = 0;  // minutes, or six times the tenths of a day
  double SagBtr = 0;
  std::string SagKst;
  std::string SagSkt;
  std::string SagKtr;
};

// State of one export.
struct SageExport {
  std::string LugLug;
  WageTypeCache Lines;
  int32_t Read = 0;
  int32_t Written = 0;
};

// Booking date YYYYMMDD as YYYY.MM.DD for the comparison with the validity date.
std::string DottedDate(const std::string& yyyymmdd) {
  return SubStr(yyyymmdd, 0, 4) + "." + SubStr(yyyymmdd, 4, 2) + "." + SubStr(yyyymmdd, 6, 2);
}

// Stages one transfer record; a field that does not fit its width leaves the
// record out.
void CollectRecord(RunContext& ctx, SageExport& x, TransferRecord r) {
  if (!RecordFitsLine(r, "")) return;
  // every setting is preset, so that no value of the record before is used
  Lu1Line line;
  TransferRecord lookup = r;
  lookup.Zk1Bdt = DottedDate(r.Zk1Bdt);
  int st = CachedWageTypeLookup(x.Lines, x.LugLug, lookup, line);
  if (LeftOutForUnreadLine(ctx, st, r)) return;
  if (st != 0) {
    ReportStatus(st, "Fehler beim Lesen Qvx171Lu1: %d", st);
  } else {
    if (line.Lu1Ktr == 0) r.Zk1Ktr = " ";
    if (line.Lu1Kst == 0) r.Zk1Kst = " ";
  }

  SagRow row;
  row.SagMon = SubStr(r.Zk1Von, 4, 2);
  if (r.Zk1Upn.size() > 6) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return;
  }
  row.SagPnr = r.Zk1Upn;
  if (r.Zk1Lna.size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Pnr %s: Lohnart zu lang (%s)",
                     r.Zk1Pnr, r.Zk1Lna);
    return;
  }
  row.SagLna = r.Zk1Lna;
  if (r.Zk1Kst.size() > 5) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                     "Pnr %s: Kostenstelle zu lang (%s)", r.Zk1Pnr, r.Zk1Kst);
    return;
  }
  row.SagKst = r.Zk1Kst;
  if (r.Zk1Ktr.size() > 5) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                     "Pnr %s: Kostenträger zu lang (%s)", r.Zk1Pnr, r.Zk1Ktr);
    return;
  }
  row.SagKtr = r.Zk1Ktr;

  if (line.Lu1Bau == 1) {
    // the wage type carries an amount: the value is taken as it is
    row.SagBtr = r.Zk1Std;
  } else {
    row.SagExa = r.Zk1Std != 0 ? int64_t{r.Zk1Std} : int64_t{r.Zk1Tge} * 6;
  }
  st = SQL_Qvx333Sag_Write(row.SagMon, row.SagPnr, row.SagLna, row.SagExa, row.SagBtr, row.SagKst, row.SagSkt,
                           row.SagKtr);
  if (st != 0) ReportStatus(st, "Qvx333Sag Insert-/UpdateFehler, Sqlfhl: %d", st);
}

// A value as "%06.2f". It fits its six characters only from -99.99 to 999.99
// (-100.00 and a value rounded up to 1000.00 do not); a value that does not
// fit is refused, so a line never gets longer than 38 characters.
bool ValueText(double value, bool amount, std::string& text) {
  text = Format("%06.2f", value);
  if (amount ? value >= 1000.0 || value <= -100.0 : value >= 1000.0 || value < -100.0) return false;
  return text.size() <= 6;
}

void WriteFile(const RunContext& ctx, SageExport& x) {
  ExportFile file;
  ExportFileCreate(ctx, file, "\\020410" + SubStr(ctx.AbrVon, 5, 2), "sage-Exportdatei kann nicht geoeffnet werden !");

  SqlCursor rows;
  int opened = SQL_Qvx333Sag_OpenAll(rows);
  SagRow row;
  int st = SQL_Qvx333Sag_FetchAll(rows, row.SagMon, row.SagPnr, row.SagLna, row.SagStd, row.SagBtr, row.SagKst,
                                  row.SagSkt, row.SagKtr);
  while (st == 0) {
    std::string time, amount;
    if (!ValueText(row.SagStd, false, time)) {
      LeaveOutRecordOf(row.SagPnr, row.SagLna, row.SagStd, 0, "zu groß", "Pnr %s: Zeitwert zu groß (%s)", row.SagPnr,
                       Format("%.2f", row.SagStd));
    } else if (!ValueText(row.SagBtr, true, amount)) {
      LeaveOutRecordOf(row.SagPnr, row.SagLna, row.SagBtr, 0, "zu groß", "Pnr %s: Betrag zu groß (%s)", row.SagPnr,
                       Format("%.2f", row.SagBtr));
    } else {
      size_t dot = time.find('.');
      if (dot != std::string::npos) time[dot] = ':';
      ExportWriteF(file, "%s%s%s%s%s%s%s%s\n", Format("%02s", row.SagMon), Format("%06s", row.SagPnr),
                   Format("%03s", row.SagLna), time, amount, Format("%05s", row.SagKst), Format("%05s", row.SagSkt),
                   Format("%05s", row.SagKtr));
      // the person as the payroll system knows it (the line pads it); the line
      // carries hours (decimal ":") or, for an amount wage type, the amount
      if (row.SagBtr != 0) HandedOverRecord(row.SagPnr, Format("%03s", row.SagLna), WrittenNumber(amount), 0, true);
      else HandedOverRecord(row.SagPnr, Format("%03s", row.SagLna), WrittenNumber(Format("%.2f", row.SagStd)), 0);
      ++x.Written;
    }
    row = SagRow{};
    st = SQL_Qvx333Sag_FetchAll(rows, row.SagMon, row.SagPnr, row.SagLna, row.SagStd, row.SagBtr, row.SagKst,
                                row.SagSkt, row.SagKtr);
  }
  // rows that cannot be read leave the file incomplete: the run ends
  if (st != kSqlNoMoreRows) {
    int status = opened != 0 ? opened : st;
    Log("Fehler beim Lesen Qvx333Sag: %d", status);
    AbortRun(60);
  }
  (void)SQL_Qvx333Sag_CloseAll(rows);
  ExportFileClose(file);
  Log("%d Datensätze in Datei geschrieben.", x.Written);
}

}  // namespace

[[nodiscard]] int SQL_Qvx333Sag_Delete() { return SqlWrite(SqlFormat("DELETE FROM Qvx333Sag")); }

[[nodiscard]] int SQL_Qvx331Zk1_OpenSage(SqlCursor& cursor, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(
      cursor, SqlFormat("SELECT trim(Zk1Pnr), trim(Zk1Lna), trim(Zk1Kst), trim(Zk1Ktr), trim(Zk1Stz), trim(Zk1Zkt), "
                        "COALESCE(Zk1Std, 0), COALESCE(Zk1Tge, 0), date_format(Zk1Von, '%%Y%%m%%d'), "
                        "date_format(Zk1Bdt, '%%Y%%m%%d'), trim(Zk1Upn)  FROM Qvx331Zk1 "
                        " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  ORDER BY Zk1Pnr, Zk1Von",
                        abrnr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchSage(SqlCursor& cursor, TransferRecord& r) {
  return SqlFetchInto(cursor, r.Zk1Pnr, r.Zk1Lna, r.Zk1Kst, r.Zk1Ktr, r.Zk1Stz, r.Zk1Zkt, r.Zk1Std, r.Zk1Tge, r.Zk1Von,
                      r.Zk1Bdt, r.Zk1Upn);
}

[[nodiscard]] int SQL_Qvx331Zk1_CloseSage(SqlCursor& cursor) { return dbClose(cursor); }

[[nodiscard]] int SQL_Qvx333Sag_Write(const std::string& mon, const std::string& pnr, const std::string& lna,
                                      int64_t exact, double btr, const std::string& kst, const std::string& skt,
                                      const std::string& ktr) {
  // the hours follow the exact sum (assignments run from left to right)
  return StagingWrite(
      SqlFormat("INSERT INTO Qvx333Sag (SagMon, SagPnr, SagLna, SagStd,  SagBtr, SagKst, SagSkt, SagKtr, SagExa) "
                " VALUES ('%s', '%s', '%s', ROUND(%lld / 60E0, 6),   %f,  '%s', '%s', '%s', %lld)",
                mon, pnr, lna, exact, btr, kst, skt, ktr, exact),
      [&] {
        return SqlFormat(
            "UPDATE  Qvx333Sag SET  SagExa = SagExa + %lld,  SagStd = ROUND(SagExa / 60E0, 6), "
            " SagBtr = SagBtr + %f  WHERE  SagMon = "
            "'%s' AND  SagPnr = '%s' AND  SagLna = '%s' AND  SagKst = '%s' AND  SagKtr = '%s'",
            exact, btr, mon, pnr, lna, kst, ktr);
      });
}

// The rows of one personnel number in the order of their key, so that the
// file is the same for the same rows.
[[nodiscard]] int SQL_Qvx333Sag_OpenAll(SqlCursor& cursor) {
  return SqlOpen(cursor, SqlFormat("SELECT SagMon, SagPnr, SagLna, SagStd, SagBtr, SagKst, SagSkt, SagKtr "
                                   " FROM Qvx333Sag ORDER By SagPnr, SagMon, SagLna, SagKst, SagKtr"));
}

[[nodiscard]] int SQL_Qvx333Sag_FetchAll(SqlCursor& cursor, std::string& mon, std::string& pnr, std::string& lna,
                                         double& std, double& btr, std::string& kst, std::string& skt,
                                         std::string& ktr) {
  return SqlFetchInto(cursor, mon, pnr, lna, std, btr, kst, skt, ktr);
}

[[nodiscard]] int SQL_Qvx333Sag_CloseAll(SqlCursor& cursor) { return dbClose(cursor); }

void SageLohnprogramm(RunContext& ctx) {
  Log("\nsage-Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  SageExport x;
  x.LugLug = ctx.Lug.LugLug;

  if (ctx.AkrSsl == 1) {
    int st = SQL_Qvx333Sag_Delete();
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333SAG, Sqlfhl: %d", st);
  }

  SqlCursor records;
  RequireRead(SQL_Qvx331Zk1_OpenSage(records, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  int st = SQL_Qvx331Zk1_FetchSage(records, r);
  while (st == 0) {
    ++x.Read;
    CollectRecord(ctx, x, r);
    r = TransferRecord{};
    st = SQL_Qvx331Zk1_FetchSage(records, r);
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zk1_CloseSage(records);
  Log("%d Datensätze aus Qvx333Zk1 übergeben.", x.Read);

  WriteFile(ctx, x);
  Log("sage-Lohnprogramm beendet");
}
