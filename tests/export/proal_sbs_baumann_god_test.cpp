#include <gtest/gtest.h>

#include <filesystem>

#include "export/baumann.h"
#include "export/god.h"
#include "export/proal.h"
#include "export/sbs.h"
#include "export_fixture.h"
#include "run/db.h"

namespace {

// Circle 01 (clearing on) with interface L1, accounting number 5 = March 2026.
const char* kCompany =
    "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt) VALUES ('01', 'L1', 1, 0);"
    "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir) VALUES ('L1', 'X', '12');"
    "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('01', 5, '2026-03-01', '2026-03-31');"
    "INSERT INTO Qvx300Pnr (PnrNum, PnrNam) VALUES ('P1', 'Eins');";

// n records of run 0 for the persons P1 and P2 (in turn), each on its own
// day, of record kind stz.
std::string Records(int n, const char* stz) {
  std::string sql;
  for (int i = 0; i < n; ++i)
    sql += Format(
        "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Kst, Zk1Std, Zk1Von, "
        "Zk1Bis, Zk1Sta, Zk1Upn) VALUES (5, 0, '%s', '2026-03-%02d', 'P%d', 'AZ', '100', '10', 60, '2026-03-01', "
        "'2026-03-31', 1, 'P%d');",
        stz, i + 1, i % 2 + 1, i % 2 + 1);
  return sql;
}

struct Case {
  const char* Name;
  void (*Run)(RunContext&);
  const char* Table;
  const char* Stz;
  const char* Log;  // the exporter's lines with the staging table missing
  int PerRecord;    // statements per record: the insert, and the update where a row of the key exists
};

const Case kCases[] = {
    {"ProAL", ProalLohnprogramm, "Qvx333Pro", "LA",
     "\r\nProAL-Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\nDeleteFehler QVX333Pro, Sqlfhl: 1146\r\n"
     "ProAL-InsertFehler, Pnr: P1, Sqlfhl: 1146\r\nProAL-InsertFehler, Pnr: P2, Sqlfhl: 1146\r\n"
     "Qvx333Pro-Lesefehler, Sqlfhl: 1146\r\nProAL-Lohnprogramm beendet\r\n",
     1},
    {"SBS", SbsLohnprogramm, "Qvx333Sbs", "LA",
     "\r\nSBS-Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\nDeleteFehler QVX333Sbs, Sqlfhl: 1146\r\n"
     "Qvx333Sbs Insert-/UpdateFehler, Sqlfhl: 1146\r\nQvx333Sbs Insert-/UpdateFehler, Sqlfhl: 1146\r\n"
     "Qvx333Sbs-Lesefehler, Sqlfhl: 1146\r\nSBS-Lohnprogramm beendet\r\n",
     1},
    {"Baumann", BaumannLohnprogramm, "Qvx333Bmn", "LA",
     "\r\nBaumann-Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\nDeleteFehler Qvx333Bmn, Sqlfhl: 1146\r\n"
     "Qvx333Bmn Insert-/UpdateFehler, Sqlfhl: 1146\r\nQvx333Bmn Insert-/UpdateFehler, Sqlfhl: 1146\r\n"
     "Qvx333Bmn-Lesefehler, Sqlfhl: 1146\r\n2 Datens\xE4tze aus Qvx333Zk1 \xFC"
     "bergeben.\r\nBaumann-Lohnprogramm beendet\r\n",
     2},
    {"GOD", GodLohnprogramm, "Qvx333God", "970",
     "\r\nGOD-Lohnprogramm Akr: 01, Abrnr: 5 gestartet\r\nDeleteFehler QVX333GOD, Sqlfhl: 1146\r\n"
     "Qvx333God Insert-/UpdateFehler, Sqlfhl: 1146\r\nQvx333God Insert-/UpdateFehler, Sqlfhl: 1146\r\n"
     "Qvx333God-Lesefehler, Sqlfhl: 1146\r\nQvx333God-Lesefehler, Sqlfhl: 1146\r\n2 Datens\xE4tze aus Qvx333Zk1 \xFC"
     "bergeben.\r\nGOD-Lohnprogramm beendet\r\n",
     2},
};

}  // namespace

class StagingExport : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    admin.Exec(kCompany);
    Ctx.AkrSsl = 1;
    Ctx.DbTime = "05.04.2026 07:30:00";
  }
};

// A staging table the server does not have ends the run at its first
// statement with the server's error and 60, before anything is handed over
// (a run that went on logged every record and wrote 98).
TEST_F(StagingExport, TableMissing) {
  for (const Case& c : kCases) {
    admin.Exec("DELETE FROM Qvx331Zk1");
    admin.Exec(Records(2, c.Stz));
    admin.Exec(std::string("RENAME TABLE ") + c.Table + " TO Weg");
    std::filesystem::remove(tree / "Quantivel_php/log/log#lug.txt");
    EXPECT_EQ(1, dbCommit());  // each export runs in a transaction of its own, after the settlement's commit
    EXPECT_EQ(1, ExitCodeOf([&] { c.Run(Ctx); })) << c.Name;
    std::string log = RunLog();
    EXPECT_NE(std::string::npos, log.find("\r\nDatenbankfehler 1146 bei DELETE ")) << c.Name << log;
    EXPECT_TRUE(log.ends_with("doesn't exist\r\nAbbruch wegen Fehler, Status: 60\r\n")) << c.Name << log;
    EXPECT_EQ("60\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis")) << c.Name;
    admin.Exec(std::string("RENAME TABLE Weg TO ") + c.Table);
  }
}

