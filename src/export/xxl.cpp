#include "export/xxl.h"

#include <cstdint>
#include <cstdlib>

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "export/datev.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// State of one export.
struct XxlExport {
  std::string LugLug;
  int16_t LugMon = 0;
  std::string Erd;  // accounting month YYYYMMDD
  WageTypeCache Lines;
  int32_t Written = 0;
};

// Record code of a record status; 99 for every status without one.
const char* RecordCode(int16_t sts) {
  switch (sts) {
    case 5: return "65";
    case 8: return "64";
    case 101: return "56";
    case 102: return "58";
    case 105: return "52";
    case 108: return "53";
    case 109: return "60";
    default: return "99";
  }
}

// Date text YYYY.MM.DD as YYYYMMDD, shifted by LugMon months when that is not 0.
std::string ShiftedDate(const std::string& date, int16_t lugMon) {
  int32_t d = DateToLong(date);
  if (lugMon != 0) d = ShiftDateInMonth(d, lugMon);
  return Format("%ld", d);
}

// Sign and amount of the exact sums: hours, or days for the tenths, as one
// value with three decimals; false when it does not fit its twelve places.
bool FormatAmount(XxlRow& row) {
  int64_t units = ExactRound(row.XxlMin + 6 * row.XxlZhn, 60, 3);
  row.XxlVo1 = units < 0 ? "-" : "+";
  row.XxlEin = ExactText(units < 0 ? -units : units, 3, 12);
  return row.XxlEin.size() <= 12;
}

void CollectRecord(RunContext& ctx, XxlExport& x, TransferRecord r) {
  if (!RecordFitsLine(r, "")) return;
  XxlRow row;
  row.XxlErd = x.Erd;
  row.XxlAbd = ShiftedDate(r.Zk1Bdt, x.LugMon);

  Lu1Line line;
  int st = CachedWageTypeLookup(x.Lines, x.LugLug, r, line);
  if (st == 0) {
    if (line.Lu1Ktr == 0) r.Zk1Ktr = " ";
    if (line.Lu1Krt == 0) r.Zk1Krt = " ";
    if (line.Lu1Kst == 0) r.Zk1Kst = " ";
  } else if (LeftOutForUnreadLine(ctx, st, r)) {
    return;
  }

  // personnel number and wage type are not cut: a cut would merge two
  // people's or two wage types' values
  std::string upn = r.Zk1Upn;
  RTrim(upn);
  if (upn.size() > 6) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", upn);
    return;
  }
  row.XxlPnr = upn;
  row.XxlKnz = RecordCode(r.Zk1Sts);
  if (row.XxlKnz == "99") {
    std::string lna = r.Zk1Lna;
    RTrim(lna);
    if (lna.size() > 3) {
      LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", lna);
      return;
    }
    row.XxlLna = lna;
  } else {
    row.XxlLna = "000";
  }
  row.XxlKst = SubStr(r.Zk1Kst, 0, 8);
  row.XxlKtr = " ";

  // hours, or days when there are no hours; the sign is the value's own
  if (r.Zk1Std != 0) row.XxlMin = r.Zk1Std;
  else row.XxlZhn = r.Zk1Tge;
  row.XxlStd = Format("%011.2f", 0.0);
  row.XxlBtr = Format("%011.2f", 0.0);
  if (!FormatAmount(row)) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu groß", "Pnr %s: Betrag zu groß (%s)",
                     r.Zk1Pnr, row.XxlEin);
    return;
  }

  st = StagedRow("Qvx333Xxl", SQL_Qvx333Xxl_Insert(row));
  if (st == 0) return;
  if (st != kSqlDuplicate) {
    ReportStatus(st, "Qvx333Xxl-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
    return;
  }
  // a row with the key exists: the exact sums are added
  int64_t minutes = 0, tenths = 0;
  st = SQL_Qvx333Xxl_Read(row, minutes, tenths);
  if (st != 0) {
    // the stored amount is kept rather than overwritten by this record's
    ReportStatus(st, "Qvx333Xxl-LeseFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
    return;
  }
  row.XxlMin += minutes;
  row.XxlZhn += tenths;
  if (!FormatAmount(row)) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu groß", "Pnr %s: Betrag zu groß (%s)",
                     r.Zk1Pnr, row.XxlEin);
    return;
  }
  st = StagedRow("Qvx333Xxl", SQL_Qvx333Xxl_Update(row), true);
  if (st != 0) ReportStatus(st, "Qvx333Xxl-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
}

}  // namespace

