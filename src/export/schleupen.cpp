#include "export/schleupen.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "calc/transfer_records.h"
#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/transfer_record.h"
#include "export/datev.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

namespace {

// One staging row: the fields of the file line and the exact sums (minutes,
// tenths of a day) from which hours and days are formatted.
struct SliRow {
  std::string Kon = "LOAF", Pnr, Fnr = "00", Lna, Vzb = "+", Btg = "00000000", Kst, Prd = "0", Amt, Emt;
  std::string Vzs, Std, Vzt, Tge, Vzp = "+", Prz = "00000", Txt = " ";
  int32_t Minutes = 0;
  int32_t Tenths = 0;
};

// A field that holds a number of at most width digits: digits only (blanks
// around them allowed). An empty or blank cost centre is 0.
enum class NumberCheck { Ok, NotANumber, TooLong };

NumberCheck NumberField(const std::string& text, int width, bool emptyIsZero, std::string& field) {
  std::string t = text;
  Trim(t);
  if (t.empty() && !emptyIsZero) return NumberCheck::NotANumber;
  if (t.find_first_not_of("0123456789") != std::string::npos) return NumberCheck::NotANumber;
  size_t first = t.find_first_not_of('0');
  std::string digits = first == std::string::npos ? std::string() : t.substr(first);
  if (digits.size() > static_cast<size_t>(width)) return NumberCheck::TooLong;
  field = Format("%0" + std::to_string(width) + "d", ToLong(digits));
  return NumberCheck::Ok;
}

// A cost centre is read as the number of its leading digits (a text that does
// not begin with a digit is 0); it is no part of the key, so a text that is
// no number keeps its record. Such a text is logged once per export. False
// only when the number does not fit the field.
bool CostCentreField(const TransferRecord& r, const std::string& text, std::set<std::string>& logged,
                     std::string& field) {
  std::string t = text;
  Trim(t);
  size_t end = t.find_first_not_of("0123456789");
  if (end != std::string::npos && logged.insert(text).second) Log("Kostenstelle nicht numerisch : %s", text);
  std::string digits = t.substr(0, end);
  if (NumberField(digits, 5, true, field) == NumberCheck::Ok) return true;
  LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Kostenstelle zu lang : %s", text);
  return false;
}

// A field of the record that is no number of its width leaves the record out
// (logged); true when it is one.
bool CheckNumber(const TransferRecord& r, const std::string& text, int width, bool emptyIsZero, std::string& field,
                 const char* name) {
  NumberCheck c = NumberField(text, width, emptyIsZero, field);
  if (c == NumberCheck::Ok) return true;
  if (c == NumberCheck::TooLong)
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "%s zu lang : %s", name, text);
  else
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "nicht numerisch", "%s nicht numerisch : %s",
                     name, text);
  return false;
}

// Hours as three-digit hours and hundredths of an hour, days as hundredths
// of a day, each with its sign; false when a sum does not fit its field.
bool FormatSums(SliRow& row) {
  // in 64 bits: the magnitude of the smallest 32-bit value has no 32-bit form
  int64_t m = std::llabs(static_cast<int64_t>(row.Minutes));
  int64_t t = std::llabs(static_cast<int64_t>(row.Tenths));
  if (m / 60 > 999 || t * 10 > 9999) return false;
  row.Vzs = row.Minutes >= 0 ? "+" : "-";
  row.Std = Format("%03d%02d", static_cast<int32_t>(m / 60), static_cast<int32_t>(((m % 60) * 10) / 6));
  row.Vzt = row.Tenths >= 0 ? "+" : "-";
  row.Tge = Format("%04d", static_cast<int32_t>(t * 10));
  return true;
}

