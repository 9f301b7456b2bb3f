#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>

#include <filesystem>

#include "run/config.h"
#include "driver.h"
#include "run/platform.h"
#include "export/demo_circles.h"
#include "testdb.h"

namespace fs = std::filesystem;

// The demo company of db/demo.sql, settled and handed over to DATEV as the
// demo does it: every employee gets records, days-only records stay out of
// the file.
TEST(DemoCompany, FinalSettlementWritesTheDatevFile) {
  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tdemo" + std::to_string(getpid());
  LoadDemoCompany(admin, schema);
  fs::path tree = MakeInstallTree(schema);

  // the console lines go to a file
  int code = RunWithConsole({"lugtransfer", "localhost", schema, "D1", "11", "0"}, tree / "bin", tree / "stdout.txt");

  EXPECT_EQ(1, code);
  EXPECT_EQ("98\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis WHERE AkrNum = 'D1'"));
  EXPECT_EQ("M\xFCller, J\xFCrgen\n", admin.QueryText("SELECT PnrNam FROM Qvx300Pnr WHERE PnrNum = '1001'"));
  // every employee has transfer records; 4010 carries days only
  EXPECT_EQ("36\n", admin.QueryText("SELECT COUNT(DISTINCT Zk1Pnr) FROM Qvx331Zk1 WHERE Zk1Abr = 11"));
  EXPECT_EQ("4\t0\n",
            admin.QueryText("SELECT COUNT(*), SUM(Zk1Std) FROM Qvx331Zk1 WHERE Zk1Abr = 11 AND Zk1Lna = '4010'"));
  std::string records = admin.QueryText("SELECT COUNT(*) FROM Qvx331Zk1 WHERE Zk1Abr = 11 AND Zk1Std <> 0");

  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  std::string file = ReadFileBytes((tree / "Transfer/Lohn und Gehalt/Export" / upper / "datev.csv").string());
  EXPECT_EQ("10001;01;11/2026\r\n", file.substr(0, file.find('\n') + 1));
  long lines = 0;
  for (char c : file) lines += c == '\n';
  EXPECT_EQ(std::stol(records) + 1, lines);
  EXPECT_EQ(std::string::npos, file.find(";4010;"));
  EXPECT_NE(std::string::npos, file.find("\r\n21001;;;1000;;;165,00;;;4100;TISCH\r\n"));

  admin.DropSchema(schema);
  fs::remove_all(tree);
}

// The demo circles of the other payroll systems, settled one after the other
// as the demo does it: each ends normally and hands over something, a file in
// the transfer directory of the schema or rows of its staging table. The
// exporters whose files hold one line per staging row are counted through.
TEST(DemoCompany, OtherPayrollSystems) {
  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tdemo" + std::to_string(getpid());
  LoadDemoCompany(admin, schema);
  fs::path tree = MakeInstallTree(schema);
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  fs::path dir = tree / "Transfer/Lohn und Gehalt/Export" / upper;

  for (const auto& c : kDemoCircles) {
    int code =
        RunWithConsole({"lugtransfer", "localhost", schema, c.Circle, c.Abrnr, "0"}, tree / "bin", tree / "stdout.txt");
    EXPECT_EQ(1, code) << c.Circle;
    EXPECT_EQ("98\n",
              admin.QueryText(std::string("SELECT AkrAdt FROM O1001AbrKreis WHERE AkrNum = '") + c.Circle + "'"))
        << c.Circle;
    long rows = std::stol(admin.QueryText(std::string("SELECT COUNT(*) FROM ") + c.Table));
    EXPECT_LT(0, rows) << c.Circle;
    if (!c.File) continue;
    ASSERT_TRUE(fs::exists(dir / c.File)) << c.Circle;
    std::string file = ReadFileBytes((dir / c.File).string());
    long lines = 0;
    for (char ch : file) lines += ch == '\n';
    EXPECT_LT(0, lines) << c.Circle;
    if (c.HeaderLines >= 0) { EXPECT_EQ(rows + c.HeaderLines, lines) << c.Circle; }
  }
  admin.DropSchema(schema);
  fs::remove_all(tree);
}
