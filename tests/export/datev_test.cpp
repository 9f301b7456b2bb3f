#include <gtest/gtest.h>

#include <filesystem>

#include "export/datev.h"
#include "export/dispatch.h"
#include "export_fixture.h"
#include "run/db.h"

namespace fs = std::filesystem;

namespace {

// Circle 01 with interface L1 (DATEV), accounting number 5 = March 2026.
const char* kCompany =
    "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt) VALUES ('01', 'L1', 0, 0);"
    "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugMon, LugFir, LugAkr) VALUES ('L1', 'DATEV', 0, '4711', '0815');"
    "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 4, '2026-02-01', '2026-02-28'),"
    "  ('01', 5, '2026-03-01', '2026-03-31');";

// Wage-type lines: AZ hands over both cost fields, UEB no cost centre, NZ no
// cost unit from February on (an older line still hands it over), URL none at
// the period start (the line from 15 March on is not used), KRK has no line of
// its own interface.
const char* kLines =
    "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Kst, Lu1Ktr) VALUES"
    " ('L1', 'LA', 'AZ', '100', '2026-01-01', 1, 1),"
    " ('L1', 'LB', 'AZ', '100', '2026-01-01', 0, 0),"
    " ('L1', 'LA', 'UEB', '200', '2026-01-01', 0, 1),"
    " ('L1', 'LA', 'NZ', '300', '2025-01-01', 1, 1),"
    " ('L1', 'LA', 'NZ', '300', '2026-02-01', 1, 0),"
    " ('L1', 'LA', 'URL', '400', '2026-01-01', 0, 0),"
    " ('L1', 'LA', 'URL', '400', '2026-03-15', 1, 1),"
    " ('L2', 'LA', 'KRK', '500', '2026-01-01', 0, 0);";

std::string Zk1(int abr, int lfn, const char* stz, const char* bdt, const char* pnr, const char* zkt, const char* lna,
                const char* lgr, const char* kst, const char* ktr, int std, int tge, int sta, const char* upn) {
  return Format(
      "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, "
      "Zk1Krt, Zk1Std, Zk1Tge, Zk1Von, Zk1Bis, Zk1Sta, Zk1Upn) VALUES (%d, %d, '%s', '%s', '%s', '%s', '%s', '%s', "
      "'%s', '%s', 'K1', %d, %d, '2026-03-01', '2026-03-31', %d, '%s');",
      abr, lfn, stz, bdt, pnr, zkt, lna, lgr, kst, ktr, std, tge, sta, upn);
}

}  // namespace

class DatevExport : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    admin.Exec(kCompany);
    admin.Exec(kLines);
  }
  std::string Header() {
    std::string f = TransferFile("datev.csv");
    return f.substr(0, f.find('\r'));
  }
};

// The cases of the DATEV format in one file: month-account sums in field 7, hours
// with a decimal comma, negative corrections, day digits, days-only records
// left out, interim and final records, cost centre and cost unit suppressed by
// the wage-type line valid at the period start, Windows-1252 texts.
TEST_F(DatevExport, RecordsOfAllRunningNumbers) {
  std::string rows =
      Zk1(5, 0, "LA", "2026-03-01", "1001", "AZ", "100", "     ", "K100", "T1", 480, 0, 1, "501") +
      Zk1(5, 0, "LA", "2026-03-01", "1001", "UEB", "200", "     ", "K100", "T1", 90, 0, 1, "501") +
      Zk1(5, 0, "LA", "2026-03-07", "1001", "NZ", "300", "     ", "K100", "T1", 20, 0, 2, "501") +
      Zk1(5, 0, "LA", "2026-03-17", "1001", "NZ", "300", "     ", "K100", "T1", -30, 0, 2, "501") +
      Zk1(5, 0, "LA", "2026-03-09", "1001", "URL", "400", "     ", "K100", "T1", 0, 2, 2, "501") +
      Zk1(5, 0, "LA", "2026-03-10", "1001", "URL", "400", "     ", "K100", "T1", 480, 10, 2, "501") +
      Zk1(5, 0, "LA", "2026-03-20", "1002", "KRK", "500", "Prä", "Kühlhaus", "Maß", 450, 10, 2, "Jürgen") +
      Zk1(5, 15, "LA", "2026-03-02", "1002", "NZ", "300", "     ", "K200", "T2", 60, 0, 2, "Jürgen") +
      Zk1(5, 0, "LA", "2026-03-02", "1002", "NZ", "300", "     ", "K200", "T2", 61, 0, 2, "Jürgen") +
      Zk1(5, 0, "LB", "2026-03-01", "1002", "AZ", "100", " ", "K200", "T2", 123456, 0, 1, "Jürgen") +
      Zk1(5, 0, "LA", "2026-03-01", "1003", "SFR", "900", " ", "K300", "", 600, 0, 0, "503") +
      Zk1(5, 0, "LA", "2026-03-31", "1003", "NZ", "300", "     ", "K300", "T3", 1, 0, 2, "503") +
      Zk1(4, 0, "LA", "2026-02-10", "1003", "NZ", "300", "     ", "K300", "T3", 999, 0, 2, "503");
  admin.Exec(Cp1252(rows));
  fs::path old = tree / "Transfer" / U8Path("Lohn- und Gehaltsübergabe");
  fs::create_directories(old);
  WriteFileBytes(U8Text(old / "datev.csv"), "alt");

  long before = dbStatementCount();
  DatevLohnprogramm(Ctx);
  // period start, header, records, and one line read per kind, account and wage type (7)
  EXPECT_EQ(3 + 7, dbStatementCount() - before);

  ExpectGolden("datev_records.csv", TransferFile("datev.csv"));
  // the record with days only is left out, and the log says so
  EXPECT_EQ(
      Cp1252("\r\nDatev Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\n"
             "Pnr 1001: Satz nur mit Tagen (0,2 Tage), DATEV übernimmt nur Stunden, nicht übergeben (Lohnart 400)\r\n"
             "Datev Lohnprogramm beendet\r\n"),
      RunLog());
  EXPECT_FALSE(fs::exists(old / "datev.csv"));
}