[[nodiscard]] int SQL_Qvx333Sli_Insert(const SliRow& s) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333Sli  (SliKon, SliPnr, SliFnr, SliLna, SliVzb, SliBtg, SliKst, SliPrd, "
                "SliAmt, SliEmt, SliVzs, SliStd, SliVzt, SliTge, SliVzp, SliPrz, SliTxt, SliMin, SliZhn) "
                " VALUES ('%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', "
                "'%s', '%s', '%s', '%s', %ld, %ld)",
                s.Kon, s.Pnr, s.Fnr, s.Lna, s.Vzb, s.Btg, s.Kst, s.Prd, s.Amt, s.Emt, s.Vzs, s.Std, s.Vzt, s.Tge, s.Vzp,
                s.Prz, s.Txt, s.Minutes, s.Tenths));
}

[[nodiscard]] int SQL_Qvx333Sli_Read(const std::string& pnr, const std::string& lna, int32_t& minutes,
                                     int32_t& tenths) {
  return SqlSelectOne(SqlFormat("SELECT SliMin, SliZhn  FROM Qvx333Sli  WHERE SliPnr = '%s'  AND SliLna = '%s'", pnr,
                                lna),
                      minutes, tenths);
}

[[nodiscard]] int SQL_Qvx333Sli_Update(const SliRow& s) {
  return SqlWrite(
      SqlFormat("UPDATE Qvx333Sli  SET SliVzs = '%s', SliStd = '%s', SliVzt = '%s', SliTge = '%s', "
                "SliMin = %ld, SliZhn = %ld  WHERE SliPnr = '%s'  AND SliLna = '%s'",
                s.Vzs, s.Std, s.Vzt, s.Tge, s.Minutes, s.Tenths, s.Pnr, s.Lna));
}

// The rows in the order of personnel number and wage type.
[[nodiscard]] int SQL_Qvx333Sli_Select(SqlCursor& rows) {
  return SqlOpen(rows,
                 "SELECT SliKon, SliPnr, SliFnr, SliLna, SliVzb, SliBtg, SliKst, SliPrd, SliAmt, SliEmt, "
                 "SliVzs, SliStd, SliVzt, SliTge, SliVzp, SliPrz, SliTxt  FROM Qvx333Sli "
                 " ORDER BY SliPnr, SliLna");
}

// State of one export: the constant columns and the cost centres logged.
struct SchleupenRun {
  SliRow Constant;
  std::set<std::string> LoggedKst;
};

void HandleRecord(SchleupenRun& run, const TransferRecord& r) {
  if (!RecordFitsLine(r, ";")) return;
  SliRow row = run.Constant;
  // personnel number and wage type are numbers of fixed width; a text that is
  // none or too long would merge other values, so it is skipped
  if (!CheckNumber(r, r.Zk1Pnr, 5, false, row.Pnr, "PersNr") ||
      !CheckNumber(r, r.Zk1Lna, 3, false, row.Lna, "Lohnart") || !CostCentreField(r, r.Zk1Kst, run.LoggedKst, row.Kst))
    return;
  row.Minutes = r.Zk1Std;
  row.Tenths = r.Zk1Tge;
  if (!FormatSums(row)) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu groß",
                     "Pnr %s: Wert zu groß (Lohnart %s)", r.Zk1Pnr, r.Zk1Lna);
    return;
  }
  int st = StagedRow("Qvx333Sli", SQL_Qvx333Sli_Insert(row));
  if (st == 0) return;
  if (st != kSqlDuplicate) {
    ReportStatus(st, "Qvx333Sli-InsertFehler, Pnr: %s, Lna: %s, Sqlfhl: %d", r.Zk1Pnr, r.Zk1Lna, st);
    return;
  }
  // the pair exists: the exact sums are added
  int32_t minutes = 0, tenths = 0;
  st = SQL_Qvx333Sli_Read(row.Pnr, row.Lna, minutes, tenths);
  if (st != 0) {
    ReportStatus(st, "Qvx333Sli-ReadFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
    return;
  }
  // both sums passed FormatSums before they were stored, so they are far
  // from the 32-bit limits; a row changed by hand is clamped, not wrapped
  row.Minutes = ClampInt32(static_cast<int64_t>(row.Minutes) + minutes);
  row.Tenths = ClampInt32(static_cast<int64_t>(row.Tenths) + tenths);
  if (!FormatSums(row)) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu groß",
                     "Pnr %s: Wert zu groß (Lohnart %s)", r.Zk1Pnr, r.Zk1Lna);
    return;
  }
  st = StagedRow("Qvx333Sli", SQL_Qvx333Sli_Update(row), true);
  if (st != 0) ReportStatus(st, "Qvx333Sli-UpdateFehler, Pnr: %s, Sql-Fehler: %d", r.Zk1Pnr, st);
}

}  // namespace

