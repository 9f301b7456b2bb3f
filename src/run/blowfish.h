// Blowfish block cipher (64-bit blocks, key of 1 to 56 bytes).
// Used to decrypt the credentials stored in the configuration file.
#pragma once

#include <cstdint>

struct BlowfishContext {
  uint32_t P[18];
  uint32_t S[4][256];
};

// Standard key schedule: starts from the initial tables (hex digits of pi),
// mixes in the key bytes taken cyclically and replaces P and S with the
// successive encryptions of an all-zero block. keyLen must be positive.
void BlowfishInit(BlowfishContext& ctx, const unsigned char* key, int keyLen);

// Encrypts / decrypts one block given as its left and right 32-bit halves, in place.
void BlowfishEncrypt(BlowfishContext& ctx, uint32_t& l, uint32_t& r);
void BlowfishDecrypt(BlowfishContext& ctx, uint32_t& l, uint32_t& r);
