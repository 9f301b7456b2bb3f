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

#include <sstream>
#include <vector>

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
  ASSERT_EQ(1,
            RunWithConsole({"lugtransfer", "localhost", schema, "D1", "11", "0"}, tree / "bin", tree / "stdout.txt"));
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  fs::path page = fs::absolute(tree / "Quantivel_php/log" / ("lug_" + upper + "_D1_11.html"));
  ASSERT_TRUE(fs::exists(page));

  fs::path profile = tree / "chromium-profile";
  fs::path shot = tree / "report.png";
  std::string base = "timeout 120 " + chromium +
                     " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
                     " --disable-component-update --disable-sync --user-data-dir=" +
                     profile.string();
  // the browser decodes the page as Windows-1252: the umlauts arrive as UTF-8
  std::string dom = Capture(base + " --dump-dom 'file://" + page.string() + "' 2>/dev/null");
  EXPECT_NE(std::string::npos, dom.find("Lohn- und Gehalts\xC3\xBC"
                                        "bergabe"))
      << dom.substr(0, 400);
  EXPECT_NE(std::string::npos, dom.find("Je Lohnart, wie geschrieben"));
  EXPECT_NE(std::string::npos, dom.find("Abgerechnet je Mitarbeiter"));

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
  if (const char* keep = std::getenv("LUG_KEEP_SCREENSHOT"))
    fs::copy_file(shot, keep, fs::copy_options::overwrite_existing);

  admin.DropSchema(schema);
  fs::remove_all(tree);
#endif
}

// Printed, a report of a few hundred employees runs over several pages; every
// page that holds rows of the employee table repeats its head, so that the
// clerk who compares page by page with the import journal knows the columns.
TEST(ReportInBrowser, PrintedReportRepeatsTableHeadsOnEveryPage) {
#ifdef _WIN32
  GTEST_SKIP() << "the browser test runs on Linux only (headless Chromium from Debian)";
#else
  std::string chromium = FindChromium();
  if (chromium.empty() || !fs::exists("/usr/bin/pdftotext"))
    GTEST_SKIP() << "no Chromium or pdftotext installed (scripts/test.sh installs Debian's chromium and poppler-utils "
                    "when run as root)";

  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tprint" + std::to_string(getpid());
  admin.CreateSchema(schema);
  admin.Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/demo.sql"));
  // forty copies of every employee of the circle, under numbers of their own
  admin.Exec(
      "CREATE TABLE PrintMap AS SELECT b.BsvPnr AS Src, CONCAT(b.BsvPnr, LPAD(d.N * 10 + e.N, 2, '0')) AS Dst"
      " FROM (SELECT DISTINCT BsvPnr FROM Qvx310Bsv WHERE BsvAkr = 'D1') b"
      " CROSS JOIN (SELECT 0 AS N UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3) d"
      " CROSS JOIN (SELECT 0 AS N UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4"
      " UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) e");
  const std::pair<const char*, const char*> tables[] = {{"Qvx300Pnr", "PnrNum"}, {"Qvx310Bsv", "BsvPnr"},
                                                        {"QVX311ZUO", "ZuoPnr"}, {"Qvx331Zkb", "ZkbPnr"},
                                                        {"Qvx320Tgb", "TgbPnr"}, {"Qvx327Tag", "TagPnr"},
                                                        {"QVX332UTG", "UtgPnr"}};
  for (const auto& [table, column] : tables) {
    std::string t = table, c = column;
    admin.Exec("CREATE TABLE PrintCopy AS SELECT t.*, m.Dst AS PrintDst FROM " + t +
               " t JOIN PrintMap m ON m.Src = t." + c);
    admin.Exec("UPDATE PrintCopy SET " + c + " = PrintDst");
    admin.Exec("ALTER TABLE PrintCopy DROP COLUMN PrintDst");
    admin.Exec("INSERT INTO " + t + " SELECT * FROM PrintCopy");
    admin.Exec("DROP TABLE PrintCopy");
  }
  fs::path tree = MakeInstallTree(schema);
  ASSERT_EQ(1,
            RunWithConsole({"lugtransfer", "localhost", schema, "D1", "11", "0"}, tree / "bin", tree / "stdout.txt"));
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  fs::path page = fs::absolute(tree / "Quantivel_php/log" / ("lug_" + upper + "_D1_11.html"));
  ASSERT_TRUE(fs::exists(page));

  fs::path pdf = fs::absolute(tree / "report.pdf");
  Capture("timeout 120 " + chromium +
          " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
          " --disable-component-update --disable-sync --no-pdf-header-footer --user-data-dir=" +
          (tree / "chromium-profile").string() + " --print-to-pdf=" + pdf.string() + " 'file://" + page.string() +
          "' >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(pdf));
  std::string text = Capture("pdftotext -layout " + pdf.string() + " - 2>/dev/null");
  std::vector<std::string> pages;
  std::stringstream in(text);
  for (std::string p; std::getline(in, p, '\f');) pages.push_back(p);
  ASSERT_GE(pages.size(), 3u) << "the report should need several pages";

  // pages with rows of the employee table: a copied personnel number (the
  // original number followed by two digits) stands at the start of a line
  auto copies = admin.Query("SELECT Dst FROM PrintMap ORDER BY Dst");
  ASSERT_FALSE(copies.empty());
  int tablePages = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    bool rows = false;
    for (const auto& r : copies) rows = rows || pages[i].find("\n" + r[0] + " ") != std::string::npos;
    if (!rows) continue;
    ++tablePages;
    EXPECT_NE(std::string::npos, pages[i].find("Pnr LuG")) << "page " << i + 1 << " without the table head:\n"
                                                           << pages[i].substr(0, 600);
  }
  EXPECT_GE(tablePages, 2) << "the employee table should run over several pages";

  admin.DropSchema(schema);
  fs::remove_all(tree);
#endif
}
