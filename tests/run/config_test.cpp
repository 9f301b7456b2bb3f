#include "run/config.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string Enc(const std::string& clear) { return EncryptValue(clear, kIniCipherKey); }

std::string Dec(const std::string& hex) {
  std::string out;
  EXPECT_EQ(DecryptValue(hex, out, kIniCipherKey), 1);
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) { c = static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
  return s;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ =
        fs::temp_directory_path() / (std::string("lugtransfer-ini-") + info->test_suite_name() + "-" + info->name() +
                                     "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& content) {
    const fs::path p = dir_ / name;
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return p.string();
  }
  fs::path dir_;
};

// ---------------------------------------------------------------------------
// HexToBytes / DecryptValue / EncryptValue

TEST(HexToBytes, UpperCaseDigits) {
  unsigned char out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  HexToBytes("0A1FF09C", 8, out);
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0x1F);
  EXPECT_EQ(out[2], 0xF0);
  EXPECT_EQ(out[3], 0x9C);
}

TEST(HexToBytes, LowerCaseAndNonHexDecodeAsCharacterMinusZero) {
  unsigned char out[3] = {0, 0, 0};
  HexToBytes("0a1fZ!", 6, out);
  EXPECT_EQ(out[0], static_cast<unsigned char>(0 * 16 + ('a' - '0')));  // 0x31
  EXPECT_EQ(out[1], static_cast<unsigned char>(1 * 16 + ('f' - '0')));  // 0x46
  EXPECT_EQ(out[2], static_cast<unsigned char>((('Z' - '0') * 16 + ('!' - '0')) & 0xFF));
}

TEST(HexToBytes, OddCountDecodesCountHalfBytes) {
  unsigned char out[2] = {0x55, 0x55};
  HexToBytes("ABC", 3, out);
  EXPECT_EQ(out[0], 0xAB);
  EXPECT_EQ(out[1], 0x55);
}

TEST(DecryptValue, LittleEndianHalvesAgainstPublishedVector) {
  // Key 0123456789ABCDEF, plain 1111111111111111 -> cipher 61F9C380 2281B096
  // (halves as numbers); in the file each half is stored least significant byte first.
  const std::string key("\x01\x23\x45\x67\x89\xAB\xCD\xEF", 8);
  const std::string clear(8, '\x11');
  EXPECT_EQ(EncryptValue(clear, key), "80C3F96196B08122");
  std::string out;
  EXPECT_EQ(DecryptValue("80C3F96196B08122", out, key), 1);
  EXPECT_EQ(out, clear);
}

TEST(DecryptValue, EmptyHexGivesEmptyText) {
  EXPECT_EQ(Dec(""), "");
  EXPECT_EQ(Enc(""), "");
}

TEST(DecryptValue, RoundTripsAndFormat) {
  for (const std::string clear :
       {"a", "sa", "1234567", "12345678", "123456789", "Passw\xF6rt\xA7", "ORCL.WORLD:1521/some-service-name"}) {
    const std::string hex = Enc(clear);
    EXPECT_EQ(hex.size(), (clear.size() + 7) / 8 * 16) << clear;
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    EXPECT_EQ(Dec(hex), clear);
  }
}

TEST(DecryptValue, BlockLengthBoundsClearText) {
  for (const std::string hex : {"FFFFFFFFFFFFFFFF", "0123456789ABCDEF", "0000000000000000", "4EF997456198DD78"}) {
    EXPECT_LE(Dec(hex).size(), 8U) << hex;
    EXPECT_LE(Dec(hex + hex).size(), 16U) << hex;
  }
  EXPECT_EQ(Dec(Enc("ABCDEFGH")), "ABCDEFGH");
  EXPECT_EQ(Dec(Enc("ABCDEFGHIJKLMNOP")), "ABCDEFGHIJKLMNOP");
}

TEST(DecryptValue, IncompleteLastBlockIsPaddedWithZeroDigits) {
  const std::string hex = Enc("credentials");  // 32 characters
  for (std::size_t len = 1; len < hex.size(); ++len) {
    const std::string part = hex.substr(0, len);
    const std::string padded = part + std::string((16 - len % 16) % 16, '0');
    EXPECT_EQ(Dec(part), Dec(padded)) << len;
  }
  // the complete first block still decrypts to the first 8 characters
  EXPECT_EQ(Dec(hex.substr(0, 16)), "credenti");
}

TEST(DecryptValue, LowerCaseHexGivesOtherBytesWithoutFailure) {
  const std::string hex = Enc("geheim12");
  const std::string lower = Lower(hex);
  if (lower != hex) { EXPECT_NE(Dec(lower), "geheim12"); }
  EXPECT_LE(Dec(lower).size(), 8U);
  EXPECT_LE(Dec("zz\xff\x80!!").size(), 8U);
}

