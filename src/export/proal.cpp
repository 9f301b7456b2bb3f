#include "export/proal.h"

#include <cmath>
#include <cstdlib>

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/staging_export.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// One row of Qvx333Pro as the exporter writes it (the other amounts stay NULL).
struct ProRow {
  std::string ProFir;
  std::string ProPnr;
  int32_t ProTag = 0, ProMon = 0, ProJhr = 0;
  std::string ProLna;
  int64_t ProMin = 0;  // exact sum of the minutes; the hours ProZet follow it
  int32_t ProKst = 0;
  std::string ProKtr;
};

// State of one export.
struct ProalRun {
  std::string LugLug;
  std::string Fir;
  WageTypeCache Lines;
};

[[nodiscard]] int SQL_Qvx333Pro_Delete() { return SqlWrite("DELETE FROM Qvx333Pro"); }

// The run's transfer records, by person; within a person by date, wage type
// and cost centre, so that the staging rows are written in the same order in
// every run.
[[nodiscard]] int SQL_Qvx331Zk1_SelectPro(SqlCursor& c, int32_t abr, int16_t lfn) {
  return SqlOpenStreamed(c,
                         SqlFormat("SELECT Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Zkt, COALESCE(Zk1Lna, ' '), "
                                   "COALESCE(Zk1Kst, ' '), COALESCE(Zk1Krt, ' '), COALESCE(Zk1Std, 0), Zk1Upn "
                                   " FROM Qvx331Zk1  WHERE Zk1Abr = %ld  AND Zk1Lfn = %d "
                                   " ORDER BY Zk1Upn, Zk1Bdt, Zk1Lna, Zk1Kst, Zk1Stz, Zk1Zkt",
                                   abr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchPro(SqlCursor& c, TransferRecord& r) {
  int st = SqlFetchInto(c, r.Zk1Stz, r.Zk1Bdt, r.Zk1Zkt, r.Zk1Lna, r.Zk1Kst, r.Zk1Krt, r.Zk1Std, r.Zk1Upn);
  Trim(r.Zk1Lna);
  Trim(r.Zk1Kst);
  Trim(r.Zk1Krt);
  Trim(r.Zk1Upn);
  return st;
}

[[nodiscard]] int SQL_Qvx333Pro_Insert(const ProRow& p) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Pro (ProLer, ProFir, ProKnz, ProPnr, ProTag, ProMon, ProJhr, ProLna, "
                "ProZet, ProMge, ProStz, ProMgs, ProPrz, ProBtr, ProKst, ProKtr, ProBes, ProMin) "
                "VALUES ('', '%s', 'P', '%s', %ld, %ld, %ld, '%s', %lld / 60E0, NULL, NULL, NULL, NULL, "
                "NULL, %ld, '%s', '', %lld)",
                p.ProFir, p.ProPnr, p.ProTag, p.ProMon, p.ProJhr, p.ProLna, p.ProMin, p.ProKst, p.ProKtr, p.ProMin));
}

[[nodiscard]] int SQL_Qvx333Pro_Update(const ProRow& p) {
  // the hours follow the exact minutes (assignments run from left to right)
  return SqlWrite(
      SqlFormat("UPDATE Qvx333Pro SET ProMin = ProMin + %lld, ProZet = ProMin / 60E0  WHERE ProPnr = '%s' "
                " AND ProTag = %ld  AND ProMon = %ld  AND ProJhr = %ld  AND ProLna = '%s'  AND ProKst = %ld",
                p.ProMin, p.ProPnr, p.ProTag, p.ProMon, p.ProJhr, p.ProLna, p.ProKst));
}

// The texts padded to their widths by the database (longer firm numbers and
// cost objects are cut to the width there).
[[nodiscard]] int SQL_Qvx333Pro_Select(SqlCursor& c) {
  return SqlOpen(c,
                 "SELECT rpad(COALESCE(ProLer, ' '), 2, ' '), rpad(COALESCE(ProFir, ' '), 10, ' '), "
                 "COALESCE(ProKnz, ' '), COALESCE(ProPnr, ' '), COALESCE(ProTag, 0), COALESCE(ProMon, 0), "
                 "COALESCE(ProJhr, 0), rpad(COALESCE(ProLna, ' '), 3, ' '), COALESCE(ProZet, 0), COALESCE(ProMge, 0), "
                 "COALESCE(ProStz, 0), COALESCE(ProMgs, 0), COALESCE(ProPrz, 0), COALESCE(ProBtr, 0), "
                 "COALESCE(ProKst, 0), rpad(COALESCE(ProKtr, ' '), 20, ' '), rpad(COALESCE(ProBes, ' '), 60, ' '), "
                 "COALESCE(ProMin, 0) "
                 " FROM Qvx333Pro  ORDER BY ProPnr, ProJhr, ProMon, ProTag, ProLna, ProKst");
}

// Staging row of one transfer record; false when the record cannot be handed
// over (logged).
bool BuildRow(RunContext& ctx, ProalRun& run, TransferRecord r, ProRow& p) {
  // the fields hold 6 and 3 characters; a cut would merge people or wage types
  if (r.Zk1Upn.size() > 6) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return false;
  }
  if (r.Zk1Lna.size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
    return false;
  }
  p.ProFir = run.Fir;
  p.ProPnr = r.Zk1Upn;
  int32_t date = DateToLong(r.Zk1Bdt);
  p.ProTag = date % 100;
  p.ProMon = date / 100 % 100;
  p.ProJhr = date / 10000;
  p.ProLna = r.Zk1Lna;
  p.ProMin = r.Zk1Std;

  Lu1Line line;  // presets: neither cost centre nor cost object is handed over
  int st = CachedWageTypeLookup(run.Lines, run.LugLug, r, line);
  if (st == 0) {
    if (line.Lu1Ktr == 0) r.Zk1Krt = " ";
    if (line.Lu1Kst == 0) r.Zk1Kst = "0";
  } else if (LeftOutForUnreadLine(ctx, st, r)) {
    // an unreadable line is not taken for a missing one
    return false;
  }
  // the field holds 8 digits
  int32_t kst = ToLong(r.Zk1Kst);
  p.ProKst = kst > 99999999 || kst < -9999999 ? 0 : kst;
  p.ProKtr = r.Zk1Krt;
  return true;
}

