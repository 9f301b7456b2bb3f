#include "export/common.h"

#include <cstdio>

#include "run/db.h"
#include "run/exit.h"
#include "run/runlog.h"

TransferRecord Zk1Rec;
Lu1Line Lu1Settings;

namespace {

SqlCursor g_lu1Lna;

// Older hand-over folder; the files of the current run are written to TransferDir.
constexpr const char* kOldFolder = "..\\Transfer\\Lohn- und Gehaltsübergabe\\";

[[noreturn]] void WriteFailed(const ExportFile& f) {
  Log("Schreibfehler in Datei %s, Übergabe abgebrochen !", f.Path);
  EndProcess(1);
}

}  // namespace

// Several lines of one wage type can be valid at the booking date (a line is
// replaced by a newer one from a later date on). The newest of them is the one
// in force, as in DATEV's own lookup; without an order the server would return
// them in index order and the oldest line would win.
int SQL_Qvx171Lu1_OpenLna(const std::string& lugLug, const TransferRecord& r) {
  return SqlOpen(g_lu1Lna, SqlFormat("SELECT Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Mog, Lu1Fkt, Lu1Bau  FROM Qvx171Lu1 "
                                     " WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                     " AND Lu1Lna = '%s'  AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s' "
                                     " ORDER BY Lu1Gvo DESC",
                                     lugLug, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna, r.Zk1Bdt));
}

int SQL_Qvx171Lu1_FetchLna() {
  Lu1Line& l = Lu1Settings;
  return SqlFetchInto(g_lu1Lna, l.Lu1Kst, l.Lu1Ktr, l.Lu1Krt, l.Lu1Mog, l.Lu1Fkt, l.Lu1Bau);
}

int SQL_Qvx171Lu1_CloseLna() { return dbClose(g_lu1Lna); }

int WageTypeLookup(const std::string& lugLug, const TransferRecord& r) {
  int st = SQL_Qvx171Lu1_OpenLna(lugLug, r);
  if (st == 0) st = SQL_Qvx171Lu1_FetchLna();
  SQL_Qvx171Lu1_CloseLna();
  return st;
}