// ---------------------------------------------------------------------------
// ReadIniValue: one table of file contents and lookups

struct IniCase {
  std::string name;
  std::string content;  // bytes of the file as stored
  std::string section;
  std::string key;
  int number;
  std::string expected;
};

std::vector<IniCase> IniCases() {
  const std::string login = Enc("lugadmin");
  const std::string pass = Enc("S3cr3t!Passwort");
  const std::string net8 = Enc("dbserver:3306");
  const std::string three =
      "[DB];DB;\n1;LOGIN;" + login + "\n[DB];DB;\n2;PASS;" + pass + "\n[DB];DB;\n3;NET8;" + net8 + "\n";
  std::string crlf;
  for (char c : three) {
    if (c == '\n') {
      crlf += "\r\n";
    } else {
      crlf += c;
    }
  }
  const std::string overlongA = ";X;" + std::string(300, 'Z') + "\n";  // read in two pieces
  const std::string longHex = Enc(std::string(230, 'q'));              // 464 hex characters
  const std::string longB = "1;PASS;" + longHex;                       // longer than one read

  std::vector<IniCase> c = {
      {"key decides LOGIN", three, "", "LOGIN", 0, "lugadmin"},
      {"key decides PASS", three, "", "PASS", 0, "S3cr3t!Passwort"},
      {"key decides NET8", three, "", "NET8", 0, "dbserver:3306"},
      {"unknown key", three, "", "USER", 0, ""},
      {"section X number 3 taken for PASS", "[X];X;\n3;PASS;" + pass + "\n", "", "PASS", 0, "S3cr3t!Passwort"},
      {"section X number 3 not taken for LOGIN", "[X];X;\n3;PASS;" + pass + "\n", "", "LOGIN", 0, ""},
      {"taken by section", three, "DB", "NONE", -1, "lugadmin"},
      {"taken by number", three, "NO", "NONE", 2, "S3cr3t!Passwort"},
      {"comparisons are case-sensitive", "[X];X;\n3;pass;" + pass + "\n", "x", "PASS", 0, ""},
      {"empty section field taken for any key", "[DB];DB;\n1;LOGIN;" + login + "\n;;\n2;PASS;" + pass + "\n", "",
       "NET8", 0, "S3cr3t!Passwort"},
      {"line A without two ; has an empty section", "[DB]\n2;PASS;" + pass + "\n", "", "LOGIN", 0, "S3cr3t!Passwort"},
      {"what surrounds the section field is ignored", "x;DB;y;z\n2;PASS;" + pass + "\n", "DB", "", 9,
       "S3cr3t!Passwort"},
      {"number 0 taken for any key", "[X];X;\n0;PASS;" + pass + "\n", "", "LOGIN", 0, "S3cr3t!Passwort"},
      {"non-numeric number counts as 0", "[X];X;\nabc;PASS;" + pass + "\n", "", "LOGIN", 0, "S3cr3t!Passwort"},
      {"leading digits give the number", "[X];X;\n7b;PASS;" + pass + "\n", "", "LOGIN", 7, "S3cr3t!Passwort"},
      {"empty value", "[X];X;\n2;PASS;\n[X];X;\n4;PASS;" + pass + "\n", "", "PASS", 0, ""},
      {"empty value on last line without LF", "[X];X;\n2;PASS;", "", "PASS", 0, ""},
      {"last record without final LF", "[X];X;\n1;LOGIN;" + login + "\n[X];X;\n2;PASS;" + pass, "", "PASS", 0,
       "S3cr3t!Passwort"},
      {"CR LF file LOGIN", crlf, "", "LOGIN", 0, "lugadmin"},
      {"CR LF file NET8", crlf, "", "NET8", 0, "dbserver:3306"},
      {"CR LF file without final line end", "[X];X;\r\n2;PASS;" + pass, "", "PASS", 0, "S3cr3t!Passwort"},
      {"empty file", "", "", "PASS", 0, ""},
      {"byte-order mark before line A", "\xEF\xBB\xBF" + crlf, "", "PASS", 0, "S3cr3t!Passwort"},
      {"binary file", std::string("\x00\xFF\x01;\n\x00;\x80\x00;\xFE\n\x1A", 13), "", "PASS", 0, ""},
      {"only line A", "[X];X;\n", "", "PASS", 0, ""},
      {"only line A without LF", "[X];X;", "", "PASS", 0, ""},
      {"one ; in line B is not taken", "[X];X;\n0;" + login + "\n[X];X;\n2;PASS;" + pass + "\n", "", "PASS", 0,
       "S3cr3t!Passwort"},
      {"one ; in line B, nothing else", "[X];X;\n0;" + login + "\n", "", "PASS", 0, ""},
      {"no ; in line B: the whole line is the value", "[X];X;\n" + login + "\n", "X", "PASS", -1, "lugadmin"},
      {"more ; after the key belong to the value", "[X];X;\n2;PASS;" + pass + ";\n", "", "PASS", 0, Dec(pass + ";")},
      {"overlong line A continues as line B", overlongA + "[Y];Y;\n5;PASS;" + pass + "\n", "", "PASS", 5,
       "S3cr3t!Passwort"},
      {"overlong line B is cut after 399 characters", "[X];X;\n" + longB + "\n", "", "PASS", 0,
       Dec(longB.substr(7, 399 - 7))},
      {"line B of 398 characters is read whole", "[X];X;\n1;PASS;" + longHex.substr(0, 391) + "\n", "", "PASS", 0,
       Dec(longHex.substr(0, 391))},
      {"lower-case hex decodes to other bytes", "[X];X;\n2;PASS;" + Lower(pass) + "\n", "", "PASS", 0,
       Dec(Lower(pass))},
      {"hex length not a multiple of 16", "[X];X;\n2;PASS;" + pass.substr(0, 21) + "\n", "", "PASS", 0,
       Dec(pass.substr(0, 21) + "00000000000")},
      {"16 hex characters give at most 8 characters", "[X];X;\n2;PASS;" + pass.substr(0, 16) + "\n", "", "PASS", 0,
       "S3cr3t!P"},
      {"zero byte ends line B", std::string("[X];X;\n2;PASS;") + pass + std::string(1, '\0') + "FF\n", "", "PASS", 0,
       "S3cr3t!Passwort"},
  };
  return c;
}

