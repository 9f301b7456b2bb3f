#include "export/baumann.h"

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/staging_export.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// One row of Qvx333Bmn.
struct BmnRecord {
  std::string BmnStz, BmnFir, BmnFl1, BmnPnr, BmnKst, BmnDat, BmnAbm, BmnLna;
  double BmnStd = 0;   // as read back for the file
  int32_t BmnMin = 0;  // exact minutes; BmnStd is formatted from their sum
  std::string BmnKnz;
  double BmnZf1 = 0, BmnZf2 = 0;
  std::string BmnFl2, BmnAnf, BmnPsn;
  double BmnFkt = 0, BmnZus = 0;
};

[[nodiscard]] int SQL_Qvx333Bmn_Delete() { return SqlWrite("DELETE FROM Qvx333Bmn"); }

// The run's transfer records by person, and within a person by date and cost
// centre: an accumulated row keeps the cost centre of its first record, which
// is then the same in every run.
[[nodiscard]] int SQL_Qvx331Zk1_SelectBmn(SqlCursor& c, int32_t abr, int16_t lfn) {
  return SqlOpenStreamed(
      c, SqlFormat("SELECT Zk1Lna, date_format(Zk1Bdt, '%%Y.%%m.%%d'), COALESCE(Zk1Std, 0), Zk1Kst, Zk1Upn "
                   " FROM Qvx331Zk1  WHERE Zk1Abr = %ld  AND Zk1Lfn = %d "
                   " ORDER BY Zk1Upn, Zk1Bdt, Zk1Kst, Zk1Lna, Zk1Std",
                   abr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchBmn(SqlCursor& c, TransferRecord& r) {
  return SqlFetchInto(c, r.Zk1Lna, r.Zk1Bdt, r.Zk1Std, r.Zk1Kst, r.Zk1Upn);
}

// Decimal hours of a number of minutes, the hundredths truncated towards zero
// as integer division does (100 minutes give 1.66, -90 give -1.50).
std::string BaumannHours(int32_t minutes) {
  // in 64 bits: the hundredths of the largest minute sums pass 32 bits
  int64_t m = minutes;
  return ExactText(m / 60 * 100 + m % 60 * 10 / 6, 2);
}

[[nodiscard]] int SQL_Qvx333Bmn_Write(const BmnRecord& b) {
  std::string insert = SqlFormat(
      "INSERT INTO Qvx333Bmn (BmnStz, BmnFir, BmnFl1, BmnPnr, BmnKst, BmnDat, BmnAbm, BmnLna, BmnStd, BmnKnz, "
      "BmnZf1, BmnZf2, BmnFl2, BmnAnf, BmnPsn, BmnFkt, BmnZus, BmnMin) VALUES ('%s', '%s', '%s', '%s', '%s', '%s', "
      "'%s', '%s', %s, '%s', %f, %f, '%s', '%s', '%s', %f, %f, %ld)",
      b.BmnStz, b.BmnFir, b.BmnFl1, b.BmnPnr, b.BmnKst, b.BmnDat, b.BmnAbm, b.BmnLna, BaumannHours(b.BmnMin), b.BmnKnz,
      b.BmnZf1, b.BmnZf2, b.BmnFl2, b.BmnAnf, b.BmnPsn, b.BmnFkt, b.BmnZus, b.BmnMin);
  // the minutes are added and the hours formatted from their sum, in the
  // database as BaumannHours does (assignments run from left to right)
  return StagingWrite(insert, [&] {
    return SqlFormat(
        "UPDATE Qvx333Bmn SET BmnMin = BmnMin + %ld, BmnStd = (TRUNCATE(BmnMin / 60, 0) * 100 "
        "+ TRUNCATE(MOD(BmnMin, 60) * 10 / 6, 0)) / 100  WHERE BmnStz = '%s'  AND BmnPnr = '%s' "
        " AND BmnAbm = '%s'  AND BmnLna = '%s'",
        b.BmnMin, b.BmnStz, b.BmnPnr, b.BmnAbm, b.BmnLna);
  });
}

[[nodiscard]] int SQL_Qvx333Bmn_Select(SqlCursor& c) {
  return SqlOpen(c,
                 "SELECT BmnStz, BmnFir, BmnFl1, BmnPnr, BmnKst, BmnDat, BmnAbm, BmnLna, BmnStd, BmnKnz, BmnZf1, "
                 "BmnZf2, BmnFl2, BmnAnf, BmnPsn, BmnFkt, BmnZus  FROM Qvx333Bmn "
                 " ORDER BY BmnPnr, BmnAbm, BmnLna, BmnStz");
}

[[nodiscard]] int SQL_Qvx333Bmn_Fetch(SqlCursor& c, BmnRecord& b) {
  return SqlFetchInto(c, b.BmnStz, b.BmnFir, b.BmnFl1, b.BmnPnr, b.BmnKst, b.BmnDat, b.BmnAbm, b.BmnLna, b.BmnStd,
                      b.BmnKnz, b.BmnZf1, b.BmnZf2, b.BmnFl2, b.BmnAnf, b.BmnPsn, b.BmnFkt, b.BmnZus);
}

// A numeric field with a decimal comma; a value whose text is wider than the
// field is written as 0 with a message.
std::string Amount(const char* fmt, size_t width, double v, const std::string& pnr) {
  std::string text = Format(fmt, v);
  if (text.size() > width) {
    LeaveOutRecord("zu groß, als 0 übergeben", "Wert zu groß f.Übergabe, Pnr: %s", pnr);
    text = Format(fmt, 0.0);
  }
  return DecimalComma(text);
}

void BaumannWriteFile(const RunContext& ctx) {
  DeleteOldTransferFile(ctx, "BMNLUG.txt");
  ExportFile file;
  ExportFileCreate(ctx, file, "\\BMNLUG.txt", " BMN-Exportdatei kann nicht geoeffnet werden !");

  // a selection that fails is logged like a failed fetch
  SqlCursor c;
  int st = SQL_Qvx333Bmn_Select(c);
  BmnRecord b;
  while (st == 0 && (st = SQL_Qvx333Bmn_Fetch(c, b)) == 0) {
    std::string hours = Amount("%8.2f", 8, b.BmnStd, b.BmnPnr);
    ExportWriteF(file, "%-2s%-5s%-3s%-4s%-6s%-2s%-2s%-3s%s%-1s%s%s%-2s%-11s%-5s%s%s\n", b.BmnStz, b.BmnFir, b.BmnFl1,
                 b.BmnPnr, b.BmnKst, b.BmnDat, b.BmnAbm, b.BmnLna, hours, b.BmnKnz,
                 Amount("%8.2f", 8, b.BmnZf1, b.BmnPnr), Amount("%8.2f", 8, b.BmnZf2, b.BmnPnr), b.BmnFl2, b.BmnAnf,
                 b.BmnPsn, Amount("%5.2f", 5, b.BmnFkt, b.BmnPnr), Amount("%5.2f", 5, b.BmnZus, b.BmnPnr));
    // the file is the hand-over, the staging row only collects its values
    HandedOverRecord(b.BmnPnr, b.BmnLna, WrittenNumber(hours), 0);
    b = BmnRecord{};
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) ReportStatus(st, "Qvx333Bmn-Lesefehler, Sqlfhl: %d", st);
  ExportFileClose(file);
}

// A staging row of the record, or a log line for a field that does not fit.
void WriteRecord(const BmnRecord& fixed, const TransferRecord& r) {
  std::string pnr = NoTrailingBlanks(r.Zk1Upn);
  std::string kst = NoTrailingBlanks(r.Zk1Kst);
  std::string lna = NoTrailingBlanks(r.Zk1Lna);
  if (pnr.size() > 4) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "PersNr. zu lang : %s", r.Zk1Upn);
  } else if (kst.size() > 6) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "Kostenstelle zu lang : %s", r.Zk1Kst);
  } else if (lna.size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
  } else {
    BmnRecord b = fixed;
    b.BmnPnr = pnr;
    b.BmnKst = kst;
    b.BmnLna = lna;
    b.BmnMin = r.Zk1Std;
    int ws = SQL_Qvx333Bmn_Write(b);
    if (ws != 0) ReportStatus(ws, "Qvx333Bmn Insert-/UpdateFehler, Sqlfhl: %d", ws);
  }
}