int SQL_Qvx171Lug_GetFir(const std::string& akr, LugRecord& lug) {
  return SqlSelectOne(SqlFormat("SELECT LugLug, LugMon, LugFir, LugAkr  FROM Qvx171Lug "
                                " WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                akr),
                      lug.LugLug, lug.LugMon, lug.LugFir, lug.LugAkr);
}

int SQL_Qvx171Lug_GetLugFir(const std::string& akr, LugRecord& lug) {
  return SqlSelectOne(SqlFormat("SELECT LugLug, LugFir  FROM Qvx171Lug "
                                " WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                akr),
                      lug.LugLug, lug.LugFir);
}

int SQL_Qvx300Pnr_GetName(const std::string& pnr, std::string& name) {
  return SqlSelectOne(SqlFormat("SELECT PnrNam FROM Qvx300Pnr WHERE PnrNum = '%s'", pnr), name);
}

int32_t DateToLong(std::string_view date) {
  std::string digits = SubStr(date, 0, 4) + SubStr(date, 5, 2) + SubStr(date, 8, 2);
  return ToLong(digits);
}

int32_t ShiftMonth(int32_t yyyymm, int lugMon) {
  int32_t m = yyyymm + lugMon;
  if (m % 100 > 12)
    m += 88;
  else if (m % 100 < 1)
    m -= 88;
  return m;
}

int32_t ShiftDate(int32_t yyyymmdd, int lugMon) {
  return ShiftMonth(yyyymmdd / 100, lugMon) * 100 + yyyymmdd % 100;
}

int MonthLength(int32_t yyyymm) {
  int month = yyyymm % 100;
  int yy = (yyyymm / 100) % 100;
  switch (month) {
    case 2:
      return yy % 4 == 0 ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

int StagingWrite(const std::string& insert, const std::function<std::string()>& update, std::string* statement) {
  int st = SqlWrite(insert);
  if (st != kSqlDuplicate) {
    if (statement) *statement = insert;
    return st;
  }
  std::string upd = update();
  st = SqlWrite(upd);
  if (statement) *statement = std::move(upd);
  return st;
}

void DeleteOldTransferFile(std::string_view fileName) {
  std::string path = Cp1252(kOldFolder);
  path += fileName;
  std::remove(NativePath(path).c_str());
}

bool ExportFileOpen(ExportFile& f, std::string_view name) {
  f.Path = Ctx.TransferDir;
  f.Path += name;
  return f.File.Open(f.Path, "w");
}

void ExportFileCreate(ExportFile& f, std::string_view name, std::string_view openFailure) {
  if (ExportFileOpen(f, name)) return;
  Log("%s", Cp1252(openFailure));
  EndProcess(1);
}

void ExportWrite(ExportFile& f, std::string_view text) {
  if (!f.File.Write(text)) WriteFailed(f);
}

void ExportFileClose(ExportFile& f) {
  if (!f.File.Close()) WriteFailed(f);
}

const char* const kZk1ExportColumns =
    "z.Zk1Abr, z.Zk1Lfn, z.Zk1Stz, date_format(z.Zk1Bdt, '%Y.%m.%d'), z.Zk1Pnr, z.Zk1Zkt, z.Zk1Lna, z.Zk1Lgr, "
    "z.Zk1Kst, z.Zk1Ktr, z.Zk1Krt, z.Zk1Std, z.Zk1Tge, z.Zk1Stg, date_format(z.Zk1Von, '%d.%m.%Y'), "
    "date_format(z.Zk1Bis, '%d.%m.%Y'), z.Zk1Sts, z.Zk1Rre, z.Zk1Sta, z.Zk1Upn";

int SQL_Qvx331Zk1_OpenRun(SqlCursor& c, int32_t abrnr, int16_t lfn) {
  return SqlOpen(c, SqlCheckLength(std::string("SELECT ") + kZk1ExportColumns +
                                   SqlFormat("  FROM Qvx331Zk1 z  WHERE z.Zk1Abr = %ld  AND z.Zk1Lfn = %d "
                                             " ORDER BY z.Zk1Upn, z.Zk1Pnr, z.Zk1Lna, z.Zk1Bdt, z.Zk1Stz, z.Zk1Zkt, "
                                             "z.Zk1Lgr, z.Zk1Kst, z.Zk1Ktr, z.Zk1Von, z.Zk1Bis",
                                             abrnr, lfn)));
}

WageTypeResult WageTypeLookupCached(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r,
                                    const Lu1Line& presets) {
  std::string key = r.Zk1Stz + '\x1f' + r.Zk1Zkt + '\x1f' + r.Zk1Lna + '\x1f' + r.Zk1Bdt;
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  Lu1Settings = presets;
  WageTypeResult result;
  result.Status = WageTypeLookup(lugLug, r);
  result.Line = Lu1Settings;
  if (result.Status == 0 || result.Status == kSqlNoMoreRows) cache.emplace(std::move(key), result);
  return result;
}

std::string FirmKey(const std::string& lugFir, const std::string& akr, int width) {
  return SubStr(lugFir.empty() ? akr : lugFir, 0, width);
}

std::string DecimalComma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

int32_t DayNumber(std::string_view t) {
  if (t.size() != 10 || t[2] != '.' || t[5] != '.') return -1;
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (t[i] < '0' || t[i] > '9') return -1;
  }
  int d = ToLong(t.substr(0, 2));
  int m = ToLong(t.substr(3, 2));
  int y = ToLong(t.substr(6, 4));
  if (m < 1 || m > 12 || d < 1 || d > 31) return -1;
  // civil calendar, the year starting in March so that leap days come last
  if (m <= 2) --y;
  int mp = (m + 9) % 12;
  return 365 * y + y / 4 - y / 100 + y / 400 + (153 * mp + 2) / 5 + d - 1;
}

std::string DayText(int32_t n) {
  int32_t era = n / 146097;
  int32_t doe = n - era * 146097;
  int32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int32_t mp = (5 * doy + 2) / 153;
  int32_t d = doy - (153 * mp + 2) / 5 + 1;
  int32_t m = mp < 10 ? mp + 3 : mp - 9;
  int32_t y = era * 400 + yoe + (m <= 2 ? 1 : 0);
  return Format("%02d.%02d.%04d", d, m, y);
}
