#include <gtest/gtest.h>

#include "export/common.h"
#include "export/topas.h"

// Days are added and taken across month and year ends; texts that are no
// date are refused.
TEST(ExportDates, DayArithmetic) {
  const struct {
    const char* Date;
    int Days;
    const char* Result;
  } cases[] = {
      {"31.03.2026", 1, "01.04.2026"}, {"28.02.2026", 1, "01.03.2026"}, {"28.02.2028", 1, "29.02.2028"},
      {"01.03.2028", -1, "29.02.2028"}, {"31.12.2025", 1, "01.01.2026"}, {"01.01.2026", -1, "31.12.2025"},
      {"01.04.2026", -1, "31.03.2026"}, {"15.06.2026", 0, "15.06.2026"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Result, DayText(DayNumber(c.Date) + c.Days)) << c.Date << " " << c.Days;
  EXPECT_LT(DayNumber("01.12.2025"), DayNumber("02.01.2026"));  // as texts the order would turn
  for (const char* bad : {"", "2026.03.01", "32.01.2026", "01.13.2026", "ab.cd.efgh"})
    EXPECT_EQ(-1, DayNumber(bad)) << bad;
}

// A final run hands over the part of the record's period that the interim
// period has not covered.
TEST(TopasExport, RemainingPeriod) {
  const struct {
    const char* IV;
    const char* IB;
    const char* RV;
    const char* RB;
    const char* Von;
    const char* Bis;
  } cases[] = {
      {"01.03.2026", "15.03.2026", "01.03.2026", "31.03.2026", "16.03.2026", "31.03.2026"},  // start covered
      {"27.02.2026", "28.02.2026", "27.02.2026", "03.03.2026", "01.03.2026", "03.03.2026"},  // across the month end
      {"30.12.2025", "31.12.2025", "30.12.2025", "02.01.2026", "01.01.2026", "02.01.2026"},  // across the year end
      {"20.03.2026", "31.03.2026", "01.03.2026", "31.03.2026", "01.03.2026", "19.03.2026"},  // end covered
      {"01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026"},  // all covered
      {"10.03.2026", "12.03.2026", "01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026"},  // inside
      {"01.02.2026", "28.02.2026", "01.03.2026", "31.03.2026", "01.03.2026", "31.03.2026"},  // before
  };
  for (const auto& c : cases) {
    std::string von = c.RV, bis = c.RB;
    TopasRemainingPeriod(c.IV, c.IB, von, bis);
    EXPECT_EQ(c.Von, von) << c.IV << "-" << c.IB << " / " << c.RV << "-" << c.RB;
    EXPECT_EQ(c.Bis, bis) << c.IV << "-" << c.IB << " / " << c.RV << "-" << c.RB;
  }
}

TEST(ExportText, DecimalCommaWhereverThePointStands) {
  EXPECT_EQ("   1,50", DecimalComma("   1.50"));
  EXPECT_EQ("10000,00", DecimalComma("10000.00"));
  EXPECT_EQ("-0,50", DecimalComma("-0.50"));
  EXPECT_EQ("12", DecimalComma("12"));
}
