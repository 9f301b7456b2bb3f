#include "export/lodas.h"

#include <memory>
#include <string>

#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// Retro dates handed over in files 1 to 12.
constexpr int kMaxRetroFiles = 12;

// One row of Qvx333Ld1.
struct Ld1Row {
  std::string Ld1Art;
  std::string Ld1Pnr;
  std::string Ld1Azr;  // DD.MM.YYYY
  std::string Ld1Key;  // "01" hours, "10" days
  double Ld1Val = 0;   // as read back
  int32_t Ld1Exa = 0;  // minutes (key 01) or tenths of a day (key 10) written
  std::string Ld1Lna;
  std::string Ld1Kst;
  std::string Ld1Ktr;
  int16_t Ld1Rre = 0;  // 0 settled values, 3 values to book, 4 values to remove
};

// State of one export.
struct LodasRun {
  WageTypeCache Lines;
  int32_t Read = 0;     // records read from Qvx331Zk1 and Qvx331Zk5
  int32_t Written = 0;  // data lines written into all files
  LugRecord Header;
};

[[nodiscard]] int SQL_Qvx333Ld1_Delete() { return SqlWrite("DELETE FROM Qvx333Ld1"); }

// The run's transfer records; the booking date as DD.MM.YYYY.
[[nodiscard]] int SQL_Qvx331Zk1_OpenLodas(SqlCursor& c, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(c, SqlFormat("SELECT trim(Zk1Pnr), trim(Zk1Zkt), trim(Zk1Lna), trim(Zk1Kst), trim(Zk1Ktr), "
                                      "trim(Zk1Stz), trim(Zk1Upn), COALESCE(Zk1Std, 0), COALESCE(Zk1Tge, 0), "
                                      "date_format(Zk1Bdt, '%%d.%%m.%%Y')  FROM Qvx331Zk1 "
                                      " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  ORDER BY Zk1Pnr, Zk1Von",
                                      abrnr, lfn));
}

// The correction memos of this run: the key of the run keeps out the memos of
// earlier runs of the same number (they were handed over with those runs) and
// those of other circles.
[[nodiscard]] int SQL_Qvx331Zk5_OpenLodas(SqlCursor& c, const std::string& key, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(c, SqlFormat("SELECT trim(Zk5Pnr), trim(Zk5Zkt), trim(Zk5Lna), trim(Zk5Kst), trim(Zk5Ktr), "
                                      "trim(Zk5Stz), trim(Zk5Upn), COALESCE(Zk5Std, 0), COALESCE(Zk5Tge, 0), "
                                      "date_format(Zk5Bdt, '%%d.%%m.%%Y'), Zk5Rre  FROM Qvx331Zk5 "
                                      " WHERE Zk5Key = '%s'  AND Zk5Abr = %ld  AND Zk5Lfn = %d  AND Zk5Rre > 1 "
                                      " ORDER BY Zk5Bdt DESC, Zk5Rre DESC, Zk5Pnr",
                                      key, abrnr, lfn));
}

int FetchRecord(SqlCursor& c, TransferRecord& r) {
  return SqlFetchInto(c, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Kst, r.Zk1Ktr, r.Zk1Stz, r.Zk1Upn, r.Zk1Std, r.Zk1Tge,
                      r.Zk1Bdt);
}

// A memo record: the retro mark Zk5Rre in Zk1Rre.
int FetchMemo(SqlCursor& c, TransferRecord& r) {
  return SqlFetchInto(c, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Kst, r.Zk1Ktr, r.Zk1Stz, r.Zk1Upn, r.Zk1Std, r.Zk1Tge,
                      r.Zk1Bdt, r.Zk1Rre);
}

