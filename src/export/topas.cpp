#include "export/topas.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/staging_write.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

constexpr int kKstWidth = 10;
constexpr int kLnaWidth = 3;

// What the interim runs of the accounting number sent for a record.
struct InterimValues {
  int32_t Count = 0;  // 0: nothing was sent
  int32_t Std = 0;
  int32_t Tge = 0;
  std::string Von;
  std::string Bis;
};

// State of one TOPAS export.
struct TopasExport {
  std::string Firm;
  std::string LugLug;
  bool InterimRule = false;
  SqlCursor Zk1;
  WageTypeCache Lines;
  int32_t Count = 0;
};

// A failed delete is reported as every staging clear is: a row that stays
// behind would be handed over again, so -1 ends the run.
void DeleteStaging(const char* statement) {
  int st = SqlWrite(statement);
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333Tp?, Sql-Fehler: %d", st);
}

[[nodiscard]] int SQL_Qvx331Zk1_CountLfn2(int32_t abrnr, int32_t& count) {
  return SqlSelectOne(SqlFormat("SELECT COUNT(Zk1Abr)   FROM Qvx331Zk1  WHERE Zk1Abr = %ld   AND Zk1Lfn = 2 ", abrnr),
                      count);
}

// The run's transfer records. Under the interim rule each record comes with
// what the interim runs sent for the same value: the records of running
// number 2 of the same person, record kind, account, wage type, group and
// cost assignment, read in the same statement. A day record (Zk1Sta 2: a day
// of a day account, or a run of days, which keeps its first day as booking
// date while it grows) matches the interim records of its booking day; any
// other record matches by period start (month accounts start at the period
// start, whatever booking date the run gave them).
[[nodiscard]] int SQL_Qvx331Zk1_OpenTopas(SqlCursor& c, int32_t abrnr, int16_t lfn, bool interim) {
  if (!interim) return SQL_Qvx331Zk1_OpenRun(c, abrnr, lfn);
  return SqlOpenStreamed(
      c,
      SqlCheckLength(
          std::string("SELECT ") + kZk1ExportColumns +
          SqlFormat(", COALESCE(i.Cnt, 0), COALESCE(i.Std, 0), COALESCE(i.Tge, 0), "
                    "date_format(i.Von, '%%d.%%m.%%Y'), date_format(i.Bis, '%%d.%%m.%%Y')  FROM Qvx331Zk1 z "
                    " LEFT JOIN (SELECT Zk1Stz AS Stz, Zk1Pnr AS Pnr, Zk1Zkt AS Zkt, Zk1Lna AS Lna, Zk1Lgr AS Lgr, "
                    "Zk1Kst AS Kst, Zk1Ktr AS Ktr, Zk1Sta = 2 AS Day, IF(Zk1Sta = 2, Zk1Bdt, Zk1Von) AS Pos, "
                    "MIN(Zk1Von) AS Von, COUNT(*) AS Cnt, SUM(Zk1Std) AS Std, SUM(Zk1Tge) AS Tge, MAX(Zk1Bis) AS Bis "
                    " FROM Qvx331Zk1  WHERE Zk1Abr = %ld AND Zk1Lfn = 2 "
                    " GROUP BY Zk1Stz, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Day, Pos) i "
                    " ON i.Stz = z.Zk1Stz AND i.Pnr = z.Zk1Pnr AND i.Zkt = z.Zk1Zkt AND i.Lna = z.Zk1Lna "
                    "AND i.Lgr = z.Zk1Lgr AND i.Kst = z.Zk1Kst AND i.Ktr = z.Zk1Ktr AND i.Day = (z.Zk1Sta = 2) "
                    "AND i.Pos = IF(z.Zk1Sta = 2, z.Zk1Bdt, z.Zk1Von) "
                    " WHERE z.Zk1Abr = %ld  AND z.Zk1Lfn = %d "
                    " ORDER BY z.Zk1Upn, z.Zk1Pnr, z.Zk1Lna, z.Zk1Bdt, z.Zk1Stz, z.Zk1Zkt, z.Zk1Lgr, z.Zk1Kst, "
                    "z.Zk1Ktr, z.Zk1Von, z.Zk1Bis",
                    abrnr, abrnr, lfn)));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchTopas(TopasExport& x, TransferRecord& r, InterimValues& iv) {
  if (!x.InterimRule) return SqlFetchTransfer(x.Zk1, r);
  return SqlFetchTransfer(x.Zk1, r, iv.Count, iv.Std, iv.Tge, iv.Von, iv.Bis);
}

// Exact value of a record: minutes, or tenths of a day when it carries no
// minutes, times the factor in ten-thousandths (10000 without a factor).
// Hours are exact / 600000, days exact / 100000; sums are added in these
// units and formatted once.
struct ExactValue {
  bool Hours = true;
  int64_t Units = 0;
};

constexpr int64_t kHourUnits = 600000;  // one hour in minutes times 10000
constexpr int64_t kDayUnits = 100000;   // one day in tenths times 10000

ExactValue RecordValue(const TransferRecord& r) {
  ExactValue v;
  v.Hours = r.Zk1Std != 0;
  v.Units = v.Hours ? int64_t{r.Zk1Std} * 10000 : int64_t{r.Zk1Tge} * 10000;
  return v;
}

// A value beyond its limit (whole hours or days) is handed over as the
// largest value allowed, with its sign; over: the limit itself is beyond.
ExactValue Capped(ExactValue v, int64_t limitPositive, int64_t capPositive, int64_t limitNegative, int64_t capNegative,
                  const std::string& upn, bool over) {
  int64_t unit = v.Hours ? kHourUnits : kDayUnits;
  int64_t limit = (v.Units >= 0 ? limitPositive : limitNegative) * unit;
  int64_t a = v.Units >= 0 ? v.Units : -v.Units;
  if (over ? a < limit : a <= limit) return v;
  LeaveOutRecord("zu groß, gekappt", "PNR %s: Stundenwert zu groß f.Übergabe", upn);
  v.Units = v.Units >= 0 ? capPositive * unit : -capNegative * unit;
  return v;
}

// Hundredths of hours or days of exact units; 0 is an empty field.
std::string Hundredths(int64_t units, bool hours) {
  int64_t h = ExactRound(units, (hours ? kHourUnits : kDayUnits) / 100, 0);
  return h == 0 ? std::string() : Format("%lld", h);
}

// DD.MM.YYYY of a YYYY.MM.DD text.
std::string GermanDate(const std::string& ymd) {
  return SubStr(ymd, 8, 2) + "." + SubStr(ymd, 5, 2) + "." + SubStr(ymd, 0, 4);
}

void WriteTp2(const TransferRecord& r, const std::string& firm, const InterimValues* iv) {
  std::string von = r.Zk1Von, bis = r.Zk1Bis;
  if (iv) TopasRemainingPeriod(iv->Von, iv->Bis, von, bis);
  std::string lgr = SubStr(r.Zk1Lgr, 0, 3);
  std::string lna = SubStr(r.Zk1Lna, 0, 3);
  if (lgr.empty()) lgr = "?";
  if (lna.empty()) lna = "?";
  ExactValue v = RecordValue(r);
  v = v.Hours ? Capped(v, 10000000, 10000000, 1000000, 1000000, r.Zk1Upn, false)
              : Capped(v, 100000, 100000, 100000, 100000, r.Zk1Upn, false);
  int64_t std = v.Hours ? v.Units : 0, tge = v.Hours ? 0 : v.Units;
  int st = StagingWrite(
      SqlFormat("INSERT INTO Qvx333Tp2 (Tp2Fir, Tp2Upn, Tp2Von, Tp2Bis, Tp2Lgr, Tp2Lna, Tp2Tge, Tp2Std, Tp2Tex, "
                "Tp2Sex) VALUES ('%s', '%s', STR_TO_DATE('%s', '%%d.%%m.%%Y'), STR_TO_DATE('%s', '%%d.%%m.%%Y'), "
                "'%s', '%s', ROUND(%lld / 100000E0, 2), ROUND(%lld / 600000E0, 2), %lld, %lld)",
                firm, r.Zk1Upn, von, bis, lgr, lna, tge, std, tge, std),
      [&] {
        // hours and days with the two decimals of the file follow the exact sums
        // (assignments run from left to right)
        return SqlFormat(
            "UPDATE Qvx333Tp2 SET Tp2Tex = Tp2Tex + %lld, Tp2Sex = Tp2Sex + %lld, "
            "Tp2Tge = ROUND(Tp2Tex / 100000E0, 2), Tp2Std = ROUND(Tp2Sex / 600000E0, 2)  WHERE Tp2Fir = '%s' "
            "AND Tp2Upn = '%s' AND Tp2Von = STR_TO_DATE('%s', '%%d.%%m.%%Y') "
            "AND Tp2Bis = STR_TO_DATE('%s', '%%d.%%m.%%Y') AND Tp2Lgr = '%s' AND Tp2Lna = '%s'",
            tge, std, firm, r.Zk1Upn, von, bis, lgr, lna);
      });
  if (st != 0) ReportStatus(st, "Qvx333Tp2 Insert-/UpdateFehler, Sqlfhl: %d", st);
}

void WriteTp1(RunContext& ctx, TopasExport& x, const TransferRecord& r) {
  std::string month = SubStr(r.Zk1Von, 6, 4) + SubStr(r.Zk1Von, 3, 2);
  std::string lna = SubStr(r.Zk1Lna, 0, 3);
  ExactValue v = Capped(RecordValue(r), 10000, 9999, 1000, 999, r.Zk1Upn, true);
  double minutes = 0;
  if (ctx.MndSto == "02272" && (r.Zk1Lna == "654" || r.Zk1Lna == "655")) {
    v.Units = 0;
    minutes = r.Zk1Std;
  }
  std::string bdt = GermanDate(r.Zk1Bdt);
  std::string kst, ktr;
  Lu1Line line;
  int lineStatus = CachedWageTypeLookup(x.Lines, x.LugLug, r, line);
  if (lineStatus == 0) {
    if (line.Lu1Kst != 0) {
      kst = r.Zk1Kst;
      if (RTrim(kst).size() > kKstWidth) {
        // this record is left out; the records after it are still handed over
        LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Kostenstelle zu lang : %s",
                         r.Zk1Kst);
        return;
      }
    }
    if (line.Lu1Ktr != 0) ktr = r.Zk1Ktr;
    // the factor has four decimals: the units stay whole numbers
    if (line.Lu1Mog != 0) v.Units = v.Units * std::llround(line.Lu1Mog * 10000) / 10000;
  } else if (LeftOutForUnreadLine(ctx, lineStatus, r)) {
    return;
  }
  int64_t std = v.Hours ? v.Units : 0, tge = v.Hours ? 0 : v.Units;
  int st = StagingWrite(
      SqlFormat("INSERT INTO Qvx333Tp1 (Tp1Fir, Tp1Upn, Tp1Mo1, Tp1Mo2, Tp1Lna, Tp1Std, Tp1Tge, Tp1Min, Tp1Kst, "
                "Tp1Ktr, Tp1Bdt, Tp1Sex, Tp1Tex) VALUES ('%s', '%s', '%s', '%s', '%s', ROUND(%lld / 600000E0, 2), "
                "ROUND(%lld / 100000E0, 2), %f, '%s', '%s', STR_TO_DATE('%s', '%%d.%%m.%%Y'), %lld, %lld)",
                x.Firm, r.Zk1Upn, month, month, lna, std, tge, minutes, kst, ktr, bdt, std, tge),
      [&] {
        // hours and days with the two decimals of the file follow the exact sums
        // (assignments run from left to right)
        return SqlFormat(
            "UPDATE Qvx333Tp1 SET Tp1Sex = Tp1Sex + %lld, Tp1Tex = Tp1Tex + %lld, "
            "Tp1Std = ROUND(Tp1Sex / 600000E0, 2), Tp1Tge = ROUND(Tp1Tex / 100000E0, 2), Tp1Min = Tp1Min + %f "
            " WHERE Tp1Fir = '%s' AND Tp1Upn = '%s' AND Tp1Mo1 = '%s' AND Tp1Mo2 = '%s' "
            "AND Tp1Lna = '%s' AND Tp1Kst = '%s' AND Tp1Ktr = '%s' "
            "AND Tp1Bdt = STR_TO_DATE('%s', '%%d.%%m.%%Y')",
            std, tge, minutes, x.Firm, r.Zk1Upn, month, month, lna, kst, ktr, bdt);
      });
  if (st != 0) ReportStatus(st, "Qvx333Tp1 Insert-/UpdateFehler, Sqlfhl: %d", st);
}

