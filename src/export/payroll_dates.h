// Dates of the payroll: date numbers, the month shift of the payroll month,
// month lengths, day numbers and the run's period.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/transfer_record.h"

struct RunContext;

// Date text YYYY.MM.DD as the number YYYYMMDD: characters 1 to 4, 6 and 7,
// 9 and 10; the separators are skipped by position, not tested.
int32_t DateToLong(std::string_view date);
// Payroll month: YYYYMM shifted by lugMon months, carried into as many years
// as it takes (month 13 becomes January of the next year, month 0 December of
// the year before, month 25 January of the year after next). Every exporter
// shifts its payroll months and dates through this one function; the run
// refuses offsets beyond kMaxMonthOffset before anything is written.
int32_t ShiftMonth(int32_t yyyymm, int lugMon);
// The same shift on a date number YYYYMMDD; the day stays as it is.
int32_t ShiftDate(int32_t yyyymmdd, int lugMon);
// ShiftDate with the day fitted to the shifted month: a day the month does not
// have becomes its last day (31 January + 1 month = 28 or 29 February).
int32_t ShiftDateInMonth(int32_t yyyymmdd, int lugMon);
// ShiftDate with the payroll day rule: when lugMon is not 0, a day above 28
// becomes the length of the shifted month (29 and 30 December shifted by one
// month become 31 January); without a shift the date stays as it is.
int32_t ShiftDatePayrollDay(int32_t yyyymmdd, int lugMon);
// Days of the month YYYYMM (February has 29 days when the year is divisible
// by 4). A day above 28 of a shifted date becomes this length.
int MonthLength(int32_t yyyymm);

// True when the record's booking date (YYYY.MM.DD) lies within the run's
// accounting period ctx.AbrVon to ctx.AbrBis and the record is no retro
// record: the month totals of the statistics belong to these records only,
// not to a following-month or retro record handed over with the run.
bool InRunPeriod(const RunContext& ctx, const TransferRecord& r);

// Statement-ready value of a date given as DDMMYY: str_to_date of the text,
// or NULL when the text is empty (an empty date is never stored as the zero
// date).
std::string SqlDateDdmmyy(const std::string& ddmmyy);

// Dates as day numbers (days since 1 March of year 0), so that days can be
// added and dates compared across months and years. DD.MM.YYYY texts; a text
// that is no date gives -1.
int32_t DayNumber(std::string_view ddmmyyyy);
std::string DayText(int32_t dayNumber);
