#include <gtest/gtest.h>

#include "run/text.h"

struct FormatCase {
  const char* fmt;
  std::string expected;
  std::string actual;
};

TEST(Format, PrintfConventionsOfThePayrollFiles) {
  const FormatCase cases[] = {
      {"%05s", "00012", Format("%05s", std::string("12"))},
      {"%063s", std::string(63, '0'), Format("%063s", std::string())},
      {"%-8s|", "AB      |", Format("%-8s|", std::string("AB"))},
      {"%3s", "ABCDE", Format("%3s", std::string("ABCDE"))},  // never cut by the width
      {"%.3s", "ABC", Format("%.3s", std::string("ABCDE"))},
      {"%d", "-5", Format("%d", -5)},
      {"%ld", "123456", Format("%ld", 123456L)},
      {"%05d", "-0042", Format("%05d", -42)},
      {"%hd", "-1", Format("%hd", 65535)},                // 16-bit
      {"%d", "-2147483648", Format("%d", 2147483648LL)},  // 32-bit like the platform of the formats
      {"%f", "1.500000", Format("%f", 1.5)},
      {"%.2f", "-0.50", Format("%.2f", -0.5)},
      {"%8.2f", "   12.35", Format("%8.2f", 12.345678)},
      {"%%Y", "%Y", Format("%%Y")},
      {"%s;%d;%s", "a;1;", Format("%s;%d;%s", "a", 1)},  // missing argument: empty
      {"%c", "x", Format("%c", 'x')},
      {"%X", "FF", Format("%X", 255)},
      {"%+d", "+7", Format("%+d", 7)},
      {"%-5d|", "7    |", Format("%-5d|", 7)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, c.actual) << c.fmt;
}

TEST(TextHelpers, TrimAndUpper) {
  std::string three = "   ";
  EXPECT_EQ("   ", RTrim(three));
  EXPECT_EQ("", Trim(three));
  std::string s = " \tab c \t";
  EXPECT_EQ(" \tab c", RTrim(s));
  s = " \tab c \t";
  EXPECT_EQ("ab c", Trim(s));
  std::string u = "ab/p12ä";
  EXPECT_EQ("AB/P12ä", ToUpper(u));  // only ASCII letters
  std::string empty;
  EXPECT_EQ("", RTrim(empty));
}

TEST(TextHelpers, SubStrAndFindNthChar) {
  EXPECT_EQ("cde", SubStr("abcdefg", 2, 3));
  EXPECT_EQ("cdefg", SubStr("abcdefg", 2, 0));
  EXPECT_EQ("fg", SubStr("abcdefg", 5, 10));
  EXPECT_EQ("", SubStr("abc", 7, 1));
  EXPECT_EQ(1, FindNthChar("a;b;c", ';', 1));
  EXPECT_EQ(3, FindNthChar("a;b;c", ';', 2));
  EXPECT_EQ(1, FindNthChar("a;b", ';', 2));  // fewer: the last one
  EXPECT_EQ(-1, FindNthChar("abc", ';', 1));
  EXPECT_EQ(-1, FindNthChar("", ';', 1));
}

TEST(TextHelpers, ToLongStopsAtNonDigits) {
  EXPECT_EQ(12, ToLong("12abc"));
  EXPECT_EQ(-7, ToLong("  -7"));
  EXPECT_EQ(0, ToLong("x1"));
  EXPECT_EQ(0, ToLong(""));
  EXPECT_EQ(INT32_MAX, ToLong("99999999999"));
}

// Widths and precisions too large for a number (found by fuzzing the
// formatter) are taken as 99999 instead of overflowing.
TEST(FormatLimits, HugeWidthIsCapped) {
  EXPECT_EQ(99999u, Format("%2222222222222222222222d", 1).size());
  EXPECT_EQ(99999u, Format("%-*s", -2147483647 - 1, "x").size());
  EXPECT_EQ("1.50", Format("%.*f", 2, 1.5));
}