[[nodiscard]] int SQL_O1001AbrKreis_GetVwsEbn(const std::string& akr, std::string& vws, int16_t& ebn) {
  return SqlSelectOne(SqlFormat("SELECT AkrVws, AkrEbn FROM O1001AbrKreis WHERE AkrNum = '%s'", akr), vws, ebn);
}

[[nodiscard]] int SQL_Qvx333Xxl_Delete() { return SqlWrite(SqlFormat("DELETE FROM Qvx333Xxl")); }

[[nodiscard]] int SQL_Qvx331Zk1_SelectXxl(SqlCursor& cursor, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(
      cursor, SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt, Zk1Lna, "
                        "Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, date_format(Zk1Von, '%%Y.%%m.%%d'), "
                        "date_format(Zk1Bis, '%%Y.%%m.%%d'), Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn  FROM Qvx331Zk1 "
                        " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d  ORDER BY Zk1Pnr, Zk1Stz, Zk1Bdt",
                        abrnr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchXxl(SqlCursor& cursor, TransferRecord& r) {
  return SqlFetchInto(cursor, r.Zk1Abr, r.Zk1Lfn, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr, r.Zk1Kst,
                      r.Zk1Ktr, r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Von, r.Zk1Bis, r.Zk1Sts, r.Zk1Rre,
                      r.Zk1Sta, r.Zk1Upn);
}

[[nodiscard]] int SQL_Qvx331Zk1_CloseXxl(SqlCursor& cursor) { return dbClose(cursor); }

[[nodiscard]] int SQL_Qvx333Xxl_Insert(const XxlRow& w) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Xxl (XxlPnr, XxlErd, XxlAbd, XxlLna, XxlKnz, XxlVo1, XxlEin, XxlStd, "
                "XxlBtr, XxlKst, XxlKtr, XxlMin, XxlZhn)  VALUES ('%s', '%s', '%s', '%s', '%s', '%s', "
                "'%s', '%s', '%s', '%s', '%s', %lld, %lld)",
                w.XxlPnr, w.XxlErd, w.XxlAbd, w.XxlLna, w.XxlKnz, w.XxlVo1, w.XxlEin, w.XxlStd, w.XxlBtr, w.XxlKst,
                w.XxlKtr, w.XxlMin, w.XxlZhn));
}

namespace {
constexpr char kXxlKey[] =
    " WHERE XxlPnr = '%s' AND XxlErd = '%s' AND XxlAbd = '%s' AND XxlLna = '%s' AND XxlKnz = '%s'"
    " AND XxlKst = '%s' AND XxlKtr = '%s'";
}

[[nodiscard]] int SQL_Qvx333Xxl_Read(const XxlRow& w, int64_t& minutes, int64_t& tenths) {
  return SqlSelectOne(SqlFormat(std::string("SELECT XxlMin, XxlZhn FROM Qvx333Xxl") + kXxlKey, w.XxlPnr, w.XxlErd,
                                w.XxlAbd, w.XxlLna, w.XxlKnz, w.XxlKst, w.XxlKtr),
                      minutes, tenths);
}

[[nodiscard]] int SQL_Qvx333Xxl_Update(const XxlRow& w) {
  return SqlWrite(SqlFormat(std::string("UPDATE Qvx333Xxl SET XxlVo1 = '%s', XxlEin = '%s', XxlMin = %lld, "
                                        "XxlZhn = %lld") +
                                kXxlKey,
                            w.XxlVo1, w.XxlEin, w.XxlMin, w.XxlZhn, w.XxlPnr, w.XxlErd, w.XxlAbd, w.XxlLna, w.XxlKnz,
                            w.XxlKst, w.XxlKtr));
}

// Every staging row, in the order of the key.
[[nodiscard]] int SQL_Qvx333Xxl_OpenAll(SqlCursor& cursor) {
  return SqlOpen(cursor, SqlFormat("SELECT XxlPnr, XxlErd, XxlAbd, XxlLna, XxlKnz, XxlVo1, XxlEin, XxlStd, XxlBtr, "
                                   "XxlKst, XxlKtr, XxlMin, XxlZhn  FROM Qvx333Xxl "
                                   " ORDER BY XxlPnr, XxlErd, XxlAbd, XxlLna, XxlKnz, XxlKst, XxlKtr"));
}

