#include "export/asring.h"

#include <cmath>
#include <cstdlib>

#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/staging_export.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

namespace {

// State of one export.
struct AsringRun {
  LugRecord Header;
  std::string Fir;
  std::string Uhr;  // time of the run, HH:MM:SS
  int16_t Jhr = 0;  // payroll year and month
  int16_t Mon = 0;
  int32_t Count = 0;  // number of the current record among those read
  WageTypeCache Lines;
};

// Values of one record as handed over.
struct AsringValues {
  double Hours = 0;  // 0 when the record carries no minutes
  int32_t Tge = 0;   // tenths as read when there are minutes, else whole days
  std::string Lkz;   // "J": negative difference record
  int16_t Vfj = 0;   // origin year and month of a difference record
  int16_t Vfm = 0;
};

[[nodiscard]] int SQL_GetTime(std::string& time) {
  return SqlSelectOne(SqlFormat("SELECT date_format(SYSDATE(), '%%H:%%i:%%s')"), time);
}

[[nodiscard]] int SQL_Qvx333Asr_Insert(const AsringRun& run, const TransferRecord& r, const std::string& kst,
                                       const AsringValues& v) {
  // the hours with six decimals of the exact minutes AsrMin
  int32_t minutes = v.Hours != 0 ? r.Zk1Std : 0;
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Asr  (AsrFir, AsrPnr, AsrJhr, AsrMon, AsrLna, AsrStd, AsrTag, "
                "AsrKst, AsrAbr, AsrLkz, AsrUhr, AsrVfj, AsrVfm, AsrMin)  VALUES ('%s', '%s', %d, %d, "
                "'%s', ROUND(%ld / 60E0, 6), %ld, '%s', %ld, '%s', '%s', %d, %d, %ld)",
                run.Fir, r.Zk1Upn, run.Jhr, run.Mon, r.Zk1Lna, minutes, v.Tge, kst,
                static_cast<int32_t>(run.Mon) * 10000 + run.Jhr, v.Lkz, run.Uhr, v.Vfj, v.Vfm, minutes));
}

[[nodiscard]] int SQL_Qvx333Asr_Update(const AsringRun& run, const TransferRecord& r, const std::string& kst,
                                       const AsringValues& v) {
  // the minutes are added and the hours follow their sum (assignments run
  // from left to right)
  int32_t minutes = v.Hours != 0 ? r.Zk1Std : 0;
  return SqlWrite(
      SqlFormat("UPDATE Qvx333Asr  SET AsrMin = AsrMin + %ld,  AsrStd = ROUND(AsrMin / 60E0, 6), "
                " AsrTag = AsrTag + %ld,  AsrUhr = '%s' "
                " WHERE AsrFir = '%s'  AND AsrPnr = '%s'  AND AsrKst = '%s'  AND AsrLna = '%s' "
                " AND AsrJhr = %d  AND AsrMon = %d  AND AsrLkz = '%s' AND AsrVfj = %d  AND AsrVfm = %d ",
                minutes, v.Tge, run.Uhr, run.Fir, r.Zk1Upn, kst, r.Zk1Lna, run.Jhr, run.Mon, v.Lkz, v.Vfj, v.Vfm));
}

// 0 with the stored quantity when the period was written before.
[[nodiscard]] int SQL_Qvx333Ask_Exists(const AsringRun& run, const TransferRecord& r, const std::string& art,
                                       const std::string& lkz, double& mge) {
  std::string pnr;
  return SqlSelectOne(SqlFormat("SELECT AskPnr, AskMge  FROM Qvx333Ask  WHERE AskFir = '%s' AND AskPnr = '%s' AND "
                                "AskJhr = %d AND AskMon = %d AND AskArt = '%s' AND AskLkz = '%s' AND AskVon = '%s' "
                                "AND AskBis = '%s'",
                                run.Fir, r.Zk1Upn, run.Jhr, run.Mon, art, lkz, r.Zk1Von, r.Zk1Bis),
                      pnr, mge);
}

[[nodiscard]] int SQL_Qvx333Ask_Insert(const AsringRun& run, const TransferRecord& r, const std::string& art,
                                       const std::string& ein, double mge, const std::string& lkz) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Ask  (AskFir, AskPnr, AskJhr, AskMon, AskEnr, AskArt, AskVon, AskBis, "
                "AskEin, AskMge, AskLkz, AskUhr)  VALUES ('%s', '%s', %d, %d, %d, '%s', '%s', '%s', "
                "'%s', %f, '%s', '%s')",
                run.Fir, r.Zk1Upn, run.Jhr, run.Mon, run.Count, art, r.Zk1Von, r.Zk1Bis, ein, mge, lkz, run.Uhr));
}

AsringValues Values(const TransferRecord& r) {
  AsringValues v;
  if (r.Zk1Std != 0) {
    v.Hours = r.Zk1Std * (1.0 / 60);
    v.Tge = r.Zk1Tge;
  } else {
    v.Tge = r.Zk1Tge / 10;  // whole days
  }
  bool difference = r.Zk1Rre == 2;
  v.Lkz = difference && (r.Zk1Std < 0 || r.Zk1Tge < 0) ? "J" : "N";
  if (difference) {
    int32_t date = DateToLong(r.Zk1Bdt);
    v.Vfj = static_cast<int16_t>(date / 10000);
    v.Vfm = static_cast<int16_t>(date / 100 % 100);
  }
  return v;
}

