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
  RemoveFile(path);
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
