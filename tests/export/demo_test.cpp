#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>

#include <filesystem>

#include "run/config.h"
#include "driver.h"
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
// as the demo does it: each ends normally and hands over something, a file in
// the transfer directory of the schema or rows of its staging table. The
// exporters whose files hold one line per staging row are counted through.
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
    const char* Abrnr;
    const char* File;   // nullptr: no file
    const char* Table;  // staging table
    int HeaderLines;    // -1: lines are not counted against the rows
  } circles[] = {
      {"LD1", "11", "LodasSST-0.txt", "Qvx333Ld1", -1}, {"LG1", "11", "Loga2001Lp1.csv", "Qvx333Lp1", 1},
      {"S1", "11", "02041011", "Qvx333Sag", 0},         {"R1", "11", "Raet.txt", "Qvx333Rat", 2},
      {"X1", "11", "LO_IMP.txt", "Qvx333Xxl", 0},       {"E1", "11", nullptr, "Qvx333Ems", -1},
      {"L4", "11", nullptr, "Qvx333B06", -1},           {"AS", "11", nullptr, "Qvx333Asr", -1},
      {"SP", "11", "LOXF-0001.csv", "Qvx333Sli", 1},    {"P1", "21", "PaisyP1.txt", "Qvx333Ps1", -1},
      {"P2", "31", "PaisyP1b.txt", "Qvx333Ps1B", -1},   {"SA", "11", "SAP2010.txt", "Qvx333S10", -1},
      {"T1", "11", "LGD038IM", "Qvx333Tp1", -1},        {"PM", "11", "M0060763.001", "QVX333Perman", -1},
      {"PR", "11", "ProAL.txt", "Qvx333Pro", 0},        {"SB", "11", "BEWA-042.DAT", "Qvx333Sbs", 0},
      {"B1", "11", "BMNLUG.txt", "Qvx333Bmn", 0},       {"G1", "11", "PVZERZDP.DAT", "Qvx333God", 2},
  };
  for (const auto& c : circles) {
    int code = RunWithConsole({"lugtransfer", "localhost", schema, c.Circle, c.Abrnr, "0"}, tree / "bin",
                              tree / "stdout.txt");
    EXPECT_EQ(1, code) << c.Circle;
    EXPECT_EQ("98\n", admin.QueryText(std::string("SELECT AkrAdt FROM O1001AbrKreis WHERE AkrNum = '") + c.Circle +
                                      "'"))
        << c.Circle;
    long rows = std::stol(admin.QueryText(std::string("SELECT COUNT(*) FROM ") + c.Table));
    EXPECT_LT(0, rows) << c.Circle;
    if (!c.File) continue;
    ASSERT_TRUE(fs::exists(dir / c.File)) << c.Circle;
    std::string file = ReadFileBytes((dir / c.File).string());
    long lines = 0;
    for (char ch : file) lines += ch == '\n';
    EXPECT_LT(0, lines) << c.Circle;
    if (c.HeaderLines >= 0) {
      EXPECT_EQ(rows + c.HeaderLines, lines) << c.Circle;
    }
  }
  admin.DropSchema(schema);
  fs::remove_all(tree);
}
