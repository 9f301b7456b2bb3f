#include "run/text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

struct Spec {
  std::string flags;
  int width = -1;
  int precision = -1;
  std::string length;
  char conv = 0;
};

std::string Pad(std::string body, const Spec& sp, bool zeroAllowed) {
  if (sp.width < 0 || static_cast<int>(body.size()) >= sp.width) return body;
  size_t fill = static_cast<size_t>(sp.width) - body.size();
  bool left = sp.flags.find('-') != std::string::npos;
  bool zero = zeroAllowed && !left && sp.flags.find('0') != std::string::npos;
  if (left) return body + std::string(fill, ' ');
  return std::string(fill, zero ? '0' : ' ') + body;
}

long long IntOf(const FmtArg& a) {
  switch (a.kind) {
    case FmtArg::Int: return a.i;
    case FmtArg::Dbl: return static_cast<long long>(a.d);
    case FmtArg::Str: return ToLong(a.s);
  }
  return 0;
}

double DblOf(const FmtArg& a) {
  switch (a.kind) {
    case FmtArg::Int: return static_cast<double>(a.i);
    case FmtArg::Dbl: return a.d;
    case FmtArg::Str: return static_cast<double>(ToLong(a.s));
  }
  return 0;
}

std::string Native(const Spec& sp, const char* lengthMod, char conv, auto value) {
  std::string f = "%" + sp.flags;
  if (sp.width >= 0) f += std::to_string(sp.width);
  if (sp.precision >= 0) f += "." + std::to_string(sp.precision);
  f += lengthMod;
  f += conv;
  char small[128];
  int n = std::snprintf(small, sizeof small, f.c_str(), value);
  if (n < 0) return {};
  if (n < static_cast<int>(sizeof small)) return std::string(small, static_cast<size_t>(n));
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::snprintf(big.data(), big.size(), f.c_str(), value);
  return std::string(big.data(), static_cast<size_t>(n));
}

}  // namespace

namespace {

constexpr int kMaxWidth = 99999;

// The arguments of a format in turn; a conversion without one takes "".
class ArgCursor {
 public:
  ArgCursor(const FmtArg* begin, const FmtArg* end) : next_(begin), end_(end) {}
  const FmtArg& Take() {
    static const FmtArg kEmpty("");
    return next_ != end_ ? *next_++ : kEmpty;
  }

 private:
  const FmtArg* next_;
  const FmtArg* end_;
};

// The width and the precision of a conversion, from fmt[i] on. Widths and
// precisions beyond kMaxWidth are taken as kMaxWidth: no format of the
// program comes near it, and a format can never overflow the number or ask
// for gigabytes.
void ReadWidthAndPrecision(std::string_view fmt, size_t& i, Spec& sp, ArgCursor& args) {
  if (i < fmt.size() && fmt[i] == '*') {
    long long w = IntOf(args.Take());
    if (w < 0) {
      sp.flags += '-';
      w = w < -kMaxWidth ? kMaxWidth : -w;
    }
    sp.width = static_cast<int>(std::min<long long>(w, kMaxWidth));
    ++i;
  } else {
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      sp.width = std::min(kMaxWidth, (sp.width < 0 ? 0 : sp.width * 10) + (fmt[i++] - '0'));
    }
  }
  if (i < fmt.size() && fmt[i] == '.') {
    ++i;
    sp.precision = 0;
    if (i < fmt.size() && fmt[i] == '*') {
      long long p = IntOf(args.Take());
      sp.precision = p < 0 ? -1 : static_cast<int>(std::min<long long>(p, kMaxWidth));
      ++i;
    } else {
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9')
        sp.precision = std::min(kMaxWidth, sp.precision * 10 + (fmt[i++] - '0'));
    }
  }
}

// The conversion after a '%' at fmt[i]; false when the format ends inside it.
bool ReadSpec(std::string_view fmt, size_t& i, Spec& sp, ArgCursor& args) {
  while (i < fmt.size() && std::string_view("-+ #0").find(fmt[i]) != std::string_view::npos) sp.flags += fmt[i++];
  ReadWidthAndPrecision(fmt, i, sp, args);
  while (i < fmt.size() && std::string_view("hlLqjzt").find(fmt[i]) != std::string_view::npos) sp.length += fmt[i++];
  if (i >= fmt.size()) return false;
  sp.conv = fmt[i++];
  return true;
}

