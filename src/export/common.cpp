#include "export/common.h"

#include <cstdio>
#include <cstdlib>

#include "run/db.h"
#include "run/exit.h"
#include "run/runlog.h"

TransferRecord Zk1Rec;
Lu1Line Lu1Settings;

namespace {

SqlCursor g_lu1Lna;

// Older hand-over folder; the files of the current run are written to TransferDir.
constexpr const char* kOldFolder = "..\\Transfer\\Lohn- und Gehaltsübergabe\\";

// Neither the temporary file nor a file under the name is left: an earlier
// file of the name would have been emptied by opening it for writing, and
// must not be imported as this run's hand-over. The file of a set leaves the
// earlier file of its name, which belongs to the earlier set kept whole.
void DiscardExportFile(ExportFile& f) {
  f.File.Close();
  if (!f.TempPath.empty()) RemoveFile(f.TempPath);
  if (!f.Set && !f.Path.empty()) RemoveFile(f.Path);
  f.TempPath.clear();
}

[[noreturn]] void WriteFailed(ExportFile& f) {
  DiscardExportFile(f);
  // a failed file ends the whole set: none of its files is handed over
  if (f.Set) f.Set->Discard();
  Log("Schreibfehler in Datei %s, Übergabe abgebrochen !", f.Path);
  EndProcess(1);
}

[[noreturn]] void PlaceFailed(const std::string& path, const std::string& openFailure) {
  if (openFailure.empty()) Log("Schreibfehler in Datei %s, Übergabe abgebrochen !", path);
  else Log("%s", openFailure);
  EndProcess(1);
}

}  // namespace

// Several lines of one wage type can be valid at the booking date (a line is
// replaced by a newer one from a later date on). The newest of them is the one
// in force, as in DATEV's own lookup; without an order the server would return
// them in index order and the oldest line would win.
[[nodiscard]] int SQL_Qvx171Lu1_OpenLna(const std::string& lugLug, const TransferRecord& r) {
  return SqlOpen(g_lu1Lna, SqlFormat("SELECT Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Mog, Lu1Fkt, Lu1Bau  FROM Qvx171Lu1 "
                                     " WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                     " AND Lu1Lna = '%s'  AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s' "
                                     " ORDER BY Lu1Gvo DESC",
                                     lugLug, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna, r.Zk1Bdt));
}

[[nodiscard]] int SQL_Qvx171Lu1_FetchLna() {
  Lu1Line& l = Lu1Settings;
  return SqlFetchInto(g_lu1Lna, l.Lu1Kst, l.Lu1Ktr, l.Lu1Krt, l.Lu1Mog, l.Lu1Fkt, l.Lu1Bau);
}

[[nodiscard]] int SQL_Qvx171Lu1_CloseLna() { return dbClose(g_lu1Lna); }

bool FindWageTypeLine(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& line) {
  int st = CachedWageTypeLookup(cache, lugLug, r, line);
  // the record keeps the presets; the line is read again for the next one
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Fehler beim Lesen Qvx171Lu1: %d", st);
  return st == 0;
}

[[nodiscard]] int SQL_Qvx170Lg1_Get(const std::string& lgp, const std::string& stz, Lg1Flags& f) {
  std::string kind;
  return SqlSelectOne(SqlFormat("SELECT Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes, Lg1P4A  FROM Qvx170Lg1 "
                                " WHERE Lg1Num = '%s'  AND Lg1Stz = '%s'",
                                lgp, stz),
                      kind, f.Lg1Stt, f.Lg1Svt, f.Lg1Zes, f.Lg1P4A);
}