TEST_F(DatevExport, HeaderMonth) {
  const struct {
    const char* Von;
    int LugMon;
    const char* Header;
  } cases[] = {
      {"2013-12-01", 1, "4711;0815;01/2014"},  {"2013-01-01", -1, "4711;0815;12/2012"},
      {"2026-03-01", 0, "4711;0815;03/2026"},  {"2026-03-16", 12, "4711;0815;03/2027"},
      {"2026-12-01", 12, "4711;0815;12/2027"}, {"2026-01-01", 12, "4711;0815;01/2027"},
      {"2026-10-01", 3, "4711;0815;01/2027"},
  };
  for (const auto& c : cases) {
    admin.Exec(Format("UPDATE Qvx330Abr SET AbrVon = '%s' WHERE AbrNum = 5; UPDATE Qvx171Lug SET LugMon = %d", c.Von,
                      c.LugMon));
    EXPECT_EQ(1, dbCommit());  // each export runs in a transaction of its own, after the settlement's commit
    DatevLohnprogramm(Ctx);
    EXPECT_EQ(c.Header, Header()) << c.Von << " " << c.LugMon;
    EXPECT_EQ(c.Header + std::string("\r\n"), TransferFile("datev.csv"));
  }
}

// Without an interface record the header carries empty numbers and the month
// of the period start; no wage-type line is found, so the record keeps its
// cost centre and cost unit.
TEST_F(DatevExport, InterfaceRecordMissing) {
  admin.Exec("UPDATE O1001AbrKreis SET AkrLug = 'XX'");
  admin.Exec(Zk1(5, 0, "LA", "2026-03-01", "1001", "URL", "400", "     ", "K100", "T1", 480, 10, 1, "501"));
  DatevLohnprogramm(Ctx);
  EXPECT_EQ(";;03/2026\r\n501;;;400;;;8,00;;;K100;T1\r\n", TransferFile("datev.csv"));
}

// Called through the dispatcher for any code that begins with DATEV.
TEST_F(DatevExport, ReachedThroughTheDispatcher) {
  Ctx.Lug.LugLgp = "DATEV";
  ExportDispatch(Ctx);
  EXPECT_EQ("4711;0815;03/2026\r\n", TransferFile("datev.csv"));
  fs::remove(tree / "Transfer/Lohn und Gehalt/Export/S/datev.csv");
  Ctx.Lug.LugLgp = "DATE";
  ExportDispatch(Ctx);
  EXPECT_FALSE(fs::exists(tree / "Transfer/Lohn und Gehalt/Export/S/datev.csv"));
}

TEST_F(DatevExport, FileCannotBeCreated) {
  const std::string start = "\r\nDatev Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\n";
  // the transfer folder is missing
  Ctx.TransferDir = "..\\Transfer\\Lohn und Gehalt\\Export\\FEHLT";
  EXPECT_EQ(1, ExitCodeOf([this] { DatevLohnprogramm(Ctx); }));
  EXPECT_EQ(start + "Datevdatei kann nicht geoeffnet werden !\r\n", RunLog());
  // a file stands in the folder's place
  WriteFileBytes((tree / "Transfer/Lohn und Gehalt/Export/FEHLT").string(), "");
  EXPECT_EQ(1, ExitCodeOf([this] { DatevLohnprogramm(Ctx); }));
  EXPECT_EQ(start + "Datevdatei kann nicht geoeffnet werden !\r\n" + start +
                "Datevdatei kann nicht geoeffnet werden !\r\n",
            RunLog());
  EXPECT_EQ("0\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis"));
}

