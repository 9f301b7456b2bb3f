#include "testdb.h"

#include <mysql.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "run/config.h"
#include "driver.h"

std::string TestSocket() {
  const char* env = std::getenv("LUG_DB_SOCKET");
  return env && *env ? env : LUG_TEST_SOCKET;
}

unsigned TestPort() {
  const char* env = std::getenv("LUG_DB_PORT");
  return env && *env ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 0;
}

std::string TestHost() {
  const char* env = std::getenv("LUG_DB_HOST");
  return env && *env ? env : "127.0.0.1";
}

std::filesystem::path U8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string U8Text(const std::filesystem::path& path) {
  std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

int RunWithConsole(const std::vector<std::string>& args, const std::filesystem::path& bin,
                   const std::filesystem::path& console, RunContext* ctx) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::filesystem::path errors = console;
  errors += ".err";
  int saved = dup(1), savedErr = dup(2);
#ifdef _WIN32
  int fd = _wopen(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int errFd = _wopen(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
#else
  int fd = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int errFd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
#endif
  dup2(fd, 1);
  close(fd);
  dup2(errFd, 2);
  close(errFd);
  std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(bin);
  RunContext own;
  int code = RunMain(args, ctx ? *ctx : own);
  std::filesystem::current_path(cwd);
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(saved, 1);
  close(saved);
  dup2(savedErr, 2);
  close(savedErr);
  return code;
}

std::string ProgramSocket() {
  if (TestPort() != 0) return TestHost() + ":" + std::to_string(TestPort());
  std::string real = TestSocket();
  if (real.size() <= 40) return real;
  std::string link = "/tmp/lug-" + std::to_string(std::hash<std::string>{}(real) % 100000000) + ".sock";
  std::error_code ec;
  if (std::filesystem::read_symlink(link, ec) != real) {
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(real, link, ec);
  }
  return link;
}

TestDb::TestDb() {
  conn_ = mysql_init(nullptr);
  mysql_options(conn_, MYSQL_SET_CHARSET_NAME, "latin1");
  bool tcp = TestPort() != 0;
  if (!mysql_real_connect(conn_, tcp ? TestHost().c_str() : "localhost", "root", "", nullptr, TestPort(),
                          tcp ? nullptr : TestSocket().c_str(), CLIENT_MULTI_STATEMENTS)) {
    error_ = mysql_error(conn_);
    mysql_close(conn_);
    conn_ = nullptr;
  }
}

TestDb::~TestDb() {
  if (conn_) mysql_close(conn_);
}

void TestDb::Exec(const std::string& sql) {
  if (!conn_) throw std::runtime_error("no test database: " + error_);
  if (mysql_real_query(conn_, sql.data(), sql.size()) != 0)
    throw std::runtime_error(std::string(mysql_error(conn_)) + " in: " + sql.substr(0, 300));
  for (;;) {
    MYSQL_RES* res = mysql_store_result(conn_);
    if (res) mysql_free_result(res);
    int more = mysql_next_result(conn_);
    if (more > 0) throw std::runtime_error(std::string(mysql_error(conn_)) + " in: " + sql.substr(0, 300));
    if (more < 0) break;
  }
}

std::vector<std::vector<std::string>> TestDb::Query(const std::string& sql) {
  if (!conn_) throw std::runtime_error("no test database: " + error_);
  if (mysql_real_query(conn_, sql.data(), sql.size()) != 0)
    throw std::runtime_error(std::string(mysql_error(conn_)) + " in: " + sql);
  std::vector<std::vector<std::string>> rows;
  MYSQL_RES* res = mysql_store_result(conn_);
  if (!res) return rows;
  unsigned n = mysql_num_fields(res);
  while (MYSQL_ROW row = mysql_fetch_row(res)) {
    unsigned long* len = mysql_fetch_lengths(res);
    std::vector<std::string> r;
    for (unsigned i = 0; i < n; ++i) r.push_back(row[i] ? std::string(row[i], len[i]) : std::string("\\N"));
    rows.push_back(std::move(r));
  }
  mysql_free_result(res);
  while (mysql_next_result(conn_) == 0) {
    if (MYSQL_RES* extra = mysql_store_result(conn_)) mysql_free_result(extra);
  }
  return rows;
}

std::string TestDb::QueryText(const std::string& sql) {
  std::string out;
  for (const auto& row : Query(sql)) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) out += '\t';
      out += row[i];
    }
    out += '\n';
  }
  return out;
}

