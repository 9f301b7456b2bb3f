#include <gtest/gtest.h>

#include <filesystem>

#include "export/dispatch.h"
#include "export/paisy.h"
#include "export_fixture.h"
#include "run/db.h"

namespace fs = std::filesystem;

namespace {

const char* kCompany =
    "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt) VALUES ('01', 'L1', 0, 0);"
    "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugMon, LugFir) VALUES ('L1', 'PAISY', 0, '4711');"
    "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-03-01', '2026-03-31');";

std::string Zk1(const char* stz, const char* bdt, const char* pnr, const char* zkt, const char* lna, int std,
                const char* von, const char* bis, const char* upn) {
  return Format(
      "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Std, Zk1Von, Zk1Bis, "
      "Zk1Upn) VALUES (5, 0, '%s', '%s', '%s', '%s', '%s', %d, '%s', '%s', '%s');",
      stz, bdt, pnr, zkt, lna, std, von, bis, upn);
}

}  // namespace

class PaisyExport : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    admin.Exec(kCompany);
    Ctx.Lug.LugLgp = "PAISY";
    Ctx.AbrVon = "2026.03.01";
    Ctx.AbrBis = "2026.03.31";
  }
  std::string Dir() { return (tree / "Transfer/Lohn und Gehalt/Export/S").string(); }
};

// Each of the six files: a folder in its place cannot be opened, a full disk
// cannot be written. Both end the process with exit code 1 after the files
// before it were written; the exporter's own message names the file.
TEST_F(PaisyExport, FileFailures) {
  admin.Exec(Zk1("P1", "2026-03-02", "1001", "AZ", "100", 60, "2026-03-01", "2026-03-31", "501"));
  admin.Exec(Zk1("P3", "2026-03-02", "1001", "URL", "U1", 480, "2026-03-02", "2026-03-04", "501"));
  admin.Exec("INSERT INTO Qvx331Zk2 (Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Stt) VALUES (5, '1001', '2026-03-01', 30)");
  const struct {
    void (*Run)(RunContext&);
    const char* File;
    const char* Message;
  } files[] = {
      {PaisyLohnprogramm, "PaisyP1.txt", "Schnittstellendatei P1 kann nicht geoeffnet werden !"},
      {PaisyLohnprogramm, "PaisyP3.txt", "Schnittstellendatei P3 kann nicht geoeffnet werden !"},
      {PaisyLohnprogramm, "PaisyP4.txt", "Schnittstellendatei P4 kann nicht geoeffnet werden !"},
      {PaisyBrLohnprogramm, "PaisyP1b.txt", "Schnittstellendatei P1b kann nicht geoeffnet werden !"},
      {PaisyBrLohnprogramm, "PaisyP3b.txt", "Schnittstellendatei P3b kann nicht geoeffnet werden !"},
      {PaisyBrLohnprogramm, "PaisyP4b.txt", "Schnittstellendatei P4b kann nicht geoeffnet werden !"},
  };
  for (const auto& f : files) {
    for (bool full : {false, true}) {
      // the empty file needs no write
      if (full && std::string(f.File) == "PaisyP3b.txt") continue;
#ifdef _WIN32
      if (full) continue;  // the full disk is a link to /dev/full of a POSIX system
#endif
      fs::remove_all(Dir());
      fs::create_directories(Dir());
      fs::remove(tree / "Quantivel_php/log/log#lug.txt");
      fs::path p = fs::path(Dir()) / f.File;
      if (full) fs::create_symlink("/dev/full", fs::path(Dir()) / (std::string(f.File) + "." + Ctx.Akr + ".tmp"));
      else fs::create_directories(p);
      EXPECT_EQ(1, ExitCodeOf([&] { f.Run(Ctx); })) << f.File;
      std::string want = full ? Cp1252("Schreibfehler in Datei ..\\Transfer\\Lohn und Gehalt\\Export\\S\\") + f.File +
                                    Cp1252(", Übergabe abgebrochen !\r\n")
                              : std::string(f.Message) + "\r\n";
      std::string log = RunLog();
      EXPECT_EQ(want, log.substr(log.size() - std::min(log.size(), want.size()))) << f.File << " " << full;
    }
  }
}