[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& cursor, int32_t abrnr, int16_t lfn, std::string_view vonBis,
                                        std::string_view condition) {
  std::string pattern = Format("%s", vonBis);
  std::string extra = condition.empty() ? std::string() : Format(" AND %s", condition);
  // the patterns are program texts, not data: they are doubled for the formatter only
  std::string p;
  for (char c : pattern) {
    p += c;
    if (c == '%') p += '%';
  }
  return SqlOpen(cursor, SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, "
                                   "Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, "
                                   "date_format(Zk1Von, '" +
                                       p + "'), date_format(Zk1Bis, '" + p +
                                       "'), "
                                       "Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn  FROM Qvx331Zk1 "
                                       " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d" +
                                       extra +
                                       " ORDER BY Zk1Pnr, Zk1Stz, Zk1Bdt, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, "
                                       "Zk1Von, Zk1Bis",
                                   abrnr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchRun(SqlCursor& cursor, TransferRecord& r) {
  r = TransferRecord{};
  return SqlFetchTransfer(cursor, r);
}

int WageTypeLookup(const std::string& lugLug, const TransferRecord& r) {
  int st = SQL_Qvx171Lu1_OpenLna(lugLug, r);
  if (st == 0) st = SQL_Qvx171Lu1_FetchLna();
  (void)SQL_Qvx171Lu1_CloseLna();
  return st;
}

int CachedWageTypeLookup(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& line) {
  std::string key = r.Zk1Stz + '\x1f' + r.Zk1Zkt + '\x1f' + r.Zk1Lna;
  auto it = cache.Lines.find(key);
  if (it == cache.Lines.end()) {
    SqlCursor c;
    int st = SqlOpen(c, SqlFormat("SELECT date_format(Lu1Gvo, '%%Y.%%m.%%d'), Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Mog, Lu1Fkt,"
                                  " Lu1Bau  FROM Qvx171Lu1  WHERE Lu1Num = '%s'  AND Lu1Stz = '%s'  AND Lu1Ztk = '%s' "
                                  " AND Lu1Lna = '%s'  AND Lu1Gvo IS NOT NULL  ORDER BY Lu1Gvo DESC",
                                  lugLug, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna));
    if (st != 0) return st;
    std::vector<Lu1Line> lines;
    for (;;) {
      Lu1Line l;
      st = SqlFetchInto(c, l.Lu1Gvo, l.Lu1Kst, l.Lu1Ktr, l.Lu1Krt, l.Lu1Mog, l.Lu1Fkt, l.Lu1Bau);
      if (st != 0) break;
      lines.push_back(std::move(l));
    }
    dbClose(c);
    if (st != kSqlNoMoreRows) return st;
    it = cache.Lines.emplace(std::move(key), std::move(lines)).first;
  }
  for (const Lu1Line& l : it->second) {
    if (l.Lu1Gvo <= r.Zk1Bdt) {
      line = l;
      return 0;
    }
  }
  return kSqlNoMoreRows;
}

[[nodiscard]] int SQL_Qvx171Lug_GetFir(const std::string& akr, LugRecord& lug) {
  int st = SqlSelectOne(SqlFormat("SELECT LugLug, LugMon, LugFir, LugAkr  FROM Qvx171Lug "
                                  " WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                  akr),
                        lug.LugLug, lug.LugMon, lug.LugFir, lug.LugAkr);
  // firm and circle numbers go into the head or every line of a file
  RequireFitsLine(lug.LugFir, "", "LugFir");
  RequireFitsLine(lug.LugAkr, "", "LugAkr");
  return st;
}

[[nodiscard]] int SQL_Qvx171Lug_GetLugFir(const std::string& akr, LugRecord& lug) {
  int st = SqlSelectOne(SqlFormat("SELECT LugLug, LugFir  FROM Qvx171Lug "
                                  " WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                  akr),
                        lug.LugLug, lug.LugFir);
  RequireFitsLine(lug.LugFir, "", "LugFir");
  return st;
}

std::string FirmText(const LugRecord& lug, const std::string& akr, int length) {
  return SubStr(lug.LugFir.empty() ? akr : lug.LugFir, 0, length);
}

bool FitsField(std::string_view text, size_t width) {
  std::string t(text);
  return RTrim(t).size() <= width;
}

bool FitsLine(std::string_view text, std::string_view separators) {
  for (char c : text) {
    if (c == '\n' || c == '\r' || separators.find(c) != std::string_view::npos) return false;
  }
  return true;
}

std::string ShownText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

bool RecordFitsLine(const TransferRecord& r, std::string_view separators) {
  const std::pair<const char*, const std::string*> texts[] = {
      {"Pnr", &r.Zk1Pnr},        {"Upn", &r.Zk1Upn},          {"Lohnart", &r.Zk1Lna},
      {"Lohngruppe", &r.Zk1Lgr}, {"Kostenstelle", &r.Zk1Kst}, {"Kostenträger", &r.Zk1Ktr},
      {"Kostenart", &r.Zk1Krt},  {"Satzart", &r.Zk1Stz},      {"Zeitkonto", &r.Zk1Zkt},
  };
  for (const auto& [field, text] : texts) {
    if (FitsLine(*text, separators)) continue;
    LeaveOutRecordOf(r.Zk1Upn.empty() ? r.Zk1Pnr : r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0,
                     "Zeilenumbruch oder Trennzeichen",
                     "Pnr %s: Zeilenumbruch oder Trennzeichen in %s '%s', Satz nicht übergeben (Lohnart %s)",
                     ShownText(r.Zk1Pnr), Cp1252(field), ShownText(*text), ShownText(r.Zk1Lna));
    return false;
  }
  return true;
}

void RequireFitsLine(std::string_view text, std::string_view separators, const char* what) {
  if (FitsLine(text, separators)) return;
  Log("%s '%s' enthält Zeilenumbruch oder Trennzeichen, Übergabe abgebrochen", what, ShownText(text));
  AbortRun(60);
}

[[nodiscard]] int SQL_Qvx300Pnr_GetName(const std::string& pnr, std::string& name) {
  return SqlSelectOne(SqlFormat("SELECT PnrNam FROM Qvx300Pnr WHERE PnrNum = '%s'", pnr), name);
}

int32_t DateToLong(std::string_view date) {
  std::string digits = SubStr(date, 0, 4) + SubStr(date, 5, 2) + SubStr(date, 8, 2);
  return ToLong(digits);
}

int32_t ShiftMonth(int32_t yyyymm, int lugMon) {
  // counted in months since year 0, so that any offset carries whole years;
  // the months of the offsets -1 to 12 are those of one carry step
  int64_t months = static_cast<int64_t>(yyyymm / 100) * 12 + (yyyymm % 100 - 1) + lugMon;
  int64_t year = months >= 0 ? months / 12 : -((11 - months) / 12);
  int64_t month = months - year * 12 + 1;
  return static_cast<int32_t>(year * 100 + month);
}

int32_t ShiftDate(int32_t yyyymmdd, int lugMon) { return ShiftMonth(yyyymmdd / 100, lugMon) * 100 + yyyymmdd % 100; }

int32_t ShiftDateInMonth(int32_t yyyymmdd, int lugMon) {
  int32_t month = ShiftMonth(yyyymmdd / 100, lugMon);
  int day = yyyymmdd % 100;
  int last = MonthLength(month);
  return month * 100 + (day > last ? last : day);
}

int32_t ShiftDatePayrollDay(int32_t yyyymmdd, int lugMon) {
  if (lugMon == 0) return yyyymmdd;
  int32_t month = ShiftMonth(yyyymmdd / 100, lugMon);
  int day = yyyymmdd % 100;
  return month * 100 + (day > 28 ? MonthLength(month) : day);
}

int64_t ExactRound(int64_t n, int64_t d, int places) {
  int64_t scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;
  // |n| * scale / d as whole part and remainder, so that no product passes
  // 64 bits: |n| = q * d + r, and r * scale < d * scale stays small
  uint64_t a = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  uint64_t q = a / static_cast<uint64_t>(d), r = a % static_cast<uint64_t>(d);
  uint64_t limit = static_cast<uint64_t>(INT64_MAX);
  uint64_t frac = (2 * r * static_cast<uint64_t>(scale) + static_cast<uint64_t>(d)) / (2 * static_cast<uint64_t>(d));
  // a value beyond 64 bits is held at the limit: no field is that wide, so
  // the exporter's width check leaves it out
  uint64_t units = q > (limit - frac) / static_cast<uint64_t>(scale) ? limit : q * static_cast<uint64_t>(scale) + frac;
  return n < 0 ? -static_cast<int64_t>(units) : static_cast<int64_t>(units);
}

std::string ExactText(int64_t units, int places, int width) {
  int64_t scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;
  int64_t a = units < 0 ? -units : units;
  std::string digits = places > 0 ? Format("%lld.%0*lld", a / scale, places, a % scale) : Format("%lld", a);
  std::string sign = units < 0 ? "-" : "";
  if (static_cast<int>(sign.size() + digits.size()) < width)
    digits.insert(0, static_cast<size_t>(width) - sign.size() - digits.size(), '0');
  return sign + digits;
}

bool InRunPeriod(const TransferRecord& r) {
  std::string bdt = SubStr(r.Zk1Bdt, 0, 10);
  return r.Zk1Rre != 2 && bdt >= Ctx.AbrVon && bdt <= Ctx.AbrBis;
}

int MonthLength(int32_t yyyymm) {
  int month = yyyymm % 100;
  int yy = (yyyymm / 100) % 100;
  switch (month) {
    case 2: return yy % 4 == 0 ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    default: return 31;
  }
}

std::string NoTrailingBlanks(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
  return std::string(s.substr(0, n));
}

int StagingWrite(const std::string& insert, const std::function<std::string()>& update, std::string* statement) {
  int st = SqlWrite(insert);
  if (st != kSqlDuplicate) {
    if (statement) *statement = insert;
    return StagedRow(InsertTable(insert), st);
  }
  std::string upd = update();
  st = SqlWrite(upd);
  if (statement) *statement = std::move(upd);
  return StagedRow(InsertTable(insert), st, true);
}

double WrittenNumber(std::string_view text) {
  std::string t;
  for (char c : text) {
    if (c == ',') c = '.';
    if (c != ' ') t += c;
  }
  if (t.empty()) return 0;
  return std::strtod(t.c_str(), nullptr);
}

std::string DecimalComma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

std::string SqlDateDdmmyy(const std::string& ddmmyy) {
  if (ddmmyy.empty()) return "NULL";
  return SqlFormat("str_to_date('%s', '%%d%%m%%y')", ddmmyy);
}

std::string PadLeft(std::string_view text, size_t width, char pad) {
  std::string out;
  if (text.size() < width) out.assign(width - text.size(), pad);
  out += text;
  return out;
}

void DeleteOldTransferFile(std::string_view fileName) {
  if (Ctx.Preview) return;  // a preview touches no file of a real hand-over
  std::string path = Cp1252(kOldFolder);
  path += fileName;
  RemoveFile(path);
}

std::string ExportTempPath(std::string_view path) {
  std::string temp(path);
  temp += '.';
  for (char c : Ctx.Akr) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    temp += plain ? c : '_';
  }
  temp += ".tmp";
  return temp;
}

bool ExportFileOpen(ExportFile& f, std::string_view name, ExportSet* set) {
  f.Path = Ctx.TransferDir;
  f.Path += name;
  f.TempPath = ExportTempPath(f.Path);
  f.Set = set;
  if (f.File.Open(f.TempPath, "w")) return true;
  DiscardExportFile(f);
  return false;
}

void ExportFileCreate(ExportFile& f, std::string_view name, std::string_view openFailure, ExportSet* set) {
  f.OpenFailure = Cp1252(openFailure);
  if (ExportFileOpen(f, name, set)) return;
  if (set) set->Discard();
  Log("%s", f.OpenFailure);
  EndProcess(1);
}

void ExportWrite(ExportFile& f, std::string_view text) {
  if (!f.File.Write(text)) WriteFailed(f);
  for (char c : text) f.Lines += c == '\n';
}

void ExportFileClose(ExportFile& f) {
  if (!f.File.Close()) WriteFailed(f);
  if (f.Set) {
    // complete; it waits for the other files of the set
    f.Set->files_.push_back({f.Path, f.TempPath, f.OpenFailure, f.Lines});
    f.TempPath.clear();
    return;
  }
  if (RenameFile(f.TempPath, f.Path) != 0) {
    DiscardExportFile(f);
    PlaceFailed(f.Path, f.OpenFailure);
  }
  f.TempPath.clear();
  HandedOverFilePlaced(f.Path, f.Lines);
}

ExportFile::~ExportFile() {
  // a file that was not finished (the export ended early) is not handed over
  if (!TempPath.empty()) DiscardExportFile(*this);
}

ExportSet::~ExportSet() {
  // the export ended before the set was placed
  Discard();
}

void ExportSet::RemoveWhenPlaced(std::string_view name) {
  std::string path = Ctx.TransferDir;
  path += name;
  stale_.push_back(std::move(path));
}

void ExportSet::RemoveOldWhenPlaced(std::string_view fileName) { oldNames_.emplace_back(fileName); }

void ExportSet::Discard() {
  for (const Closed& f : files_) RemoveFile(f.TempPath);
  files_.clear();
}

void ExportSet::Place() {
  // the files of the earlier run that no new file replaces go first, so that
  // a new file never stands beside one of them
  for (const std::string& path : stale_) {
    bool replaced = false;
    for (const Closed& f : files_) replaced = replaced || f.Path == path;
    if (!replaced) RemoveFile(path);
  }
  for (size_t i = 0; i < files_.size(); ++i) {
    if (RenameFile(files_[i].TempPath, files_[i].Path) == 0) continue;
    // the names before this one hold new files, the ones after it the
    // earlier files: neither part is a hand-over
    for (size_t j = 0; j < files_.size(); ++j) {
      if (j >= i) RemoveFile(files_[j].TempPath);
      RemoveFile(files_[j].Path);
    }
    Closed failed = files_[i];
    files_.clear();
    PlaceFailed(failed.Path, failed.OpenFailure);
  }
  for (const Closed& f : files_) HandedOverFilePlaced(f.Path, f.Lines);
  files_.clear();
  for (const std::string& name : oldNames_) DeleteOldTransferFile(name);
}

const char* const kZk1ExportColumns =
    "z.Zk1Abr, z.Zk1Lfn, z.Zk1Stz, date_format(z.Zk1Bdt, '%Y.%m.%d'), z.Zk1Pnr, z.Zk1Zkt, z.Zk1Lna, z.Zk1Lgr, "
    "z.Zk1Kst, z.Zk1Ktr, z.Zk1Krt, z.Zk1Std, z.Zk1Tge, z.Zk1Stg, date_format(z.Zk1Von, '%d.%m.%Y'), "
    "date_format(z.Zk1Bis, '%d.%m.%Y'), z.Zk1Sts, z.Zk1Rre, z.Zk1Sta, z.Zk1Upn";

[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& c, int32_t abrnr, int16_t lfn) {
  return SqlOpen(c, SqlCheckLength(std::string("SELECT ") + kZk1ExportColumns +
                                   SqlFormat("  FROM Qvx331Zk1 z  WHERE z.Zk1Abr = %ld  AND z.Zk1Lfn = %d "
                                             " ORDER BY z.Zk1Upn, z.Zk1Pnr, z.Zk1Lna, z.Zk1Bdt, z.Zk1Stz, z.Zk1Zkt, "
                                             "z.Zk1Lgr, z.Zk1Kst, z.Zk1Ktr, z.Zk1Von, z.Zk1Bis",
                                             abrnr, lfn)));
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

std::string ExactSql(const std::string& exact, int64_t d, int places) {
  int64_t scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;
  // round(|n| * 10^places / d) half away from zero, then the sign
  return Format("(ABS(%s) * %lld + %lld) DIV %lld * SIGN(%s) * 0.%s1", exact, static_cast<long long>(2 * scale),
                static_cast<long long>(d), static_cast<long long>(2 * d), exact,
                std::string(static_cast<size_t>(places - 1), '0'));
}
