#include "export/god.h"

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/staging_write.h"
#include "export/staging_export.h"
#include "export/transfer_record.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// One row of Qvx333God.
struct GodRecord {
  std::string GodArt, GodTnr, GodPnr, GodLna, GodDvo, GodDbi;
  int64_t GodMin = 0;  // exact minutes; the hours GodStd follow them
  std::string GodEin, GodKst, GodEar, GodFvo, GodFbi, GodFgr, GodNam;
};

// State of one export: the participant number and the name of the person
// read last (the records come by person).
struct GodRun {
  std::string Tnr;
  std::string NamePnr;
  std::string Name;
  bool NameRead = false;
};

[[nodiscard]] int SQL_Qvx333God_Delete() { return SqlWrite("DELETE FROM Qvx333God"); }

// The run's transfer records by person, kind and date (then in a fixed order).
[[nodiscard]] int SQL_Qvx331Zk1_SelectGod(SqlCursor& c, int32_t abr, int16_t lfn) {
  return SqlOpenStreamed(
      c, SqlFormat("SELECT COALESCE(Zk1Stz, ' '), date_format(Zk1Bdt, '%%Y%%m%%d'), COALESCE(Zk1Pnr, ' '), "
                   "COALESCE(Zk1Lna, ' '), COALESCE(Zk1Lgr, ' '), COALESCE(Zk1Kst, ' '), "
                   "COALESCE(Zk1Std, 0), date_format(Zk1Von, '%%Y%%m%%d'), "
                   "date_format(Zk1Bis, '%%Y%%m%%d'), COALESCE(Zk1Upn, ' '), COALESCE(Zk1Tge, 0), "
                   "COALESCE(Zk1Rre, 0) "
                   " FROM Qvx331Zk1  WHERE Zk1Abr = %ld  AND Zk1Lfn = %d "
                   " ORDER BY Zk1Pnr, Zk1Stz, Zk1Bdt, Zk1Lna, Zk1Kst, Zk1Von, Zk1Bis",
                   abr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchGod(SqlCursor& c, TransferRecord& r) {
  int st = SqlFetchInto(c, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Lna, r.Zk1Lgr, r.Zk1Kst, r.Zk1Std, r.Zk1Von, r.Zk1Bis,
                        r.Zk1Upn, r.Zk1Tge, r.Zk1Rre);
  Trim(r.Zk1Stz);
  Trim(r.Zk1Pnr);
  Trim(r.Zk1Lna);
  Trim(r.Zk1Lgr);
  Trim(r.Zk1Kst);
  Trim(r.Zk1Upn);
  return st;
}

[[nodiscard]] int SQL_Qvx333God_Write(const GodRecord& g) {
  std::string insert = SqlFormat(
      "INSERT INTO Qvx333God (GodArt, GodTnr, GodPnr, GodLna, GodDvo, GodDbi, GodStd, GodEin, GodKst, GodEar, "
      "GodFvo, GodFbi, GodFgr, GodNam, GodMin) VALUES ('%s', '%s', '%s', '%s', '%s', '%s', %lld / 60E0, '%s', "
      "'%s', '%s', '%s', '%s', '%s', '%s', %lld)",
      g.GodArt, g.GodTnr, g.GodPnr, g.GodLna, g.GodDvo, g.GodDbi, g.GodMin, g.GodEin, g.GodKst, g.GodEar, g.GodFvo,
      g.GodFbi, g.GodFgr, g.GodNam, g.GodMin);
  // the hours follow the exact minutes (assignments run from left to right)
  return StagingWrite(insert, [&] {
    return SqlFormat(
        "UPDATE Qvx333God SET GodMin = GodMin + %lld, GodStd = GodMin / 60E0, GodFbi = '%s' "
        " WHERE GodArt = '%s'  AND GodPnr = '%s'  AND GodLna = '%s'  AND GodDvo = '%s'  AND GodDbi = '%s' "
        " AND GodFvo = '%s'  AND GodKst = '%s'",
        g.GodMin, g.GodFbi, g.GodArt, g.GodPnr, g.GodLna, g.GodDvo, g.GodDbi, g.GodFvo, g.GodKst);
  });
}

[[nodiscard]] int SQL_Qvx333God_Count(int32_t& count) { return SqlSelectOne("SELECT COUNT(*)  FROM Qvx333God", count); }

[[nodiscard]] int SQL_Qvx333God_Select(SqlCursor& c) {
  return SqlOpen(c,
                 "SELECT GodArt, GodTnr, GodPnr, GodLna, GodDvo, GodDbi, COALESCE(GodMin, 0), GodEin, GodKst, GodEar, "
                 "GodFvo, GodFbi, GodFgr, GodNam  FROM Qvx333God "
                 " ORDER BY GodPnr, GodArt, GodLna, GodDvo, GodDbi, GodFvo, GodKst");
}

[[nodiscard]] int SQL_Qvx333God_Fetch(SqlCursor& c, GodRecord& g) {
  return SqlFetchInto(c, g.GodArt, g.GodTnr, g.GodPnr, g.GodLna, g.GodDvo, g.GodDbi, g.GodMin, g.GodEin, g.GodKst,
                      g.GodEar, g.GodFvo, g.GodFbi, g.GodFgr, g.GodNam);
}

// MMYY and DDMMYY of a date YYYYMMDD; empty for an empty date.
std::string MonthYear(const std::string& d) { return SubStr(d, 4, 2) + SubStr(d, 2, 2); }
std::string DayMonthYear(const std::string& d) { return SubStr(d, 6, 2) + MonthYear(d); }

// The person's name, read once per person.
const std::string& PersonName(GodRun& run, const std::string& pnr) {
  if (!run.NameRead || run.NamePnr != pnr) {
    std::string name;
    int st = SQL_Qvx300Pnr_GetName(pnr, name);
    if (st == -1) ReportStatus(st, "Qvx300Pnr-Lesefehler, Pnr: %s, Sqlfhl: %d", pnr, st);
    run.Name = st == 0 ? SubStr(name, 0, 50) : std::string();
    run.NamePnr = pnr;
    run.NameRead = true;
  }
  return run.Name;
}

// Staging record of one transfer record; false when it is not handed over
// (logged).
bool BuildRecord(GodRun& run, const TransferRecord& r, GodRecord& g) {
  g.GodTnr = run.Tnr;
  // the field holds 8 characters; a cut would merge people
  if (r.Zk1Upn.size() > 8) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return false;
  }
  g.GodPnr = r.Zk1Upn;
  // the name table is keyed by the time-management personnel number
  g.GodNam = PersonName(run, r.Zk1Pnr);
  if (r.Zk1Lna.size() > 4) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
    return false;
  }
  g.GodLna = r.Zk1Lna;
  g.GodDvo = MonthYear(r.Zk1Von);
  g.GodDbi = MonthYear(r.Zk1Bis);
  if (r.Zk1Stz == "970") {
    g.GodArt = "970";
    g.GodFvo = " ";
    g.GodMin = r.Zk1Std;
    if (r.Zk1Kst.size() > 6) {
      LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Kostenstelle zu lang : %s",
                       r.Zk1Kst);
      return false;
    }
    g.GodKst = r.Zk1Kst;
  } else if (r.Zk1Stz == "331") {
    // a record with negative days (or minutes) takes back what an earlier
    // run sent: it is no absence period and must not set the to-date
    if (r.Zk1Tge < 0 || (r.Zk1Tge == 0 && r.Zk1Std < 0)) {
      LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "negativer Wert",
                       "Pnr %s: Fehlzeit mit negativem Wert nicht übergeben (%s - %s, Rre %d)", r.Zk1Upn,
                       DayMonthYear(r.Zk1Von), DayMonthYear(r.Zk1Bis), r.Zk1Rre);
      return false;
    }
    g.GodArt = "331";
    g.GodLna = " ";
    g.GodFvo = DayMonthYear(r.Zk1Von);
    g.GodFbi = r.Zk1Bis.empty() ? "000000" : DayMonthYear(r.Zk1Bis);
    g.GodFgr = SubStr(r.Zk1Lgr, 0, 2);
  } else {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "Satzart nicht unterstützt",
                     "Satzart nicht unterstützt: %s", r.Zk1Stz);
    return false;
  }
  return true;
}