void TestDb::CreateSchema(const std::string& schema) {
  // Darvonix is shared by all tests of the server; it is loaded once.
  Exec("SELECT GET_LOCK('lug_darvonix', 120)");
  try {
    auto have = Query(
        "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'darvonix' "
        "AND table_name = 'qvx133bak'");
    if (have.empty() || have[0][0] == "0") {
      Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/darvonix.sql"));
      Exec("CALL Darvonix.FillCalendar(2015, 2035)");
    }
  } catch (...) {
    Exec("SELECT RELEASE_LOCK('lug_darvonix')");
    throw;
  }
  Exec("SELECT RELEASE_LOCK('lug_darvonix')");
  DropSchema(schema);
  Exec("CREATE DATABASE `" + schema + "` CHARACTER SET latin1");
  Use(schema);
  Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/schema.sql"));
}

void TestDb::DropSchema(const std::string& schema) {
  Exec("DROP DATABASE IF EXISTS `" + schema + "`");
  Exec("DELETE FROM Darvonix.Qvx112Mnd WHERE UPPER(MndSch) = UPPER('" + schema + "')");
}

void TestDb::Use(const std::string& schema) { Exec("USE `" + schema + "`"); }

unsigned long TestDb::ThreadId() { return conn_ ? mysql_thread_id(conn_) : 0; }

std::string RowsText(TestDb& db, const std::string& sql) {
  std::string out;
  for (const auto& row : db.Query(sql)) {
    for (size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + row[i];
    out += "\n";
  }
  return out;
}

std::string SortedRowsText(TestDb& db, const std::string& sql) {
  std::multiset<std::string> rows;
  for (const auto& row : db.Query(sql)) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + row[i];
    rows.insert(line);
  }
  std::string out;
  for (const auto& r : rows) out += r + "\n";
  return out;
}

std::string MakeInstallTree(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path tree = fs::temp_directory_path() / ("lug-" + name);
  fs::remove_all(tree);
  for (const char* d : {"bin", "Files", "Quantivel_php/log", "Transfer"}) fs::create_directories(tree / d);
  std::string ini, rec;
  FormatIniRecord("DB", 1, "LOGIN", "lug", rec);
  ini += rec;
  FormatIniRecord("DB", 2, "PASS", "lug", rec);
  ini += rec;
  FormatIniRecord("DB", 3, "NET8", ProgramSocket(), rec);
  ini += rec;
  WriteFileBytes((tree / "Files/quantivel.ini").string(), ini);
  return tree.string();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(U8Path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(U8Path(path), std::ios::binary);
  out << bytes;
}

std::vector<std::string> SnapshotTables(TestDb& db, const std::string& schema, const std::string& snap) {
  std::vector<std::string> tables;
  for (const auto& r :
       db.Query("SELECT table_name FROM information_schema.tables WHERE table_schema = '" + schema + "'"))
    tables.push_back(r[0]);
  db.Exec("DROP DATABASE IF EXISTS " + snap + "; CREATE DATABASE " + snap);
  std::string copy;
  for (const auto& t : tables) copy += "CREATE TABLE " + snap + "." + t + " AS SELECT * FROM " + schema + "." + t + ";";
  db.Exec(copy);
  return tables;
}

void RestoreTables(TestDb& db, const std::string& schema, const std::string& snap,
                   const std::vector<std::string>& tables) {
  std::string sql;
  for (const auto& t : tables)
    sql += "DELETE FROM " + schema + "." + t + "; INSERT INTO " + schema + "." + t + " SELECT * FROM " + snap + "." +
           t + ";";
  db.Exec(sql);
}

void LoadDemoCompany(TestDb& db, const std::string& schema) {
  db.CreateSchema(schema);
  db.Exec(ReadFileBytes(std::string(LUG_SOURCE_DIR) + "/db/demo.sql"));
  db.Exec("SET NAMES latin1");
}
