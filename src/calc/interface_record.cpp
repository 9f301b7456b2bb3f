#include "calc/interface_record.h"

#include "run/db.h"
#include "run/platform.h"
#include "run/run_log.h"
#include "run/text.h"

[[nodiscard]] int SQL_Qvx171Lug_Get(const std::string& akr, LugRecord& lug) {
  return SqlSelectOne(SqlFormat("SELECT LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta"
                                " FROM Qvx171Lug WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                akr),
                      lug.LugLug, lug.LugLgp, lug.LugAnz, lug.LugDtm, lug.LugMon, lug.LugUnt, lug.LugFir, lug.LugAkr,
                      lug.LugPnr, lug.LugSta);
}

[[nodiscard]] int SQL_Qvx330Abr_GetPeriod(const std::string& akr, int32_t abrnr, std::string& von, std::string& bis) {
  return SqlSelectOne(SqlFormat("SELECT date_format(AbrVon,'%%Y.%%m.%%d'), date_format(AbrBis, '%%Y.%%m.%%d')  FROM "
                                "Qvx330Abr  WHERE AbrAkr = '%s'  AND AbrNum = %ld ",
                                akr, abrnr),
                      von, bis);
}

namespace {

// A day of the calendar written YYYY.MM.DD.
bool IsDate(const std::string& d) {
  if (d.size() != 10 || d[4] != '.' || d[7] != '.') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (d[i] < '0' || d[i] > '9') return false;
  }
  const int year = std::stoi(d.substr(0, 4)), month = std::stoi(d.substr(5, 2)), day = std::stoi(d.substr(8, 2));
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string DateFault(const char* column, const std::string& d) {
  if (d.empty()) return Format("%s fehlt (NULL)", column);
  if (!IsDate(d)) return Format("%s '%s' ist kein gültiges Datum", column, d);
  return std::string();
}

}  // namespace

std::string PeriodFault(const std::string& von, const std::string& bis) {
  std::string fault = DateFault("AbrVon", von);
  if (fault.empty()) fault = DateFault("AbrBis", bis);
  if (fault.empty() && bis < von) fault = Format("endet vor ihrem Beginn (AbrVon %s, AbrBis %s)", von, bis);
  return fault;
}

std::string MonthOffsetFault(const LugRecord& lug) {
  if (lug.LugMon >= -kMaxMonthOffset && lug.LugMon <= kMaxMonthOffset) return std::string();
  return Format("Monatsversatz LugMon %d der Schnittstelle %s nicht verwendbar (erlaubt %d bis %d)", lug.LugMon,
                lug.LugLug, -kMaxMonthOffset, kMaxMonthOffset);
}

void RequirePeriod(const std::string& akr, int32_t abrnr, std::string& von, std::string& bis, const char* readMessage) {
  von.clear();
  bis.clear();
  int st = SQL_Qvx330Abr_GetPeriod(akr, abrnr, von, bis);
  if (st != 0) AbortForRead(st, readMessage);
  std::string fault = PeriodFault(von, bis);
  if (fault.empty()) return;
  Log("Abrechnungsperiode %ld des AbrKreises %s nicht verwendbar: %s", abrnr, akr, Cp1252(fault));
  AbortRun(60);
}
