#include "export/sbs.h"

#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/staging_export.h"
#include "export/transfer_record.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// One row of Qvx333Sbs; the constant columns are those of every row.
struct SbsRow {
  std::string SbsJhr, SbsMon, SbsTag;
  std::string SbsPnr;
  std::string SbsLna;
  std::string SbsVzn;
  double SbsStd = 0;
  double SbsFkb = 0, SbsFkc = 0, SbsFkd = 0, SbsFke = 0;
  std::string SbsKst;
  std::string SbsKtr = "*00000000000";
  std::string SbsBab = "*00";
  std::string SbsF01 = "0";
  std::string SbsAda = "0";
  std::string SbsWkz = "E";
  std::string SbsF63;
};

[[nodiscard]] int SQL_Qvx333Sbs_Delete() { return SqlWrite("DELETE FROM Qvx333Sbs"); }

// The run's transfer records by person (within a person in a fixed order).
[[nodiscard]] int SQL_Qvx331Zk1_SelectSbs(SqlCursor& c, int32_t abr, int16_t lfn) {
  return SqlOpenStreamed(
      c, SqlFormat("SELECT COALESCE(Zk1Lna, ' '), date_format(Zk1Bdt, '%%y%%m%%d'), COALESCE(Zk1Std, 0), "
                   "COALESCE(Zk1Kst, ' '), COALESCE(Zk1Ktr, ' '), COALESCE(Zk1Upn, ' ') "
                   " FROM Qvx331Zk1  WHERE Zk1Abr = %ld  AND Zk1Lfn = %d "
                   " ORDER BY Zk1Upn, Zk1Bdt, Zk1Lna, Zk1Kst, Zk1Std",
                   abr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchSbs(SqlCursor& c, TransferRecord& r) {
  int st = SqlFetchInto(c, r.Zk1Lna, r.Zk1Bdt, r.Zk1Std, r.Zk1Kst, r.Zk1Ktr, r.Zk1Upn);
  Trim(r.Zk1Lna);
  Trim(r.Zk1Kst);
  Trim(r.Zk1Ktr);
  Trim(r.Zk1Upn);
  return st;
}

[[nodiscard]] int SQL_Qvx333Sbs_Insert(const SbsRow& s) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Sbs (SbsJhr, SbsMon, SbsTag, SbsPnr, SbsLna, SbsVzn, SbsStd, SbsFkb, "
                "SbsFkc, SbsFkd, SbsFke, SbsKst, SbsKtr, SbsBab, SbsF01, SbsAda, SbsWkz, SbsF63) "
                "VALUES ('%s', '%s', '%s', '%s', '%s', '%s', %f, %f, %f, %f, %f, '%s', '%s', '%s', '%s', "
                "'%s', '%s', '%s')",
                s.SbsJhr, s.SbsMon, s.SbsTag, s.SbsPnr, s.SbsLna, s.SbsVzn, s.SbsStd, s.SbsFkb, s.SbsFkc, s.SbsFkd,
                s.SbsFke, s.SbsKst, s.SbsKtr, s.SbsBab, s.SbsF01, s.SbsAda, s.SbsWkz, s.SbsF63));
}

// All rows by person; identical rows give identical lines, so the order
// within a person only needs to be the same in every run.
[[nodiscard]] int SQL_Qvx333Sbs_Select(SqlCursor& c) {
  return SqlOpen(c,
                 "SELECT SbsJhr, SbsMon, SbsTag, SbsPnr, SbsLna, SbsVzn, SbsStd, SbsFkb, SbsFkc, SbsFkd, SbsFke, "
                 "SbsKst, SbsKtr, SbsBab, SbsF01, SbsAda, SbsWkz, SbsF63  FROM Qvx333Sbs "
                 " ORDER BY SbsPnr, SbsJhr, SbsMon, SbsTag, SbsLna, SbsKst, SbsStd");
}

[[nodiscard]] int SQL_Qvx333Sbs_Fetch(SqlCursor& c, SbsRow& s) {
  return SqlFetchInto(c, s.SbsJhr, s.SbsMon, s.SbsTag, s.SbsPnr, s.SbsLna, s.SbsVzn, s.SbsStd, s.SbsFkb, s.SbsFkc,
                      s.SbsFkd, s.SbsFke, s.SbsKst, s.SbsKtr, s.SbsBab, s.SbsF01, s.SbsAda, s.SbsWkz, s.SbsF63);
}

// Hundredths of an amount in the 8-digit field.
std::string Hundredths(double v) { return Format("%08.0f", v * 100); }

// File name (with its leading backslash) for a firm number: above 999 its
// first five characters, else the number, right-aligned with zeros.
std::string SbsFileName(const std::string& firm) {
  if (ToLong(firm) > 999) return Format("\\BWA%05s.DAT", SubStr(firm, 0, 5));
  return Format("\\BEWA-%03s.DAT", firm);
}

void SbsWriteFile(const RunContext& ctx) {
  LugRecord lug;
  RequireRead(SQL_Qvx171Lug_GetLugFir(ctx.Akr, lug), "Qvx171Lug");
  std::string firm = lug.LugFir.empty() ? ctx.Akr : lug.LugFir;
  std::string name = SbsFileName(firm);

  DeleteOldTransferFile(ctx, name.substr(1));
  ExportFile file;
  ExportFileCreate(ctx, file, name, " SBS-Exportdatei kann nicht geoeffnet werden !");

  // a selection that fails is logged like a failed fetch
  SqlCursor c;
  int st = SQL_Qvx333Sbs_Select(c);
  SbsRow s;
  while (st == 0 && (st = SQL_Qvx333Sbs_Fetch(c, s)) == 0) {
    s.SbsVzn = "0";
    if (s.SbsStd < 0) {
      s.SbsVzn = "1";
      s.SbsStd = -s.SbsStd;
    }
    // the field holds 8 digits of hundredths
    if (s.SbsStd > 999999 || Hundredths(s.SbsStd).size() > 8) {
      LeaveOutRecord("zu groß, als 0 übergeben", "Std. zu groß f.Übergabe, Pnr: %s", s.SbsPnr);
      s.SbsStd = 0;
      s.SbsVzn = "0";
    }
    ExportWriteF(file, "%s%s%s%06s%03s%s%s%s%s%s%s%012s%012s%s%s%02s%s%063s\n", s.SbsJhr, s.SbsMon, s.SbsTag, s.SbsPnr,
                 s.SbsLna, s.SbsVzn, Hundredths(s.SbsStd), Hundredths(s.SbsFkb), Hundredths(s.SbsFkc),
                 Hundredths(s.SbsFkd), Hundredths(s.SbsFke), s.SbsKst, s.SbsKtr, s.SbsBab, s.SbsF01, s.SbsAda, s.SbsWkz,
                 s.SbsF63);
    // hundredths of hours behind the sign flag; the file is the hand-over
    HandedOverRecord(s.SbsPnr, Format("%03s", s.SbsLna),
                     (s.SbsVzn == "1" ? -1 : 1) * WrittenNumber(Hundredths(s.SbsStd)) / 100, 0);
    s = SbsRow{};
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) ReportStatus(st, "Qvx333Sbs-Lesefehler, Sqlfhl: %d", st);
  ExportFileClose(file);
}

// A staging row of the record; a record whose number does not fit is left
// out, the records after it are still handed over.
void WriteRecord(const TransferRecord& r) {
  if (r.Zk1Upn.size() > 6) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "PersNr. zu lang : %s", r.Zk1Upn);
  } else if (r.Zk1Lna.size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
  } else {
    SbsRow s;
    s.SbsJhr = SubStr(r.Zk1Bdt, 0, 2);
    s.SbsMon = SubStr(r.Zk1Bdt, 2, 2);
    s.SbsTag = SubStr(r.Zk1Bdt, 4, 2);
    s.SbsPnr = r.Zk1Upn;
    s.SbsLna = r.Zk1Lna;
    s.SbsStd = r.Zk1Std == 0 ? 0.0 : r.Zk1Std / 60.0;
    s.SbsKst = SubStr(r.Zk1Kst, 0, 12);
    int ws = StagedRow("Qvx333Sbs", SQL_Qvx333Sbs_Insert(s));
    if (ws != 0) ReportStatus(ws, "Qvx333Sbs Insert-/UpdateFehler, Sqlfhl: %d", ws);
  }
}

}  // namespace

void SbsLohnprogramm(RunContext& ctx) {
  RunStagingExport(ctx, {
                            .Started = "\nSBS-Lohnprogramm Akr: %s, Abrnr: %d gestartet",
                            .Finished = "SBS-Lohnprogramm beendet",
                            .Clears = {{SQL_Qvx333Sbs_Delete, "DeleteFehler QVX333Sbs, Sqlfhl: %d"}},
                            // the firm number is read for the file only
                            .ReadInterface = nullptr,
                            .Select = [&ctx](SqlCursor& c) { return SQL_Qvx331Zk1_SelectSbs(c, ctx.Abrnr, ctx.Lfn); },
                            .Fetch = SQL_Qvx331Zk1_FetchSbs,
                            .Write = [](const TransferRecord& r, int32_t) { WriteRecord(r); },
                            .Finish = [&ctx] { SbsWriteFile(ctx); },
                            .LogCount = false,
                            .LogBrokenRead = false,
                        });
}
