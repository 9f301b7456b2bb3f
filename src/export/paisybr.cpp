// PAISY(Br) export: the PAISY frame with P1b lines of hours only, P4b lines
// per person and month from the month totals of the statistics and the
// contractual monthly minutes, no P3 lines and a 44-character layout.
#include <cmath>
#include <cstdlib>

#include "calc/interface_record.h"
#include "export/exact_sums.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/paisy.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

using namespace paisy;

namespace {

// Month values of the current person and accounting month.
struct MonthValues {
  double Stt = 0, Svt = 0, Ant = 0, Uns = 0, Bzt = 0, Unt = 0, Slt = 0;
};

// What lives for one PAISY(Br) export.
struct PaisyBrRun : RunHeader {
  WageTypeCache Lines;
  std::map<std::string, Lg1Values> Lg1;
  bool HaveGroup = false;
  std::string LastPnr;
  int32_t LastAbd = 0;
  MonthValues M;
};

// Values derived from one transfer record.
struct RecordValues {
  AccountingDate Date;
  int Abn = 1;
  int32_t Lhn = 0;
  std::string Prs, Lhg, Kst;
};

std::string P4bWhere(const PaisyBrRun& s, const RecordValues& d) {
  return SqlFormat(" WHERE Ps4Stz = 'P4'  AND Ps4Frm = '%s'  AND Ps4Prs = '%s'  AND Ps4Abd = %ld  AND Ps4Abn = %d",
                   s.Firm, d.Prs, d.Date.Abd, d.Abn);
}

std::string P4bInsert(const PaisyBrRun& s, const RecordValues& d, double bta, double bas, double ana, double kra) {
  return SqlFormat(
      "INSERT INTO Qvx333Ps4B (Ps4Stz, Ps4Frm, Ps4Prs, Ps4Abd, Ps4Abn, Ps4Dne, Ps4F37, Ps4Bta, Ps4St1,"
      " Ps4F33, Ps4Bas, Ps4St2, Ps4F12, Ps4Sta, Ps4St3, Ps4F13, Ps4Sva, Ps4St4, Ps4F14, Ps4Ana, Ps4St5,"
      " Ps4F15, Ps4Kra, Ps4St6) VALUES ('P4', '%s', '%s', %ld, %d, ' ', 37, %f, '*', 33, %f, '*', 12, %f,"
      " '*', 13, %f, '*', 14, %f, '*', 15, %f, '*')",
      s.Firm, d.Prs, d.Date.Abd, d.Abn, bta, bas, s.M.Stt, s.M.Svt, ana, kra);
}

// First record of a person and accounting month: the month totals of the
// statistics row of the record's period and the contractual hours, reduced
// by the unpaid target days, open the month's P4 row.
void StartGroup(const RunContext& ctx, PaisyBrRun& s, const TransferRecord& r, const RecordValues& d) {
  s.HaveGroup = true;
  s.LastPnr = r.Zk1Pnr;
  s.LastAbd = d.Date.Abd;
  std::string von = ctx.AbrVon, bis = ctx.AbrBis;
  if (r.Zk1Rre == 2) {
    int st = SQL_Qvx330Abr_GetPeriod(ctx.Akr, r.Zk1Rrn, von, bis);
    if (st != 0) ReportStatus(st, "Fehler Lesen Qvx330Abr (7): %d", st);
  }
  // The statistics row carries the start of its period as date. Matching it
  // against the record's date would find no row for a person whose first
  // record lies within the month, and the month's day counts would be
  // missing from payroll without a word.
  s.M = MonthValues{};
  MonthValues& m = s.M;
  // the period's row holds the totals of the run's month: a following-month
  // record of an earlier month must not hand them over a second time
  if (r.Zk1Rre != 2 && !InRunPeriod(ctx, r)) return;
  // a retro record takes the retro statistics row (Zk2Rre 2), any other record the others
  int st = SqlSelectOne(SqlFormat("SELECT Zk2Stt, Zk2Svt, Zk2Ant, Zk2Uns, Zk2Bzt, Zk2Unt, Zk2Slt  FROM Qvx331Zk2 "
                                  " WHERE Zk2Abr = %ld  AND Zk2Pnr = '%s' "
                                  " AND DATE_FORMAT(Zk2Bdt, '%%Y.%%m.%%d') = '%s'  AND (Zk2Rre = 2) = %d",
                                  ctx.Abrnr, r.Zk1Pnr, von, r.Zk1Rre == 2 ? 1 : 0),
                        m.Stt, m.Svt, m.Ant, m.Uns, m.Bzt, m.Unt, m.Slt);
  CheckRead(st, "Qvx331Zk2");
  if (st != 0) return;
  double bas = 0, dms = 0;
  st = SqlSelectOne(SqlFormat("SELECT BsvDms  FROM Qvx310Bsv  WHERE BsvPnr = '%s'   AND date_format(BsvGvo, "
                              "'%%Y.%%m.%%d') <= '%s'   AND (   BsvGbi IS NULL        OR date_format(BsvGbi, "
                              "'%%Y.%%m.%%d') >= '%s' ) ORDER BY BsvPnr, BsvGvo DESC ",
                              r.Zk1Pnr, bis, von),
                    dms);
  if (st == 0) {
    if (dms > 0) {
      if (m.Slt > 0) dms = dms - m.Unt * dms / m.Slt;
      bas = dms * 0.016666666666666666;
      if (bas < 0) bas = 0;
    }
  } else {
    ReportStatus(st, "  Pnr: %s Fehler beim Lesen der DMS: %d", r.Zk1Pnr, st);
  }
  // a second run without clearing does not add the month's totals again
  st = StagedRow("Qvx333Ps4B", SqlWrite(P4bInsert(s, d, m.Bzt, bas, m.Ant, 0)));
  if (st != 0 && st != kSqlDuplicate) ReportStatus(st, "Qvx333Ps4B-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
}

void AddP4b(const RunContext& ctx, PaisyBrRun& s, const TransferRecord& r, const RecordValues& d) {
  double bta = 0, bas = 0, ana = 0, kra = 0;
  // hours like the month's contractual hours in the same column
  if (r.Zk1Sts == 3) bas = r.Zk1Std * 0.016666666666666666;
  if (r.Zk1Sts == 103) bta = r.Zk1Tge * 0.1;
  if (r.Zk1Sts == 108) kra = r.Zk1Tge * 0.1;
  const Lg1Values& lg1 = Lg1Get(s.Lg1, ctx.Lug.LugLgp, r.Zk1Stz);
  if (lg1.Status != 0)
    ReportStatus(lg1.Status, "Qvx170Lg1-SelectFehler,Lgp: %s, Stz: %s, Sqlfhl: %d", ctx.Lug.LugLgp, r.Zk1Stz,
                 lg1.Status);
  if (lg1.Stt == 0) s.M.Stt = 0;
  if (lg1.Svt == 0) s.M.Svt = 0;
  if (d.Abn != 1 && bta + bas + ana + kra == 0) return;
  Accumulate(
      P4bInsert(s, d, bta, bas, ana, kra),
      [&] {
        return SqlFormat(
                   "UPDATE Qvx333Ps4B SET Ps4Bta = Ps4Bta + %f, Ps4Bas = Ps4Bas + %f, Ps4Sta = %f, Ps4Sva = %f,"
                   " Ps4Ana = Ps4Ana + %f, Ps4Kra = Ps4Kra + %f",
                   bta, bas, s.M.Stt, s.M.Svt, ana, kra) +
               P4bWhere(s, d);
      },
      "Qvx333Ps4B-InsertFehler, Pnr: %s, Sqlfhl: %d", "Qvx333Ps4B-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr);
}

void AddP1b(const PaisyBrRun& s, const TransferRecord& r, const RecordValues& d) {
  // the wage type has three digits in the file; a cut would merge two wage types
  std::string lna = r.Zk1Lna;
  if (RTrim(lna).size() > 3) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", r.Zk1Upn);
    return;
  }
  // hours exactly, in units of 1/6000000 hour (a minute is 100000); the
  // staged hours follow the exact sum, six decimals (assignments run from
  // left to right)
  int64_t hours;
  if (r.Zk1Std == 0) hours = int64_t{r.Zk1Tge} * 600000;
  else if (r.Zk1Sts == 112) hours = int64_t{r.Zk1Std} * 60000;
  else hours = int64_t{r.Zk1Std} * 100000;
  Accumulate(
      SqlFormat("INSERT INTO Qvx333Ps1B (Ps1Stz, Ps1Frm, Ps1Prs, Ps1Abt, Ps1Abd, Ps1Abn, Ps1Dne, Ps1Lhn,"
                " Ps1Ztd, Ps1Lhg, Ps1Kst, Ps1Zex) VALUES ('P1', '%s', '%s', %d, %ld, %d, '1', %ld,"
                " ROUND(%lld / 6000000E0, 6), '%s', '%s', %lld)",
                s.Firm, d.Prs, d.Date.Abt, d.Date.Abd, d.Abn, d.Lhn, hours, d.Lhg, d.Kst, hours),
      [&] {
        return SqlFormat(
            "UPDATE Qvx333Ps1B SET Ps1Zex = Ps1Zex + %lld, Ps1Ztd = ROUND(Ps1Zex / 6000000E0, 6) "
            " WHERE Ps1Stz = 'P1'  AND Ps1Frm = '%s' "
            " AND Ps1Prs = '%s'  AND Ps1Abt = %d  AND Ps1Abd = %ld  AND Ps1Abn = %d "
            " AND Ps1Lhn = %ld  AND Ps1Lhg = '%s'  AND Ps1Kst = '%s'",
            hours, s.Firm, d.Prs, d.Date.Abt, d.Date.Abd, d.Abn, d.Lhn, d.Lhg, d.Kst);
      },
      "Qvx333Ps1B-InsertFehler, Pnr: %s, Sqlfhl: %d", "Qvx333Ps1B-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr);
}

void HandleRecord(RunContext& ctx, PaisyBrRun& s, TransferRecord& r) {
  if (!RecordFitsLine(r, "")) return;
  RecordValues d;
  d.Abn = r.Zk1Rre == 2 ? 2 : 1;
  d.Date = AccountingDateOf(r.Zk1Bdt, s.Lug.LugMon, 0, false);
  Lu1Line line;
  if (!ApplyAssignment(ctx, s.Lines, s.Lug.LugLug, r, line)) return;
  if (!PersonFits(r)) return;
  d.Lhn = ToLong(r.Zk1Lna);
  d.Prs = SubStr(r.Zk1Upn, 0, 6);
  d.Lhg = SubStr(r.Zk1Lgr, 0, 4);
  d.Kst = SubStr(r.Zk1Kst, 0, 5);
  if (!s.HaveGroup || r.Zk1Pnr != s.LastPnr || d.Date.Abd != s.LastAbd) StartGroup(ctx, s, r, d);
  std::string kind = SubStr(r.Zk1Stz, 0, 2);
  if (kind == "P4" || kind == "SS") AddP4b(ctx, s, r, d);
  else if (kind == "P1" || kind == "LS") AddP1b(s, r, d);
}

std::string P1bLine(const std::vector<std::string>& c) {
  std::string hours = ZonedNumber(std::strtod(c[13].c_str(), nullptr) * 100, 5, c[3]);
  // hours in hundredths, the wage type in three digits
  HandedOverRecord(PersonOfLine(c[3]), c[10], ZonedValue(hours) / 100, 0);
  return c[0] + c[1] + c[2] + c[3] + c[4] + "00" + c[6] + c[7] + " " + c[9] + c[10] + c[11] + c[12] + hours + c[14] +
         c[15] + c[16] + c[17];
}

std::string P4bLine(const std::vector<std::string>& c) {
  auto num = [&](size_t i, double factor, size_t width) {
    return ZonedNumber(std::strtod(c[i].c_str(), nullptr) * factor, width, c[3]);
  };
  std::string days = num(9, 10, 3), hours = num(12, 100, 5);
  // the person's month: days of absence in tenths and hours in hundredths,
  // counted as one record of "P4" (the SS records are handed over here)
  HandedOverRecord(PersonOfLine(c[3]), "P4", ZonedValue(hours) / 100, ZonedValue(days) / 10);
  return c[0] + c[1] + c[2] + c[3] + c[4] + c[5] + c[6] + c[7] + c[8] + days + c[10] + c[11] + hours + c[13] + c[14] +
         num(15, 10, 3) + c[22];
}

}  // namespace

void PaisyBrLohnprogramm(RunContext& ctx) {
  PaisyBrRun s;
  paisy::Run(
      ctx,
      {
          .Started = "\nPaisy(Br) Lohnprogramm Akr: %s, Abrnr: %d gestartet",
          .Finished = "Paisy(Br) Lohnprogramm beendet",
          .Tables = {"Qvx333Ps1B", "Qvx333Ps3B", "Qvx333Ps4B"},
          .OrderBy = "Zk1Pnr, Zk1Bdt, Zk1Stz, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Von, Zk1Bis",
          .LogReading = false,
          .Handle = [&](TransferRecord& r) { HandleRecord(ctx, s, r); },
          .WriteFiles =
              [&ctx](ExportSet& files) {
                // the products are formatted here as whole numbers, a negative value with
                // its sign on the last digit
                WriteStagingFile(
                    ctx, files, "PaisyP1b.txt", "Schnittstellendatei P1b kann nicht geoeffnet werden !",
                    "SELECT lpad(COALESCE(Ps1Stz, ' '),  2, ' '),  lpad(COALESCE(Ps1Frm, ' '), 2, ' '),  "
                    "lpad(COALESCE(Ps1F02, ' '),  2, ' '),  lpad(COALESCE(Ps1Prs, ' '), 6, ' '),  "
                    "lpad(COALESCE(Ps1F04, ' '),  4, ' '),  lpad(COALESCE(Ps1Abt, '0'), 2, '0'),  "
                    "lpad(COALESCE(Ps1Abd, '0'),  4, '0'),  lpad(COALESCE(Ps1Abn, '0'), 1, '0'),  "
                    "lpad(COALESCE(Ps1Dne, ' '),  1, ' '),  lpad(COALESCE(Ps1F10, '0'), 2, '0'),  "
                    "lpad(COALESCE(Ps1Lhn, '0'),  3, '0'),  lpad(COALESCE(Ps1St1, ' '), 1, ' '),  "
                    "lpad(COALESCE(Ps1F11, '0'),  2, ' '),  COALESCE(Ps1Ztd, 0),  "
                    "lpad(COALESCE(Ps1St2, ' '),  1, ' '),  lpad(COALESCE(Ps1F13, '0'), 2, ' '),  "
                    "lpad(COALESCE(Ps1Lhg, ' '),  3, ' '),  lpad(COALESCE(Ps1St3, ' '), 1, ' '),  "
                    "lpad(COALESCE(Ps1F14, ' '),  6, ' '),  lpad(COALESCE(Ps1Kst, ' '), 5, ' '),  "
                    "lpad(COALESCE(Ps1F25, ' '), 25, ' ')  FROM Qvx333Ps1B  ORDER BY Ps1Prs, Ps1Abd, Ps1Abt, "
                    "Ps1Abn, Ps1Lhn, Ps1Lhg, Ps1Kst",
                    21, P1bLine);
                // no absence periods are handed over: the file stays empty
                files.RemoveOldWhenPlaced("PaisyP3b.txt");
                ExportFile p3b;
                ExportFileCreate(ctx, p3b, "\\PaisyP3b.txt", "Schnittstellendatei P3b kann nicht geoeffnet werden !",
                                 &files);
                ExportFileClose(p3b);
                WriteStagingFile(
                    ctx, files, "PaisyP4b.txt", "Schnittstellendatei P4b kann nicht geoeffnet werden !",
                    "SELECT lpad(COALESCE(Ps4Stz, ' '), 2, ' '), lpad(COALESCE(Ps4Frm, ' '), 2, ' '), "
                    "lpad(COALESCE(Ps4F02, ' '), 2, ' '), lpad(COALESCE(Ps4Prs, ' '), 6, ' '), "
                    "lpad(COALESCE(Ps4F06, ' '), 6, ' '), lpad(COALESCE(Ps4Abd, '0'), 4, '0'), "
                    "lpad(COALESCE(Ps4Abn, '0'), 1, ' '), lpad(COALESCE(Ps4Dne, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F37, '0'), 2, ' '), COALESCE(Ps4Bta, 0), lpad(COALESCE(Ps4St1, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F33, '0'), 2, ' '), COALESCE(Ps4Bas, 0), lpad(COALESCE(Ps4St2, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F12, '0'), 2, ' '), COALESCE(Ps4Sta, 0), lpad(COALESCE(Ps4St3, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F13, '0'), 2, ' '), COALESCE(Ps4Sva, 0), lpad(COALESCE(Ps4St4, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F14, '0'), 2, ' '), COALESCE(Ps4Ana, 0), lpad(COALESCE(Ps4St5, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F15, '0'), 2, ' '), COALESCE(Ps4Kra, 0), lpad(COALESCE(Ps4St6, ' '), 1, ' '), "
                    "lpad(COALESCE(Ps4F19, ' '), 19, ' ')  FROM Qvx333Ps4B  ORDER BY Ps4Prs, Ps4Abd, Ps4Abn",
                    27, P4bLine);
              },
      },
      s);
}
