#include "export/perman.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

constexpr size_t kLnaLimit = 20;
constexpr size_t kKstLimit = 30;
constexpr size_t kKtrLimit = 8;
constexpr size_t kPnrLimit = 7;

// One staging row.
struct PermanRow {
  std::string Pnr;
  std::string Lna;
  // exact value: minutes, or six times the tenths of a day, times the factor
  // in ten-thousandths (hours = Exa / 600000)
  int64_t Exa = 0;
  std::string Kst = " ";
  std::string Ktr = " ";
};

// State of one Perman export.
struct PermanExport {
  std::string LugLug;
  SqlCursor Zk1;
  WageTypeCache Lines;
  int32_t Accepted = 0;
};

// Fills the staging row from the record and its wage-type line; false when a
// field is too long for the payroll system (logged).
bool PermanPruefen(const TransferRecord& r, const Lu1Line& line, PermanRow& row) {
  row.Pnr = r.Zk1Upn;
  RTrim(row.Pnr);
  std::string lna = r.Zk1Lna;
  if (RTrim(lna).size() > kLnaLimit) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Pnr %s: Lohnart zu lang (%s)",
                     r.Zk1Pnr, r.Zk1Lna);
    return false;
  }
  row.Lna = lna;
  row.Exa = (r.Zk1Std != 0 ? int64_t{r.Zk1Std} : int64_t{r.Zk1Tge} * 6) * 10000;
  if (line.Lu1Kst != 0) {
    std::string kst = r.Zk1Kst;
    if (RTrim(kst).size() > kKstLimit) {
      LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                       "Pnr %s: Kostenstelle zu lang (%s)", r.Zk1Pnr, r.Zk1Kst);
      return false;
    }
    row.Kst = r.Zk1Kst;
  }
  if (line.Lu1Ktr != 0) {
    std::string ktr = r.Zk1Ktr;
    if (RTrim(ktr).size() >= kKtrLimit + 1) {
      LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang",
                       "Pnr %s: Kostenträger zu lang (%s)", r.Zk1Pnr, r.Zk1Ktr);
      return false;
    }
    row.Ktr = r.Zk1Ktr;
  }
  return true;
}

[[nodiscard]] int SQL_QVX333Perman_Write(const PermanRow& row) {
  // the value follows the exact sum, with six decimals (assignments run from
  // left to right)
  return StagingWrite(SqlFormat("INSERT INTO QVX333Perman (PrmPnr, PrmLna, PrmWrt, PrmKst, PrmKtr, PrmExa) "
                                "VALUES ('%s', '%s', ROUND(%lld / 600000E0, 6), '%s', '%s', %lld)",
                                row.Pnr, row.Lna, row.Exa, row.Kst, row.Ktr, row.Exa),
                      [&] {
                        return SqlFormat(
                            "UPDATE QVX333Perman SET PrmExa = PrmExa + %lld, "
                            "PrmWrt = ROUND(PrmExa / 600000E0, 6)  WHERE PrmPnr = '%s' "
                            "AND PrmLna = '%s' AND PrmKst = '%s' AND PrmKtr = '%s'",
                            row.Exa, row.Pnr, row.Lna, row.Kst, row.Ktr);
                      });
}

void HandleRecord(RunContext& ctx, PermanExport& x, const TransferRecord& r) {
  // the lines separate their values by tabs and end with "~"
  if (!RecordFitsLine(r, "\t~")) return;
  Lu1Line line;
  int st = CachedWageTypeLookup(x.Lines, x.LugLug, r, line);
  if (LeftOutForUnreadLine(ctx, st, r)) return;
  if (st != 0) ReportStatus(st, "Fehler beim Lesen Qvx171Lu1: %d", st);
  PermanRow row;
  if (!PermanPruefen(r, line, row)) return;
  if (line.Lu1Mog != 0) row.Exa = row.Exa / 10000 * std::llround(line.Lu1Mog * 10000);
  st = SQL_QVX333Perman_Write(row);
  if (st != 0) ReportStatus(st, "QVX333Perman Insert-/UpdateFehler, Sqlfhl: %d", st);
  ++x.Accepted;
}

