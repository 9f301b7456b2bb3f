// Fixture of the exporter tests: a fresh schema on the private server, the
// program's connection to it, an installation tree as working directory (the
// program's paths are relative to its bin folder) and the run fields an
// exporter reads.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/platform.h"
#include "program_fixture.h"

class ExportTest : public ProgramDbTest {
 protected:
  void SetUp() override {
    OpenSchema("tex");
    tree = dir;
    for (const char* d : {"bin", "Quantivel_php/log", "Transfer/Lohn und Gehalt/Export/S"})
      std::filesystem::create_directories(tree / d);
    cwd = std::filesystem::current_path();
    std::filesystem::current_path(tree / "bin");
    Ctx = RunContext{};
    Ctx.CircleHeld = true;
    Ctx.LogPath = "..\\Quantivel_php\\log\\log#lug.txt";
    Ctx.Schema = "S";
    Ctx.Akr = "01";
    Ctx.Abrnr = 5;
    Ctx.AbrnrStart = 5;
    Ctx.TransferDir = "..\\Transfer\\Lohn und Gehalt\\Export\\S";
  }

  void TearDown() override {
    std::filesystem::current_path(cwd);
    ProgramDbTest::TearDown();
  }

  // Text of a file below the tree; empty when it does not exist.
  std::string Read(const std::string& rel) {
    std::filesystem::path p = tree / rel;
    return std::filesystem::exists(p) ? ReadFileBytes(p.string()) : std::string();
  }
  std::string RunLog() { return Read("Quantivel_php/log/log#lug.txt"); }
  std::string TransferFile(const std::string& name) { return Read("Transfer/Lohn und Gehalt/Export/S/" + name); }

  // Compares bytes with tests/golden/<name>; LUG_UPDATE_GOLDEN=1 writes the
  // golden file from the actual bytes first.
  void ExpectGolden(const std::string& name, const std::string& actual) {
    std::string golden = std::string(LUG_SOURCE_DIR) + "/tests/golden/" + name;
    if (const char* upd = std::getenv("LUG_UPDATE_GOLDEN"); upd && *upd == '1') WriteFileBytes(golden, actual);
    ASSERT_TRUE(std::filesystem::exists(golden)) << golden;
    EXPECT_EQ(ReadFileBytes(golden), actual) << name;
  }

  // Runs fn and returns the exit code it ended the process with, -1 when it
  // returned normally.
  template <class F>
  int ExitCodeOf(F fn) {
    try {
      fn();
    } catch (const ProcessExit& e) { return e.code; } catch (const SqlFatalError& e) {
      // as the run ends on it
      return ServerFailure(e.Error, e.Text, e.Purpose);
    }
    return -1;
  }

  std::filesystem::path tree, cwd;
};