// LugDtm 3 leaves the day blank; LugMon -1 moves January into December of the
// year before with its log line; no day record before the period and no end
// after it keep the period as it is.
TEST_F(PaisyExport, DayLeftOutAndYearBefore) {
  admin.Exec("UPDATE Qvx171Lug SET LugMon = -1");
  Ctx.Lug.LugDtm = 3;
  admin.Exec(Zk1("P1", "2026-01-15", "1001", "AZ", "100", 60, "2026-03-01", "2026-03-31", "501"));
  admin.Exec(Zk1("P3", "2026-03-02", "1001", "URL", "U1", 480, "2026-03-02", "2026-03-04", "501"));
  PaisyLohnprogramm(Ctx);
  EXPECT_EQ("P147  501         12251110000100*1100100*\r\n", TransferFile("PaisyP1.txt"));
  EXPECT_EQ("P347  501       0203261  U1          040326                                     \r\n",
            TransferFile("PaisyP3.txt"));
  EXPECT_NE(std::string::npos, RunLog().find("Qvx331Zk1-Datum-1: 2026.01.15\r\n"));
}

// At the site 37708 absence periods are neither staged nor remembered.
TEST_F(PaisyExport, SiteWithoutAbsencePeriods) {
  Ctx.MndSto = "37708";
  Ctx.AkrRrm = 1;
  admin.Exec(Zk1("P3", "2026-03-02", "1001", "URL", "U1", 480, "2026-03-02", "2026-03-04", "501"));
  PaisyLohnprogramm(Ctx);
  EXPECT_EQ("", TransferFile("PaisyP3.txt"));
  EXPECT_EQ("0\n", admin.QueryText("SELECT COUNT(*) FROM Qvx331Zk5"));
}

// Without transfer records the end of reading is logged and the files are
// written from the staging tables; the end line follows the files, after the
// lines their writing logs.
TEST_F(PaisyExport, NoRecords) {
  admin.Exec(
      "INSERT INTO Qvx333Ps1 (Ps1Stz, Ps1Frm, Ps1Prs, Ps1Abt, Ps1Abd, Ps1Abn, Ps1Dne, Ps1Lhn, Ps1Ztd, Ps1Lhg, Ps1Btr,"
      " Ps1Kst) VALUES ('P1', '47', '9', 0, 326, 1, '1', 7, -1000, '', 123456789, '')");
  PaisyLohnprogramm(Ctx);
  EXPECT_EQ(Cp1252("\r\nPaisy Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\nAbbruch Lesen aus Zk1, Fehler: 1032\r\n"
                   "0 Datensätze aus Qvx333Zk1 übergeben.\r\n"
                   "   ->Pnr 9 : Überlauf Stundenwert !!!\r\n   ->Pnr 9 : Überlauf Stundenwert !!!\r\n"
                   "Paisy Lohnprogramm beendet\r\n"),
            RunLog());
  // hours below -99.99 and an amount wider than nine digits are cut to the limits
  EXPECT_EQ("P147  9           03261110000007*119999-*14999999999*\r\n", TransferFile("PaisyP1.txt"));
}

// A lost staging table is no "no row": the write failure ends the run with
// the server's error and status 60.
TEST_F(PaisyExport, StagingTableLost) {
  admin.Exec("DROP TABLE Qvx333Ps4");
  admin.Exec(Zk1("P1", "2026-03-02", "1001", "AZ", "100", 60, "2026-03-01", "2026-03-31", "501"));
  EXPECT_EQ(1, ExitCodeOf([this] { PaisyLohnprogramm(Ctx); }));
  EXPECT_NE(std::string::npos, RunLog().find("Datenbankfehler 1146 bei INSERT Qvx333Ps4: ")) << RunLog();
  EXPECT_TRUE(RunLog().ends_with("\r\nAbbruch wegen Fehler, Status: 60\r\n"));
}

