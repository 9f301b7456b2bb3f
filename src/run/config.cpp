#include "run/config.h"

#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "run/blowfish.h"

namespace {

// Line buffers of the reader; like fgets, a line takes at most size - 1
// characters, line feed included. A longer line is continued by the next read.
constexpr std::size_t kLineASize = 200;
constexpr std::size_t kLineBSize = 400;

// Wipes memory in a way the compiler does not drop as a dead store.
void WipeMemory(void* p, std::size_t n) {
  volatile unsigned char* q = static_cast<volatile unsigned char*>(p);
  while (n-- > 0) { *q++ = 0; }
}

uint32_t LoadLittleEndian(const unsigned char* b) {
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}

void StoreLittleEndian(uint32_t v, unsigned char* b) {
  b[0] = static_cast<unsigned char>(v & 0xFFU);
  b[1] = static_cast<unsigned char>((v >> 8) & 0xFFU);
  b[2] = static_cast<unsigned char>((v >> 16) & 0xFFU);
  b[3] = static_cast<unsigned char>((v >> 24) & 0xFFU);
}

void InitContext(BlowfishContext& ctx, const std::string& key) {
  BlowfishInit(ctx, reinterpret_cast<const unsigned char*>(key.data()), static_cast<int>(key.size()));
}

// The file as the text-mode runtime would deliver it: CR LF becomes LF.
bool ReadTextFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in.is_open()) { return false; }
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  text.clear();
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') { continue; }
    text.push_back(raw[i]);
  }
  return true;
}

// Reads the next line the way fgets does with a buffer of bufSize bytes:
// up to bufSize - 1 characters, stopping after a line feed. Returns false at
// the end of the text. The line is used as a C text, so it ends at a zero byte.
bool ReadLine(const std::string& text, std::size_t& pos, std::size_t bufSize, std::string& line) {
  line.clear();
  if (pos >= text.size()) { return false; }
  while (pos < text.size() && line.size() + 1 < bufSize) {
    const char c = text[pos++];
    line.push_back(c);
    if (c == '\n') { break; }
  }
  const std::size_t nul = line.find('\0');
  if (nul != std::string::npos) { line.erase(nul); }
  return true;
}

// Decimal value of the leading number of text, as atoi reads it; text that is
// not a number gives 0. Values beyond the int range are clamped.
int LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\v' ||
                             text[i] == '\f' || text[i] == '\r')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value <= static_cast<long long>(INT_MAX) + 1) { value = value * 10 + (text[i] - '0'); }
    ++i;
  }
  if (negative) { value = -value; }
  if (value > INT_MAX) { return INT_MAX; }
  if (value < INT_MIN) { return INT_MIN; }
  return static_cast<int>(value);
}

// Field between the first and the second ";" of line A; empty when the line
// has fewer than two.
std::string SectionField(const std::string& lineA) {
  const std::size_t first = lineA.find(';');
  if (first == std::string::npos) { return std::string(); }
  const std::size_t second = lineA.find(';', first + 1);
  if (second == std::string::npos) { return std::string(); }
  return lineA.substr(first + 1, second - first - 1);
}

struct LineBFields {
  int number = 0;
  std::string key;
  std::string value;
};

// Cuts number, key and value from line B (its line feed excluded). A line
// without ";" is all value (number from its leading digits, empty key). A line
// with exactly one ";" has no key field: returns false, the record is not taken.
bool CutLineB(const std::string& lineB, LineBFields& fields) {
  std::string body = lineB;
  if (!body.empty() && body.back() == '\n') { body.pop_back(); }
  const std::size_t first = body.find(';');
  if (first == std::string::npos) {
    fields.number = LeadingNumber(body);
    fields.key.clear();
    fields.value = body;
    return true;
  }
  const std::size_t second = body.find(';', first + 1);
  if (second == std::string::npos) { return false; }
  fields.number = LeadingNumber(body.substr(0, first));
  fields.key = body.substr(first + 1, second - first - 1);
  fields.value = body.substr(second + 1);
  return true;
}

bool HasLineBreakOrSemicolon(const std::string& text) { return text.find_first_of(";\r\n") != std::string::npos; }

}  // namespace

