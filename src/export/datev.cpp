#include "export/datev.h"

#include <map>

#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/db_key.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// Result of the wage-type line of one kind, account and wage type.
struct LineFlags {
  bool Found = false;
  int16_t Kst = 0;
  int16_t Ktr = 0;
};

// The line valid at the period start depends only on the record's kind,
// account and wage type (interface and period start are the same for the whole
// file), so it is read once per combination (as the server compares them)
// instead of once per record.
using LineCache = std::map<DbKey, LineFlags>;

// Cost centre and cost unit of the current record are emptied when the newest
// line valid at the period start does not hand them over; without a line the
// record keeps both. False when the line could not be read: the record is left
// out then, since its line may forbid the cost fields it carries.
bool ApplyWageTypeLine(RunContext& ctx, const std::string& lugLug, const std::string& abrVon, LineCache& cache,
                       DatevRecords& records) {
  TransferRecord& r = records.Record;
  DbKey key = DbKey().Add(records.KeyStz).Add(records.KeyZkt).Add(records.KeyLna);
  LineFlags flags;
  auto it = cache.find(key);
  if (it != cache.end()) {
    flags = it->second;
  } else {
    Lu1Line line;  // presets: neither cost centre nor cost unit
    SqlCursor lines;
    int st = SQL_Qvx171Lu1_OpenDatev(lines, lugLug, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna, abrVon);
    if (st == 0) st = SQL_Qvx171Lu1_FetchDatev(lines, line);
    (void)SQL_Qvx171Lu1_CloseDatev(lines);
    flags.Found = st == 0;
    flags.Kst = line.Lu1Kst;
    flags.Ktr = line.Lu1Ktr;
    // a failed read is tried again with the next record of the combination
    if (LeftOutForUnreadLine(ctx, st, r)) return false;
    cache.emplace(std::move(key), flags);
  }
  if (!flags.Found) return true;
  if (flags.Ktr == 0) r.Zk1Ktr.clear();
  if (flags.Kst == 0) r.Zk1Kst.clear();
  return true;
}

// Day of the month of the booking date without a leading zero.
std::string DayText(const std::string& bdt) {
  std::string first = SubStr(bdt, 8, 1);
  std::string second = SubStr(bdt, 9, 1);
  return first == "0" ? second : first + second;
}

// Minutes as hours with two decimals and a decimal comma; empty for 0,00.
std::string HoursText(int32_t minutes) {
  std::string text = Format("%.2f", minutes * (1.0 / 60));
  if (text == "0.00") return std::string();
  // the point stands behind eight digits of hours too
  return DecimalComma(text);
}

// One line of the file for the record; records that carry days only are not
// handed over: the import takes hours only.
void WriteRecord(ExportFile& file, const TransferRecord& r) {
  if (r.Zk1Std == 0) {
    if (r.Zk1Tge == 0) HandedOverNothing();
    else
      LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, 0, r.Zk1Tge / 10.0, "nur Tage",
                       "Pnr %s: Satz nur mit Tagen (%s Tage), DATEV übernimmt nur Stunden, nicht übergeben "
                       "(Lohnart %s)",
                       r.Zk1Pnr, DecimalComma(Format("%.1f", r.Zk1Tge / 10.0)), r.Zk1Lna);
  } else if (RecordFitsLine(r, ";")) {
    std::string day = DayText(r.Zk1Bdt);
    std::string lgr = r.Zk1Lgr;
    std::string hours = HoursText(r.Zk1Std);
    std::string days = Format("%ld", r.Zk1Tge);
    if (days == "0") days.clear();
    std::string value;
    if (r.Zk1Sta == 1) {
      // month-account sums go into the value field without day
      value = hours;
      day.clear();
      lgr.clear();
      hours.clear();
      days.clear();
    }
    ExportWriteF(file, "%s;%s;%s;%s;%s;%s;%s;%s;%s;%s;%s\n", r.Zk1Upn, day, lgr, r.Zk1Lna, hours, days, value, "", "",
                 r.Zk1Kst, r.Zk1Ktr);
    // the numbers as the line shows them: hours (or the month sum in the
    // value field) with two decimals, days as the count the line carries
    HandedOverRecord(r.Zk1Upn, r.Zk1Lna, WrittenNumber(hours) + WrittenNumber(value), WrittenNumber(days));
  }
}

}  // namespace

[[nodiscard]] int SQL_Qvx330Abr_GetVon(const std::string& akr, int32_t abrnr, std::string& von) {
  return SqlSelectOne(SqlFormat("SELECT date_format(AbrVon, '%%Y.%%m.%%d')   FROM Qvx330Abr  WHERE AbrAkr = '%s'"
                                "    AND AbrNum = %ld ",
                                akr, abrnr),
                      von);
}

