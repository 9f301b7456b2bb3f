#include "run/blowfish.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// Block given as 16 hex digits, left half = first 8 digits (big-endian).
void SplitBlock(const std::string& hex, uint32_t& l, uint32_t& r) {
  l = static_cast<uint32_t>(std::stoul(hex.substr(0, 8), nullptr, 16));
  r = static_cast<uint32_t>(std::stoul(hex.substr(8, 8), nullptr, 16));
}

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// Published Blowfish test vectors (Eric Young's set).
const Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080"},
};

TEST(Blowfish, PublishedVectorsEncrypt) {
  for (const Vector& v : kVectors) {
    const std::vector<unsigned char> key = FromHex(v.key);
    BlowfishContext ctx;
    BlowfishInit(ctx, key.data(), static_cast<int>(key.size()));
    uint32_t l = 0;
    uint32_t r = 0;
    SplitBlock(v.plain, l, r);
    BlowfishEncrypt(ctx, l, r);
    uint32_t el = 0;
    uint32_t er = 0;
    SplitBlock(v.cipher, el, er);
    EXPECT_EQ(l, el) << v.key;
    EXPECT_EQ(r, er) << v.key;
  }
}

TEST(Blowfish, PublishedVectorsDecrypt) {
  for (const Vector& v : kVectors) {
    const std::vector<unsigned char> key = FromHex(v.key);
    BlowfishContext ctx;
    BlowfishInit(ctx, key.data(), static_cast<int>(key.size()));
    uint32_t l = 0;
    uint32_t r = 0;
    SplitBlock(v.cipher, l, r);
    BlowfishDecrypt(ctx, l, r);
    uint32_t pl = 0;
    uint32_t pr = 0;
    SplitBlock(v.plain, pl, pr);
    EXPECT_EQ(l, pl) << v.key;
    EXPECT_EQ(r, pr) << v.key;
  }
}

TEST(Blowfish, KeyBytesAreTakenCyclically) {
  BlowfishContext a;
  BlowfishContext b;
  const unsigned char k1[] = {'V', 'I', 'V', 'I', 'V', 'O', 'R'};
  const unsigned char k2[] = {'V', 'I', 'V', 'I', 'V', 'O', 'R', 'V', 'I', 'V', 'I', 'V', 'O', 'R'};
  BlowfishInit(a, k1, 7);
  BlowfishInit(b, k2, 14);
  // a key and the same key written twice give the same schedule
  for (int i = 0; i < 18; ++i) { EXPECT_EQ(a.P[i], b.P[i]); }
  for (int s = 0; s < 4; ++s) {
    for (int i = 0; i < 256; ++i) { ASSERT_EQ(a.S[s][i], b.S[s][i]); }
  }
}

TEST(Blowfish, RoundTripVariousKeyLengths) {
  unsigned char key[56];
  for (int i = 0; i < 56; ++i) { key[i] = static_cast<unsigned char>(i * 37 + 11); }
  for (int len : {1, 4, 7, 8, 16, 32, 56}) {
    BlowfishContext ctx;
    BlowfishInit(ctx, key, len);
    uint32_t seed = 0x12345678U;
    for (int n = 0; n < 50; ++n) {
      seed = seed * 1103515245U + 12345U;
      const uint32_t l0 = seed;
      seed = seed * 1103515245U + 12345U;
      const uint32_t r0 = seed;
      uint32_t l = l0;
      uint32_t r = r0;
      BlowfishEncrypt(ctx, l, r);
      EXPECT_FALSE(l == l0 && r == r0);
      BlowfishDecrypt(ctx, l, r);
      EXPECT_EQ(l, l0);
      EXPECT_EQ(r, r0);
    }
  }
}

}  // namespace
