// Exact sums of minutes and tenths: rounded once, formatted once, and the
// same rounding as an SQL expression.
#pragma once

#include <cstdint>
#include <string>

// Exact sums: n / d (d > 0) rounded half away from zero to the given number
// of decimal places, as a whole number of those places (100 minutes in hours
// with 2 places: ExactRound(100, 60, 2) = 167). Minutes and tenths are added
// as whole numbers and turned into a decimal value only here, once.
int64_t ExactRound(int64_t n, int64_t d, int places);
// A value of ExactRound as a text with a decimal point, e.g. 167 with 2 places
// as "1.67" and -25 as "-0.25"; zero has no sign. width pads the text with
// zeros in front of the digits (behind the sign) to that many characters.
std::string ExactText(int64_t units, int places, int width = 0);
// ExactRound of an integer SQL expression, as an SQL expression: integer
// arithmetic, and the product with 0.1, 0.01, ... is an exact decimal, so the
// double the server stores is the one the text of ExactText gives. For an
// update that adds to an exact column and sets the staged value from the new
// sum in the same statement, without reading the row first.
std::string ExactSql(const std::string& exact, int64_t d, int places);
