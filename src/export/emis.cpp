#include "export/emis.h"

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/transfer_record.h"
#include "export/datev.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

[[nodiscard]] int SQL_Qvx333Ems_Delete() { return SqlWrite(SqlFormat("DELETE FROM Qvx333Ems")); }

[[nodiscard]] int SQL_Qvx331Zk1_SelectAll(SqlCursor& cursor, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(
      cursor, SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt, Zk1Lna, "
                        "Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, date_format(Zk1Von, '%%Y.%%m.%%d'), "
                        "date_format(Zk1Bis, '%%Y.%%m.%%d'), Zk1Sts, Zk1Rre, Zk1Sta  FROM Qvx331Zk1 "
                        " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  ORDER BY Zk1Pnr, Zk1Stz, Zk1Bdt",
                        abrnr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchAll(SqlCursor& cursor, TransferRecord& r) {
  return SqlFetchInto(cursor, r.Zk1Abr, r.Zk1Lfn, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr, r.Zk1Kst,
                      r.Zk1Ktr, r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Von, r.Zk1Bis, r.Zk1Sts, r.Zk1Rre,
                      r.Zk1Sta);
}

[[nodiscard]] int SQL_Qvx331Zk1_CloseAll(SqlCursor& cursor) { return dbClose(cursor); }

namespace {
// Hours of the minutes with six decimals, formatted once from the exact sum.
std::string HoursText(int32_t minutes) { return ExactText(ExactRound(minutes, 60, 6), 6); }
}  // namespace

[[nodiscard]] int SQL_Qvx333Ems_Insert(const EmsRow& w) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Ems (EmsAkr, EmsPnr, EmsDat, EmsLna, EmsStd, EmsMin, EmsTge, EmsKnz) "
                " VALUES ('%s', '%s', '%s', '%s', %s, %ld, %ld, '%s')",
                w.EmsAkr, w.EmsPnr, w.EmsDat, w.EmsLna, HoursText(w.EmsMin), w.EmsMin, w.EmsTge, w.EmsKnz));
}

// The hours formatted once from the minutes of all records, in the statement
// that adds them.
[[nodiscard]] int SQL_Qvx333Ems_Update(const EmsRow& w) {
  const std::string sum = Format("(EmsMin + %ld)", w.EmsMin);
  return SqlWrite(
      SqlFormat("UPDATE Qvx333Ems SET EmsStd = %s, EmsMin = %s, "
                "EmsTge = EmsTge + %ld  WHERE EmsPnr = '%s' AND EmsDat = '%s' AND EmsLna = '%s'",
                ExactSql(sum, 60, 6), sum, w.EmsTge, w.EmsPnr, w.EmsDat, w.EmsLna));
}

void EmisLohnprogramm(RunContext& ctx) {
  Log("\nEmis Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);

  if (ctx.AkrSsl == 1) {
    int st = SQL_Qvx333Ems_Delete();
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx333Ems-DeleteFehler, Sqlfhl: %d", st);
  }

  // accounting month MMYYYY of the period start YYYY.MM.DD
  std::string abrVon;
  RequireRead(SQL_Qvx330Abr_GetVon(ctx.Akr, ctx.Abrnr, abrVon), "Qvx330Abr");
  std::string dat = SubStr(abrVon, 5, 2) + SubStr(abrVon, 0, 4);
  LugRecord lug;
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, lug), "Qvx171Lug");
  std::string akr = lug.LugAkr.empty() ? ctx.Akr : lug.LugAkr;

  SqlCursor records;
  RequireRead(SQL_Qvx331Zk1_SelectAll(records, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  int st = SQL_Qvx331Zk1_FetchAll(records, r);
  while (st == 0) {
    if (!RecordFitsLine(r, "")) {
      r = TransferRecord{};
      st = SQL_Qvx331Zk1_FetchAll(records, r);
      continue;
    }
    EmsRow w;
    w.EmsAkr = akr;
    w.EmsPnr = r.Zk1Pnr;
    w.EmsDat = dat;
    w.EmsLna = r.Zk1Lna;
    w.EmsMin = r.Zk1Std;
    w.EmsTge = r.Zk1Tge;
    w.EmsKnz = r.Zk1Sta == 1 ? "P" : "T";
    // a row of the person, month and wage type keeps its circle and flag and
    // gets the amounts added
    int ws = StagedRow("Qvx333Ems", SQL_Qvx333Ems_Insert(w));
    if (ws == kSqlDuplicate) {
      ws = StagedRow("Qvx333Ems", SQL_Qvx333Ems_Update(w), true);
      if (ws != 0) ReportStatus(ws, "Qvx333Ems-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, ws);
    } else if (ws != 0) {
      ReportStatus(ws, "Qvx333Ems-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, ws);
    }
    // the table is the hand-over: hours with six decimals, days in tenths
    if (ws == 0) HandedOverRecord(w.EmsPnr, w.EmsLna, WrittenNumber(HoursText(w.EmsMin)), w.EmsTge / 10.0);
    r = TransferRecord{};
    st = SQL_Qvx331Zk1_FetchAll(records, r);
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zk1_CloseAll(records);
  Log("Emis Lohnprogramm beendet");
}