TEST_F(PaisyExport, ReachedThroughTheDispatcher) {
  for (const char* code : {"PAISY", "PSYBR"}) {
    fs::remove_all(Dir());
    fs::create_directories(Dir());
    Ctx.Lug.LugLgp = code;
    ExportDispatch(Ctx);
    std::string suffix = std::string(code) == "PSYBR" ? "b" : "";
    for (const char* n : {"PaisyP1", "PaisyP3", "PaisyP4"})
      EXPECT_TRUE(fs::exists(fs::path(Dir()) / (n + suffix + ".txt"))) << code << " " << n;
  }
}

// Statements of one export: interface record, transfer records, one wage-type
// read per kind, account and wage type, one parameter read per kind, per
// person the day values and the P4 row, per record its staging write, one
// selection per file.
TEST_F(PaisyExport, StatementsPerRecord) {
  for (const char* pnr : {"1001", "1002"})
    for (const char* bdt : {"2026-03-02", "2026-03-03", "2026-03-04"})
      admin.Exec(Zk1("P1", bdt, pnr, "AZ", "100", 60, "2026-03-01", "2026-03-31", pnr));
  long before = dbStatementCount();
  PaisyLohnprogramm(Ctx);
  EXPECT_EQ(1 + 1 + 1 + 1 + 2 * 2 + 6 + 3, dbStatementCount() - before);
}

// Transfer records that cannot be read end both exports with the server's
// error and 60; no file is written from what happens to stand in the staging
// tables.
TEST_F(PaisyExport, TransferRecordsUnreadable) {
  admin.Exec("RENAME TABLE Qvx331Zk1 TO Qvx331Zk1Alt");
  for (void (*run)(RunContext&) : {PaisyLohnprogramm, PaisyBrLohnprogramm}) {
    fs::remove(tree / "Quantivel_php/log/log#lug.txt");
    EXPECT_EQ(1, ExitCodeOf([&] { run(Ctx); }));
    EXPECT_NE(std::string::npos, RunLog().find("Datenbankfehler 1146 bei SELECT Qvx331Zk1: ")) << RunLog();
    EXPECT_TRUE(RunLog().ends_with("\r\nAbbruch wegen Fehler, Status: 60\r\n")) << RunLog();
  }
  EXPECT_FALSE(fs::exists(fs::path(Dir()) / "PaisyP4b.txt"));
  EXPECT_FALSE(fs::exists(fs::path(Dir()) / "PaisyP4.txt"));
}

// The month totals of the statistics belong to the run's month. A record of
// February handed over with the March run (here the person's first record)
// gets only its own days, under February; the totals go under March once.
TEST_F(PaisyExport, MonthTotalsOnlyUnderTheRunsMonth) {
  admin.Exec(
      "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Tge, Zk1Sts, Zk1Von, Zk1Bis,"
      " Zk1Upn) VALUES (5, 0, 'P4', '2026-02-27', '1001', 'KR', '1', 10, 108, '2026-02-01', '2026-02-28', '501'),"
      " (5, 0, 'P4', '2026-03-04', '1001', 'KR', '1', 20, 108, '2026-03-01', '2026-03-31', '501');"
      "INSERT INTO Qvx331Zk2 (Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Stt, Zk2Svt, Zk2Ant, Zk2Bzt) VALUES"
      " (5, '1001', '2026-03-01', 20, 21, 3, 18);"
      "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz, Lg1Stt, Lg1Svt) VALUES ('PAISY', 'P4', 1, 1);"
      "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvDms) VALUES ('1001', '01', '2020-01-01', 9600)");
  PaisyLohnprogramm(Ctx);
  PaisyBrLohnprogramm(Ctx);
  ExpectGolden("paisy_month_totals.txt", TransferFile("PaisyP4.txt") + TransferFile("PaisyP4b.txt"));
}
