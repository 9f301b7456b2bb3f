#include <gtest/gtest.h>

#include "export/exact_sums.h"
#include "export/interface_header.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "export_fixture.h"
#include "run/db.h"

class ExportCommon : public ExportTest {};

TEST_F(ExportCommon, WageTypeLookupTakesTheNewestValidLine) {
  admin.Exec(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst, Lu1Ktr, Lu1Krt, Lu1Mog, Lu1Fkt, Lu1Bau) "
      "VALUES ('L1', 'LA', 'AZ', '100', '2026-01-01', 1, 0, 1, 1.5, 2, 0),"
      "       ('L1', 'LA', 'AZ', '100', '2026-06-01', 0, 1, 0, NULL, 0, 1),"
      "       ('L1', 'LA', 'AZ', '100', '2025-01-01', 1, 1, 1, 3.0, 0, 0),"
      "       ('L1', 'LB', 'AZ', '200', '2020-01-01', 1, 1, 1, 9.0, 9, 1),"
      "       ('L2', 'LA', 'AZ', '100', '2020-01-01', 1, 1, 1, 8.0, 8, 1)");
  const struct {
    const char* Stz;
    const char* Lna;
    const char* Bdt;
    int Status;
    int16_t Kst, Ktr, Krt;
    double Mog;
    int16_t Fkt, Bau;
  } cases[] = {
      // before every line: presets kept
      {"LA", "100", "2024.12.31", 1032, -1, -1, -1, -1.0, -1, -1},
      {"LA", "100", "2025.06.30", 0, 1, 1, 1, 3.0, 0, 0},
      {"LA", "100", "2026.01.01", 0, 1, 0, 1, 1.5, 2, 0},
      {"LA", "100", "2026.05.31", 0, 1, 0, 1, 1.5, 2, 0},
      // the newest line; its NULL factor keeps the preset
      {"LA", "100", "2026.06.01", 0, 0, 1, 0, -1.0, 0, 1},
      {"LA", "100", "2030.12.31", 0, 0, 1, 0, -1.0, 0, 1},
      // kind, wage type and interface must match
      {"LB", "100", "2026.06.01", 1032, -1, -1, -1, -1.0, -1, -1},
      {"LA", "200", "2026.06.01", 1032, -1, -1, -1, -1.0, -1, -1},
  };
  for (const auto& c : cases) {
    TransferRecord r;
    r.Zk1Stz = c.Stz;
    r.Zk1Zkt = "AZ";
    r.Zk1Lna = c.Lna;
    r.Zk1Bdt = c.Bdt;
    Lu1Line l{"", -1, -1, -1, -1.0, -1, -1};
    EXPECT_EQ(c.Status, WageTypeLookup("L1", r, l)) << c.Stz << " " << c.Lna << " " << c.Bdt;
    EXPECT_EQ(c.Kst, l.Lu1Kst) << c.Bdt;
    EXPECT_EQ(c.Ktr, l.Lu1Ktr) << c.Bdt;
    EXPECT_EQ(c.Krt, l.Lu1Krt) << c.Bdt;
    EXPECT_EQ(c.Mog, l.Lu1Mog) << c.Bdt;
    EXPECT_EQ(c.Fkt, l.Lu1Fkt) << c.Bdt;
    EXPECT_EQ(c.Bau, l.Lu1Bau) << c.Bdt;
  }
  // the cursor form on its own: a second fetch gives the older line
  TransferRecord r;
  r.Zk1Stz = "LA";
  r.Zk1Zkt = "AZ";
  r.Zk1Lna = "100";
  r.Zk1Bdt = "2026.07.01";
  SqlCursor cursor;
  Lu1Line line;
  ASSERT_EQ(0, SQL_Qvx171Lu1_OpenLna(cursor, "L1", r));
  EXPECT_EQ(0, SQL_Qvx171Lu1_FetchLna(cursor, line));
  EXPECT_EQ(1, line.Lu1Bau);
  EXPECT_EQ(0, SQL_Qvx171Lu1_FetchLna(cursor, line));
  EXPECT_EQ(1.5, line.Lu1Mog);
  EXPECT_EQ(0, SQL_Qvx171Lu1_CloseLna(cursor));
}