// One transfer record: what is left after the interim runs, by record type.
void HandleRecord(RunContext& ctx, TopasExport& x, TransferRecord& r, const InterimValues& iv) {
  if (!RecordFitsLine(r, ";")) return;
  bool interim = x.InterimRule && r.Zk1Rre != 2 && iv.Count > 0;
  if (interim) {
    r.Zk1Std -= iv.Std;
    r.Zk1Tge -= iv.Tge;
  }
  if (r.Zk1Std == 0 && r.Zk1Tge == 0) {
    // nothing is left to send (or there never was a value)
    HandedOverNothing();
    return;
  }
  ++x.Count;
  std::string kind = SubStr(r.Zk1Stz, 0, 2);
  if (kind != "LS" && kind != "SS") {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "Satzart nicht unterstützt",
                     "Satzart nicht unterstützt: %s", r.Zk1Stz);
    return;
  }
  // a cut wage type would merge the values of two
  std::string lna = r.Zk1Lna;
  if (RTrim(lna).size() > kLnaWidth) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
    return;
  }
  if (kind == "SS") {
    WriteTp2(r, x.Firm, interim ? &iv : nullptr);
    return;
  }
  WriteTp1(ctx, x, r);
}

std::string Whole(double v) {
  std::string t = Format("%.0f", v);
  return t == "0" || t == "-0" ? std::string() : t;
}

