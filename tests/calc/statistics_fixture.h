// Fixture of the statistics, interruption and site-record tests: a fresh
// schema on the private server with one circle ("01", interface "L1"), the
// program's connection to it, a run log in a temporary folder and the run and
// calculation state of a final settlement of March 2026 (accounting number 3).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "calc/calc_state.h"
#include "calc/statistics.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/platform.h"
#include "program_fixture.h"

class CalcTest : public ProgramDbTest {
 protected:
  // the settlement's calculation state under test
  CalcState Calc;

  // the answers of the settlement call a test stands for
  StatisticsAnswers Answers;

  void SetUp() override {
    OpenSchema("tst");
    Fixture(
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1');"
        "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX')");
    Ctx = RunContext{};
    Ctx.LogPath = (dir / "log.txt").string();
    Ctx.Akr = "01";
    Ctx.Abrnr = 3;
    Ctx.AbrnrStart = 3;
    Ctx.DbTime = "02.04.2026 07:00:00";
    Ctx.RunKey = Ctx.DbTime;
    Ctx.MndSto = "00001";
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugLgp = "XXX";
    Calc = CalcState{};
    Period("2026.03.01", "2026.03.31");
    Employee("P1", "2020.01.01", "");
  }

  void Period(const std::string& von, const std::string& bis) {
    Ctx.AbrVon = von;
    Ctx.AbrBis = bis;
    Calc.MainVon = von;
    Calc.MainBis = bis;
    Calc.Zk1Bdt = von;
  }

  // Current employment row, first row of the employee.
  void Employee(const std::string& pnr, const std::string& gvo, const std::string& gbi, const std::string& sfr = "") {
    Calc.Bsv = BsvRow{pnr, "01", gvo, gbi, "", sfr, pnr, pnr, "", "", ""};
    Calc.FirstRow = true;
    Calc.CalendarDays = 0;
    Calc.Written = false;
  }
};