// Statements of an export: a few per run, and per record only its staging
// write; look-ups (wage-type lines, names) are read once. ProAL and SBS write
// a row per record here, Baumann and GOD add the days of a person to one row.
TEST_F(StagingExport, StatementsPerRecord) {
  for (const Case& c : kCases) {
    long used[2];
    for (int n : {10, 30}) {
      admin.Exec("DELETE FROM Qvx331Zk1");
      admin.Exec(Records(n, c.Stz));
      EXPECT_EQ(1, dbCommit());
      long before = dbStatementCount();
      c.Run(Ctx);
      used[n == 30] = dbStatementCount() - before;
    }
    EXPECT_EQ(20 * c.PerRecord, used[1] - used[0]) << c.Name;
    EXPECT_GE(6, used[0] - 10 * c.PerRecord) << c.Name;
  }
}

// The transfer records cannot be read: the run is aborted with status 60, not
// handed over as a run without records.
TEST_F(StagingExport, TransferRecordsUnreadable) {
  admin.Exec("RENAME TABLE Qvx331Zk1 TO Qvx331Zk1Alt");
  for (const Case& c : kCases) {
    std::filesystem::remove(tree / "Quantivel_php/log/log#lug.txt");
    admin.Exec("UPDATE O1001AbrKreis SET AkrAdt = 0");
    EXPECT_EQ(1, dbCommit());
    EXPECT_EQ(1, ExitCodeOf([&] { c.Run(Ctx); })) << c.Name;
    std::string log = RunLog();
    EXPECT_EQ("Abbruch wegen Fehler, Status: 60\r\n", log.substr(log.rfind("\r\n", log.size() - 3) + 2)) << c.Name;
    EXPECT_EQ("60\n", admin.QueryText("SELECT AkrAdt FROM O1001AbrKreis")) << c.Name;
  }
  admin.Exec("RENAME TABLE Qvx331Zk1Alt TO Qvx331Zk1");
}

// GOD: the hours of one wage type under two cost centres stay two lines.
// Values that cancel (three times 20 minutes and -60) are written without a
// sign, by ProAL too. A 331 record with negative days takes back what an
// earlier run sent: it is logged and sets no to-date, so an absence shortened
// from 27.-29.10. ends on the 28th and a removed one is not handed over.
TEST_F(StagingExport, GodCostCentresTakenBackAbsencesAndZeros) {
  std::string sql;
  const struct {
    const char *Stz, *Bdt, *Zkt, *Lna, *Kst;
    int Std, Tge;
    const char *Von, *Bis;
  } records[] = {
      {"970", "2026-03-02", "AZ", "100", "K1", 90, 0, "2026-03-01", "2026-03-31"},
      {"970", "2026-03-02", "AZ", "100", "K2", 30, 0, "2026-03-01", "2026-03-31"},
      {"970", "2026-03-03", "A1", "200", "K1", 20, 0, "2026-03-01", "2026-03-31"},
      {"970", "2026-03-03", "A2", "200", "K1", 20, 0, "2026-03-01", "2026-03-31"},
      {"970", "2026-03-03", "A3", "200", "K1", 20, 0, "2026-03-01", "2026-03-31"},
      {"970", "2026-03-03", "A4", "200", "K1", -60, 0, "2026-03-01", "2026-03-31"},
      {"331", "2025-10-27", "KR", "K", "", 0, 20, "2025-10-27", "2025-10-28"},
      {"331", "2025-10-27", "KR", "K", "", 0, -30, "2025-10-27", "2025-10-29"},
      {"331", "2025-10-12", "KR", "K", "", 0, -30, "2025-10-12", "2025-10-14"},
  };
  for (const auto& r : records)
    sql += Format(
        "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Std, "
        "Zk1Tge, Zk1Von, Zk1Bis, Zk1Rre, Zk1Upn) VALUES (5, 0, '%s', '%s', 'P1', '%s', '%s', 'KR', '%s', %d, %d, "
        "'%s', '%s', 2, 'P1');",
        r.Stz, r.Bdt, r.Zkt, r.Lna, r.Kst, r.Std, r.Tge, r.Von, r.Bis);
  admin.Exec(sql);
  EXPECT_EQ(1, dbCommit());
  EXPECT_EQ(-1, ExitCodeOf([this] { GodLohnprogramm(Ctx); }));
  EXPECT_EQ(-1, ExitCodeOf([this] { ProalLohnprogramm(Ctx); }));
  ExpectGolden("god_proal_cost_centres_zeros.txt", TransferFile("PVZERZDP.DAT") + TransferFile("ProAL.txt"));
  std::string log = RunLog();
  EXPECT_NE(std::string::npos, log.find(Cp1252("Pnr P1: Fehlzeit mit negativem Wert nicht übergeben (121025 - "
                                               "141025, Rre 2)\r\n")));
}