// All running numbers of the accounting number: interim and final records.
// The lines are ordered by person, date and record so that the file is the
// same for the same records.
[[nodiscard]] int SQL_Qvx331Zk1_OpenDatev(DatevRecords& records, int32_t abrnr) {
  return SqlOpenStreamed(
      records.Cursor,
      SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt, "
                "Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Sts, Zk1Rre, "
                "Zk1Sta, Zk1Upn, " +
                    SqlKeyColumn("Zk1Stz") + ", " + SqlKeyColumn("Zk1Zkt") + ", " + SqlKeyColumn("Zk1Lna") +
                    "  FROM Qvx331Zk1  WHERE Zk1Abr = %ld "
                    " ORDER BY Zk1Pnr, Zk1Bdt, Zk1Lfn, Zk1Stz, Zk1Lna, Zk1Zkt, Zk1Lgr, Zk1Kst, Zk1Ktr, "
                    "Zk1Von, Zk1Bis",
                abrnr));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchDatev(DatevRecords& records) {
  TransferRecord& r = records.Record;
  records.KeyStz.clear();
  records.KeyZkt.clear();
  records.KeyLna.clear();
  return SqlFetchInto(records.Cursor, r.Zk1Abr, r.Zk1Lfn, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr,
                      r.Zk1Kst, r.Zk1Ktr, r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Sts, r.Zk1Rre, r.Zk1Sta,
                      r.Zk1Upn, records.KeyStz, records.KeyZkt, records.KeyLna);
}

[[nodiscard]] int SQL_Qvx331Zk1_CloseDatev(DatevRecords& records) { return dbClose(records.Cursor); }

[[nodiscard]] int SQL_Qvx171Lu1_OpenDatev(SqlCursor& cursor, const std::string& lugLug, const std::string& stz,
                                          const std::string& zkt, const std::string& lna, const std::string& abrVon) {
  return SqlOpen(cursor, SqlFormat("SELECT date_format(Lu1Gvo, '%%Y.%%m.%%d'),   Lu1Kst, Lu1Ktr, Lu1Mog, Lu1Fkt "
                                   " FROM Qvx171Lu1  WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                   " AND Lu1Lna = '%s'  AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s' "
                                   " ORDER BY Lu1Gvo DESC ",
                                   lugLug, stz, zkt, lna, abrVon));
}

[[nodiscard]] int SQL_Qvx171Lu1_FetchDatev(SqlCursor& cursor, Lu1Line& l) {
  return SqlFetchInto(cursor, l.Lu1Gvo, l.Lu1Kst, l.Lu1Ktr, l.Lu1Mog, l.Lu1Fkt);
}

[[nodiscard]] int SQL_Qvx171Lu1_CloseDatev(SqlCursor& cursor) { return dbClose(cursor); }

void DatevLohnprogramm(RunContext& ctx) {
  Log("\nDatev Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);

  DeleteOldTransferFile(ctx, "datev.csv");
  ExportFile file;
  ExportFileCreate(ctx, file, "\\datev.csv", "Datevdatei kann nicht geoeffnet werden !");

  std::string abrVon;
  // a missing row leaves the presets; no result would write a wrong header
  if (SQL_Qvx330Abr_GetVon(ctx.Akr, ctx.Abrnr, abrVon) == -1) AbortRun(60);
  LugRecord header;
  if (SQL_Qvx171Lug_GetFir(ctx.Akr, header) == -1) AbortRun(60);

  // payroll month: month of the period start shifted by LugMon
  int32_t month = ShiftMonth(DateToLong(abrVon) / 100, header.LugMon);
  RequireFitsLine(header.LugFir, ";", "LugFir");
  RequireFitsLine(header.LugAkr, ";", "LugAkr");
  ExportWriteF(file, "%s;%s;%s\n", header.LugFir, header.LugAkr, Format("%02d/%d", month % 100, month / 100));

  LineCache lines;
  DatevRecords records;
  RequireRead(SQL_Qvx331Zk1_OpenDatev(records, ctx.Abrnr), "Qvx331Zk1");
  int st = SQL_Qvx331Zk1_FetchDatev(records);
  while (st == 0) {
    if (ApplyWageTypeLine(ctx, header.LugLug, abrVon, lines, records)) WriteRecord(file, records.Record);
    records.Record = TransferRecord{};
    st = SQL_Qvx331Zk1_FetchDatev(records);
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zk1_CloseDatev(records);
  ExportFileClose(file);
  Log("Datev Lohnprogramm beendet");
}