void StagingReadEnd(int st, const char* table) {
  if (st == kSqlNoMoreRows) return;
  ReportStatus(st, "%s Lesefehler, Sqlfhl: %d", table, st);
}

// The two files are one hand-over; they are put in place together.
void TopasWriteFiles(const RunContext& ctx) {
  ExportSet files;
  ExportFile ls;
  ExportFileCreate(ctx, ls, "\\LGD038IM", "TOPAS-Exportdatei(LS) kann nicht geoeffnet werden !", &files);
  SqlCursor c1;
  int n = 0;
  int st = SqlOpen(c1,
                   "SELECT Tp1Fir, Tp1Upn, Tp1Mo1, Tp1Mo2, Tp1Lna, Tp1Sex, Tp1Tex, Tp1Min, Tp1Kst, Tp1Ktr, "
                   "date_format(Tp1Bdt, '%d.%m.%Y')  FROM Qvx333Tp1 "
                   " ORDER BY Tp1Fir, Tp1Upn, Tp1Mo1, Tp1Lna, Tp1Bdt, Tp1Kst, Tp1Ktr");
  while (st == 0) {
    std::string fir, upn, mo1, mo2, lna, kst, ktr, bdt;
    int64_t std = 0, tge = 0;
    double min = 0;
    st = SqlFetchInto(c1, fir, upn, mo1, mo2, lna, std, tge, min, kst, ktr, bdt);
    if (st != 0) break;
    std::string hours = Hundredths(std, true), days = Hundredths(tge, false);
    ExportWriteF(ls, "%s;%s;%s;%s;%s;%s;%s;;;;%s;;;%s;%s;;%s;;;;;;;;;\n", fir, upn, mo1, mo2, lna, hours, days,
                 Whole(min), kst, ktr, bdt);
    // hours and days in hundredths
    HandedOverRecord(upn, lna, WrittenNumber(hours) / 100, WrittenNumber(days) / 100);
    ++n;
  }
  dbClose(c1);
  StagingReadEnd(st, "Qvx333Tp1");
  ExportFileClose(ls);
  Log("%d Datensätze in Datei LGD038IM (LS) geschrieben.", n);

  ExportFile ss;
  ExportFileCreate(ctx, ss, "\\LGD034IM", "TOPAS-Exportdatei(SS) kann nicht geoeffnet werden !", &files);
  SqlCursor c2;
  n = 0;
  st = SqlOpen(c2,
               "SELECT Tp2Fir, Tp2Upn, date_format(Tp2Von, '%d.%m.%Y'), date_format(Tp2Bis, '%d.%m.%Y'), "
               "Tp2Lgr, Tp2Lna, Tp2Tex, Tp2Sex  FROM Qvx333Tp2 "
               " ORDER BY Tp2Fir, Tp2Upn, Tp2Von, Tp2Bis, Tp2Lgr, Tp2Lna");
  while (st == 0) {
    std::string fir, upn, von, bis, lgr, lna;
    int64_t tge = 0, std = 0;
    st = SqlFetchInto(c2, fir, upn, von, bis, lgr, lna, tge, std);
    if (st != 0) break;
    std::string days = Hundredths(tge, false), hours = Hundredths(std, true);
    ExportWriteF(ss, "%s;%s;%s;%s;%s;%s;%s;%s;;;;;;;;;\n", fir, upn, von, bis, lgr, lna, days, hours);
    HandedOverRecord(upn, lna, WrittenNumber(hours) / 100, WrittenNumber(days) / 100);
    ++n;
  }
  dbClose(c2);
  StagingReadEnd(st, "Qvx333Tp2");
  ExportFileClose(ss);
  Log("%d Datensätze in Datei LGD034IM (SS) geschrieben.", n);
  files.Place(ctx);
}

}  // namespace