void GodWriteFile(const RunContext& ctx) {
  DeleteOldTransferFile(ctx, "PVZERZDP.DAT");
  ExportFile file;
  ExportFileCreate(ctx, file, "\\PVZERZDP.DAT", "GOD-Exportdatei kann nicht geoeffnet werden !");

  // run date DD.MM.YYYY ... as YYYYMMDD
  const std::string& t = ctx.DbTime;
  ExportWriteF(file, "%s%s%s%s%s\n", "X101000010000", "xxxxxxxx", "0000ZEITERF.",
               SubStr(t, 6, 4) + SubStr(t, 3, 2) + SubStr(t, 0, 2), "00000000TYP1");
  int32_t count = 0;
  int st = SQL_Qvx333God_Count(count);
  if (st != 0) ReportStatus(st, "Qvx333God-Lesefehler, Sqlfhl: %d", st);
  ExportWriteF(file, "X1010000%06d000000000000\n", count);

  // a selection that fails is logged like a failed fetch
  SqlCursor c;
  st = SQL_Qvx333God_Select(c);
  GodRecord g;
  while (st == 0 && (st = SQL_Qvx333God_Fetch(c, g)) == 0) {
    if (g.GodArt == "970") {
      // hundredths of hours in 7 places, formatted once from the exact minutes
      std::string hours = Format("%7lld", ExactRound(g.GodMin, 60, 2));
      if (hours.size() > 7) {
        LeaveOutRecord("zu groß, als 0 übergeben", "Wert zu groß f.Übergabe, Pnr: %s", g.GodPnr);
        hours = Format("%7d", 0);
      }
      ExportWriteF(file, "%s%s%-4s%-8s%-4s%-4s%-4s%8s%s%2s%5s%9s%-8s%-6s%-2s%s\n", g.GodArt, "1", g.GodTnr, g.GodPnr,
                   g.GodLna, g.GodDvo, g.GodDbi, "", hours, "", "", "", g.GodEin, g.GodKst, g.GodEar, g.GodNam);
      // hours as the line carries them, in hundredths
      HandedOverRecord(g.GodPnr, g.GodLna, WrittenNumber(hours) / 100, 0);
    } else if (g.GodArt == "331") {
      ExportWriteF(file, "%s%s%-4s%-8s%-4s%-4s%18s%-6s%-6s%-2s%s\n", g.GodArt, "1", g.GodTnr, g.GodPnr, g.GodDvo,
                   g.GodDbi, "", g.GodFvo, g.GodFbi, g.GodFgr, g.GodNam);
      // an absence period: no wage type and no value, the line's kind stands for it
      HandedOverRecord(g.GodPnr, g.GodArt, 0, 0);
    }
    g = GodRecord{};
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) ReportStatus(st, "Qvx333God-Lesefehler, Sqlfhl: %d", st);
  ExportFileClose(file);
}

}  // namespace