// Values are accumulated per person, date, kind, wage type, cost centre, cost
// unit and retro mark: values of two cost centres stay two lines.
[[nodiscard]] int SQL_Qvx333Ld1_Write(const Ld1Row& w, std::string& statement) {
  const int divisor = w.Ld1Key == "01" ? 60 : 10;  // minutes in an hour, tenths in a day
  std::string insert = SqlFormat(
      "INSERT INTO Qvx333Ld1 (Ld1Art, Ld1Pnr, Ld1Azr, Ld1Key, Ld1Val, Ld1Lna, Ld1Kst, Ld1Ktr, Ld1Rre, Ld1Exa) "
      " VALUES ('%s', '%s', STR_TO_DATE('%s', '%%d.%%m.%%Y'), '%s', ROUND(%ld / %dE0, 6), '%s', '%s', '%s', %d, "
      "%ld)",
      w.Ld1Art, w.Ld1Pnr, w.Ld1Azr, w.Ld1Key, w.Ld1Exa, divisor, w.Ld1Lna, w.Ld1Kst, w.Ld1Ktr, w.Ld1Rre, w.Ld1Exa);
  return StagingWrite(
      insert,
      [&] {
        // the value follows the exact sum (assignments run from left to right)
        return SqlFormat(
            "UPDATE Qvx333Ld1  SET Ld1Exa = Ld1Exa + %ld, Ld1Val = ROUND(Ld1Exa / %dE0, 6) "
            " WHERE Ld1Art = '%s'  AND Ld1Pnr = '%s' "
            " AND Ld1Azr = STR_TO_DATE('%s', '%%d.%%m.%%Y')  AND Ld1Key = '%s'  AND Ld1Lna = '%s' "
            " AND Ld1Kst = '%s'  AND Ld1Ktr = '%s'  AND Ld1Rre = %d",
            w.Ld1Exa, divisor, w.Ld1Art, w.Ld1Pnr, w.Ld1Azr, w.Ld1Key, w.Ld1Lna, w.Ld1Kst, w.Ld1Ktr, w.Ld1Rre);
      },
      &statement);
}

constexpr char kLd1Columns[] =
    "SELECT Ld1Art, Ld1Pnr, date_format(Ld1Azr, '%%d.%%m.%%Y'), Ld1Key, Ld1Val, Ld1Lna, Ld1Kst, Ld1Ktr, Ld1Rre "
    " FROM Qvx333Ld1 ";

[[nodiscard]] int SQL_Qvx333Ld1_OpenNormal(SqlCursor& c) {
  return SqlOpen(c, SqlFormat(std::string(kLd1Columns) +
                              " WHERE Ld1Rre < 2  ORDER BY Ld1Art, Ld1Pnr, Ld1Azr, Ld1Key, Ld1Lna, Ld1Kst, Ld1Ktr"));
}

// Ordered by date first: each date gets exactly one file, in it the values to
// remove before the values to book.
[[nodiscard]] int SQL_Qvx333Ld1_OpenRetro(SqlCursor& c) {
  return SqlOpen(c, SqlFormat(std::string(kLd1Columns) +
                              " WHERE Ld1Rre > 2  ORDER BY Ld1Azr, Ld1Rre DESC, Ld1Art, Ld1Pnr, Ld1Key, Ld1Lna, "
                              "Ld1Kst, Ld1Ktr"));
}

int FetchRow(SqlCursor& c, Ld1Row& w) {
  return SqlFetchInto(c, w.Ld1Art, w.Ld1Pnr, w.Ld1Azr, w.Ld1Key, w.Ld1Val, w.Ld1Lna, w.Ld1Kst, w.Ld1Ktr, w.Ld1Rre);
}

