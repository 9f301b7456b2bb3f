// Text helpers and the printf-style formatter used for log lines, statements
// and file records.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of Format: a whole number, an amount or a text.
struct FmtArg {
  enum Kind { Int, Dbl, Str } kind;
  long long i = 0;
  double d = 0;
  std::string_view s;

  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  FmtArg(T v) : kind(Int), i(static_cast<long long>(v)) {}
  FmtArg(double v) : kind(Dbl), d(v) {}
  FmtArg(float v) : kind(Dbl), d(v) {}
  FmtArg(const std::string& v) : kind(Str), s(v) {}
  FmtArg(std::string_view v) : kind(Str), s(v) {}
  FmtArg(const char* v) : kind(Str), s(v ? v : "") {}
};

// printf-style formatting with the conventions of the payroll files:
// - lengths follow the 32-bit platform the formats were written for:
//   "%d" and "%ld" are 32-bit, "%hd" 16-bit, "%lld" 64-bit;
// - the 0 flag pads texts with zeros too ("%05s" turns "12" into "00012");
// - a value longer than the width is never cut (only a precision cuts texts).
std::string FormatV(std::string_view fmt, std::initializer_list<FmtArg> args);

template <class... A>
std::string Format(std::string_view fmt, const A&... args) {
  return FormatV(fmt, {FmtArg(args)...});
}

// Trailing blanks and tabs removed; a text of blanks and tabs only stays as it is.
std::string& RTrim(std::string& s);
// Leading and trailing blanks and tabs removed; blanks only give an empty text.
std::string& Trim(std::string& s);
// ASCII letters upper-cased.
std::string& ToUpper(std::string& s);
// length characters from position start; length 0 means to the end. Positions
// beyond the text give an empty or shorter result.
std::string SubStr(std::string_view s, int start, int length);
// 0-based position of the n-th occurrence of c; the last one when there are
// fewer; -1 when there is none or the text is empty.
int FindNthChar(std::string_view s, char c, int n);

// Decimal conversion as atol does it: leading blanks, a sign, digits; the
// first other character ends the number. The result is limited to 32 bits.
int32_t ToLong(std::string_view s);
