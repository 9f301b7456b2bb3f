// The folders of src/ are layers: run at the bottom, then calc, retro,
// export, control (which also checks a circle's configuration against the
// exporters), and the driver with main on top. A file includes headers
// of its own folder and of folders below it only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;

TEST(Layers, FoldersIncludeOnlyDownwards) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the source tree, which the Windows test run does not have";
#else
  const std::map<std::string, int> level = {{"run", 0}, {"calc", 1}, {"retro", 2}, {"export", 3}, {"control", 4}};
  for (const auto& e : fs::recursive_directory_iterator(std::string(LUG_SOURCE_DIR) + "/src")) {
    if (!e.is_regular_file()) continue;
    std::string folder = e.path().parent_path().filename().string();
    int own = level.count(folder) ? level.at(folder) : 5;  // src/ itself: the top
    std::ifstream in(e.path());
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("#include \"", 0) != 0) continue;
      std::string target = line.substr(10, line.find('/', 10) == std::string::npos ? 0 : line.find('/', 10) - 10);
      if (!level.count(target)) continue;
      EXPECT_LE(level.at(target), own) << e.path().string() << ": " << line;
    }
  }
#endif
}
