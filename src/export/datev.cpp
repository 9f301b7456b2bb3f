#include "export/datev.h"

#include <map>

#include "export/common.h"
#include "run/context.h"
#include "run/db.h"
#include "run/dbkey.h"
#include "run/exit.h"
#include "run/runlog.h"

namespace {

SqlCursor g_zk1Datev;
SqlCursor g_lu1Datev;
// Keys of the current record's Zk1Stz, Zk1Zkt and Zk1Lna as the server
// compares them.
std::string g_keyStz, g_keyZkt, g_keyLna;

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
// record keeps both.
void ApplyWageTypeLine(const std::string& lugLug, const std::string& abrVon, LineCache& cache) {
  DbKey key = DbKey().Add(g_keyStz).Add(g_keyZkt).Add(g_keyLna);
  LineFlags flags;
  auto it = cache.find(key);
  if (it != cache.end()) {
    flags = it->second;
  } else {
    Lu1Settings.Lu1Kst = 0;
    Lu1Settings.Lu1Ktr = 0;
    int st = SQL_Qvx171Lu1_OpenDatev(lugLug, Zk1Rec.Zk1Stz, Zk1Rec.Zk1Zkt, Zk1Rec.Zk1Lna, abrVon);
    if (st == 0) st = SQL_Qvx171Lu1_FetchDatev();
    (void)SQL_Qvx171Lu1_CloseDatev();
    flags.Found = st == 0;
    flags.Kst = Lu1Settings.Lu1Kst;
    flags.Ktr = Lu1Settings.Lu1Ktr;
    // a failed read is tried again with the next record of the combination
    if (st == 0 || st == kSqlNoMoreRows) cache.emplace(std::move(key), flags);
  }
  if (!flags.Found) return;
  if (flags.Ktr == 0) Zk1Rec.Zk1Ktr.clear();
  if (flags.Kst == 0) Zk1Rec.Zk1Kst.clear();
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
  for (size_t i = 0; i < text.size() && i < 8; ++i) {
    if (text[i] == '.') text[i] = ',';
  }
  return text;
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
[[nodiscard]] int SQL_Qvx331Zk1_OpenDatev(int32_t abrnr) {
  return SqlOpen(g_zk1Datev,
                 SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt, "
                           "Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Sts, Zk1Rre, "
                           "Zk1Sta, Zk1Upn, " +
                               SqlKeyColumn("Zk1Stz") + ", " + SqlKeyColumn("Zk1Zkt") + ", " + SqlKeyColumn("Zk1Lna") +
                               "  FROM Qvx331Zk1  WHERE Zk1Abr = %ld "
                               " ORDER BY Zk1Pnr, Zk1Bdt, Zk1Lfn, Zk1Stz, Zk1Lna, Zk1Zkt, Zk1Lgr, Zk1Kst, Zk1Ktr, "
                               "Zk1Von, Zk1Bis",
                           abrnr));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchDatev() {
  TransferRecord& r = Zk1Rec;
  g_keyStz.clear();
  g_keyZkt.clear();
  g_keyLna.clear();
  return SqlFetchInto(g_zk1Datev, r.Zk1Abr, r.Zk1Lfn, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr,
                      r.Zk1Kst, r.Zk1Ktr, r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Sts, r.Zk1Rre, r.Zk1Sta,
                      r.Zk1Upn, g_keyStz, g_keyZkt, g_keyLna);
}

[[nodiscard]] int SQL_Qvx331Zk1_CloseDatev() { return dbClose(g_zk1Datev); }

[[nodiscard]] int SQL_Qvx171Lu1_OpenDatev(const std::string& lugLug, const std::string& stz, const std::string& zkt,
                                          const std::string& lna, const std::string& abrVon) {
  return SqlOpen(g_lu1Datev, SqlFormat("SELECT date_format(Lu1Gvo, '%%Y.%%m.%%d'),   Lu1Kst, Lu1Ktr, Lu1Mog, Lu1Fkt "
                                       " FROM Qvx171Lu1  WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                       " AND Lu1Lna = '%s'  AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s' "
                                       " ORDER BY Lu1Gvo DESC ",
                                       lugLug, stz, zkt, lna, abrVon));
}

[[nodiscard]] int SQL_Qvx171Lu1_FetchDatev() {
  Lu1Line& l = Lu1Settings;
  return SqlFetchInto(g_lu1Datev, l.Lu1Gvo, l.Lu1Kst, l.Lu1Ktr, l.Lu1Mog, l.Lu1Fkt);
}

[[nodiscard]] int SQL_Qvx171Lu1_CloseDatev() { return dbClose(g_lu1Datev); }

void DatevLohnprogramm() {
  Log("\nDatev Lohnprogramm Akr: %s, Abrnr: %d gestartet", Ctx.Akr, Ctx.Abrnr);

  DeleteOldTransferFile("datev.csv");
  ExportFile file;
  ExportFileCreate(file, "\\datev.csv", "Datevdatei kann nicht geoeffnet werden !");

  std::string abrVon;
  // a missing row leaves the presets; no result would write a wrong header
  if (SQL_Qvx330Abr_GetVon(Ctx.Akr, Ctx.Abrnr, abrVon) == -1) AbortRun(60);
  LugRecord header;
  if (SQL_Qvx171Lug_GetFir(Ctx.Akr, header) == -1) AbortRun(60);

  // payroll month: month of the period start shifted by LugMon
  int32_t month = ShiftMonth(DateToLong(abrVon) / 100, header.LugMon);
  RequireFitsLine(header.LugFir, ";", "LugFir");
  RequireFitsLine(header.LugAkr, ";", "LugAkr");
  ExportWriteF(file, "%s;%s;%s\n", header.LugFir, header.LugAkr, Format("%02d/%d", month % 100, month / 100));

  LineCache lines;
  RequireRead(SQL_Qvx331Zk1_OpenDatev(Ctx.Abrnr), "Qvx331Zk1");
  Zk1Rec = TransferRecord{};
  int st = SQL_Qvx331Zk1_FetchDatev();
  while (st == 0) {
    ApplyWageTypeLine(header.LugLug, abrVon, lines);
    // records that carry days only are not handed over: the import takes hours only
    if (Zk1Rec.Zk1Std == 0) {
      if (Zk1Rec.Zk1Tge == 0) HandedOverNothing();
      else
        LeaveOutRecordOf(Zk1Rec.Zk1Upn, Zk1Rec.Zk1Lna, 0, Zk1Rec.Zk1Tge / 10.0, "nur Tage",
                         "Pnr %s: Satz nur mit Tagen (%s Tage), DATEV übernimmt nur Stunden, nicht übergeben "
                         "(Lohnart %s)",
                         Zk1Rec.Zk1Pnr, DecimalComma(Format("%.1f", Zk1Rec.Zk1Tge / 10.0)), Zk1Rec.Zk1Lna);
    } else if (RecordFitsLine(Zk1Rec, ";")) {
      std::string day = DayText(Zk1Rec.Zk1Bdt);
      std::string lgr = Zk1Rec.Zk1Lgr;
      std::string hours = HoursText(Zk1Rec.Zk1Std);
      std::string days = Format("%ld", Zk1Rec.Zk1Tge);
      if (days == "0") days.clear();
      std::string value;
      if (Zk1Rec.Zk1Sta == 1) {
        // month-account sums go into the value field without day
        value = hours;
        day.clear();
        lgr.clear();
        hours.clear();
        days.clear();
      }
      ExportWriteF(file, "%s;%s;%s;%s;%s;%s;%s;%s;%s;%s;%s\n", Zk1Rec.Zk1Upn, day, lgr, Zk1Rec.Zk1Lna, hours, days,
                   value, "", "", Zk1Rec.Zk1Kst, Zk1Rec.Zk1Ktr);
      // the numbers as the line shows them: hours (or the month sum in the
      // value field) with two decimals, days as the count the line carries
      HandedOverRecord(Zk1Rec.Zk1Upn, Zk1Rec.Zk1Lna, WrittenNumber(hours) + WrittenNumber(value), WrittenNumber(days));
    }
    Zk1Rec = TransferRecord{};
    st = SQL_Qvx331Zk1_FetchDatev();
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zk1_CloseDatev();
  ExportFileClose(file);
  Log("Datev Lohnprogramm beendet");
}
