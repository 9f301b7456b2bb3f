// Retro-calculation of one accounting number against the private server.
#include "retro/retro_calculation.h"

#include "retro_fixture.h"
#include "run/exit.h"

namespace {

class RetroCalculation : public RetroTest {
 protected:
  void SetUp() override {
    RetroTest::SetUp();
    Retro = RetroState{};
    Fixture(
        "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('XXX', 'S1');"
        "INSERT INTO O1001AbrKreis (AkrNum, AkrLug) VALUES ('02', 'L2');"
        "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugDtm) VALUES ('L2', 'XXX', 2);"
        // L100 monthly, L200 per booking day, L300 day runs in days, L400 not
        // retro-calculated, L500/L600 paid one month later (L600 dated in the
        // period computed), LU the interruption wage type
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Ztr, Lu1Tge,"
        " Lu1Flg, Lu1Fkt, Lu1Sts) VALUES"
        " ('L1', 'S1', 'Z1', 'L100', NULL, '2020-01-01', 1, 0, 0, 0, 0, 0, 5),"
        " ('L1', 'S1', 'Z2', 'L200', 'G2', '2020-01-01', 1, 1, 0, 0, 0, 0, 6),"
        " ('L1', 'S1', 'Z3', 'L300', NULL, '2020-01-01', 1, 0, 1, 1, 0, 0, 7),"
        " ('L1', 'S1', 'Z4', 'L400', NULL, '2020-01-01', 0, 0, 0, 0, 0, 0, 8),"
        " ('L1', 'S1', 'Z5', 'L500', NULL, '2020-01-01', 1, 0, 0, 0, 1, 0, 9),"
        " ('L1', 'S1', 'Z6', 'L600', NULL, '2020-01-01', 1, 0, 0, 0, 1, 1, 9),"
        " ('L1', 'S1', 'LU', 'LU', NULL, '2020-01-01', 1, 0, 0, 0, 0, 0, 112),"
        " ('L2', 'S1', 'Z1', 'L900', NULL, '2020-01-01', 1, 0, 0, 0, 0, 0, 5);"
        // P1 in the circle all along; P2 moved to circle 02 in March; P3 came
        // from circle 02 in March; P4 has a new employment in the circle from
        // March; P5 joined in the middle of March
        "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug) VALUES"
        " ('P1', '01', '2020-01-01', NULL, '1001'),"
        " ('P2', '01', '2020-01-01', '2026-02-28', NULL), ('P2', '02', '2026-03-01', NULL, NULL),"
        " ('P3', '02', '2020-01-01', '2026-02-28', NULL), ('P3', '01', '2026-03-01', NULL, NULL),"
        " ('P4', '01', '2020-01-01', '2026-02-28', NULL), ('P4', '01', '2026-03-01', NULL, NULL),"
        " ('P5', '01', '2026-03-15', NULL, NULL);"
        "INSERT INTO QVX311ZUO (ZuoPnr, ZuoKst, ZuoKtr, ZuoKrt, ZuoGvo) VALUES ('P1', 'H1', 'HT', 'HK', '2020-01-01');"
        "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbStg) VALUES"
        // two monthly bookings of one account and cost assignment
        " ('P1', 3, '2026-02-28', 'K1', 'T1', 'A', 'Z1', 480, 1), ('P1', 3, '2026-02-28', 'K1', 'T1', 'B', 'Z1', 120, 2),"
        " ('P1', 3, '2026-02-28', 'K1', 'T1', 'A', 'Z2', 300, 0),"
        " ('P1', 1, '2026-02-03', 'K1', 'T1', 'A', 'Z2', 100, 0), ('P1', 1, '2026-02-04', 'K1', 'T1', 'A', 'Z2', 200, 0),"
        " ('P1', 1, '2026-02-02', 'K1', 'T1', 'A', 'Z3', 480, 0), ('P1', 1, '2026-02-03', 'K1', 'T1', 'A', 'Z3', 480, 0),"
        " ('P1', 1, '2026-02-04', 'K1', 'T1', 'A', 'Z3', 480, 0), ('P1', 1, '2026-02-06', 'K1', 'T1', 'A', 'Z3', 480, 0),"
        " ('P1', 3, '2026-02-28', 'K1', 'T1', 'A', 'Z4', 999, 0),"
        " ('P1', 3, '2026-01-31', 'K1', 'T1', 'A', 'Z5', 90, 0), ('P1', 3, '2026-01-31', 'K1', 'T1', 'A', 'Z6', 30, 0),"
        " ('P1', 3, '2026-02-28', 'K1', 'T1', 'A', 'Z5', 45, 0),"
        " ('P2', 3, '2026-02-28', 'K1', 'T1', 'A', 'Z1', 60, 0),"
        " ('P3', 3, '2026-02-28', 'K3', 'T3', 'A', 'Z1', 70, 0),"
        " ('P4', 3, '2026-02-28', 'K4', 'T4', 'A', 'Z1', 80, 0);"
        // five unpaid target days in a row: one interruption
        "INSERT INTO Qvx320Tgb (TgbPnr, TgbDtm, TgbZtr, TgbSol, TgbUnb) VALUES"
        " ('P1', '2026-02-09', 1, 480, 480), ('P1', '2026-02-10', 1, 480, 480), ('P1', '2026-02-11', 1, 480, 480),"
        " ('P1', '2026-02-12', 1, 480, 480), ('P1', '2026-02-13', 1, 480, 480);" +
        // P2's transfer records: masked outside the requested number 3
        Zk1(2, 0, "2026-02-01", "P2", "L100", 60, 0, 1, "2026-02-01", "2026-02-28") +
        Zk1(3, 0, "2026-03-01", "P2", "L100", 60, 0, 1, "2026-03-01", "2026-03-31") +
        Zk1(1, 0, "2026-01-01", "P2", "L100", 60, 0, 0, "2026-01-01", "2026-01-31"));
  }

