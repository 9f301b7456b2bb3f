#include "export/sap.h"

#include <cmath>
#include <map>
#include <string>

#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// Widths of the fixed-width fields.
constexpr int kPnrWidth = 8;
constexpr int kLnaWidth = 4;
constexpr int kNameWidth = 30;
constexpr int kHoursWidth = 7;

// Absence code and factor of a wage-type line.
struct FkzLine {
  int Status = 0;
  std::string Fkz;
  double Mog = 0;
};

// Staged fields of one record, shared by both infotypes.
struct SapRow {
  std::string Art;
  std::string Mnd;
  std::string Pnr;
  std::string Nam;
  std::string Lna;
  std::string Von;
  std::string Bis;
  int64_t Exa = 0;  // minutes times the factor in ten-thousandths (hours = Exa / 600000)
  std::string Hnd;
};

// State of one SAP export.
struct SapExport {
  std::string LugLug;
  std::string Mnd;
  SqlCursor Zk1;
  // wage-type lines per wage type, kind and account; names per person
  std::map<std::string, FkzLine> Lines;
  std::map<std::string, std::string> Names;
};

// A delete that fails is reported as every staging clear is: a row that stays
// behind would be handed over again, so -1 ends the run.
[[nodiscard]] int SQL_Qvx333Sap_Delete() {
  int st = SqlWrite(" DELETE FROM Qvx333S10 ");
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333Sap, Sqlfhl: %d", st);
  int st2 = SqlWrite(" DELETE FROM Qvx333S01 ");
  if (st2 != 0 && st2 != kSqlNoMoreRows) ReportStatus(st2, "DeleteFehler QVX333Sap, Sqlfhl: %d", st2);
  return st2;
}

