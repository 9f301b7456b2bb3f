#include "run/charset.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "run/platform.h"

namespace {

// Code points of the bytes 0x80 to 0x9F. The five bytes without a character
// in Windows-1252 stand for the control characters of the same number, as in
// the server's latin1.
const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The transliteration: letters of the Latin alphabets of Central and Eastern
// Europe, the Baltic states, Turkey and Romania without their diacritics,
// and a few marks of punctuation. Sorted by code point. Letters that
// Windows-1252 has (Š, Ž, Œ, Ÿ, ...) never come here.
struct Replacement {
  char16_t CodePoint;
  const char* Text;
};
const Replacement kReplacements[] = {
    {0x0100, "A"},  {0x0101, "a"},  {0x0102, "A"},  {0x0103, "a"},  {0x0104, "A"}, {0x0105, "a"}, {0x0106, "C"},
    {0x0107, "c"},  {0x0108, "C"},  {0x0109, "c"},  {0x010A, "C"},  {0x010B, "c"}, {0x010C, "C"}, {0x010D, "c"},
    {0x010E, "D"},  {0x010F, "d"},  {0x0110, "D"},  {0x0111, "d"},  {0x0112, "E"}, {0x0113, "e"}, {0x0114, "E"},
    {0x0115, "e"},  {0x0116, "E"},  {0x0117, "e"},  {0x0118, "E"},  {0x0119, "e"}, {0x011A, "E"}, {0x011B, "e"},
    {0x011C, "G"},  {0x011D, "g"},  {0x011E, "G"},  {0x011F, "g"},  {0x0120, "G"}, {0x0121, "g"}, {0x0122, "G"},
    {0x0123, "g"},  {0x0124, "H"},  {0x0125, "h"},  {0x0126, "H"},  {0x0127, "h"}, {0x0128, "I"}, {0x0129, "i"},
    {0x012A, "I"},  {0x012B, "i"},  {0x012C, "I"},  {0x012D, "i"},  {0x012E, "I"}, {0x012F, "i"}, {0x0130, "I"},
    {0x0131, "i"},  {0x0132, "IJ"}, {0x0133, "ij"}, {0x0134, "J"},  {0x0135, "j"}, {0x0136, "K"}, {0x0137, "k"},
    {0x0138, "k"},  {0x0139, "L"},  {0x013A, "l"},  {0x013B, "L"},  {0x013C, "l"}, {0x013D, "L"}, {0x013E, "l"},
    {0x013F, "L"},  {0x0140, "l"},  {0x0141, "L"},  {0x0142, "l"},  {0x0143, "N"}, {0x0144, "n"}, {0x0145, "N"},
    {0x0146, "n"},  {0x0147, "N"},  {0x0148, "n"},  {0x0149, "'n"}, {0x014A, "N"}, {0x014B, "n"}, {0x014C, "O"},
    {0x014D, "o"},  {0x014E, "O"},  {0x014F, "o"},  {0x0150, "O"},  {0x0151, "o"}, {0x0154, "R"}, {0x0155, "r"},
    {0x0156, "R"},  {0x0157, "r"},  {0x0158, "R"},  {0x0159, "r"},  {0x015A, "S"}, {0x015B, "s"}, {0x015C, "S"},
    {0x015D, "s"},  {0x015E, "S"},  {0x015F, "s"},  {0x0162, "T"},  {0x0163, "t"}, {0x0164, "T"}, {0x0165, "t"},
    {0x0166, "T"},  {0x0167, "t"},  {0x0168, "U"},  {0x0169, "u"},  {0x016A, "U"}, {0x016B, "u"}, {0x016C, "U"},
    {0x016D, "u"},  {0x016E, "U"},  {0x016F, "u"},  {0x0170, "U"},  {0x0171, "u"}, {0x0172, "U"}, {0x0173, "u"},
    {0x0174, "W"},  {0x0175, "w"},  {0x0176, "Y"},  {0x0177, "y"},  {0x0179, "Z"}, {0x017A, "z"}, {0x017B, "Z"},
    {0x017C, "z"},  {0x017F, "s"},  {0x01CD, "A"},  {0x01CE, "a"},  {0x01CF, "I"}, {0x01D0, "i"}, {0x01D1, "O"},
    {0x01D2, "o"},  {0x01D3, "U"},  {0x01D4, "u"},  {0x0218, "S"},  {0x0219, "s"}, {0x021A, "T"}, {0x021B, "t"},
    {0x1E9E, "SS"}, {0x2010, "-"},  {0x2011, "-"},  {0x2012, "-"},  {0x2015, "-"}, {0x2032, "'"}, {0x2033, "\""},
    {0x2212, "-"},
};

bool HasHighByte(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; });
}

constexpr unsigned kInvalid = 0xFFFFFFFF;

// The code point at s[i] and its length; kInvalid (length 1) for a byte that
// begins no valid UTF-8 sequence.
unsigned NextCodePoint(std::string_view s, size_t i, size_t& len) {
  const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned c = byte(i);
  len = 1;
  if (c < 0x80) return c;
  size_t n;
  unsigned cp, min;
  if ((c & 0xE0) == 0xC0) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return kInvalid;
  }
  if (i + n > s.size()) return kInvalid;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return kInvalid;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
  len = n;
  return cp;
}

// The Windows-1252 byte of a code point; -1 when there is none.
int Cp1252Byte(unsigned cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int k = 0; k < 32; ++k) {
    if (kHigh[k] == cp) return 0x80 + k;
  }
  return -1;
}

}  // namespace

std::string ServerText(std::string_view cp1252) {
  if (!HasHighByte(cp1252)) return std::string(cp1252);
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  for (char ch : cp1252) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) out += ch;
    else AppendUtf8(out, c < 0xA0 ? kHigh[c - 0x80] : c);
  }
  return out;
}

std::string_view Transliterate(unsigned codePoint) {
  const Replacement* end = std::end(kReplacements);
  const Replacement* at = std::lower_bound(std::begin(kReplacements), end, codePoint,
                                           [](const Replacement& r, unsigned cp) { return r.CodePoint < cp; });
  if (at != end && at->CodePoint == codePoint) return at->Text;
  return "?";
}

bool ProgramText(std::string_view utf8, std::string& out) {
  if (!HasHighByte(utf8)) {
    out.assign(utf8);
    return true;
  }
  out.clear();
  out.reserve(utf8.size());
  bool exact = true;
  for (size_t i = 0; i < utf8.size();) {
    size_t len;
    const unsigned cp = NextCodePoint(utf8, i, len);
    i += len;
    const int byte = cp == kInvalid ? -1 : Cp1252Byte(cp);
    if (byte >= 0) {
      out += static_cast<char>(byte);
    } else {
      exact = false;
      out += cp == kInvalid ? std::string_view("?") : Transliterate(cp);
    }
  }
  return exact;
}

std::string ShownServerText(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    size_t len;
    const unsigned cp = NextCodePoint(utf8, i, len);
    const int byte = cp == kInvalid ? -1 : Cp1252Byte(cp);
    if (byte >= 0) {
      out += static_cast<char>(byte);
    } else {
      char buf[16];
      if (cp == kInvalid) std::snprintf(buf, sizeof buf, "<0x%02X>", static_cast<unsigned char>(utf8[i]));
      else std::snprintf(buf, sizeof buf, "<U+%04X>", cp);
      out += buf;
    }
    i += len;
  }
  return out;
}
