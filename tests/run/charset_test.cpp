#include <gtest/gtest.h>

#include <string>

#include "run/charset.h"
#include "run/platform.h"

// Every byte the program holds reaches the server as a character and comes
// back as the same byte.
TEST(Charset, EveryWindows1252ByteRoundTrips) {
  for (int b = 1; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    std::string back;
    EXPECT_TRUE(ProgramText(ServerText(byte), back)) << b;
    EXPECT_EQ(byte, back) << b;
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string back;
  EXPECT_TRUE(ProgramText(ServerText(all), back));
  EXPECT_EQ(all, back);
}

// The characters of the bytes are those of the server's latin1: the letters
// and signs of Windows-1252, and the five bytes Windows-1252 leaves free as
// the control characters of the same number.
TEST(Charset, ServerTextIsTheServersLatin1) {
  EXPECT_EQ("\xE2\x82\xAC", ServerText("\x80"));  // euro sign
  EXPECT_EQ("\xC5\xA0", ServerText("\x8A"));      // S with caron
  EXPECT_EQ("\xC3\xA4\xC3\x9F", ServerText("\xE4\xDF"));
  EXPECT_EQ("\xC2\x81", ServerText("\x81"));
  EXPECT_EQ("\xC2\x8D", ServerText("\x8D"));
  EXPECT_EQ("\xC2\x8F", ServerText("\x8F"));
  EXPECT_EQ("\xC2\x90", ServerText("\x90"));
  EXPECT_EQ("\xC2\x9D", ServerText("\x9D"));
  EXPECT_EQ("plain 'text'", ServerText("plain 'text'"));
  std::string out;
  // the five control characters come back as the bytes they stand for
  EXPECT_TRUE(ProgramText("\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", out));
  EXPECT_EQ("\x81\x8D\x8F\x90\x9D", out);
  // other control characters of that range have no byte in Windows-1252
  EXPECT_FALSE(ProgramText("\xC2\x80", out));
  EXPECT_EQ("?", out);
}

TEST(Charset, CharactersOutsideAreTransliterated) {
  std::string out;
  EXPECT_FALSE(ProgramText("Łódź", out));
  EXPECT_EQ(Cp1252("Lódz"), out);
  EXPECT_FALSE(ProgramText("Żódź", out));
  EXPECT_EQ(Cp1252("Zódz"), out);
  EXPECT_FALSE(ProgramText("Dvořák", out));
  EXPECT_EQ(Cp1252("Dvorák"), out);
  EXPECT_FALSE(ProgramText("Kőszeg ąćęńśźż łĄĆĘŃŚŹŻŁ čěůğşı Ș ț", out));
  EXPECT_EQ("Koszeg acenszz lACENSZZL ceugsi S t", out);
  // letters without a rule, and what is no UTF-8 at all
  EXPECT_FALSE(ProgramText("日本", out));
  EXPECT_EQ("??", out);
  EXPECT_FALSE(ProgramText("a\xF0\x9F\x98\x80z", out));
  EXPECT_EQ("a?z", out);
  EXPECT_FALSE(ProgramText("a\xE4z", out));
  EXPECT_EQ("a?z", out);
  EXPECT_FALSE(ProgramText("\xC3", out));
  EXPECT_EQ("?", out);
  // Windows-1252 has these: never replaced
  EXPECT_TRUE(ProgramText("ŠšŽžŒœŸ€„“", out));
  EXPECT_EQ(Cp1252("ŠšŽžŒœŸ€„“"), out);
  EXPECT_EQ("L", Transliterate(0x0141));
  EXPECT_EQ("?", Transliterate(0x0416));
}

TEST(Charset, ShownTextNamesTheCharacters) {
  EXPECT_EQ("1<U+0141>3", ShownServerText("1Ł3"));
  EXPECT_EQ(Cp1252("Dvo<U+0159>ák"), ShownServerText("Dvořák"));
  EXPECT_EQ("<U+1F600>", ShownServerText("\xF0\x9F\x98\x80"));
  EXPECT_EQ("a<0xE4>z", ShownServerText("a\xE4z"));
  EXPECT_EQ(Cp1252("Müller"), ShownServerText("Müller"));
}