  std::string RetroRows() {
    return Rows(
        "SELECT Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt, Zk3Lna, CONCAT('[', Zk3Lgr, ']'),"
        " Zk3Kst, Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg, Zk3Von, Zk3Bis, Zk3Sts, Zk3Upn, Zk3Inf"
        " FROM Qvx331Zk3 ORDER BY Zk3Pnr, Zk3Abr, Zk3Lna, Zk3Bdt");
  }
};

}  // namespace

// February recomputed from today's bookings: employment rows, moved-away and
// late-joining employees, the interruption record and the three kinds of
// wage-type lines; the run's period, interface and number are in force again
// afterwards.
TEST_F(RetroCalculation, AccountingNumber) {
  EXPECT_EQ(0, Rueckrechnung(Ctx, Retro, "01", 2, 0, 0, Answers));
  const std::string k = std::string(kKey) + "|";
  EXPECT_EQ(k + "2|0|S1|2026-02-01|P1|Z1|L100|[     ]|K1|T1|B|600|0|3|2026-02-01|2026-02-28|5|1001|0\n" + k +
                "2|0|S1|2026-02-03|P1|Z2|L200|[G2]|K1|T1|A|100|0|0|2026-02-01|2026-02-28|6|1001|0\n" + k +
                "2|0|S1|2026-02-04|P1|Z2|L200|[G2]|K1|T1|A|200|0|0|2026-02-01|2026-02-28|6|1001|0\n" + k +
                "2|0|S1|2026-02-02|P1|Z3|L300|[     ]|K1|T1|A|0|30|0|2026-02-02|2026-02-04|7|1001|0\n" + k +
                "2|0|S1|2026-02-06|P1|Z3|L300|[     ]|K1|T1|A|0|10|0|2026-02-06|2026-02-06|7|1001|0\n" + k +
                "2|0|S1|2026-02-01|P1|LU|LU|[ ]|H1|HT|HK|1|0|0|2026-02-01|2026-02-28|112|1001|0\n" + k +
                "2|0|S1|2026-02-01|P3|Z1|L900|[     ]|K3|T3|A|70|0|0|2026-02-01|2026-02-28|5|P3|0\n" + k +
                "2|0|S1|2026-02-01|P4|Z1|L100|[     ]|K4|T4|A|80|0|0|2026-02-01|2026-02-28|5|P4|0\n",
            RetroRows());
  EXPECT_EQ(
      "\n>>>>>Rückrechnung :\n"
      "AbrNr: 2 von: 2026.02.01 bis: 2026.02.28\n"
      "Alle PersNr verarbeiten\n\n"
      "Pnr: P1   PersNr-LuG verwenden: 1001\n"
      "--- Unterbrechungen: 1\n"
      "Pnr: P2\n"
      "Pnr : P2 in anderen AbrKreis gewechselt-> nicht berechnen\n"
      "     => Datensätze temporär maskieren!\n"
      "Pnr: P3\n"
      "Keine Stammkostenstelle für PNR P3\n"
      "Pnr: P4\n"
      "    -> neues Bsv im alten Abrkreis!\n"
      "Pnr: P4\n"
      "Keine Stammkostenstelle für PNR P4\n"
      "Pnr: P5\n"
      "    -> erst später eingetreten!\n"
      "PersNr-Lesen Status: 1032\n",
      RunLog());
  EXPECT_EQ("1|0\n2|-1\n3|1\n", Rows("SELECT Zk1Abr, Zk1Rre FROM Qvx331Zk1 WHERE Zk1Pnr = 'P2' ORDER BY Zk1Abr"));
  EXPECT_EQ("2026.02.01|2026.02.28|2026.02.01", Retro.RetroVon + "|" + Retro.RetroBis + "|" + Retro.RetroBdt);
  EXPECT_EQ(3, Ctx.Abrnr);
  EXPECT_EQ("2026.03.01|2026.03.31|L1|01", Ctx.AbrVon + "|" + Ctx.AbrBis + "|" + Ctx.Lug.LugLug + "|" + Ctx.Akr);
}

