#include "export/exact_sums.h"

#include "run/text.h"

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

std::string ExactSql(const std::string& exact, int64_t d, int places) {
  int64_t scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;
  // round(|n| * 10^places / d) half away from zero, then the sign
  return Format("(ABS(%s) * %lld + %lld) DIV %lld * SIGN(%s) * 0.%s1", exact, static_cast<long long>(2 * scale),
                static_cast<long long>(d), static_cast<long long>(2 * d), exact,
                std::string(static_cast<size_t>(places - 1), '0'));
}