void TopasRemainingPeriod(const std::string& interimVon, const std::string& interimBis, std::string& von,
                          std::string& bis) {
  int32_t iv = DayNumber(interimVon), ib = DayNumber(interimBis);
  int32_t rv = DayNumber(von), rb = DayNumber(bis);
  if (iv < 0 || ib < 0 || rv < 0 || rb < 0) return;
  if (ib < rv || iv > rb) return;  // no overlap: the whole period is new
  bool coversStart = iv <= rv, coversEnd = ib >= rb;
  if (coversStart && !coversEnd) {
    von = DayText(ib + 1);
  } else if (coversEnd && !coversStart) {
    bis = DayText(iv - 1);
  }
  // covered completely (a correction of the period) or only in its middle:
  // the record's own period
}

void TopasLohnexport(RunContext& ctx) {
  Log("\nTOPAS-Lohnexport Akr: %s, Abrnr: %d gestartet", ctx.Akr, ctx.Abrnr);
  if (ctx.AkrSsl == 1) {
    DeleteStaging("DELETE FROM Qvx333Tp1");
    DeleteStaging("DELETE FROM Qvx333Tp2");
  }
  TopasExport x;
  // every final run (running number 1, or 0 when yesterday is the period's
  // last day) sends only what the interim runs of the number have not sent
  if (ctx.Lfn != 2) {
    int32_t count = 0;
    int st = SQL_Qvx331Zk1_CountLfn2(ctx.Abrnr, count);
    if (st == -1) AbortRun(60);
    x.InterimRule = st == 0 && count > 0;
  }
  LugRecord lug;
  RequireRead(SQL_Qvx171Lug_GetLugFir(ctx.Akr, lug), "Qvx171Lug");
  x.LugLug = lug.LugLug;
  x.Firm = FirmText(lug, ctx.Akr, 3);
  RequireFitsLine(x.Firm, ";", "LugFir");

  RequireRead(SQL_Qvx331Zk1_OpenTopas(x.Zk1, ctx.Abrnr, ctx.Lfn, x.InterimRule), "Qvx331Zk1");
  TransferRecord r;
  InterimValues iv;
  int st;
  while ((st = SQL_Qvx331Zk1_FetchTopas(x, r, iv)) == 0) {
    HandleRecord(ctx, x, r, iv);
    r = TransferRecord{};
    iv = InterimValues{};
  }
  if (st == -1) AbortRun(60);
  dbClose(x.Zk1);
  TopasWriteFiles(ctx);
  Log("%d Datensätze aus Qvx333Zk1 übergeben.", x.Count);
  Log("TOPAS-Lohnexport beendet");
}