// A read of the wage-type lines that the server refuses is no "no line": the
// record is left out, logged and named in the run's report, and the failed
// read is not kept, so that the next record reads again.
TEST_F(ExportCommon, WageTypeLookupKeepsNoFailedRead) {
  admin.Exec(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst) "
      "VALUES ('L1', 'LA', 'AZ', '100', '2026-01-01', 1)");
  TransferRecord r;
  r.Zk1Stz = "LA";
  r.Zk1Zkt = "AZ";
  r.Zk1Lna = "100";
  r.Zk1Bdt = "2026.03.01";
  r.Zk1Upn = "501";
  r.Zk1Std = 90;
  WageTypeCache cache;
  Lu1Line l;
  dbSetFaultHook([first = dbStatementCount()](long n) { return n == first + 1 ? 1292 : 0; });
  EXPECT_EQ(1292, FindWageTypeLine(Ctx, cache, "L1", r, l));
  dbSetFaultHook(nullptr);
  EXPECT_EQ(0, l.Lu1Kst);
  EXPECT_EQ("Fehler beim Lesen Qvx171Lu1: 1292\r\n", RunLog());
  ASSERT_EQ(1u, Ctx.Handover.LeftOut.size());
  EXPECT_TRUE(Ctx.Handover.LeftOut[0].HasRecord);
  EXPECT_EQ("501", Ctx.Handover.LeftOut[0].Pnr);
  EXPECT_EQ("100", Ctx.Handover.LeftOut[0].WageType);
  EXPECT_EQ(1.5, Ctx.Handover.LeftOut[0].Hours);
  EXPECT_EQ(0, FindWageTypeLine(Ctx, cache, "L1", r, l));
  EXPECT_EQ(1, l.Lu1Kst);
}

// A read of the line that ended without a result (-1) ends the run, as every
// read of the run does; 0 and "no line" leave nothing out.
TEST_F(ExportCommon, UnreadWageTypeLineWithoutResultEndsTheRun) {
  admin.Exec("INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrAdt) VALUES ('01', 'L1', 0)");
  TransferRecord r;
  r.Zk1Upn = "501";
  r.Zk1Lna = "100";
  EXPECT_FALSE(LeftOutForUnreadLine(Ctx, 0, r));
  EXPECT_FALSE(LeftOutForUnreadLine(Ctx, kSqlNoMoreRows, r));
  EXPECT_EQ(1, ExitCodeOf([&] { (void)LeftOutForUnreadLine(Ctx, -1, r); }));
  EXPECT_EQ("Fehler beim Lesen Qvx171Lu1: -1\r\nAbbruch wegen Fehler, Status: 60\r\n", RunLog());
  EXPECT_EQ("60\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis"));
  EXPECT_TRUE(Ctx.Handover.LeftOut.empty());
}

TEST_F(ExportCommon, InterfaceHeaderAndName) {
  admin.Exec(
      "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('01', 'L1'), ('02', 'L2'), ('03', 'NONE');"
      "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugMon, LugFir, LugAkr) VALUES ('L1', 'DATEV', -1, '4711', '0815'),"
      "  ('L2', 'DATEV', 2, NULL, NULL);"
      "INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES ('1001', 'M\xFCller, J\xFCrgen')");
  LugRecord lug;
  EXPECT_EQ(0, SQL_Qvx171Lug_GetFir("01", lug));
  EXPECT_EQ("L1", lug.LugLug);
  EXPECT_EQ(-1, lug.LugMon);
  EXPECT_EQ("4711", lug.LugFir);
  EXPECT_EQ("0815", lug.LugAkr);
  // NULL firm and circle numbers keep the presets
  lug = LugRecord{};
  lug.LugFir = "?";
  EXPECT_EQ(0, SQL_Qvx171Lug_GetFir("02", lug));
  EXPECT_EQ(2, lug.LugMon);
  EXPECT_EQ("?", lug.LugFir);
  EXPECT_EQ("", lug.LugAkr);
  lug = LugRecord{};
  EXPECT_EQ(1032, SQL_Qvx171Lug_GetFir("03", lug));
  EXPECT_EQ(1032, SQL_Qvx171Lug_GetFir("O'1", lug));
  lug = LugRecord{};
  EXPECT_EQ(0, SQL_Qvx171Lug_GetLugFir("01", lug));
  EXPECT_EQ("L1", lug.LugLug);
  EXPECT_EQ("4711", lug.LugFir);
  EXPECT_EQ(0, lug.LugMon);
  std::string name;
  EXPECT_EQ(0, SQL_Qvx300Pnr_GetName("1001", name));
  EXPECT_EQ("M\xFCller, J\xFCrgen", name);
  EXPECT_EQ(1032, SQL_Qvx300Pnr_GetName("9999", name));
}

