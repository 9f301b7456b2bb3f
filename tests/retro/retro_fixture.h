// Fixture of the retro-calculation and difference tests: a fresh schema on the
// private server with circle "01" (interface "L1"), the program's connection
// to it, a run log in a temporary folder, and the run state of a final
// settlement of March 2026 (accounting number 3) whose retro loop has
// recomputed February (2) and January (1).
#pragma once

#include <filesystem>
#include <string>

#include "calc/calc_state.h"
#include "calc/statistics.h"
#include "calc/transfer_records.h"
#include "program_fixture.h"
#include "retro/differences.h"
#include "retro/retro_calculation.h"
#include "run/context.h"
#include "run/platform.h"

class RetroTest : public ProgramDbTest {
 protected:
  // the retro state of the settlement under test
  RetroState Retro;

  // the answers of the settlement call the retro-calculations follow
  TransferAnswers Answers;

  static constexpr const char* kKey = "02.04.2026 07:00:00";

  void SetUp() override {
    OpenSchema("rtr");
    Fixture(
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrRrm) VALUES ('01', 'L1', 2);"
        "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX');"
        "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 1, '2026-01-01', '2026-01-31'),"
        " ('01', 2, '2026-02-01', '2026-02-28'), ('01', 3, '2026-03-01', '2026-03-31')");
    Ctx = RunContext{};
    Ctx.LogPath = (dir / "log.txt").string();
    Ctx.Akr = "01";
    Ctx.Abrnr = 3;
    Ctx.AbrnrStart = 3;
    Ctx.AbrVon = "2026.03.01";
    Ctx.AbrBis = "2026.03.31";
    Ctx.DbTime = kKey;
    Ctx.RunKey = kKey;
    Ctx.MndSto = "00001";
    Ctx.Lug.LugLug = "L1";
    Ctx.Lug.LugLgp = "XXX";
    Ctx.RetroCount = 2;
    Ctx.RetroAbrnr[0] = 2;
    Ctx.RetroAbrnr[1] = 1;
    Retro = RetroState{};
    Retro.RetroVon = "2026.01.01";
    Retro.RetroBis = "2026.01.31";
    Retro.RetroBdt = "2026.01.01";
    Retro.Periods = {{2, "2026.02.01", "2026.02.28"}, {1, "2026.01.01", "2026.01.31"}};
    ResetLoga2Sequence();
  }

  // A transfer record: accounting number, running number, booking date, person,
  // wage type, minutes, tenths, Zk1Rre; period Von..Bis; the rest fixed.
  static std::string Zk1(int abr, int lfn, const std::string& bdt, const std::string& pnr, const std::string& lna,
                         int std, int tge, int rre, const std::string& von, const std::string& bis, int sta = 1,
                         double su1 = 0, const std::string& krt = "K", int rrn = 0) {
    return "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr,"
           " Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn, Zk1Inf, Zk1Su1, Zk1Rrn)"
           " VALUES (" +
           std::to_string(abr) + ", " + std::to_string(lfn) + ", 'S1', '" + bdt + "', '" + pnr + "', 'Z1', '" + lna +
           "', '     ', 'KST', 'KTR', '" + krt + "', " + std::to_string(std) + ", " + std::to_string(tge) + ", 0, '" +
           von + "', '" + bis + "', 5, " + std::to_string(rre) + ", " + std::to_string(sta) + ", 'U" + pnr + "', 0, " +
           std::to_string(su1) + ", " + std::to_string(rrn) + ");";
  }

  // A retro record of the run (or of another key).
  static std::string Zk3(int abr, const std::string& bdt, const std::string& pnr, const std::string& lna, int std,
                         int tge, const std::string& von, const std::string& bis, const std::string& key = kKey,
                         const std::string& krt = "K") {
    return "INSERT INTO Qvx331Zk3 (Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt, Zk3Lna, Zk3Lgr, Zk3Kst,"
           " Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg, Zk3Von, Zk3Bis, Zk3Sts, Zk3Upn, Zk3Inf) VALUES ('" +
           key + "', " + std::to_string(abr) + ", 0, 'S1', '" + bdt + "', '" + pnr + "', 'Z1', '" + lna +
           "', '     ', 'KST', 'KTR', '" + krt + "', " + std::to_string(std) + ", " + std::to_string(tge) + ", 0, '" +
           von + "', '" + bis + "', 5, 'U" + pnr + "', 0);";
  }

  // The difference records of the run.
  std::string Differences() {
    return Rows(
        "SELECT Zk1Abr, Zk1Lfn, Zk1Bdt, Zk1Pnr, Zk1Lna, Zk1Std, Zk1Tge, Zk1Von, Zk1Bis, Zk1Rre, Zk1Sta,"
        " Zk1Rrn, Zk1Su1 FROM Qvx331Zk1 WHERE Zk1Rre = 2 AND Zk1Abr = 3 ORDER BY Zk1Pnr, Zk1Bdt, Zk1Lna");
  }
};
