// A server that requires TLS: the program connects through the client
// options of the installation (Files/lugtransfer.cnf beside the
// configuration file). Runs against the second private server, which takes
// TLS on a TCP port (LUG_TLS_PORT, its authority in LUG_TLS_CA).
#include <cstdlib>
#include <fstream>
#include <string>

#include "program_fixture.h"

namespace {

class ServerTls : public ProgramDbTest {
 protected:
  void SetUp() override {
    const char* port = std::getenv("LUG_TLS_PORT");
    const char* ca = std::getenv("LUG_TLS_CA");
    if (!port || !*port || !ca || !*ca) GTEST_SKIP() << "no server with TLS (LUG_TLS_PORT, LUG_TLS_CA)";
    server_ = std::string("127.0.0.1:") + port;
    ca_ = ca;
    OpenSchema("tls");
    admin.Exec("DROP USER IF EXISTS 'lugtls'@'localhost', 'lugtls'@'127.0.0.1'");
    for (const char* host : {"localhost", "127.0.0.1"}) {
      std::string user = std::string("'lugtls'@'") + host + "'";
      admin.Exec("CREATE USER " + user + " IDENTIFIED BY 'lugtls' REQUIRE SSL");
      admin.Exec("GRANT ALL PRIVILEGES ON *.* TO " + user);
    }
  }
  void TearDown() override {
    dbSetOptionFile("");
    if (!server_.empty()) admin.Exec("DROP USER IF EXISTS 'lugtls'@'localhost', 'lugtls'@'127.0.0.1'");
    ProgramDbTest::TearDown();
  }
  // An option file whose [lugtransfer] group verifies the server against ca.
  std::string OptionFile(const std::string& ca) {
    std::string path = (dir / "lugtransfer.cnf").string();
    std::ofstream(path) << "[lugtransfer]\nssl-ca=" << ca << "\nssl-verify-server-cert\n";
    return path;
  }
  std::string server_, ca_;
};

TEST_F(ServerTls, TheOptionFileConnectsWithAVerifiedCertificate) {
  dbDisconnect();
  dbSetOptionFile(OptionFile(ca_));
  ASSERT_EQ(0, dbConnect("lugtls", "lugtls", server_, schema)) << dbLastErrorText();
  std::string name, cipher;
  ASSERT_EQ(0, SqlSelectOne("SHOW SESSION STATUS LIKE 'Ssl_cipher'", name, cipher));
  EXPECT_FALSE(cipher.empty());
  // the run reads and writes through it like through any connection
  ASSERT_EQ(0, SqlWrite("INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrAdt) VALUES ('01', 'DV', 98)"));
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("01|98\n", RowsText(admin, "SELECT AkrNum, AkrAdt FROM " + schema + ".O1001AbrKreis"));
}

TEST_F(ServerTls, AServerTheAuthorityDidNotSignIsRefused) {
  const char* other = std::getenv("LUG_TLS_OTHER_CA");
  if (!other || !*other) GTEST_SKIP() << "no second authority (LUG_TLS_OTHER_CA)";
  dbDisconnect();
  dbSetOptionFile(OptionFile(other));
  EXPECT_NE(0, dbConnect("lugtls", "lugtls", server_, schema));
  // without the option file the user that requires TLS is not let in
  dbSetOptionFile((dir / "none.cnf").string());
  EXPECT_NE(0, dbConnect("lugtls", "lugtls", server_, schema));
}

}  // namespace