void GodLohnprogramm(RunContext& ctx) {
  GodRun run;
  RunStagingExport(ctx, {
                            .Started = "\nGOD-Lohnprogramm Akr: %s, Abrnr: %d gestartet",
                            .Finished = "GOD-Lohnprogramm beendet",
                            .Clears = {{SQL_Qvx333God_Delete, "DeleteFehler QVX333GOD, Sqlfhl: %d"}},
                            .ReadInterface =
                                [&] {
                                  LugRecord lug;
                                  RequireRead(SQL_Qvx171Lug_GetLugFir(ctx.Akr, lug), "Qvx171Lug");
                                  // the field holds 4 characters: a longer number is reported and cut
                                  if (lug.LugFir.size() > 4) Log("TeilnehmerNr. zu lang : %s", lug.LugFir);
                                  run.Tnr = SubStr(lug.LugFir, 0, 4);
                                },
                            .Select = [&ctx](SqlCursor& c) { return SQL_Qvx331Zk1_SelectGod(c, ctx.Abrnr, ctx.Lfn); },
                            .Fetch = SQL_Qvx331Zk1_FetchGod,
                            .Write =
                                [&](const TransferRecord& r, int32_t) {
                                  GodRecord g;
                                  if (!BuildRecord(run, r, g)) return;
                                  int ws = SQL_Qvx333God_Write(g);
                                  if (ws != 0) ReportStatus(ws, "Qvx333God Insert-/UpdateFehler, Sqlfhl: %d", ws);
                                },
                            .Finish = [&ctx] { GodWriteFile(ctx); },
                            .LogCount = true,
                            .LogBrokenRead = false,
                        });
}