TEST_F(IniFileTest, ReadIniValueCases) {
  int n = 0;
  for (const IniCase& c : IniCases()) {
    const std::string path = Write("case" + std::to_string(n++) + ".ini", c.content);
    EXPECT_EQ(ReadIniValue(c.section, c.key, c.number, path), c.expected) << c.name;
  }
}

TEST_F(IniFileTest, MissingFileGivesEmptyValue) {
  EXPECT_EQ(ReadIniValue("", "PASS", 0, (dir_ / "does-not-exist.ini").string()), "");
}

TEST_F(IniFileTest, WrittenRecordsRoundTrip) {
  const std::string net8(41, 'n');
  std::string content;
  std::string record;
  ASSERT_TRUE(FormatIniRecord("DB", 1, "LOGIN", "lugadmin", record));
  EXPECT_EQ(record, "[DB];DB;\r\n1;LOGIN;" + Enc("lugadmin") + "\r\n");
  content += record;
  ASSERT_TRUE(FormatIniRecord("DB", 2, "PASS", "Geheim\xA7\xE4\xF6\xFC;x", record));
  content += record;
  ASSERT_TRUE(FormatIniRecord("DB", 3, "NET8", net8, record));
  content += record;
  const std::string path = Write("quantivel.ini", content);
  EXPECT_EQ(ReadIniValue("", "LOGIN", 0, path), "lugadmin");
  EXPECT_EQ(ReadIniValue("", "PASS", 0, path), "Geheim\xA7\xE4\xF6\xFC;x");
  EXPECT_EQ(ReadIniValue("", "NET8", 0, path), net8);
  EXPECT_EQ(ReadIniValue("", "OTHER", 0, path), "");
}

TEST_F(IniFileTest, LongestWritableValueRoundTrips) {
  // "1;LOGIN;" plus 24 blocks of 16 characters: 392 characters in line B.
  const std::string clear(192, 'L');
  std::string record;
  ASSERT_TRUE(FormatIniRecord("DB", 1, "LOGIN", clear, record));
  EXPECT_EQ(ReadIniValue("", "LOGIN", 0, Write("long.ini", record)), clear);
  EXPECT_FALSE(FormatIniRecord("DB", 1, "LOGIN", std::string(193, 'L'), record));
}

TEST(FormatIniRecord, RefusesFieldsTheReaderCannotCut) {
  std::string record = "unchanged";
  EXPECT_FALSE(FormatIniRecord("D;B", 1, "LOGIN", "x", record));
  EXPECT_FALSE(FormatIniRecord("DB", 1, "LO;GIN", "x", record));
  EXPECT_FALSE(FormatIniRecord("DB", 1, "LOGIN\n", "x", record));
  EXPECT_FALSE(FormatIniRecord("DB", 1, "LOGIN", std::string("a\0b", 3), record));
  EXPECT_FALSE(FormatIniRecord(std::string(120, 'S'), 1, "LOGIN", "x", record));
  EXPECT_EQ(record, "unchanged");
}

}  // namespace