[[nodiscard]] int SQL_Qvx333Xxl_FetchAll(SqlCursor& cursor, XxlRow& w) {
  return SqlFetchInto(cursor, w.XxlPnr, w.XxlErd, w.XxlAbd, w.XxlLna, w.XxlKnz, w.XxlVo1, w.XxlEin, w.XxlStd, w.XxlBtr,
                      w.XxlKst, w.XxlKtr, w.XxlMin, w.XxlZhn);
}

[[nodiscard]] int SQL_Qvx333Xxl_CloseAll(SqlCursor& cursor) { return dbClose(cursor); }

void XxlWriteFile(const RunContext& ctx) {
  ExportFile file;
  ExportFileCreate(ctx, file, "\\LO_IMP.txt", "XXL-Exportdatei kann nicht geoeffnet werden !");
  int32_t written = 0;
  SqlCursor rows;
  int opened = SQL_Qvx333Xxl_OpenAll(rows);
  XxlRow w;
  int st = SQL_Qvx333Xxl_FetchAll(rows, w);
  while (st == 0) {
    ExportWriteF(file, "%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s\n", Format("%06s", w.XxlPnr), w.XxlErd, w.XxlAbd,
                 Format("%03s", w.XxlLna), w.XxlKnz, w.XxlVo1, w.XxlEin, "", w.XxlStd, w.XxlBtr, "",
                 Format("%-8s", w.XxlKst), "", Format("%-12s", w.XxlKtr), "", Format("%20s", ""), "");
    // one value with its sign: hours of a row of minutes, else days of the
    // tenths (the exact sums tell which the amount holds)
    double value = (w.XxlVo1 == "-" ? -1 : 1) * WrittenNumber(w.XxlEin);
    HandedOverRecord(w.XxlPnr, Format("%03s", w.XxlLna), w.XxlZhn == 0 ? value : 0, w.XxlZhn == 0 ? 0 : value);
    ++written;
    w = XxlRow{};
    st = SQL_Qvx333Xxl_FetchAll(rows, w);
  }
  // rows that cannot be read leave the file incomplete: the run ends
  if (st != kSqlNoMoreRows) {
    int status = opened != 0 ? opened : st;
    Log("Qvx333Xxl-LeseFehler, Sqlfhl: %d", status);
    AbortRun(60);
  }
  (void)SQL_Qvx333Xxl_CloseAll(rows);
  ExportFileClose(file);
  Log("%d Datensätze in Datei LO_IMP.txt geschrieben.", written);
}

void XxlLohnprogramm(RunContext& ctx) {
  Log("\nXXL-Exact Lohnprogramm fuer Akr: %s mit der Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  XxlExport x;

  // the staging table is emptied only for a circle without administration
  // and level below 2 that asks for clearing
  std::string vws;
  int16_t ebn = 0;
  int st = SQL_O1001AbrKreis_GetVwsEbn(ctx.Akr, vws, ebn);
  if (st != 0) ReportStatus(st, "Fehler beim Lesen O1001AbrKreis: %d", st);
  if (st == 0 && vws.empty() && ebn < 2 && ctx.AkrSsl == 1) {
    st = SQL_Qvx333Xxl_Delete();
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx333Xxl-DeleteFehler, Sqlfhl: %d", st);
  }

  std::string abrVon;
  RequireRead(SQL_Qvx330Abr_GetVon(ctx.Akr, ctx.Abrnr, abrVon), "Qvx330Abr");
  LugRecord lug;
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, lug), "Qvx171Lug");
  x.LugLug = lug.LugLug;
  x.LugMon = lug.LugMon;
  x.Erd = ShiftedDate(abrVon, x.LugMon);

  SqlCursor records;
  RequireRead(SQL_Qvx331Zk1_SelectXxl(records, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  st = SQL_Qvx331Zk1_FetchXxl(records, r);
  while (st == 0) {
    CollectRecord(ctx, x, r);
    r = TransferRecord{};
    st = SQL_Qvx331Zk1_FetchXxl(records, r);
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zk1_CloseXxl(records);
  XxlWriteFile(ctx);
  Log("XXL-Exact Lohnprogramm beendet");
}