// The record's own personnel number Zk1Pnr comes along for the name look-up.
[[nodiscard]] int SQL_Qvx331Zk1_SelectSap(SqlCursor& c, int32_t abr, int16_t lfn) {
  return SqlOpenStreamed(
      c, SqlFormat("SELECT trim(COALESCE(Zk1Stz, ' ')), trim(COALESCE(Zk1Zkt, ' ')), "
                   "trim(COALESCE(Zk1Lna, ' ')), date_format(Zk1Von, '%%d.%%m.%%Y'), "
                   "date_format(Zk1Bis, '%%d.%%m.%%Y'), COALESCE(Zk1Std, 0), trim(COALESCE(Zk1Upn, ' ')), "
                   "trim(COALESCE(Zk1Lgr, ' ')), Zk1Rre, Zk1Pnr  FROM Qvx331Zk1 "
                   " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d "
                   " ORDER BY Zk1Upn, Zk1Lna, Zk1Von, Zk1Bis, Zk1Pnr, Zk1Stz, Zk1Zkt, Zk1Bdt, Zk1Lgr, "
                   "Zk1Kst, Zk1Ktr",
                   abr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchSap(SqlCursor& c, TransferRecord& r) {
  return SqlFetchInto(c, r.Zk1Stz, r.Zk1Zkt, r.Zk1Lna, r.Zk1Von, r.Zk1Bis, r.Zk1Std, r.Zk1Upn, r.Zk1Lgr, r.Zk1Rre,
                      r.Zk1Pnr);
}

// The newest line comes first when a wage type has several.
[[nodiscard]] int SQL_Qvx171Lu1_GetFkz(const std::string& lug, const TransferRecord& r, FkzLine& line) {
  return SqlSelectOne(SqlFormat("SELECT Lu1Fkz, Lu1Mog  FROM Qvx171Lu1  WHERE Lu1Num = '%s'   AND Lu1Lna = '%s' "
                                "  AND Lu1Stz = '%s'   AND Lu1Ztk = '%s'  ORDER BY Lu1Gvo DESC",
                                lug, r.Zk1Lna, r.Zk1Stz, r.Zk1Zkt),
                      line.Fkz, line.Mog);
}

const FkzLine& LineOf(SapExport& x, const TransferRecord& r) {
  std::string key = r.Zk1Lna + '\x1f' + r.Zk1Stz + '\x1f' + r.Zk1Zkt;
  auto it = x.Lines.find(key);
  if (it != x.Lines.end()) return it->second;
  FkzLine line;
  line.Status = SQL_Qvx171Lu1_GetFkz(x.LugLug, r, line);
  Trim(line.Fkz);
  return x.Lines.emplace(std::move(key), std::move(line)).first->second;
}

// Name of the person, cut to its field; empty when the person is not found.
const std::string& NameOf(SapExport& x, const std::string& pnr) {
  auto it = x.Names.find(pnr);
  if (it != x.Names.end()) return it->second;
  std::string name;
  int st = SQL_Qvx300Pnr_GetName(pnr, name);
  if (st == -1) AbortRun(60);  // a lost connection is no missing name
  if (st != 0) name.clear();
  return x.Names.emplace(pnr, SubStr(name, 0, kNameWidth)).first->second;
}

// DD.MM.YYYY as DDMMYYYY followed by two blanks.
std::string SapDate(const std::string& ddmmyyyy) {
  return SubStr(ddmmyyyy, 0, 2) + SubStr(ddmmyyyy, 3, 2) + SubStr(ddmmyyyy, 6, 4) + "  ";
}

[[nodiscard]] int SQL_Qvx333S10_Write(const SapRow& row) {
  // the hours follow the exact sum, six decimals (assignments run from left
  // to right)
  return StagingWrite(SqlFormat("INSERT INTO Qvx333S10 (S10Art, S10Mnd, S10Pnr, S10Nam, S10Lna, S10Von, S10Std, "
                                "S10Btr, S10Hnd, S10Fil, S10Exa) VALUES ('%s', '%s', '%s', '%s', '%s', '%s', "
                                "ROUND(%lld / 600000E0, 6), '%s', '%s', '%s', %lld)",
                                row.Art, row.Mnd, row.Pnr, row.Nam, row.Lna, row.Von, row.Exa, "", row.Hnd, "",
                                row.Exa),
                      [&] {
                        return SqlFormat(
                            "UPDATE Qvx333S10 SET S10Exa = S10Exa + %lld, "
                            "S10Std = ROUND(S10Exa / 600000E0, 6), S10Btr = '%s' "
                            " WHERE S10Mnd = '%s' AND S10Pnr = '%s' AND S10Lna = '%s' AND S10Von = '%s'",
                            row.Exa, "", row.Mnd, row.Pnr, row.Lna, row.Von);
                      });
}

[[nodiscard]] int SQL_Qvx333S01_Write(const SapRow& row) {
  return StagingWrite(SqlFormat("INSERT INTO Qvx333S01 (S01Art, S01Mnd, S01Pnr, S01Nam, S01Lna, S01Von, S01Bis, "
                                "S01Uzv, S01Uzb, S01Hnd, S01Fil) VALUES ('%s', '%s', '%s', '%s', '%s', '%s', '%s', "
                                "'%s', '%s', '%s', '%s')",
                                row.Art, row.Mnd, row.Pnr, row.Nam, row.Lna, row.Von, row.Bis, "", "", row.Hnd, ""),
                      [&] {
                        return SqlFormat(
                            "UPDATE Qvx333S01 SET S01Bis = '%s' "
                            " WHERE S01Mnd = '%s' AND S01Pnr = '%s' AND S01Lna = '%s' AND S01Von = '%s'",
                            row.Bis, row.Mnd, row.Pnr, row.Lna, row.Von);
                      });
}

// Stages one transfer record under the infotype its wage-type line names.
void StageRecord(SapExport& x, const TransferRecord& r) {
  // the csv file separates its fields by ";", the txt file has fixed widths
  if (!RecordFitsLine(r, ";")) return;
  const FkzLine& line = LineOf(x, r);
  if (line.Status != 0) {
    // without its line the record cannot be placed; the next records still go
    if (line.Status == -1) AbortRun(60);
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "keine Lohnart", "kein Fehltagekennz. für Lohnart %s",
                     r.Zk1Lna);
    return;
  }
  // a cut personnel number or wage type would merge the values of two
  if (r.Zk1Upn.size() > kPnrWidth) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return;
  }
  if (r.Zk1Lna.size() > kLnaWidth) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
    return;
  }
  SapRow row;
  row.Mnd = x.Mnd;
  row.Pnr = r.Zk1Upn;
  std::string pnr = r.Zk1Pnr;
  row.Nam = NameOf(x, RTrim(pnr));
  if (!FitsLine(row.Nam, ";")) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, 0, "Zeilenumbruch oder Trennzeichen",
                     "Pnr %s: Zeilenumbruch oder Trennzeichen im Namen '%s', Satz nicht übergeben (Lohnart %s)",
                     ShownText(r.Zk1Pnr), ShownText(row.Nam), r.Zk1Lna);
    return;
  }
  row.Lna = r.Zk1Lna;
  row.Von = SapDate(r.Zk1Von);
  row.Bis = SapDate(r.Zk1Bis);
  row.Hnd = r.Zk1Rre == 2 ? "X" : " ";
  if (line.Fkz.empty() || line.Fkz == "0") {
    if (r.Zk1Std == 0) {
      // infotype 2010 carries hours only
      HandedOverNothing();
      return;
    }
    row.Art = "2010";
    row.Exa = int64_t{r.Zk1Std} * (line.Mog != 0 ? std::llround(line.Mog * 10000) : 10000);
    int st = SQL_Qvx333S10_Write(row);
    if (st != 0) ReportStatus(st, "Qvx333S10 Insert-/UpdateFehler, Sqlfhl: %d", st);
  } else {
    row.Art = "2001";
    int st = SQL_Qvx333S01_Write(row);
    if (st != 0) ReportStatus(st, "Qvx333S01 Insert-/UpdateFehler, Sqlfhl: %d", st);
  }
}

