// Settlement control on a fixture circle without employees: run mode, Lfn and
// period from the database time (TOPAS rule at the period edges),
// the retro loop's list of accounting numbers, and the period and run fields
// restored after the loops.
#include <gtest/gtest.h>

#include <optional>

#include <cstdio>

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "calc/calc_state.h"
#include "control/control.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "program_fixture.h"

namespace {

class Control : public ProgramDbTest {
 protected:
  void SetUp() override { OpenSchema("tco"); }
  // Runs the control for circle 01; the exit code when the process would end, else -1.
  int Run(int32_t abrnr, const std::string& dbTime, int32_t interim) {
    Ctx = RunContext{};
    Ctx.LogPath = (dir / "log.txt").string();
    Ctx.Akr = "01";
    Ctx.Abrnr = abrnr;
    Ctx.AbrnrStart = abrnr;
    Ctx.InterimFlag = interim;
    Ctx.DbTime = dbTime;
    Ctx.RunKey = dbTime;
    settlement.emplace(Ctx);
    try {
      SettlementControl(*settlement);
    } catch (const ProcessExit& e) { return e.code; }
    return -1;
  }
  // what the last run's settlement kept
  std::optional<Settlement> settlement;
};

struct ModeCase {
  int32_t abrnr;
  const char* dbTime;
  int32_t interimRequest;
  int exit;  // -1: the control returns
  int16_t lfn;
  int32_t interim;
  const char* abrBis;
  int32_t topasDay;
};

}  // namespace

TEST_F(Control, TopasSettlesUpToYesterday) {
  Fixture(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1');"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'TOPAS');"
      "INSERT INTO Qvx330Abr VALUES ('01', 2, '2026-02-01', '2026-02-28'), ('01', 3, '2026-03-01', '2026-03-31'),"
      " ('01', 5, '2026-05-01', '2026-05-15')");
  const std::vector<ModeCase> cases = {
      {3, "01.03.2026 09:00:00", 0, -1, 2, 1, "2026.03.01", 0},  // the 1st stays the 1st = AbrVon
      {3, "02.03.2026 09:00:00", 0, -1, 2, 1, "2026.03.01", 1},  // yesterday = AbrVon
      {3, "16.03.2026 09:00:00", 0, -1, 2, 1, "2026.03.15", 15},
      {3, "31.03.2026 09:00:00", 0, -1, 2, 1, "2026.03.30", 30},
      {3, "01.04.2026 09:00:00", 0, -1, 1, 0, "2026.03.31", 0},  // final under Lfn 1
      {3, "05.04.2026 09:00:00", 0, -1, 1, 0, "2026.03.31", 4},
      {3, "16.03.2026 09:00:00", 1, -1, 2, 1, "2026.03.15", 15},  // interim request
      {3, "15.02.2026 09:00:00", 0, -1, 0, 0, "2026.03.31", 14},  // yesterday before the period
      {5, "16.05.2026 09:00:00", 0, -1, 0, 0, "2026.05.15", 15},  // yesterday = AbrBis
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.dbTime);
    EXPECT_EQ(c.exit, Run(c.abrnr, c.dbTime, c.interimRequest));
    EXPECT_EQ(c.lfn, Ctx.Lfn);
    EXPECT_EQ(c.interim, Ctx.InterimFlag);
    EXPECT_EQ(c.abrBis, Ctx.AbrBis);
    EXPECT_EQ(c.topasDay, Ctx.TopasDay);
    EXPECT_EQ(1, Ctx.TopasFlag);
  }
}

// Accounting numbers of the YYYYMM kind do not fit 16 bits; the retro list
// keeps them whole. After the following months of the settlement and of each
// retro-calculated number the run's own circle, number and period are in
// force again.
TEST_F(Control, RetroLoopListsEarlierNumbersNewestFirstAndRestoresTheRun) {
  Fixture(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrRrm) VALUES ('01', 'L1', 3);"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX');"
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Flg) VALUES"
      " ('L1', 'P3', 'ZUS', '500', '2020-01-01', 1), ('L1', 'P3', 'ZUS', '510', '2020-01-01', 2);"
      "INSERT INTO Qvx330Abr VALUES ('01', 202601, '2026-01-01', '2026-01-31'),"
      " ('01', 202602, '2026-02-01', '2026-02-28'), ('01', 202603, '2026-03-01', '2026-03-31')");
  EXPECT_EQ(-1, Run(202603, "02.04.2026 08:00:00", 0));
  EXPECT_EQ(2, Ctx.RetroCount);
  EXPECT_EQ(202602, Ctx.RetroAbrnr[0]);
  EXPECT_EQ(202601, Ctx.RetroAbrnr[1]);
  EXPECT_EQ(0, Ctx.RetroAbrnr[2]);
  EXPECT_EQ(3, Ctx.AkrRrm);
  EXPECT_EQ("01", Ctx.Akr);
  EXPECT_EQ(202603, Ctx.Abrnr);
  EXPECT_EQ("2026.03.01", Ctx.AbrVon);
  EXPECT_EQ("2026.03.31", Ctx.AbrBis);
  EXPECT_EQ("2026.03.01", settlement->Calc.MainVon);
  EXPECT_EQ("2026.03.01", Ctx.AbrDatum);
}

TEST_F(Control, RetroLoopStopsAtTwelveNumbers) {
  std::string periods = "INSERT INTO Qvx330Abr VALUES ('01', 1, '2025-01-01', '2025-01-31')";
  for (int n = 2; n <= 15; ++n) {
    char month[16];
    std::snprintf(month, sizeof month, "%04d-%02d", 2025 + (n - 1) / 12, (n - 1) % 12 + 1);
    periods += ", ('01', " + std::to_string(n) + ", '" + month + "-01', '" + month + "-28')";
  }
  Fixture(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrRrm) VALUES ('01', 'L1', 14);"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX');" +
      periods);
  EXPECT_EQ(-1, Run(15, "02.04.2026 08:00:00", 0));
  EXPECT_EQ(12, Ctx.RetroCount);
  EXPECT_EQ(14, Ctx.RetroAbrnr[0]);
  EXPECT_EQ(3, Ctx.RetroAbrnr[11]);
}

// The interruption wage type is the line of code 112 valid over the whole
// period of the calculation.
TEST_F(Control, InterruptionWageTypeValidOverThePeriod) {
  Fixture(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1');"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp) VALUES ('L1', 'XXX');"
      "INSERT INTO Qvx330Abr VALUES ('01', 3, '2026-03-01', '2026-03-31'), ('01', 4, '2026-04-01', '2026-04-30');"
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Gbi, Lu1Rre, Lu1Sts) VALUES"
      " ('L1', 'P4', 'UNT', 'U112', '2020-01-01', '2026-04-29', 1, 112)");
  EXPECT_EQ(-1, Run(3, "02.04.2026 08:00:00", 0));
  EXPECT_TRUE(settlement->Calc.Interruption.Exists);
  EXPECT_EQ("U112", settlement->Calc.Interruption.Lu1Lna);
  EXPECT_EQ("P4", settlement->Calc.Interruption.Lu1Stz);
  EXPECT_EQ(1, settlement->Calc.Interruption.Lu1Rre);
  EXPECT_EQ(-1, Run(4, "02.05.2026 08:00:00", 0));
  EXPECT_FALSE(settlement->Calc.Interruption.Exists);
  EXPECT_EQ("", settlement->Calc.Interruption.Lu1Lna);
}