void ProalWriteFile(const RunContext& ctx) {
  DeleteOldTransferFile(ctx, "ProAL.txt");
  ExportFile file;
  ExportFileCreate(ctx, file, "\\ProAL.txt", "ProAL-Exportdatei kann nicht geoeffnet werden !");

  // a selection that fails is logged like a failed fetch
  SqlCursor c;
  int st = SQL_Qvx333Pro_Select(c);
  std::string ler, fir, knz, pnr, lna, ktr, bes;
  int32_t tag = 0, mon = 0, jhr = 0, kst = 0;
  double zet = 0, mge = 0, stz = 0, mgs = 0, prz = 0, btr = 0;
  int64_t minutes = 0;
  while (st == 0 && (st = SqlFetchInto(c, ler, fir, knz, pnr, tag, mon, jhr, lna, zet, mge, stz, mgs, prz, btr, kst,
                                       ktr, bes, minutes)) == 0) {
    // the hours are formatted once from the exact minutes
    if (std::llabs(minutes) > int64_t{999} * 60) {
      LeaveOutRecord("zu groß, als 0 übergeben", "Wert zu groß f.Übergabe, Pnr: %s", pnr);
      minutes = 0;
    }
    std::string hours = ExactText(ExactRound(minutes, 60, 2), 2, 7);
    ExportWriteF(file, "%s%s%s%06s%02d%02d%04d%s%s%010.2f%010.4f%08.4f%06.2f%010.2f%08d%s%s\n", ler, fir, knz, pnr, tag,
                 mon, jhr, lna, hours, mge, stz, mgs, prz, btr, kst, ktr, bes);
    // the file is the hand-over; the wage type as padded in the line
    HandedOverRecord(pnr, NoTrailingBlanks(lna), WrittenNumber(hours), 0);
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) ReportStatus(st, "Qvx333Pro-Lesefehler, Sqlfhl: %d", st);
  ExportFileClose(file);
}

void WriteRecord(RunContext& ctx, ProalRun& run, const TransferRecord& r) {
  ProRow p;
  if (!BuildRow(ctx, run, r, p)) return;
  int ws = StagedRow("Qvx333Pro", SQL_Qvx333Pro_Insert(p));
  if (ws == kSqlDuplicate) {
    ws = StagedRow("Qvx333Pro", SQL_Qvx333Pro_Update(p), true);
    if (ws != 0) ReportStatus(ws, "ProAL-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Upn, ws);
  } else if (ws != 0) {
    ReportStatus(ws, "ProAL-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Upn, ws);
  }
}

}  // namespace

void ProalLohnprogramm(RunContext& ctx) {
  ProalRun run;
  RunStagingExport(ctx, {
                            .Started = "\nProAL-Lohnprogramm Akr: %s, Abrnr: %d gestartet",
                            .Finished = "ProAL-Lohnprogramm beendet",
                            .Clears = {{SQL_Qvx333Pro_Delete, "DeleteFehler QVX333Pro, Sqlfhl: %d"}},
                            .ReadInterface =
                                [&] {
                                  LugRecord lug;
                                  RequireRead(SQL_Qvx171Lug_GetLugFir(ctx.Akr, lug), "Qvx171Lug");
                                  run.LugLug = lug.LugLug;
                                  run.Fir = lug.LugFir.empty() ? ctx.Akr : lug.LugFir;
                                },
                            .Select = [&ctx](SqlCursor& c) { return SQL_Qvx331Zk1_SelectPro(c, ctx.Abrnr, ctx.Lfn); },
                            .Fetch = SQL_Qvx331Zk1_FetchPro,
                            .Write = [&](const TransferRecord& r, int32_t) { WriteRecord(ctx, run, r); },
                            .Finish = [&ctx] { ProalWriteFile(ctx); },
                            .LogCount = false,
                            .LogBrokenRead = false,
                        });
}