// An absence period is written once. A quantity that differs from the one
// stored for the period is not handed over; the line in the log shows it.
void WritePeriod(AsringRun& run, const TransferRecord& r, const AsringValues& v) {
  std::string art = SubStr(r.Zk1Lgr, 0, 1);
  bool hours = r.Zk1Std != 0 && v.Hours != 0;
  std::string ein = hours ? "S" : "T";
  double mge = std::fabs(hours ? v.Hours : static_cast<double>(v.Tge));
  double stored = 0;
  int st = SQL_Qvx333Ask_Exists(run, r, art, v.Lkz, stored);
  if (st == 0) {
    // the same quantity is in the table already; a different one is left out
    if (Format("%f", stored) != Format("%f", mge))
      LeaveOutRecordOf(r.Zk1Upn, art, hours ? mge : 0, hours ? 0 : mge, "Zeitraum schon übergeben",
                       "Qvx333Ask: Zeitraum schon übergeben, Pnr: %s, %s - %s, Menge bisher: %f, neu: %f", r.Zk1Upn,
                       r.Zk1Von, r.Zk1Bis, stored, mge);
    return;
  }
  if (st != kSqlNoMoreRows) {
    ReportStatus(st, "Qvx333Ask: LeseFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Upn, st);
    return;
  }
  st = StagedRow("Qvx333Ask", SQL_Qvx333Ask_Insert(run, r, art, ein, mge, v.Lkz));
  if (st != 0) {
    ReportStatus(st, "Qvx333Ask: InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Upn, st);
    return;
  }
  // the period row has no wage type: the payroll side takes it by its kind
  HandedOverRecord(r.Zk1Upn, art, hours ? mge : 0, hours ? 0 : mge);
}

void WriteWage(RunContext& ctx, AsringRun& run, const TransferRecord& r, const AsringValues& v) {
  Lu1Line lu1;
  std::string kst = r.Zk1Kst;
  int st = FindWageTypeLine(ctx, run.Lines, run.Header.LugLug, r, lu1);
  if (st != 0 && st != kSqlNoMoreRows) return;  // left out: its line could not be read
  if (st == 0) kst = lu1.Lu1Kst != 0 ? SubStr(kst, 0, 10) : " ";
  st = StagedRow("Qvx333Asr", SQL_Qvx333Asr_Insert(run, r, kst, v));
  if (st == kSqlDuplicate) {
    st = StagedRow("Qvx333Asr", SQL_Qvx333Asr_Update(run, r, kst, v), true);
    if (st != 0) ReportStatus(st, "Qvx333Asr-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  } else if (st != 0) {
    ReportStatus(st, "Qvx333Asr-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  }
  // the row's hours follow the minutes (AsrMin / 60 with six decimals), its
  // days are the number AsrTag adds
  if (st == 0) HandedOverRecord(r.Zk1Upn, r.Zk1Lna, (v.Hours != 0 ? r.Zk1Std : 0) / 60.0, v.Tge);
}

// Header values of the run: its time, the firm and the payroll month.
void ReadHeader(const RunContext& ctx, AsringRun& run) {
  int st = SQL_GetTime(run.Uhr);
  if (st != 0) ReportStatus(st, "Fehler beim Lesen der Uhrzeit: %d", st);
  st = SQL_Qvx171Lug_GetFir(ctx.Akr, run.Header);
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx171Lug-SelectFehler, Sqlfhl: %d", st);
  run.Fir = FirmText(run.Header, ctx.Akr, 3);
  int32_t month = ShiftMonth(DateToLong(ctx.AbrDatum) / 100, run.Header.LugMon);
  run.Jhr = static_cast<int16_t>(month / 100);
  run.Mon = static_cast<int16_t>(month % 100);
}

void WriteRecord(RunContext& ctx, AsringRun& run, const TransferRecord& r) {
  AsringValues v = Values(r);
  std::string kind = SubStr(r.Zk1Stz, 0, 2);
  if (kind == "SS") WritePeriod(run, r, v);
  else if (kind == "LS") WriteWage(ctx, run, r, v);
}

}  // namespace

void AsringLohnprogramm(RunContext& ctx) {
  AsringRun run;
  RunStagingExport(
      ctx, {
               .Started = "\nAsring Lohnprogramm Akr: %s, Abrnr: %d gestartet",
               .Finished = "Asring Lohnprogramm beendet",
               .Clears = {{[] { return SqlWrite("DELETE FROM Qvx333Asr"); }, "DeleteFehler QVX333Asring, Sqlfhl: %d"},
                          {[] { return SqlWrite("DELETE FROM Qvx333Ask"); }, "DeleteFehler QVX333Asring, Sqlfhl: %d"}},
               .ReadInterface = [&] { ReadHeader(ctx, run); },
               .Select = [&ctx](SqlCursor& c) { return SQL_Qvx331Zk1_OpenRun(c, ctx.Abrnr, ctx.Lfn, "%d.%m.%Y", ""); },
               .Fetch = SQL_Qvx331Zk1_FetchRun,
               // the record's number goes into the period rows (AskEnr)
               .Write =
                   [&](const TransferRecord& r, int32_t number) {
                     run.Count = number;
                     WriteRecord(ctx, run, r);
                   },
               // no file: the staging tables are the hand-over
               .Finish = nullptr,
               .LogCount = true,
               .LogBrokenRead = true,
           });
}
