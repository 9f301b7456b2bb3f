// Base of the tests that call the program's functions directly: a fresh
// schema on the private server (db/schema.sql), the program's own connection
// to it and a temporary folder for logs and files.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "run/context.h"
#include "run/db.h"
#include "run/platform.h"
#include "testdb.h"

class ProgramDbTest : public ::testing::Test {
 protected:
  // The schema is named prefix + process id, so parallel test processes do
  // not meet.
  void OpenSchema(const std::string& prefix) {
    ASSERT_TRUE(admin.Connected()) << admin.Error();
    schema = prefix + std::to_string(getpid());
    admin.CreateSchema(schema);
    dir = std::filesystem::temp_directory_path() / ("lug-" + schema);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_EQ(0, dbConnect("lug", "lug", ProgramSocket(), schema));
  }
  void TearDown() override {
    dbDisconnect();
    if (!schema.empty()) admin.DropSchema(schema);
    std::filesystem::remove_all(dir);
  }
  // Fixture rows go in on the test connection; the program's transaction is
  // ended so that its next statement sees them.
  void Fixture(const std::string& sql) {
    admin.Exec(sql);
    EXPECT_EQ(1, dbCommit());
  }
  // Rows as the program left them after a commit; columns separated by '|'.
  std::string Rows(const std::string& sql) {
    EXPECT_EQ(1, dbCommit());
    return RowsText(admin, sql);
  }

  // The run log dir/log.txt (tests point the run's LogPath there) as
  // UTF-8 lines ending in '\n'.
  std::string RunLog() {
    std::filesystem::path p = dir / "log.txt";
    if (!std::filesystem::exists(p)) return "";
    std::string text = Utf8(ReadFileBytes(p.string())), out;
    for (char c : text) {
      if (c != '\r') out += c;
    }
    return out;
  }

  // The test's run, attached for as long as the test goes on: what the
  // driver makes for a run of the program.
  RunContext Ctx;
  RunAttachment attachedRun{Ctx};

  TestDb admin;
  std::string schema;
  std::filesystem::path dir;
};
