// The start-up check of the server: what a customer's server lacks stops the
// run before it writes anything, with a line that says what it is.
#include <string>

#include "program_fixture.h"
#include "run/db_key.h"
#include "run/server_check.h"

namespace {

class ServerSettings : public ProgramDbTest {
 protected:
  void SetUp() override { OpenSchema("srv"); }
  void TearDown() override {
    SetKeyCollation("");
    ProgramDbTest::TearDown();
  }
  // The findings as "kind: text" lines.
  std::string Findings() {
    std::string s;
    for (const ServerFinding& f : CheckServer()) s += f.Kind + ": " + f.Text + "\n";
    return s;
  }
  int CaseSetting() { return std::stoi(admin.Query("SELECT @@lower_case_table_names")[0][0]); }
};

TEST_F(ServerSettings, AFreshSchemaSuitsTheRun) {
  EXPECT_EQ("", Findings());
  EXPECT_EQ("HEX(WEIGHT_STRING(RTRIM(Zk1Lna)))", SqlKeyColumn("Zk1Lna"));
}

TEST_F(ServerSettings, ATableUnderAnotherSpellingStopsTheRunBeforeItWrites) {
  if (CaseSetting() != 0) GTEST_SKIP() << "the server finds tables whatever their spelling";
  admin.Exec("RENAME TABLE " + schema + ".Qvx171Lu1 TO " + schema + ".qvx171lu1");
  EXPECT_EQ(
      "Schreibweise: Tabelle Qvx171Lu1 fehlt, vorhanden ist qvx171lu1: auf diesem Server zählt die "
      "Schreibweise (lower_case_table_names = 0)\n",
      Findings());

  // a whole run: nothing written, the circle's status as it was
  admin.Exec("INSERT INTO " + schema +
             ".O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAzr, AkrRrm, AkrAdt) VALUES ('01', 'DV', 0, 0, 0, 98)");
  std::string tree = MakeInstallTree("srv-" + schema);
  int exit = RunWithConsole({"lugtransfer", ProgramSocket(), schema, "01", "2", "0"}, U8Path(tree + "/bin"),
                            U8Path(tree + "/console.txt"));
  EXPECT_EQ(0, exit);
  std::string log = ReadFileBytes(tree + "/Quantivel_php/log/log#lug.txt");
  EXPECT_NE(std::string::npos, log.find("Tabelle Qvx171Lu1 fehlt, vorhanden ist qvx171lu1")) << log;
  EXPECT_NE(std::string::npos, log.find("nicht gestartet, nichts ge")) << log;
  EXPECT_EQ("98\n", RowsText(admin, "SELECT AkrAdt FROM " + schema + ".O1001AbrKreis"));
  std::filesystem::remove_all(U8Path(tree));
}

TEST_F(ServerSettings, Latin1BesideUtf8KeysAreBuiltInTheUtf8Collation) {
  admin.Exec("ALTER TABLE " + schema + ".Qvx331Zkb CONVERT TO CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci");
  admin.Exec("ALTER TABLE " + schema + ".Qvx310Bsv CONVERT TO CHARACTER SET latin1 COLLATE latin1_swedish_ci");
  EXPECT_EQ("", Findings());
  EXPECT_EQ("HEX(WEIGHT_STRING(CONVERT(RTRIM(ZkbPnr) USING utf8mb4) COLLATE utf8mb4_general_ci))",
            SqlKeyColumn("ZkbPnr"));
  // the keys of the two tables meet where the server's "=" does
  admin.Exec("INSERT INTO " + schema + ".Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo) VALUES ('1001', '01', '2020-01-01')");
  admin.Exec("INSERT INTO " + schema +
             ".Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbZkt, ZkbStd) VALUES "
             "('1001 ', 3, '2026-01-31', 'AZ', 60)");
  EXPECT_EQ("1\n", Rows("SELECT COUNT(*) FROM " + schema + ".Qvx310Bsv b, " + schema + ".Qvx331Zkb z WHERE " +
                        SqlKeyColumn("b.BsvPnr") + " = " + SqlKeyColumn("z.ZkbPnr")));
}

TEST_F(ServerSettings, KeyColumnsOfTwoUtf8CollationsAreAFinding) {
  admin.Exec("ALTER TABLE " + schema + ".Qvx331Zkb CONVERT TO CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci");
  admin.Exec("ALTER TABLE " + schema + ".Qvx310Bsv CONVERT TO CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci");
  std::string found = Findings();
  EXPECT_NE(std::string::npos, found.find("Sortierfolge: Textspalten der Tabellen mit verschiedenen Sortierfolgen ("))
      << found;
  EXPECT_NE(std::string::npos, found.find("utf8mb4_general_ci")) << found;
  EXPECT_NE(std::string::npos, found.find("utf8mb4_unicode_ci")) << found;
}

TEST_F(ServerSettings, MissingPrivilegesAreNamed) {
  admin.Exec("DROP USER IF EXISTS 'lugread'@'localhost'");
  admin.Exec("CREATE USER 'lugread'@'localhost' IDENTIFIED BY 'lugread'");
  admin.Exec("GRANT SELECT, UPDATE ON " + schema + ".* TO 'lugread'@'localhost'");
  admin.Exec("GRANT SELECT ON Darvonix.* TO 'lugread'@'localhost'");
  dbDisconnect();
  ASSERT_EQ(0, dbConnect("lugread", "lugread", ProgramSocket(), schema));
  std::string found = Findings();
  dbDisconnect();
  admin.Exec("DROP USER 'lugread'@'localhost'");
  EXPECT_NE(std::string::npos, found.find("Rechte: Dem Benutzer fehlen im Schema die Rechte INSERT, DELETE")) << found;
}

// Administrators grant on a pattern of schemas (`zeit%`.*, `zeit\_prod`.*):
// the grant covers the schema, nothing is missing.
TEST_F(ServerSettings, PrivilegesGrantedOnAPatternOfSchemas) {
  admin.Exec("DROP USER IF EXISTS 'lugpat'@'localhost'");
  admin.Exec("CREATE USER 'lugpat'@'localhost' IDENTIFIED BY 'lugpat'");
  admin.Exec("GRANT SELECT, INSERT, UPDATE, DELETE ON `" + schema.substr(0, 3) + "%`.* TO 'lugpat'@'localhost'");
  dbDisconnect();
  ASSERT_EQ(0, dbConnect("lugpat", "lugpat", ProgramSocket(), schema));
  std::string found = Findings();
  dbDisconnect();
  admin.Exec("DROP USER 'lugpat'@'localhost'");
  EXPECT_EQ(std::string::npos, found.find("Rechte")) << found;
}

}  // namespace