// One transfer or memo record into the staging table; a value that does not
// fit its field is logged and the record left out.
void ProcessRecord(RunContext& ctx, LodasRun& run, TransferRecord r, int16_t mark) {
  // the file separates fields by ";" and encloses texts in quotes
  if (!RecordFitsLine(r, ";\"")) return;
  // the wage-type line is valid at the booking date (YYYY.MM.DD)
  std::string azr = r.Zk1Bdt;
  r.Zk1Bdt = SubStr(azr, 6, 4) + "." + SubStr(azr, 3, 2) + "." + SubStr(azr, 0, 2);
  Lu1Line line;
  int st = CachedWageTypeLookup(run.Lines, ctx.Lug.LugLug, r, line);
  if (LeftOutForUnreadLine(ctx, st, r)) return;
  if (st != 0) {
    Log("Fehler beim Lesen Qvx171Lu1: %d", st);
  } else {
    if (line.Lu1Kst == 0) r.Zk1Kst.clear();
    if (line.Lu1Ktr == 0) r.Zk1Ktr.clear();
  }

  Ld1Row w;
  w.Ld1Art = "1";
  w.Ld1Rre = mark;
  if (r.Zk1Upn.size() > 5) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return;
  }
  w.Ld1Pnr = r.Zk1Upn;
  w.Ld1Azr = azr;
  if (r.Zk1Std != 0) {
    w.Ld1Key = "01";
    w.Ld1Exa = r.Zk1Std;
  } else {
    w.Ld1Key = "10";
    w.Ld1Exa = r.Zk1Tge;
  }
  if (r.Zk1Lna.size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Pnr %s: Lohnart zu lang (%s)",
                     r.Zk1Pnr, r.Zk1Lna);
    return;
  }
  if (r.Zk1Kst.size() > 8) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                     "Pnr %s: Kostenstelle zu lang (%s)", r.Zk1Pnr, r.Zk1Kst);
    return;
  }
  if (r.Zk1Ktr.size() > 8) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                     "Pnr %s: Kostenträger zu lang (%s)", r.Zk1Pnr, r.Zk1Ktr);
    return;
  }
  w.Ld1Lna = r.Zk1Lna;
  w.Ld1Kst = r.Zk1Kst;
  w.Ld1Ktr = r.Zk1Ktr;

  std::string statement;
  st = SQL_Qvx333Ld1_Write(w, statement);
  if (st != 0) {
    Log("     SQL_Qvx333Ld1_Write, ERROR: %ld", st);
    Log("     sqlStmt : %s", statement);
    if (st == -1) AbortRun(60);
  }
}

void WriteHeader(ExportFile& f, const LugRecord& header) {
  std::string akr = header.LugAkr.empty() ? "???" : header.LugAkr;
  std::string fir = header.LugFir.empty() ? "???" : header.LugFir;
  RequireFitsLine(akr, "", "LugAkr");
  RequireFitsLine(fir, "", "LugFir");
  ExportWriteF(f,
               "[Allgemein]\nZiel=LODAS\nBeraterNr=%s\nMandantenNr=%s\nFeldtrennzeichen=;\nStringbegrenzer=\"\n"
               "Zahlenkomma=.\nDatumsformat=TT.MM.JJJJ\n\n",
               akr, fir);
  ExportWrite(f,
              "[Satzbeschreibung]\n1;u_lod_bwd_buchung_standard;pnr#bwd;abrechnung_zeitraum#bwd;bs_nr#bwd;"
              "bs_wert_butab#bwd;la_eigene#bwd;kostenstelle#bwd;kostentraeger#bwd;\n");
}

void WriteLine(ExportFile& f, const Ld1Row& w) {
  std::string value = Format("%.2f", w.Ld1Val);
  ExportWriteF(f, "%s;%s;%s;%s;%s;%s;%s;%s;\n", w.Ld1Art, w.Ld1Pnr, w.Ld1Azr, w.Ld1Key, value, w.Ld1Lna, w.Ld1Kst,
               w.Ld1Ktr);
  // key 01 carries hours, key 10 days; a line under [Entfernen] is counted
  // with the value it names, like every other line of the files
  double written = WrittenNumber(value);
  HandedOverRecord(w.Ld1Pnr, w.Ld1Lna, w.Ld1Key == "01" ? written : 0, w.Ld1Key == "01" ? 0 : written);
}

constexpr char kOpenFailure[] = "LODAS-Exportdatei kann nicht geoeffnet werden !";

std::string FileName(int n) { return Format("\\LodasSST-%d.txt", n); }