TEST_F(DatevExport, DiskFull) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /dev/full of a POSIX system";
#endif
  fs::create_symlink("/dev/full", tree / ("Transfer/Lohn und Gehalt/Export/S/datev.csv." + Ctx.Akr + ".tmp"));
  admin.Exec(Zk1(5, 0, "LA", "2026-03-01", "1001", "AZ", "100", "     ", "K100", "T1", 480, 0, 1, "501"));
  EXPECT_EQ(1, ExitCodeOf([this] { DatevLohnprogramm(Ctx); }));
  EXPECT_EQ(Cp1252("\r\nDatev Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\n"
                   "Schreibfehler in Datei ..\\Transfer\\Lohn und Gehalt\\Export\\S\\datev.csv, "
                   "Übergabe abgebrochen !\r\n"),
            RunLog());
  EXPECT_EQ("0\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis"));
}

// The transfer records cannot be read: the run is aborted with status 60; no
// part of the file is handed over (neither datev.csv nor its temporary file).
TEST_F(DatevExport, TransferRecordsUnreadable) {
  admin.Exec("RENAME TABLE Qvx331Zk1 TO Qvx331Zk1Alt");
  EXPECT_EQ(1, ExitCodeOf([this] { DatevLohnprogramm(Ctx); }));
  EXPECT_TRUE(
      RunLog().starts_with("\r\nDatev Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\n"
                           "Datenbankfehler 1146 bei SELECT Qvx331Zk1: Table '"))
      << RunLog();
  EXPECT_TRUE(RunLog().ends_with("doesn't exist\r\nAbbruch wegen Fehler, Status: 60\r\n")) << RunLog();
  EXPECT_FALSE(fs::exists(tree / "Transfer/Lohn und Gehalt/Export/S/datev.csv"));
  EXPECT_FALSE(fs::exists(tree / ("Transfer/Lohn und Gehalt/Export/S/datev.csv." + Ctx.Akr + ".tmp")));
  EXPECT_EQ("60\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis"));
}

// Kind, account and wage type spelled differently but equal for the database
// are one wage-type line: read once, applied to both records.
TEST_F(DatevExport, LineReadOncePerKindAccountAndWageTypeAsTheServerCompares) {
  admin.Exec(Zk1(5, 0, "LA", "2026-03-02", "1001", "UEB", "200", "     ", "K100", "T1", 60, 0, 2, "501") +
             Zk1(5, 0, "la", "2026-03-03", "1002", "ueb ", "200", "     ", "K200", "T2", 120, 0, 2, "502"));
  EXPECT_EQ(1, dbCommit());
  long before = dbStatementCount();
  DatevLohnprogramm(Ctx);
  EXPECT_EQ(3 + 1, dbStatementCount() - before);
  EXPECT_EQ("4711;0815;03/2026\r\n501;2;     ;200;1,00;;;;;;T1\r\n502;3;     ;200;2,00;;;;;;T2\r\n",
            TransferFile("datev.csv"));
}

// A wage-type line that cannot be read is no missing line: the failure is
// logged and the record left out, named in the run's report, never handed
// over with the cost fields a missing line would leave; the line is read
// again for the next record.
TEST_F(DatevExport, UnreadableWageTypeLineLeavesTheRecordOut) {
  admin.Exec(Zk1(5, 0, "LA", "2026-03-02", "1001", "UEB", "200", "     ", "K100", "T1", 60, 0, 2, "501") +
             Zk1(5, 0, "LA", "2026-03-03", "1002", "UEB", "200", "     ", "K200", "T2", 120, 0, 2, "502"));
  EXPECT_EQ(1, dbCommit());
  // period start, header, records, then the line of the first record
  dbSetFaultHook([first = dbStatementCount()](long n) { return n == first + 4 ? 1292 : 0; });
  DatevLohnprogramm(Ctx);
  dbSetFaultHook(nullptr);
  EXPECT_EQ("4711;0815;03/2026\r\n502;3;     ;200;2,00;;;;;;T2\r\n", TransferFile("datev.csv"));
  EXPECT_EQ(
      "\r\nDatev Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\nFehler beim Lesen Qvx171Lu1: 1292\r\n"
      "Datev Lohnprogramm beendet\r\n",
      RunLog());
  ASSERT_EQ(1u, Ctx.Handover.LeftOut.size());
  EXPECT_EQ("501", Ctx.Handover.LeftOut[0].Pnr);
  EXPECT_EQ("200", Ctx.Handover.LeftOut[0].WageType);
  EXPECT_EQ(1.0, Ctx.Handover.LeftOut[0].Hours);
}

// The decimal point of the hours becomes a comma wherever it stands, also
// behind eight digits of hours.
TEST_F(DatevExport, DecimalCommaOfLongHours) {
  admin.Exec(Zk1(5, 0, "LA", "2026-03-02", "1001", "AZ", "100", " ", "K100", "T1", 2000000000, 0, 2, "501"));
  EXPECT_EQ(1, dbCommit());
  DatevLohnprogramm(Ctx);
  EXPECT_EQ("4711;0815;03/2026\r\n501;2; ;100;33333333,33;;;;;K100;T1\r\n", TransferFile("datev.csv"));
}
