// libFuzzer target: the configuration file reader with the decryption of its
// values. The input is the whole file; every key the run asks for is read,
// and the input is also decrypted as a value of its own.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "run/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/lugfuzz-" + std::to_string(getpid()) + ".ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  for (const char* key : {"LOGIN", "PASS", "NET8"}) ReadIniValue("", key, 0, path);
  ReadIniValue("DB", "", 3, path);
  std::string clear;
  DecryptValue(std::string(reinterpret_cast<const char*>(data), size), clear, kIniCipherKey);
  return 0;
}
