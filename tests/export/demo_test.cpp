#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>

#include <filesystem>

#include "run/config.h"
#include "run/driver.h"
#include "run/platform.h"
#include "testdb.h"

namespace fs = std::filesystem;

// The demo company of db/demo.sql, settled and handed over to DATEV as the
// demo does it: every employee gets records, days-only records stay out of
// the file.
TEST(DemoCompany, FinalSettlementWritesTheDatevFile) {
  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tdemo" + std::to_string(getpid());
  admin.CreateSchema(schema);
  admin.Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/demo.sql"));
  admin.Exec("SET NAMES latin1");
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
// as the demo does it: each ends normally and leaves its file in the transfer
// directory of the schema.
TEST(DemoCompany, OtherPayrollSystems) {
  TestDb admin;
  ASSERT_TRUE(admin.Connected()) << admin.Error();
  std::string schema = "tdemo" + std::to_string(getpid());
  admin.CreateSchema(schema);
  admin.Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/demo.sql"));
  admin.Exec("SET NAMES latin1");
  fs::path tree = MakeInstallTree(schema);
  std::string upper = schema;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  fs::path dir = tree / "Transfer/Lohn und Gehalt/Export" / upper;

  const struct {
    const char* Circle;
    const char* File;
    const char* Table;
  } circles[] = {{"PR", "ProAL.txt", "Qvx333Pro"},
                 {"SB", "BEWA-042.DAT", "Qvx333Sbs"},
                 {"B1", "BMNLUG.txt", "Qvx333Bmn"},
                 {"G1", "PVZERZDP.DAT", "Qvx333God"}};
  for (const auto& c : circles) {
    std::fflush(stdout);
    int saved = dup(1);
    int out = open((tree / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    close(out);
    fs::path cwd = fs::current_path();
    fs::current_path(tree / "bin");
    int code = RunMain({"lugtransfer", "localhost", schema, c.Circle, "11", "0"});
    fs::current_path(cwd);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);

    EXPECT_EQ(1, code) << c.Circle;
    EXPECT_EQ("98\n", admin.QueryText(std::string("SELECT AkrAdt FROM O1001AbrKreis WHERE AkrNum = '") + c.Circle +
                                      "'"))
        << c.Circle;
    std::string rows = admin.QueryText(std::string("SELECT COUNT(*) FROM ") + c.Table);
    ASSERT_TRUE(fs::exists(dir / c.File)) << c.Circle;
    std::string file = ReadFileBytes((dir / c.File).string());
    long lines = 0;
    for (char ch : file) lines += ch == '\n';
    EXPECT_LT(0, std::stol(rows)) << c.Circle;
    // one line per staging row (GOD: two header lines besides)
    EXPECT_EQ(std::stol(rows) + (std::string(c.Circle) == "G1" ? 2 : 0), lines) << c.Circle;
  }
  admin.DropSchema(schema);
  fs::remove_all(tree);
}