// The main file and the retro files are one hand-over, put in place together.
void WriteFiles(const RunContext& ctx, LodasRun& run) {
  ExportSet files;
  // files of an earlier run: a retro date of that run must not stay behind
  for (int n = 0; n <= kMaxRetroFiles; ++n) files.RemoveWhenPlaced(ctx, FileName(n));

  ExportFile file;
  ExportFileCreate(ctx, file, FileName(0), kOpenFailure, &files);
  WriteHeader(file, run.Header);
  ExportWrite(file, "\n[Bewegungsdaten]\n");
  SqlCursor normal;
  RequireRead(SQL_Qvx333Ld1_OpenNormal(normal), "Qvx333Ld1");
  Ld1Row w;
  int st;
  while ((st = FetchRow(normal, w)) == 0) {
    WriteLine(file, w);
    ++run.Written;
    w = Ld1Row{};
  }
  if (st == -1) AbortRun(60);
  dbClose(normal);
  ExportFileClose(file);

  // values of retro-calculated periods: one file per date
  std::string previous;
  int number = 0;
  bool removing = false;
  bool booking = false;
  std::unique_ptr<ExportFile> retro;
  SqlCursor rows;
  RequireRead(SQL_Qvx333Ld1_OpenRetro(rows), "Qvx333Ld1");
  w = Ld1Row{};
  while ((st = FetchRow(rows, w)) == 0) {
    if (number == 0 || w.Ld1Azr != previous) {
      if (retro) ExportFileClose(*retro);
      ++number;
      if (number > kMaxRetroFiles) {
        // the files written so far are handed over all the same
        files.Place(ctx);
        Log("Zu viele Rückrechnungszeiträume !");
        EndProcess(1);
      }
      retro = std::make_unique<ExportFile>();
      ExportFileCreate(ctx, *retro, FileName(number), kOpenFailure, &files);
      WriteHeader(*retro, run.Header);
      previous = w.Ld1Azr;
      removing = false;
      booking = false;
    }
    if (w.Ld1Rre == 4 && !removing) {
      ExportWrite(*retro, "\n[Entfernen]\n");
      removing = true;
      booking = false;
    }
    if (w.Ld1Rre == 3 && !booking) {
      ExportWrite(*retro, "\n[Bewegungsdaten]\n");
      booking = true;
      removing = false;
    }
    WriteLine(*retro, w);
    ++run.Written;
    w = Ld1Row{};
  }
  if (st == -1) AbortRun(60);
  dbClose(rows);
  if (retro) ExportFileClose(*retro);
  files.Place(ctx);
  Log("%d Datensätze in Datei(en) geschrieben.", run.Written);
}

}  // namespace

void LodasLohnprogramm(RunContext& ctx) {
  Log("\nLODAS-Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  if (ctx.AkrSsl == 1) {
    int st = SQL_Qvx333Ld1_Delete();
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333Ld1, Sqlfhl: %d", st);
  }

  LodasRun run;
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, run.Header), "Qvx171Lug");

  SqlCursor zk1;
  RequireRead(SQL_Qvx331Zk1_OpenLodas(zk1, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  int st;
  while ((st = FetchRecord(zk1, r)) == 0) {
    ProcessRecord(ctx, run, r, 0);
    ++run.Read;
    r = TransferRecord{};
  }
  if (st == -1) AbortRun(60);
  dbClose(zk1);

  SqlCursor zk5;
  RequireRead(SQL_Qvx331Zk5_OpenLodas(zk5, ctx.RunKey, ctx.Abrnr, ctx.Lfn), "Qvx331Zk5");
  r = TransferRecord{};
  while ((st = FetchMemo(zk5, r)) == 0) {
    ProcessRecord(ctx, run, r, r.Zk1Rre);
    ++run.Read;
    r = TransferRecord{};
  }
  if (st == -1) AbortRun(60);
  dbClose(zk5);
  Log("%d Datensätze aus Qvx333Zk1 gelesen.", run.Read);

  WriteFiles(ctx, run);
  Log("LODAS-Lohnprogramm beendet");
}