void HexToBytes(const char* text, int count, unsigned char* out) {
  for (int i = 0; i + 1 < count; i += 2) {
    int nibble[2];
    for (int k = 0; k < 2; ++k) {
      const int c = static_cast<unsigned char>(text[i + k]);
      nibble[k] = (c >= 'A' && c <= 'F') ? c - 55 : c - '0';
    }
    out[i / 2] = static_cast<unsigned char>(static_cast<unsigned>(nibble[0] * 16 + nibble[1]) & 0xFFU);
  }
}

int DecryptValue(const std::string& hex, std::string& out, const std::string& key) {
  BlowfishContext ctx;
  InitContext(ctx, key);

  std::string clear;
  for (std::size_t offset = 0; offset < hex.size(); offset += 16) {
    // A last block shorter than 16 characters is padded with '0'
    // characters; nothing beyond the text is ever read.
    char block[16];
    for (std::size_t i = 0; i < 16; ++i) { block[i] = offset + i < hex.size() ? hex[offset + i] : '0'; }
    unsigned char bytes[8];
    HexToBytes(block, 16, bytes);
    uint32_t l = LoadLittleEndian(bytes);
    uint32_t r = LoadLittleEndian(bytes + 4);
    BlowfishDecrypt(ctx, l, r);
    StoreLittleEndian(l, bytes);
    StoreLittleEndian(r, bytes + 4);
    clear.append(reinterpret_cast<const char*>(bytes), 8);
    WipeMemory(bytes, sizeof bytes);
    l = r = 0;
  }

  const std::size_t nul = clear.find('\0');
  out.assign(clear, 0, nul == std::string::npos ? clear.size() : nul);
  WipeMemory(clear.data(), clear.size());
  WipeMemory(&ctx, sizeof ctx);
  return 1;
}

std::string EncryptValue(const std::string& clear, const std::string& key) {
  static const char kDigits[] = "0123456789ABCDEF";
  BlowfishContext ctx;
  InitContext(ctx, key);

  std::string hex;
  for (std::size_t offset = 0; offset < clear.size(); offset += 8) {
    unsigned char bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 8 && offset + i < clear.size(); ++i) {
      bytes[i] = static_cast<unsigned char>(clear[offset + i]);
    }
    uint32_t l = LoadLittleEndian(bytes);
    uint32_t r = LoadLittleEndian(bytes + 4);
    BlowfishEncrypt(ctx, l, r);
    StoreLittleEndian(l, bytes);
    StoreLittleEndian(r, bytes + 4);
    for (const unsigned char b : bytes) {
      hex.push_back(kDigits[b >> 4]);
      hex.push_back(kDigits[b & 0x0FU]);
    }
  }
  WipeMemory(&ctx, sizeof ctx);
  return hex;
}

std::string ReadIniValue(const std::string& section, const std::string& key, int number, const std::string& path) {
  std::string text;
  if (!ReadTextFile(path, text)) { return std::string(); }

  std::size_t pos = 0;
  std::string lineA;
  std::string lineB;
  for (;;) {
    ReadLine(text, pos, kLineASize, lineA);  // result not tested; line B decides
    if (!ReadLine(text, pos, kLineBSize, lineB)) { return std::string(); }
    LineBFields fields;
    if (!CutLineB(lineB, fields)) { continue; }
    const std::string recordSection = SectionField(lineA);
    if (recordSection == section || fields.key == key || fields.number == number) {
      std::string clear;
      DecryptValue(fields.value, clear, kIniCipherKey);
      return clear;
    }
  }
}

bool FormatIniRecord(const std::string& section, int number, const std::string& key, const std::string& clearValue,
                     std::string& out) {
  if (HasLineBreakOrSemicolon(section) || HasLineBreakOrSemicolon(key) || clearValue.find('\0') != std::string::npos) {
    return false;
  }
  const std::string lineA = "[" + section + "];" + section + ";";
  const std::string lineB = std::to_string(number) + ";" + key + ";" + EncryptValue(clearValue, kIniCipherKey);
  // Each line with its line feed must fit into one read of the reader.
  if (lineA.size() + 1 > kLineASize - 1 || lineB.size() + 1 > kLineBSize - 1) { return false; }
  out = lineA + "\r\n" + lineB + "\r\n";
  return true;
}
