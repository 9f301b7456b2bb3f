// Access to the private test server for fixtures and checks, on a connection
// of its own (the program under test keeps its own connection).
#pragma once

#include <string>
#include <vector>

struct st_mysql;

#include <filesystem>

#include "run/context.h"

// Socket of the private server: LUG_DB_SOCKET, else the build's default.
std::string TestSocket();
// The server as the program is given it (its NET8): "host:port" when the
// server is reached over TCP (LUG_DB_PORT set, always so on Windows), else the
// socket; a connection text holds at most 40 characters, so a longer socket
// path is reached through a short link in /tmp.
std::string ProgramSocket();
// TCP port of the private server from LUG_DB_PORT, 0 when it is reached
// through its socket. Host: LUG_DB_HOST, default 127.0.0.1.
unsigned TestPort();
std::string TestHost();

// A path from UTF-8 text (umlauts in folder names) and back, right on every
// platform (Windows would read narrow texts in its ANSI code page).
std::filesystem::path U8Path(const std::string& utf8);
std::string U8Text(const std::filesystem::path& path);

// Runs the program in the working directory `bin` with its console lines
// written to the file `console` and its standard error to the file of that
// name with ".err" appended; returns the exit code.
// ctx: where the run's context is kept for the test to look at (none: the
// run's own).
int RunWithConsole(const std::vector<std::string>& args, const std::filesystem::path& bin,
                   const std::filesystem::path& console, RunContext* ctx = nullptr);

class TestDb {
 public:
  TestDb();
  ~TestDb();
  TestDb(const TestDb&) = delete;
  TestDb& operator=(const TestDb&) = delete;

  bool Connected() const { return conn_ != nullptr; }
  const std::string& Error() const { return error_; }

  // Runs one or more statements separated by ';' (a whole SQL file). Throws
  // std::runtime_error with the server's message on failure.
  void Exec(const std::string& sql);
  // Rows of a query; NULL columns as "\N".
  std::vector<std::vector<std::string>> Query(const std::string& sql);
  // Rows of a query as lines of tab-separated columns.
  std::string QueryText(const std::string& sql);

  // Creates the schema fresh from db/schema.sql (and Darvonix once per server).
  void CreateSchema(const std::string& schema);
  void DropSchema(const std::string& schema);
  void Use(const std::string& schema);

  // Thread id of the connection (to kill it from another session).
  unsigned long ThreadId();

 private:
  st_mysql* conn_ = nullptr;
  std::string error_;
};

// Rows of a query as lines of columns separated by '|' (NULL as \N).
std::string RowsText(TestDb& db, const std::string& sql);
// The same with the lines sorted: rows compared without regard to their order.
std::string SortedRowsText(TestDb& db, const std::string& sql);

// Copies every table of schema into the schema snap (made anew) and returns
// the tables' names: the state to start each try of a test from.
std::vector<std::string> SnapshotTables(TestDb& db, const std::string& schema, const std::string& snap);
// Puts the rows of the snapshot back into the tables of schema.
void RestoreTables(TestDb& db, const std::string& schema, const std::string& snap,
                   const std::vector<std::string>& tables);

// The schema fresh from db/schema.sql with the demo company of db/demo.sql in
// it (one circle per payroll system); the connection is left in latin1.
void LoadDemoCompany(TestDb& db, const std::string& schema);

// An installation tree below the temporary folder: bin/ (the working
// directory of a run), Files/quantivel.ini (user lug, the test server as
// NET8), Quantivel_php/log/ and Transfer/. Returns its path.
std::string MakeInstallTree(const std::string& name);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
