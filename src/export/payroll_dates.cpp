#include "export/payroll_dates.h"

#include "run/context.h"
#include "run/db.h"
#include "run/text.h"

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

bool InRunPeriod(const RunContext& ctx, const TransferRecord& r) {
  std::string bdt = SubStr(r.Zk1Bdt, 0, 10);
  return r.Zk1Rre != 2 && bdt >= ctx.AbrVon && bdt <= ctx.AbrBis;
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

std::string SqlDateDdmmyy(const std::string& ddmmyy) {
  if (ddmmyy.empty()) return "NULL";
  return SqlFormat("str_to_date('%s', '%%d%%m%%y')", ddmmyy);
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