TEST_F(ExportCommon, StagingWriteAccumulates) {
  admin.Exec(
      "CREATE TABLE Qvx333Tst (TstPnr VARCHAR(8) NOT NULL, TstLna VARCHAR(3) NOT NULL, TstVal DOUBLE,"
      " PRIMARY KEY (TstPnr, TstLna))");
  auto write = [](const std::string& pnr, double value, std::string* statement) {
    return StagingWrite(
        SqlFormat("INSERT INTO Qvx333Tst (TstPnr, TstLna, TstVal) VALUES ('%s', '%s', %f)", pnr, "100", value),
        [&] {
          return SqlFormat("UPDATE Qvx333Tst SET TstVal = TstVal + %f WHERE TstPnr = '%s' AND TstLna = '%s'", value,
                           pnr, "100");
        },
        statement);
  };
  std::string statement;
  EXPECT_EQ(0, write("1001", 1.5, &statement));
  EXPECT_EQ("INSERT INTO Qvx333Tst (TstPnr, TstLna, TstVal) VALUES ('1001', '100', 1.500000)", statement);
  EXPECT_EQ(0, write("1001", 2.25, &statement));
  EXPECT_EQ("UPDATE Qvx333Tst SET TstVal = TstVal + 2.250000 WHERE TstPnr = '1001' AND TstLna = '100'", statement);
  EXPECT_EQ(0, write("1001", -0.75, nullptr));
  EXPECT_EQ(0, write("O'Neil", 1, nullptr));
  EXPECT_EQ(0, write("O'Neil", 1, nullptr));
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ("1001\t100\t3\nO'Neil\t100\t2\n", admin.QueryText("SELECT * FROM Qvx333Tst ORDER BY TstPnr"));

  // a refused value of the record is returned without an update
  bool updateBuilt = false;
  EXPECT_EQ(1406, StagingWrite("INSERT INTO Qvx333Tst VALUES ('" + std::string(300, 'x') + "', '100', 1)", [&] {
              updateBuilt = true;
              return std::string("UPDATE Qvx333Tst SET A = 1");
            }));
  EXPECT_FALSE(updateBuilt);
  // a missing table or column ends the run, in the insert or in the update
  EXPECT_THROW((void)StagingWrite("INSERT INTO Qvx333Nix VALUES (1)", [] { return std::string(); }), SqlFatalError);
  EXPECT_THROW((void)StagingWrite(
                   "INSERT INTO Qvx333Tst VALUES ('1001', '100', 1)",
                   [] { return std::string("UPDATE Qvx333Tst SET NoColumn = 1"); }, &statement),
               SqlFatalError);
}

TEST(ExactRounding, HalfAwayFromZeroWithoutOverflow) {
  EXPECT_EQ(167, ExactRound(100, 60, 2));
  EXPECT_EQ(-25, ExactRound(-15, 60, 2));
  EXPECT_EQ(0, ExactRound(0, 60, 6));
  // minutes x 10000 of the largest sums, in millionths of an hour: the
  // product |n| x 10^6 alone would pass 64 bits
  EXPECT_EQ(int64_t{35791394116667}, ExactRound(int64_t{21474836470000}, 600000, 6));
  EXPECT_EQ(-int64_t{35791394116667}, ExactRound(-int64_t{21474836470000}, 600000, 6));
  // a value beyond 64 bits is held at the limit, with its sign
  EXPECT_EQ(INT64_MAX, ExactRound(INT64_MAX, 1, 6));
  EXPECT_EQ(-INT64_MAX, ExactRound(INT64_MIN, 1, 6));
}