void SchleupenLohnprogramm(RunContext& ctx) {
  Log("\nSchleupen Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  if (ctx.AkrSsl == 1) {
    int st = SqlWrite("DELETE FROM Qvx333Sli");
    if (st != 0) ReportStatus(st, "DeleteFehler QVX333Sli, Sqlfhl: %d", st);
  }

  LugRecord header;
  int st = SQL_Qvx171Lug_GetFir(ctx.Akr, header);
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx171Lug-SelectFehler, Sqlfhl: %d", st);
  SchleupenRun run;
  if (ctx.AkrAzr == 31) {
    // accounting month MMYYYY of the period start
    std::string von;
    st = SQL_Qvx330Abr_GetVon(ctx.Akr, ctx.Abrnr, von);
    if (st != 0) ReportStatus(st, "Fehler Lesen Qvx330Abr: %d", st);
    run.Constant.Amt = SubStr(von, 5, 2) + SubStr(von, 0, 4);
  }

  SqlCursor records;
  RequireRead(SQL_Qvx331Zk1_OpenRun(records, ctx.Abrnr, ctx.Lfn, "%Y.%m.%d", ""), "Qvx331Zk1");
  TransferRecord r;
  while ((st = SQL_Qvx331Zk1_FetchRun(records, r)) == 0) HandleRecord(run, r);
  if (st == -1) AbortRun(60);
  dbClose(records);
  SchleupenWriteFile(ctx);
}

void SchleupenWriteFile(const RunContext& ctx) {
  DeleteOldTransferFile(ctx, "LOXF-0001.csv");
  ExportFile file;
  ExportFileCreate(ctx, file, "\\LOXF-0001.csv", "Exportdatei LOXF-0001 kann nicht geoeffnet werden !");
  SqlCursor rows;
  RequireRead(SQL_Qvx333Sli_Select(rows), "Qvx333Sli");
  ExportWrite(file, ".\n");
  SliRow s;
  int st;
  while ((st = SqlFetchInto(rows, s.Kon, s.Pnr, s.Fnr, s.Lna, s.Vzb, s.Btg, s.Kst, s.Prd, s.Amt, s.Emt, s.Vzs, s.Std,
                            s.Vzt, s.Tge, s.Vzp, s.Prz, s.Txt)) == 0) {
    // 29 fields; 4, 9, 12 and 21 to 29 stay empty
    ExportWriteF(file, "%s;%s;%s;;%s;%s;%s;%s;;%s;%s;;%s;%s;%s;%s;%s;%s;%s;%s;;;;;;;;;\n", s.Kon, s.Pnr, s.Fnr, s.Lna,
                 s.Vzb, s.Btg, s.Kst, s.Prd, s.Amt, s.Emt, s.Vzs, s.Std, s.Vzt, s.Tge, s.Vzp, s.Prz, s.Txt);
    // hours as HHH and hundredths, days in hundredths, each behind its sign
    // the field pads the personnel number with zeros; the person is the number
    std::string pnr = s.Pnr.substr(std::min(s.Pnr.find_first_not_of('0'), s.Pnr.size()));
    HandedOverRecord(pnr, s.Lna, (s.Vzs == "-" ? -1 : 1) * WrittenNumber(s.Std) / 100,
                     (s.Vzt == "-" ? -1 : 1) * WrittenNumber(s.Tge) / 100);
    s = SliRow{};
  }
  if (st == -1) AbortRun(60);
  dbClose(rows);
  ExportFileClose(file);
}