// Hours with two decimals and a decimal comma in their field; a value that
// does not fit the field is not handed over (0 and the log line).
std::string HoursField(double hours, const std::string& pnr) {
  std::string text = Format("%7.2f", hours);
  if (std::fabs(hours) > 999999 || text.size() > static_cast<size_t>(kHoursWidth)) {
    LeaveOutRecord("zu groß, als 0 übergeben", "Std. zu groß f.Übergabe, Pnr: %s", pnr);
    text = Format("%7.2f", 0.0);
  }
  return DecimalComma(text);
}

// Opens both files of an infotype as files of the set; a file that cannot be
// created ends the run.
void CreateFiles(const RunContext& ctx, ExportSet& set, ExportFile& txt, ExportFile& csv, const char* name) {
  ExportFileCreate(ctx, txt, Format("\\%s.txt", name), Format("Exportdatei %s kann nicht geoeffnet werden !", name),
                   &set);
  ExportFileCreate(ctx, csv, Format("\\%s.csv", name), Format("Exportdatei %s.csv kann nicht geoeffnet werden !", name),
                   &set);
}

// Ends the loop over a staging table: -1 ends the run, other failures are
// logged with the table's message.
void StagingReadEnd(int st, const char* table) {
  if (st == kSqlNoMoreRows) return;
  ReportStatus(st, "%s Lesefehler, Sqlfhl: %d", table, st);
}

void Write2010(const RunContext& ctx, ExportSet& set) {
  ExportFile txt, csv;
  CreateFiles(ctx, set, txt, csv, "SAP2010");
  SqlCursor c;
  int st = SqlOpen(c,
                   "SELECT  S10Art, S10Mnd, S10Pnr, S10Nam, S10Lna, S10Von, S10Std, S10Btr,  S10Hnd, S10Fil "
                   " FROM  Qvx333S10  ORDER BY S10Pnr, S10Mnd, S10Lna, SUBSTR(S10Von, 5, 4), "
                   "SUBSTR(S10Von, 3, 2), SUBSTR(S10Von, 1, 2)");
  while (st == 0) {
    std::string art, mnd, pnr, nam, lna, von, btr, hnd, fil;
    double std = 0;
    st = SqlFetchInto(c, art, mnd, pnr, nam, lna, von, std, btr, hnd, fil);
    if (st != 0) break;
    std::string hours = HoursField(std, pnr);
    std::string mndF = Format("%-3s", mnd), pnrF = Format("%-8s", pnr), namF = Format("%-30s", nam);
    std::string lnaF = Format("%-4s", lna), btrF = Format("%-13s", btr), filF = Format("%-14s", fil);
    ExportWriteF(txt, "%s%s%s%s%s%s%s%s%s%s\n", art, mndF, pnrF, namF, lnaF, von, hours, btrF, hnd, filF);
    // the csv file repeats the line for imports that read csv: the record is
    // counted once, at the fixed-width file
    HandedOverRecord(pnr, lna, WrittenNumber(hours), 0);
    ExportWriteF(csv, "%s;%s;%s;%s;%s;%s;%s;%s;%s;%s\n", art, mndF, pnrF, namF, lnaF, von, hours, btrF, hnd, filF);
  }
  dbClose(c);
  StagingReadEnd(st, "Qvx333S10");
  ExportFileClose(txt);
  ExportFileClose(csv);
}

