// The reconciliation report opened in a real browser (headless Chromium from
// Debian's "chromium" package): the page decodes as Windows-1252 and renders
// to a full screenshot. Skipped, with its reason, on Windows and where no
// browser is installed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

#ifndef _WIN32
namespace {

std::string FindChromium() {
  for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
    if (fs::exists(p)) return p;
  }
  return "";
}

// Runs a command and returns its standard output.
std::string Capture(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

uint32_t BigEndian(const std::string& b, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

}  // namespace
#endif

TEST(ReportInBrowser, DemoReportRendersInChromium) {
#ifdef _WIN32
  GTEST_SKIP() << "the browser test runs on Linux only (headless Chromium from Debian)";
#else
  std::string chromium = FindChromium();
  if (chromium.empty())
    GTEST_SKIP() << "no Chromium installed (scripts/test.sh installs Debian's chromium package when run as root)";

  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tbrowse" + std::to_string(getpid());
  admin.CreateSchema(schema);
  admin.Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/demo.sql"));
  fs::path tree = MakeInstallTree(schema);
  ASSERT_EQ(1, RunWithConsole({"lugtransfer", "localhost", schema, "D1", "11", "0"}, tree / "bin",
                              tree / "stdout.txt"));
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  fs::path page = fs::absolute(tree / "Quantivel_php/log" / ("lug_" + upper + "_D1_11.html"));
  ASSERT_TRUE(fs::exists(page));

  fs::path profile = tree / "chromium-profile";
  fs::path shot = tree / "report.png";
  std::string base = "timeout 120 " + chromium +
                     " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
                     " --disable-component-update --disable-sync --user-data-dir=" + profile.string();
  // the browser decodes the page as Windows-1252: the umlauts arrive as UTF-8
  std::string dom = Capture(base + " --dump-dom 'file://" + page.string() + "' 2>/dev/null");
  EXPECT_NE(std::string::npos, dom.find("Lohn- und Gehalts\xC3\xBC" "bergabe")) << dom.substr(0, 400);
  EXPECT_NE(std::string::npos, dom.find("\xC3\x9C" "bergeben je Lohnart"));

  fs::remove_all(profile);
  Capture(base + " --window-size=1000,1400 --screenshot=" + shot.string() + " 'file://" + page.string() +
          "' >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(shot));
  std::string png = ReadFileBytes(shot.string());
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(std::string("\x89PNG", 4), png.substr(0, 4));
  EXPECT_EQ(1000u, BigEndian(png, 16));  // width of the IHDR chunk
  EXPECT_EQ(1400u, BigEndian(png, 20));  // height
  // a blank page compresses to a few kilobytes; tables and text do not
  EXPECT_LT(20000u, png.size());
  if (const char* keep = std::getenv("LUG_KEEP_SCREENSHOT")) fs::copy_file(shot, keep, fs::copy_options::overwrite_existing);

  admin.DropSchema(schema);
  fs::remove_all(tree);
#endif
}
