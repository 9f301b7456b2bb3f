#include <gtest/gtest.h>

#include "export/payroll_dates.h"

TEST(ExportDates, DateToLong) {
  const struct {
    const char* Text;
    int32_t Number;
  } cases[] = {
      {"2013.04.07", 20130407}, {"2026.12.31", 20261231}, {"2013-04-07", 20130407},  // separators not tested
      {"2013/04/07", 20130407}, {"2013.04", 201304},      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Number, DateToLong(c.Text)) << c.Text;
}

TEST(ExportDates, MonthShiftCarriesWholeYears) {
  const struct {
    int32_t Month;
    int Offset;
    int32_t Shifted;
  } cases[] = {
      {201304, 0, 201304},
      {201312, 1, 201401},
      {201301, -1, 201212},
      {201312, 12, 201412},
      {201301, 12, 201401},
      {201306, 12, 201406},
      {201311, 2, 201401},
      {201302, -1, 201301},
      {201212, -1, 201211},
      {201307, 6, 201401},
      {201306, 6, 201312},
      // beyond one carry: whole years, never a month 13 or 87
      {202612, 13, 202801},
      {202601, 24, 202801},
      {202601, -13, 202412},
      {202612, -24, 202412},
      {202601, -1200, 192601},
      {202612, 1200, 212612},
      {202603, 87, 203306},
      {202601, -27, 202310},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Shifted, ShiftMonth(c.Month, c.Offset)) << c.Month << " " << c.Offset;
  // every month with every offset gives the month that many months on
  for (int month = 1; month <= 12; ++month) {
    for (int offset = -40; offset <= 40; ++offset) {
      int32_t m = ShiftMonth(202600 + month, offset);
      int total = 2026 * 12 + month - 1 + offset;
      EXPECT_EQ((total / 12) * 100 + total % 12 + 1, m) << month << " " << offset;
    }
  }
}

TEST(ExportDates, DateShiftKeepsTheDay) {
  EXPECT_EQ(20140101, ShiftDate(20131201, 1));
  EXPECT_EQ(20121215, ShiftDate(20130115, -1));
  EXPECT_EQ(20130230, ShiftDate(20130130, 1));  // the day is not fitted to the month
  EXPECT_EQ(20130415, ShiftDate(20130415, 0));
}

TEST(ExportDates, ShiftedDayFitsTheMonth) {
  const struct {
    int32_t Date;
    int32_t Fitted;
  } cases[] = {{20260431, 20260430}, {20260230, 20260228}, {20240231, 20240229}, {20260530, 20260530},
               {20260529, 20260529}, {20260228, 20260228}, {20261231, 20261231}, {20260401, 20260401}};
  for (const auto& c : cases) EXPECT_EQ(c.Fitted, ShiftDateInMonth(c.Date, 0)) << c.Date;
}

TEST(ExportDates, MonthLength) {
  const struct {
    int32_t Month;
    int Days;
  } cases[] = {{201301, 31}, {201302, 28}, {201202, 29}, {202402, 29}, {201304, 30}, {201306, 30},
               {201309, 30}, {201311, 30}, {201312, 31}, {201307, 31}, {201308, 31}};
  for (const auto& c : cases) EXPECT_EQ(c.Days, MonthLength(c.Month)) << c.Month;
}

TEST(ExportDates, DateShiftFitsTheDayToTheMonth) {
  const struct {
    int32_t Date;
    int Offset;
    int32_t Shifted;
  } cases[] = {
      {20260131, 1, 20260228}, {20240131, 1, 20240229},  {20251231, -1, 20251130}, {20260331, -1, 20260228},
      {20251215, 1, 20260115}, {20260115, -1, 20251215}, {20260131, 0, 20260131},  {20260531, 12, 20270531},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Shifted, ShiftDateInMonth(c.Date, c.Offset)) << c.Date << " " << c.Offset;
}