// A following month inside the retro loop: the lines paid one month later,
// computed for January; the records carry January's number and the booking
// date of February (L600: of January, by Lu1Fkt). No interruption record.
TEST_F(RetroCalculation, FollowingMonth) {
  Ctx.PnrFilter = "P1";
  Rueckrechnung(Ctx, Retro, "01", 2, 0, 0, Answers);
  EXPECT_EQ(1, dbCommit());  // the program's transaction holds the rows
  Fixture("DELETE FROM Qvx331Zk3");
  Rueckrechnung(Ctx, Retro, "01", 1, 1, 1, Answers);
  const std::string k = std::string(kKey) + "|";
  EXPECT_EQ(k + "1|0|S1|2026-02-01|P1|Z5|L500|[     ]|K1|T1|A|90|0|0|2026-01-01|2026-01-31|9|1001|0\n" + k +
                "1|0|S1|2026-01-01|P1|Z6|L600|[     ]|K1|T1|A|30|0|0|2026-01-01|2026-01-31|9|1001|0\n",
            RetroRows());
  // the booking date stays that of the retro-calculated number
  EXPECT_EQ("2026.02.01|2026.02.28|2026.02.01", Retro.RetroVon + "|" + Retro.RetroBis + "|" + Retro.RetroBdt);
  EXPECT_NE(std::string::npos, RunLog().find("AbrNr: 1 von: 2026.01.01 bis: 2026.01.31\nAlle PersNr verarbeiten\n\n"
                                             "Pnr: P1   PersNr-LuG verwenden: 1001\nPersNr-Lesen Status: 1032\n"));
}

