// lugtransfer-ini: writes the configuration file with the encrypted database
// credentials (records LOGIN, PASS and, when given, NET8).
//
//   lugtransfer-ini <output-file> <login> <password> [net8]
//
// Exit code 0 on success, 1 when the file cannot be written, 2 on a usage error.
#include <cstdio>
#include <fstream>
#include <string>

#include "run/config.h"

namespace {

constexpr const char* kSection = "DB";

void PrintUsage() { std::fprintf(stderr, "usage: lugtransfer-ini <output-file> <login> <password> [net8]\n"); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5 || argv[1][0] == '\0') {
    PrintUsage();
    return 2;
  }

  struct Entry {
    const char* key;
    std::string value;
  };
  Entry entries[3] = {{"LOGIN", argv[2]}, {"PASS", argv[3]}, {"NET8", argc == 5 ? argv[4] : ""}};
  const int entryCount = argc == 5 ? 3 : 2;

  std::string content;
  for (int i = 0; i < entryCount; ++i) {
    std::string record;
    if (!FormatIniRecord(kSection, i + 1, entries[i].key, entries[i].value, record)) {
      std::fprintf(stderr, "lugtransfer-ini: value for %s is too long\n", entries[i].key);
      PrintUsage();
      return 2;
    }
    content += record;
  }

  std::ofstream out(argv[1], std::ios::out | std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    std::fprintf(stderr, "lugtransfer-ini: cannot open %s\n", argv[1]);
    return 1;
  }
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "lugtransfer-ini: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
