#include <gtest/gtest.h>

#include "export/emis.h"
#include "export/raet.h"
#include "export/sage.h"
#include "export/xxl.h"
#include "export_fixture.h"
#include "run/db.h"

namespace {

// Circle 01 of interface L1, accounting number 5 = March 2026; one line per
// account valid from 2026.
const char* kCompany =
    "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt) VALUES ('01', 'L1', 0, 0);"
    "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugMon, LugFir, LugAkr) VALUES ('L1', 'sage', 0, '4711', '0815');"
    "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-03-01', '2026-03-31');"
    "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst, Lu1Ktr) VALUES"
    " ('L1', 'LA', 'AZ', '100', '2026-01-01', 1, 1), ('L1', 'LA', 'NZ', '300', '2026-01-01', 1, 1);";

// Six records: two of one person and wage type on two days, two of the other
// person on one day under two cost centres.
const char* kRecords =
    "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Kst, Zk1Std, Zk1Von, Zk1Bis,"
    " Zk1Sta, Zk1Upn) VALUES"
    " (5, 0, 'LA', '2026-03-01', '1001', 'AZ', '100', 'K1', 60, '2026-03-01', '2026-03-31', 1, '501'),"
    " (5, 0, 'LA', '2026-03-02', '1001', 'NZ', '300', 'K1', 30, '2026-03-01', '2026-03-31', 2, '501'),"
    " (5, 0, 'LA', '2026-03-03', '1001', 'NZ', '300', 'K1', 30, '2026-03-01', '2026-03-31', 2, '501'),"
    " (5, 0, 'LA', '2026-03-01', '1002', 'AZ', '100', 'K2', 120, '2026-03-01', '2026-03-31', 1, '502'),"
    " (5, 0, 'LA', '2026-03-02', '1002', 'NZ', '300', 'K2', 15, '2026-03-01', '2026-03-31', 2, '502'),"
    " (5, 0, 'LA', '2026-03-02', '1002', 'NZ', '300', 'K3', 15, '2026-03-01', '2026-03-31', 2, '502');";

}  // namespace

class StagingExporters : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    admin.Exec(kCompany);
    admin.Exec(kRecords);
    Ctx.Lug.LugLug = "L1";
    Ctx.AbrVon = "2026.03.01";
    Ctx.AbrDatum = "2026.03.01";
    Ctx.DbTime = "02.04.2026 08:00:00";
  }
};

// Statements of one export: the reads of the run's values, the record
// cursor, one read of the wage-type lines per kind, account and wage type
// (2 here, not one per record), one insert per record, an update per
// duplicate key (XXL-Exact: a read and an update) and the staging read.
TEST_F(StagingExporters, StatementsPerRecord) {
  const struct {
    const char* Name;
    void (*Run)(RunContext&);
    long Statements;
  } cases[] = {
      {"sage", SageLohnprogramm, 1 + 2 + 6 + 1 + 1},
      {"Raet", RaetLohnprogramm, 1 + 1 + 2 + 6 + 2 + 1},
      {"XXL", XxlLohnprogramm, 3 + 1 + 2 + 6 + 1},
      {"EMIS", EmisLohnprogramm, 2 + 1 + 6 + 2},
  };
  for (const auto& c : cases) {
    long before = dbStatementCount();
    c.Run(Ctx);
    EXPECT_EQ(c.Statements, dbStatementCount() - before) << c.Name;
  }
}

// A staged value whose text does not fit its field is refused with the
// limit message, so no line gets longer than its layout: sage time values
// that round to 1000.00, a Raet value beyond 26 characters.
TEST_F(StagingExporters, ValuesThatDoNotFitTheirField) {
  admin.Exec(
      "DELETE FROM Qvx331Zk1;"
      "INSERT INTO Qvx333Sag (SagMon, SagPnr, SagLna, SagStd, SagBtr, SagKst, SagSkt, SagKtr) VALUES ('03', '501', '100', 999.996, 0, 'K1', '', ''),"
      " ('03', '502', '100', 999.994, 0, 'K1', '', ''), ('03', '503', '100', -99.996, 0, 'K1', '', '');"
      "INSERT INTO Qvx333Rat (RatArt, RatPnr, RatVid, RatLna, RatAbd, RatUeb, RatVal) VALUES"
      " ('5', '501', '1', '100', '', ' ', 1e20), ('5', '502', '1', '100', '', ' ', 1);");
  SageLohnprogramm(Ctx);
  EXPECT_EQ("03000502100999:99000.00000K10000000000\r\n", TransferFile("02041003"));
  RaetLohnprogramm(Ctx);
  EXPECT_EQ(
      "A4711    202604020001RPD conversie  \r\n"
      "5502            1              100                   000000000000000001.000000\r\nZ00000003\r\n",
      TransferFile("Raet.txt"));
  EXPECT_EQ(Cp1252("\r\nsage-Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\n"
                   "0 Datensätze aus Qvx333Zk1 übergeben.\r\n"
                   "Pnr 501: Zeitwert zu groß (1000.00)\r\n"
                   "Pnr 503: Zeitwert zu groß (-100.00)\r\n"
                   "1 Datensätze in Datei geschrieben.\r\n"
                   "sage-Lohnprogramm beendet\r\n"
                   "\r\nRaet-Lohnübergabe Akr: 01, Abrnr: 5 gestartet\r\n"
                   "0 Datensätze aus Qvx333Zk1 gelesen.\r\n"
                   "Pnr 501: Wert zu groß (100000000000000000000.000000)\r\n"
                   "1 Datensätze in Datei(en) geschrieben.\r\n"
                   "Raet-Lohnübergabe beendet\r\n"),
            RunLog());
}

// A staging table that the server does not have ends the run at the first
// record's write with the server's error and 60, instead of logging every
// record and writing a file from nothing.
TEST_F(StagingExporters, StagingTableMissing) {
  admin.Exec("DELETE FROM Qvx331Zk1 WHERE Zk1Pnr = '1002'; DROP TABLE Qvx333Ems; DROP TABLE Qvx333Rat");
  const struct {
    void (*run)(RunContext&);
    const char* table;
  } cases[] = {{EmisLohnprogramm, "Qvx333Ems"}, {RaetLohnprogramm, "Qvx333Rat"}};
  for (const auto& [run, table] : cases) {
    std::filesystem::remove(tree / "Quantivel_php/log/log#lug.txt");
    admin.Exec("UPDATE O1001AbrKreis SET AkrAdt = 0");
    EXPECT_EQ(1, ExitCodeOf([&] { run(Ctx); })) << table;
    std::string log = RunLog();
    EXPECT_NE(std::string::npos, log.find(std::string("\r\nDatenbankfehler 1146 bei INSERT ") + table + ": ")) << log;
    EXPECT_TRUE(log.ends_with("doesn't exist\r\nAbbruch wegen Fehler, Status: 60\r\n")) << log;
    EXPECT_EQ("60\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis")) << table;
  }
}
