#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/context.h"
#include "run/exit.h"
#include "run/platform.h"
#include "run/run_log.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class RunLog : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("luglog" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "log#lug.txt").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  // The run's log 6 bytes short of the limit: the run logs "12345", which
  // takes it past, and "weiter"; returns what stood there before.
  std::string LogPastTheLimit(RunContext& ctx) {
    ctx.LogPath = path;
    const std::string earlier(static_cast<size_t>(kLogLimit) - 6, 'x');
    std::ofstream(path, std::ios::binary) << earlier;
    Log("12345");
    Log("weiter");
    CloseRunLog();
    return earlier;
  }
  fs::path dir;
  std::string path;
};

}  // namespace

TEST_F(RunLog, AppendsLinesWithCrLf) {
  WriteLog(path, "eins");
  WriteLog(path, "\n\nzwei\n");
  WriteLog(path, Cp1252("Übergabe"));
  EXPECT_EQ(
      "eins\r\n\r\n\r\nzwei\r\n\r\n\xDC"
      "bergabe\r\n",
      Read(path));
}

// The run's log may be held open between lines; every line is in the file at
// once, and a log that another run rotated away or someone removed is not
// written any more: the next line goes to the file the path names then.
TEST_F(RunLog, RunLogFollowsThePath) {
  RunContext ctx;
  RunAttachment attached(ctx);
  ctx.LogPath = path;
  Log("eins");
  EXPECT_EQ("eins\r\n", Read(path));
  fs::rename(path, dir / "log#lug_1.txt");
  Log("zwei");
  fs::remove(path);
  Log("drei");
  Log("vier\nf%snf", "\xFC");  // the end is known after every line
  EXPECT_EQ(static_cast<long>(fs::file_size(path)), RunLogEnd());
  CloseRunLog();
  EXPECT_EQ("eins\r\n", Read(dir / "log#lug_1.txt"));
  EXPECT_EQ("drei\r\nvier\r\nf\xFCnf\r\n", Read(path));
}

TEST_F(RunLog, MissingFolderLosesTheLine) {
  EXPECT_NO_THROW(WriteLog((dir / "none" / "x.txt").string(), "lost"));
  EXPECT_FALSE(fs::exists(dir / "none"));
}

TEST_F(RunLog, LimitIsTestedAfterTheLine) {
  // a line that brings the log to exactly 10 MiB is fine
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(static_cast<size_t>(kLogLimit) - 7, 'x');
  }
  EXPECT_NO_THROW(WriteLog(path, "12345"));  // 5 + CR LF
  EXPECT_EQ(static_cast<uintmax_t>(kLogLimit), fs::file_size(path));
  // one byte more ends the process with exit code 1 and the overflow message
  fs::resize_file(path, static_cast<uintmax_t>(kLogLimit) - 6);
  try {
    WriteLog(path, "12345");
    FAIL() << "no process end";
  } catch (const ProcessExit& e) { EXPECT_EQ(1, e.code); }
  std::string all = Read(path);
  std::string tail = all.substr(all.size() - 41);
  EXPECT_EQ(
      "12345\r\nAbbruch wegen LogFile-\xDC"
      "berlaufs !!",
      tail);
}

TEST_F(RunLog, RotationWithoutGenerations) {
  WriteLog(path, "current");
  RotateLog(path);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ("current\r\n", Read(dir / "log#lug_1.txt"));
  EXPECT_FALSE(fs::exists(dir / "log#lug_2.txt"));
}

TEST_F(RunLog, RotationKeepsNineGenerations) {
  for (int n = 1; n <= 9; ++n) std::ofstream(dir / ("log#lug_" + std::to_string(n) + ".txt")) << n;
  std::ofstream(path) << "current";
  RotateLog(path);
  EXPECT_EQ("current", Read(dir / "log#lug_1.txt"));
  for (int n = 2; n <= 9; ++n) EXPECT_EQ(std::to_string(n - 1), Read(dir / ("log#lug_" + std::to_string(n) + ".txt")));
  EXPECT_FALSE(fs::exists(dir / "log#lug_10.txt"));
  EXPECT_FALSE(fs::exists(path));
}

// Several runs may write one log: the line that takes it past the limit stays
// at the end of the full log, which becomes generation 1; the next lines go
// to a new log that says where the earlier ones are.
TEST_F(RunLog, FullRunLogIsPutAside) {
  RunContext ctx;
  RunAttachment attached(ctx);
  const std::string earlier = LogPastTheLimit(ctx);
  EXPECT_EQ(earlier + "12345\r\n", Read(dir / "log#lug_1.txt"));
  EXPECT_EQ(
      "Protokoll \xFC"
      "ber 10 MiB, die Zeilen davor stehen in " +
          (dir / "log#lug").string() + "_1.txt\r\nweiter\r\n",
      Read(path));
  EXPECT_FALSE(ctx.LogOverflowed);
}

// A run that writes more than the log and its nine generations hold would
// push its own first lines out: it ends, and writes nothing after the
// overflow message. Before it holds its circle it ends with exit code 0.
TEST_F(RunLog, RunThatWritesMoreThanTheGenerationsHoldEnds) {
  RunContext ctx;
  RunAttachment attached(ctx);
  ctx.LogPath = path;
  const std::string block(1 << 20, 'y');
  int lines = 0;
  try {
    for (; lines < 200; ++lines) Log("%s", block);
    FAIL() << "no process end";
  } catch (const ProcessExit& e) { EXPECT_EQ(0, e.code); }
  EXPECT_EQ(kRunLogLimit / ((1 << 20) + 2), lines);
  EXPECT_TRUE(ctx.LogOverflowed);
  EXPECT_EQ(Cp1252("Abbruch wegen LogFile-Überlaufs !!"), LastRunLogMessages().second);
  Log("danach");
  CloseRunLog();
  std::string last = Read(path);
  EXPECT_EQ(Cp1252("Abbruch wegen LogFile-Überlaufs !!"), last.substr(last.size() - 34));
  // the run's first line is still kept, in the oldest generation
  int oldest = 9;
  while (oldest > 0 && !fs::exists(dir / ("log#lug_" + std::to_string(oldest) + ".txt"))) --oldest;
  EXPECT_GE(oldest, 8);
  EXPECT_EQ(0u, Read(dir / ("log#lug_" + std::to_string(oldest) + ".txt")).find("yyyy"));
}

// A full log that cannot be renamed (here: every generation's name is taken
// by a folder) stays where it is: the run writes on at its end, tries once
// and keeps the generations as they were.
TEST_F(RunLog, FullRunLogThatCannotBePutAsideTakesTheLines) {
  for (int n = 1; n <= 9; ++n) { fs::create_directories(dir / ("log#lug_" + std::to_string(n) + ".txt") / "x"); }
  RunContext ctx;
  RunAttachment attached(ctx);
  const std::string earlier = LogPastTheLimit(ctx);
  EXPECT_TRUE(ctx.LogKeptFull);
  EXPECT_EQ(earlier + "12345\r\nweiter\r\n", Read(path));
  for (int n = 1; n <= 9; ++n) EXPECT_TRUE(fs::is_directory(dir / ("log#lug_" + std::to_string(n) + ".txt") / "x"));
}