// Value × 100 without decimals in the width of its wage type; empty when it
// does not fit.
std::string ValueText(const std::string& lna, double wrt) {
  bool shortField = lna == "V193" || lna == "V199" || lna == "V607" || lna == "V608";
  std::string text = Format(shortField ? "%04.0f" : "%09.0f", wrt * 100);
  return text.size() > (shortField ? 4u : 9u) ? std::string() : text;
}

void PermanWriteFile(const RunContext& ctx) {
  ExportFile f;
  ExportFileCreate(ctx, f, "\\M0060763.001", "Schnittstellendatei Perman kann nicht geoeffnet werden !");
  const std::string& t = ctx.DbTime;  // DD.MM.YYYY HH:MM:SS
  ExportWriteF(f, "XM0060763001%s%s%sEVKLR1file JWIN102~\n", SubStr(t, 0, 2), SubStr(t, 3, 2), SubStr(t, 8, 2));
  std::string month = SubStr(ctx.AbrVon, 5, 2);

  SqlCursor c;
  int n = 1;
  int st = SqlOpen(c, "SELECT PrmPnr, PrmLna, PrmWrt  FROM QVX333Perman  ORDER BY PrmPnr, PrmLna, PrmKst, PrmKtr");
  while (st == 0) {
    std::string pnr, lna;
    double wrt = 0;
    st = SqlFetchInto(c, pnr, lna, wrt);
    if (st != 0) break;
    RTrim(pnr);
    if (pnr.size() > kPnrLimit) {
      LeaveOutRecordOf(pnr, lna, wrt, 0, "zu lang", "Pnr %s: Personalnummer zu lang", pnr);
      continue;
    }
    std::string value = ValueText(lna, wrt);
    if (value.empty()) {
      // a value wider than its field would shift the line
      LeaveOutRecordOf(pnr, lna, wrt, 0, "zu groß", "Pnr %s: Wert zu groß f.Übergabe (%s)", pnr, lna);
      continue;
    }
    ExportWriteF(f, "PK60763%s%s9%-21s1 %05d\t%s%s\t~\n", Format("%07s", pnr), month, "", n, lna, value);
    // the value in hundredths of hours; the file is the hand-over
    HandedOverRecord(pnr, lna, WrittenNumber(value) / 100, 0);
    ++n;
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) ReportStatus(st, "QVX333Perman Lesefehler, Sqlfhl: %d", st);
  ExportWriteF(f, "ZS00000000000000000000%05d%05d~\n", n - 1, n - 1);
  ExportFileClose(f);
  Log("%d Datensätze in Datei(en) geschrieben.", n - 1);
}

}  // namespace

void PermanLohnuebergabe(RunContext& ctx) {
  Log("\nPerman-Lohnübergabe Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  if (ctx.AkrSsl == 1) {
    int st = SqlWrite("DELETE FROM QVX333Perman");
    // reported as every staging clear is: -1 ends the run
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333Perman, Sqlfhl: %d", st);
  }
  PermanExport x;
  LugRecord lug;
  RequireRead(SQL_Qvx171Lug_GetFir(ctx.Akr, lug), "Qvx171Lug");
  x.LugLug = lug.LugLug;

  RequireRead(SQL_Qvx331Zk1_OpenRun(x.Zk1, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  int st;
  while ((st = SqlFetchTransfer(x.Zk1, r)) == 0) {
    HandleRecord(ctx, x, r);
    r = TransferRecord{};
  }
  if (st == -1) AbortRun(60);
  dbClose(x.Zk1);
  Log("%d Datensätze aus Qvx333Zk1 gelesen.", x.Accepted);
  PermanWriteFile(ctx);
  Log("Perman-Lohnübergabe beendet");
}
