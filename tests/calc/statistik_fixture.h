// Fixture of the statistics, interruption and site-record tests: a fresh
// schema on the private server with one circle ("01", interface "L1"), the
// program's connection to it, a run log in a temporary folder and the run and
// calculation state of a final settlement of March 2026 (accounting number 3).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "calc/calcstate.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/platform.h"
#include "testdb.h"

class CalcTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(admin.Connected()) << admin.Error();
    schema = "tst" + std::to_string(getpid());
    admin.CreateSchema(schema);
    admin.Exec("INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1');"
               "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX')");
    dir = std::filesystem::temp_directory_path() / ("lug-" + schema);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_EQ(0, dbConnect("lug", "lug", ProgramSocket(), schema));
    Ctx = RunContext{};
    Ctx.LogPath = (dir / "log.txt").string();
    Ctx.Akr = "01";
    Ctx.Abrnr = 3;
    Ctx.AbrnrStart = 3;
    Ctx.DbTime = "02.04.2026 07:00:00";
    Ctx.MndSto = "00001";
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugLgp = "XXX";
    Calc = CalcState{};
    Period("2026.03.01", "2026.03.31");
    Employee("P1", "2020.01.01", "");
  }

  void TearDown() override {
    dbDisconnect();
    admin.DropSchema(schema);
    std::filesystem::remove_all(dir);
  }

  void Period(const std::string& von, const std::string& bis) {
    Ctx.AbrVon = von;
    Ctx.AbrBis = bis;
    Calc.MainVon = von;
    Calc.MainBis = bis;
    Calc.Zk1Bdt = von;
  }

  // Current employment row, first row of the employee.
  void Employee(const std::string& pnr, const std::string& gvo, const std::string& gbi,
                const std::string& sfr = "") {
    Calc.Bsv = BsvRow{pnr, "01", gvo, gbi, "", sfr, pnr};
    Calc.FirstRow = true;
    Calc.CalendarDays = 0;
    Calc.Written = false;
  }

  // Fixture rows are inserted on the test connection; the program's
  // transaction is ended so that its next statement sees them.
  void Fixture(const std::string& sql) {
    admin.Exec(sql);
    dbCommit();
  }

  // Rows written by the program, after its commit; columns separated by '|'.
  std::string Rows(const std::string& sql) {
    dbCommit();
    std::string out;
    for (const auto& row : admin.Query(sql)) {
      for (size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + row[i];
      out += "\n";
    }
    return out;
  }

  // The run log as UTF-8 lines ending in '\n'.
  std::string RunLog() {
    std::filesystem::path p = dir / "log.txt";
    if (!std::filesystem::exists(p)) return "";
    std::string text = Utf8(ReadFileBytes(p.string())), out;
    for (char c : text) {
      if (c != '\r') out += c;
    }
    return out;
  }

  TestDb admin;
  std::string schema;
  std::filesystem::path dir;
};
