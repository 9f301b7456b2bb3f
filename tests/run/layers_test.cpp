// The folders of src/ are layers: run at the bottom, then the batch of
// employees read ahead (calc/batch), the rules of the calculation (calc),
// retro, export, control (which also checks a circle's configuration against
// the exporters), and the driver with main on top. A file includes headers
// of its own layer and of layers below it only. The layer of a file is its
// first folder under src/, except that calc/batch lies below the rest of calc:
// the batch serves the rules and knows nothing of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, int>& Levels() {
  static const std::map<std::string, int> level = {{"run", 0},   {"calc/batch", 1}, {"calc", 2},
                                                   {"retro", 3}, {"export", 4},     {"control", 5}};
  return level;
}
constexpr int kTop = 6;  // src/ itself: the driver and main

// The layer of a path relative to src/ ("calc/batch/bookings.cpp",
// "calc/statistics.h", "driver.cpp"): its first folder, calc/batch apart.
int LayerOf(const std::string& path) {
  const size_t slash = path.find('/');
  if (slash == std::string::npos) return kTop;
  const std::string first = path.substr(0, slash);
  if (first == "calc" && path.compare(slash + 1, 6, "batch/") == 0) return Levels().at("calc/batch");
  auto it = Levels().find(first);
  return it == Levels().end() ? kTop : it->second;
}

// The layer of the header an include line names; -1 for lines that are not
// includes of a header of src/.
int IncludedLayer(const std::string& line) {
  if (line.rfind("#include \"", 0) != 0) return -1;
  const size_t end = line.find('"', 10);
  if (end == std::string::npos) return -1;
  const std::string target = line.substr(10, end - 10);
  const size_t slash = target.find('/');
  if (slash == std::string::npos || !Levels().count(target.substr(0, slash))) return -1;
  return LayerOf(target);
}

// Whether a file at path (relative to src/) may have the include line.
bool Allowed(const std::string& path, const std::string& line) { return IncludedLayer(line) <= LayerOf(path); }

}  // namespace

TEST(Layers, LayerIsTheFirstFolderWithTheBatchBelowTheRules) {
  EXPECT_EQ(0, LayerOf("run/db.h"));
  EXPECT_LT(LayerOf("calc/batch/bookings.cpp"), LayerOf("calc/statistics.cpp"));
  EXPECT_LT(LayerOf("calc/batch/employee_batch.h"), LayerOf("retro/differences.cpp"));
  EXPECT_EQ(kTop, LayerOf("driver.cpp"));
  // a batch file includes run/ and calc/batch/ headers only
  EXPECT_TRUE(Allowed("calc/batch/bookings.cpp", "#include \"run/db.h\""));
  EXPECT_TRUE(Allowed("calc/batch/bookings.cpp", "#include \"calc/batch/rows.h\""));
  EXPECT_FALSE(Allowed("calc/batch/bookings.cpp", "#include \"calc/statistics.h\""));
  EXPECT_FALSE(Allowed("calc/batch/employee_batch.h", "#include \"calc/calc_state.h\""));
  // the rules ask the batch
  EXPECT_TRUE(Allowed("calc/statistics.cpp", "#include \"calc/batch/employee_batch.h\""));
  EXPECT_FALSE(Allowed("run/db.cpp", "#include \"calc/batch/rows.h\""));
}

TEST(Layers, FoldersIncludeOnlyDownwards) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the source tree, which the Windows test run does not have";
#else
  const fs::path src = fs::path(LUG_SOURCE_DIR) / "src";
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    if (!e.is_regular_file()) continue;
    const std::string path = fs::relative(e.path(), src).generic_string();
    std::ifstream in(e.path());
    std::string line;
    while (std::getline(in, line)) EXPECT_TRUE(Allowed(path, line)) << e.path().string() << ": " << line;
  }
#endif
}

// The run is handed down as a parameter: only the run layer's own reports
// reach it through its attachment (and the driver, which attaches it).
TEST(Layers, OnlyTheRunLayerAsksForTheAttachedRun) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the source tree, which the Windows test run does not have";
#else
  const fs::path src = fs::path(LUG_SOURCE_DIR) / "src";
  const std::regex processWide(R"(\bCtx\b)");
  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    if (!e.is_regular_file()) continue;
    const std::string path = fs::relative(e.path(), src).generic_string();
    if (LayerOf(path) == Levels().at("run")) continue;
    ++files;
    std::ifstream in(e.path());
    std::string line;
    while (std::getline(in, line)) {
      EXPECT_EQ(std::string::npos, line.find("AttachedRun(")) << e.path().string() << ": " << line;
      // and no file names a context of the whole process
      EXPECT_FALSE(std::regex_search(line, processWide)) << e.path().string() << ": " << line;
    }
  }
  EXPECT_GT(files, 50);
#endif
}
