// Configuration file with encrypted credentials.
//
// The file is a sequence of two-line records:
//   line A (at most 199 characters): ...;section;...
//   line B (at most 399 characters): number;key;value
// The value is upper-case hexadecimal text of a Blowfish-encrypted byte
// string (8-byte blocks, halves stored little-endian). Texts are bytes in
// Windows-1252 and are never converted.
#pragma once

#include <string>

// Key of the credential values in the configuration file.
inline constexpr const char* kIniCipherKey = "VIVIVOR";

// Decodes count characters of text into count / 2 bytes, first character of
// each pair the high nibble. Digits are taken as c - '0', "A" to "F" as c - 55;
// anything else (lower-case letters included) decodes to a wrong nibble.
void HexToBytes(const char* text, int count, unsigned char* out);

// Decrypts the hex text with the key into out (up to the first zero byte of
// the clear bytes). Always returns 1.
int DecryptValue(const std::string& hex, std::string& out, const std::string& key);

// Counterpart of DecryptValue: encrypts clear (padded with zero bytes to a
// multiple of 8) and returns it as upper-case hex text. An empty text gives
// an empty result.
std::string EncryptValue(const std::string& clear, const std::string& key);

// Looks up one record of the configuration file at path (native path) and
// returns its value in clear, or an empty text when the file cannot be read
// or no record is taken. A record is taken when its section field equals
// section, or its key equals key, or its number equals number.
std::string ReadIniValue(const std::string& section, const std::string& key, int number, const std::string& path);

// Formats one record (line A "[section];section;", line B "number;key;hex")
// with CR LF line ends, the value encrypted with kIniCipherKey. Returns false
// (out unchanged) when section or key contain ";", CR or LF, the value
// contains a zero byte, or a line would be longer than ReadIniValue takes in
// one piece.
bool FormatIniRecord(const std::string& section, int number, const std::string& key, const std::string& clearValue,
                     std::string& out);