// One personnel number: the others are neither logged nor masked. Site
// "02272": the site values of the period become retro records of record type
// "LS" with the home cost centre and the booking date.
TEST_F(RetroCalculation, PnrFilterAndSiteRecords) {
  Ctx.PnrFilter = "P1";
  Ctx.MndSto = "02272";
  Fixture(
      "INSERT INTO Qvx331Zks (ZksPnr, ZksDtm, ZksTxt, ZksWrt) VALUES ('P1', '2026-02-27', 'LSA', 7.5),"
      " ('P1', '2026-03-02', 'LSB', 1)");
  Rueckrechnung(Ctx, Retro, "01", 2, 0, 0, Answers);
  EXPECT_EQ(std::string(kKey) + "|2|0|LS|2026-02-01|P1|LSA|LSA|[ ]|H1|HT|0|750|0|0|2026-02-01|2026-02-28|0|1001|0\n",
            Rows("SELECT Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt, Zk3Lna, CONCAT('[', Zk3Lgr, ']'),"
                 " Zk3Kst, Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge, Zk3Stg, Zk3Von, Zk3Bis, Zk3Sts, Zk3Upn, Zk3Inf"
                 " FROM Qvx331Zk3 WHERE Zk3Stz = 'LS'"));
  EXPECT_EQ(
      "\n>>>>>Rückrechnung :\n"
      "AbrNr: 2 von: 2026.02.01 bis: 2026.02.28\n"
      "Alle PersNr verarbeiten\n\n"
      "Pnr: P1   PersNr-LuG verwenden: 1001\n"
      "--- Unterbrechungen: 1\n"
      "PersNr-Lesen Status: 1032\n",
      RunLog());
  EXPECT_EQ("1|0\n2|1\n3|1\n", Rows("SELECT Zk1Abr, Zk1Rre FROM Qvx331Zk1 WHERE Zk1Pnr = 'P2' ORDER BY Zk1Abr"));
  EXPECT_EQ(7, std::stoi(Rows("SELECT COUNT(*) FROM Qvx331Zk3")));
}

// Interface edge cases: without record types only the interruption record is
// written (and no message); in LuG-only mode employees without a payroll
// number are not read; an interruption wage type not marked for
// retro-calculation writes nothing.
TEST_F(RetroCalculation, InterfaceSettings) {
  struct Case {
    const char* setup;
    const char* rows;
    const char* modeLine;
  };
  const Case cases[] = {
      {"DELETE FROM Qvx170Lg1", "P1|LU|1\n", "Alle PersNr verarbeiten\n"},
      {"UPDATE Qvx171Lug SET LugPnr = 1 WHERE LugLug = 'L1'",
       "P1|L100|600\nP1|L200|100\nP1|L200|200\nP1|L300|0\nP1|L300|0\nP1|LU|1\n", "Nur LuG-PersNr verarbeiten\n"},
      {"UPDATE Qvx171Lu1 SET Lu1Rre = 0 WHERE Lu1Sts = 112 AND Lu1Num = 'L1'",
       "P1|L100|600\nP1|L200|100\nP1|L200|200\nP1|L300|0\nP1|L300|0\nP3|L900|70\nP4|L100|80\n",
       "Alle PersNr verarbeiten\n"},
  };
  for (const Case& c : cases) {
    SetUp();
    Fixture(c.setup);
    Rueckrechnung(Ctx, Retro, "01", 2, 0, 0, Answers);
    EXPECT_EQ(c.rows, Rows("SELECT Zk3Pnr, Zk3Lna, Zk3Std FROM Qvx331Zk3 ORDER BY Zk3Pnr, Zk3Lna, Zk3Bdt")) << c.setup;
    EXPECT_NE(std::string::npos, RunLog().find(c.modeLine)) << c.setup;
    EXPECT_EQ(std::string::npos, RunLog().find("Satzarten")) << c.setup;
    TearDown();
  }
  SetUp();
}

// The interface record or the record types cannot be read: the server's
// error ends the run before any employee is recomputed (an interface or
// record types taken for "none" would recompute nothing, and every value
// handed over would be reversed).
TEST_F(RetroCalculation, TablesUnreadable) {
  for (const char* table : {"Qvx171Lug", "Qvx170Lg1"}) {
    admin.Exec(std::string("RENAME TABLE ") + table + " TO UnreadableX");
    try {
      Rueckrechnung(Ctx, Retro, "01", 2, 0, 0, Answers);
      ADD_FAILURE() << table << ": a missing table was answered";
    } catch (const SqlFatalError& e) {
      EXPECT_EQ(1146, e.Error) << table;
      EXPECT_EQ(std::string("SELECT ") + table, e.Purpose);
    }
    (void)dbAbandonTransaction();
    admin.Exec(std::string("RENAME TABLE UnreadableX TO ") + table);
    EXPECT_EQ("", Rows("SELECT Zk3Pnr FROM Qvx331Zk3")) << table;
  }
}