void Write2001(const RunContext& ctx, ExportSet& set) {
  ExportFile txt, csv;
  CreateFiles(ctx, set, txt, csv, "SAP2001");
  SqlCursor c;
  int st = SqlOpen(c,
                   "SELECT  S01Art, S01Mnd, S01Pnr, S01Nam, S01Lna, S01Von, S01Bis, S01Uzv, S01Uzb, S01Hnd, "
                   "S01Fil  FROM  Qvx333S01  ORDER BY S01Pnr, S01Mnd, S01Lna, SUBSTR(S01Von, 5, 4), "
                   "SUBSTR(S01Von, 3, 2), SUBSTR(S01Von, 1, 2)");
  while (st == 0) {
    std::string art, mnd, pnr, nam, lna, von, bis, uzv, uzb, hnd, fil;
    st = SqlFetchInto(c, art, mnd, pnr, nam, lna, von, bis, uzv, uzb, hnd, fil);
    if (st != 0) break;
    std::string mndF = Format("%-3s", mnd), pnrF = Format("%-8s", pnr), namF = Format("%-30s", nam);
    std::string lnaF = Format("%-4s", lna), uzvF = Format("%-5s", uzv), uzbF = Format("%-5s", uzb);
    std::string filF = Format("%-14s", fil);
    ExportWriteF(txt, "%s%s%s%s%s%s%s%s%s%s%s\n", art, mndF, pnrF, namF, lnaF, von, bis, uzvF, uzbF, hnd, filF);
    // an absence period without value; counted at the fixed-width file like 2010
    HandedOverRecord(pnr, lna, 0, 0);
    ExportWriteF(csv, "%s;%s;%s;%s;%s;%s;%s;%s;%s;%s;%s\n", art, mndF, pnrF, namF, lnaF, von, bis, uzvF, uzbF, hnd,
                 filF);
  }
  dbClose(c);
  StagingReadEnd(st, "Qvx333S01");
  ExportFileClose(txt);
  ExportFileClose(csv);
}

// The four files are one hand-over: the payroll import must never take the
// 2010 pair of this run with the 2001 pair of an earlier one.
void SapWriteFiles(const RunContext& ctx) {
  ExportSet files;
  files.RemoveOldWhenPlaced("SAP2010.txt");
  files.RemoveOldWhenPlaced("SAP2001.txt");
  files.RemoveOldWhenPlaced("SAP2010.csv");
  files.RemoveOldWhenPlaced("SAP2001.csv");
  Write2010(ctx, files);
  Write2001(ctx, files);
  files.Place(ctx);
}

}  // namespace

void SapLohnprogramm(RunContext& ctx) {
  Log("\nSAP-Lohnprogramm Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  // a failed delete is reported there
  if (ctx.AkrSsl == 1) (void)SQL_Qvx333Sap_Delete();

  SapExport x;
  LugRecord lug;
  RequireRead(SQL_Qvx171Lug_GetLugFir(ctx.Akr, lug), "Qvx171Lug");
  x.LugLug = lug.LugLug;
  x.Mnd = FirmText(lug, ctx.Akr, 3);
  RequireFitsLine(x.Mnd, ";", "LugFir");

  RequireRead(SQL_Qvx331Zk1_SelectSap(x.Zk1, ctx.Abrnr, ctx.Lfn), "Qvx331Zk1");
  TransferRecord r;
  int st;
  while ((st = SQL_Qvx331Zk1_FetchSap(x.Zk1, r)) == 0) {
    StageRecord(x, r);
    r = TransferRecord{};
  }
  if (st == -1) AbortRun(60);
  dbClose(x.Zk1);
  SapWriteFiles(ctx);
  Log("SAP-Lohnprogramm beendet");
}
