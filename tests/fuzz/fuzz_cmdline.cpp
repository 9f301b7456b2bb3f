// libFuzzer target: the command-line handling of a run. The input is split at
// line feeds into arguments; the first argument is replaced by a socket path
// where no server listens, so that each run ends at the connection (or before
// it, at the checks of the arguments) without a network look-up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // no log folder and no configuration file below this working directory
  std::filesystem::path dir = "/tmp/lugfuzz-cmdline-" + std::to_string(getpid()) + "/bin";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  std::freopen("/dev/null", "w", stdout);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"lugtransfer"};
  std::string cur;
  for (size_t i = 0; i < size && args.size() < 10; ++i) {
    if (data[i] == '\n') {
      args.push_back(cur);
      cur.clear();
    } else {
      cur += static_cast<char>(data[i]);
    }
  }
  args.push_back(cur);
  if (args.size() > 1) args[1] = "/nonexistent/lugfuzz.sock";
  RunMain(args);
  return 0;
}