// The columns every row of the run has.
void ReadFixedColumns(const RunContext& ctx, BmnRecord& fixed) {
  LugRecord lug;
  int ls = SQL_Qvx171Lug_GetFir(ctx.Akr, lug);
  if (ls != 0) ReportStatus(ls, "Qvx171Lug-Lesenfehler: %d", ls);
  fixed.BmnStz = "83";
  fixed.BmnAbm = SubStr(ctx.AbrVon, 5, 2);
  fixed.BmnKnz = "0";
  if (lug.LugFir.size() > 5) Log("Firma zu lang : %s", lug.LugFir);
  fixed.BmnFir = SubStr(lug.LugFir, 0, 5);
}

}  // namespace

void BaumannLohnprogramm(RunContext& ctx) {
  BmnRecord fixed;
  RunStagingExport(ctx, {
                            .Started = "\nBaumann-Lohnprogramm Akr: %s, Abrnr: %d gestartet",
                            .Finished = "Baumann-Lohnprogramm beendet",
                            .Clears = {{SQL_Qvx333Bmn_Delete, "DeleteFehler Qvx333Bmn, Sqlfhl: %d"}},
                            .ReadInterface = [&] { ReadFixedColumns(ctx, fixed); },
                            .Select = [&ctx](SqlCursor& c) { return SQL_Qvx331Zk1_SelectBmn(c, ctx.Abrnr, ctx.Lfn); },
                            .Fetch = SQL_Qvx331Zk1_FetchBmn,
                            .Write = [&](const TransferRecord& r, int32_t) { WriteRecord(fixed, r); },
                            .Finish = [&ctx] { BaumannWriteFile(ctx); },
                            .LogCount = true,
                            .LogBrokenRead = false,
                        });
}