void AppendSigned(std::string& out, const Spec& sp, const FmtArg& a) {
  long long v = IntOf(a);
  if (sp.length == "h") v = static_cast<int16_t>(v);
  else if (sp.length == "hh") v = static_cast<int8_t>(v);
  else if (sp.length != "ll" && sp.length != "q" && sp.length != "j" && sp.length != "z") v = static_cast<int32_t>(v);
  if (sp.flags.empty() && sp.width < 0 && sp.precision < 0) {
    // the plain form, as printf writes it
    char digits[24];
    auto r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, static_cast<size_t>(r.ptr - digits));
  } else {
    out += Native(sp, "ll", 'd', v);
  }
}

void AppendUnsigned(std::string& out, const Spec& sp, const FmtArg& a) {
  unsigned long long v = static_cast<unsigned long long>(IntOf(a));
  if (sp.length == "h") v = static_cast<uint16_t>(v);
  else if (sp.length == "hh") v = static_cast<unsigned char>(v);
  else if (sp.length != "ll" && sp.length != "q" && sp.length != "j" && sp.length != "z") v = static_cast<uint32_t>(v);
  out += Native(sp, "ll", sp.conv, v);
}

void AppendString(std::string& out, const Spec& sp, const FmtArg& a) {
  if (a.kind == FmtArg::Str && sp.width < 0 && sp.precision < 0) {
    out.append(a.s);
    return;
  }
  std::string body;
  if (a.kind == FmtArg::Str) body = std::string(a.s);
  else if (a.kind == FmtArg::Int) body = std::to_string(a.i);
  else body = Native(Spec{}, "", 'f', a.d);
  if (sp.precision >= 0 && static_cast<int>(body.size()) > sp.precision) body.resize(static_cast<size_t>(sp.precision));
  out += Pad(std::move(body), sp, true);
}

void AppendConversion(std::string& out, const Spec& sp, ArgCursor& args) {
  switch (sp.conv) {
    case 'd':
    case 'i': AppendSigned(out, sp, args.Take()); break;
    case 'u':
    case 'x':
    case 'X':
    case 'o': AppendUnsigned(out, sp, args.Take()); break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G': out += Native(sp, "", sp.conv, DblOf(args.Take())); break;
    case 'c': {
      const FmtArg& a = args.Take();
      char ch = a.kind == FmtArg::Str ? (a.s.empty() ? '\0' : a.s[0]) : static_cast<char>(IntOf(a));
      out += Pad(std::string(1, ch), sp, false);
      break;
    }
    case 's': AppendString(out, sp, args.Take()); break;
    default:
      // unknown conversion: copied as it stands
      out += '%';
      out += sp.conv;
      break;
  }
}

}  // namespace

std::string FormatV(std::string_view fmt, std::initializer_list<FmtArg> args) {
  std::string out;
  out.reserve(fmt.size() + 32);
  ArgCursor cursor(args.begin(), args.end());
  for (size_t i = 0; i < fmt.size();) {
    char c = fmt[i];
    if (c != '%') {
      // the text up to the next conversion in one piece
      size_t to = fmt.find('%', i);
      if (to == std::string_view::npos) to = fmt.size();
      out.append(fmt.data() + i, to - i);
      i = to;
      continue;
    }
    ++i;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Spec sp;
    if (!ReadSpec(fmt, i, sp, cursor)) break;
    AppendConversion(out, sp, cursor);
  }
  return out;
}

std::string& RTrim(std::string& s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
  if (n > 0) s.resize(n);
  return s;
}

std::string& Trim(std::string& s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
  s.resize(n);
  size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  s.erase(0, b);
  return s;
}

std::string& ToUpper(std::string& s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string SubStr(std::string_view s, int start, int length) {
  if (start < 0) start = 0;
  if (static_cast<size_t>(start) >= s.size()) return {};
  if (length <= 0) return std::string(s.substr(static_cast<size_t>(start)));
  return std::string(s.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

int FindNthChar(std::string_view s, char c, int n) {
  int found = 0;
  int last = -1;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) {
      last = static_cast<int>(i);
      if (++found == n) return last;
    }
  }
  return last;
}

int32_t ToLong(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f'))
    ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > static_cast<long long>(INT32_MAX) + 1) v = static_cast<long long>(INT32_MAX) + 1;
  }
  if (neg) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  return static_cast<int32_t>(v);
}
