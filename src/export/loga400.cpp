#include "export/loga400.h"

#include <cstdint>
#include <map>

#include "export/exact_sums.h"
#include "export/export_file.h"
#include "export/field_text.h"
#include "export/interface_header.h"
#include "export/payroll_dates.h"
#include "export/staging_export.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

namespace {

// Values of one B1 row. Hours are added as minutes and days as tenths; the
// staged hours and days follow from the exact sums.
struct B1Values {
  int32_t Arb = 0;                                               // work days
  int64_t Sol = 0, Urs = 0, Krs = 0, Fts = 0, Ens = 0, Uns = 0;  // minutes
  int64_t Url = 0, Krk = 0, Ftg = 0, Soz = 0, Ent = 0, Unt = 0;  // tenths of days
  double Anw = 0;
  std::string Stg;  // tax days
  double Std = 0;   // hours of the person (Zes)
};

// The accumulating B1 columns: staged value and the column of its exact sum.
struct B1Column {
  const char* Staged;
  const char* Exact;
  int64_t B1Values::*Value;
  bool Minutes;  // minutes staged as hours, else tenths staged as days
};

const B1Column kB1Columns[] = {
    {"B01Sol", "B01SolMin", &B1Values::Sol, true},  {"B01Url", "B01UrlZhn", &B1Values::Url, false},
    {"B01Krk", "B01KrkZhn", &B1Values::Krk, false}, {"B01Ftg", "B01FtgZhn", &B1Values::Ftg, false},
    {"B01Soz", "B01SozZhn", &B1Values::Soz, false}, {"B01Ent", "B01EntZhn", &B1Values::Ent, false},
    {"B01Unt", "B01UntZhn", &B1Values::Unt, false}, {"B01Urs", "B01UrsMin", &B1Values::Urs, true},
    {"B01Krs", "B01KrsMin", &B1Values::Krs, true},  {"B01Fts", "B01FtsMin", &B1Values::Fts, true},
    {"B01Ens", "B01EnsMin", &B1Values::Ens, true},  {"B01Uns", "B01UnsMin", &B1Values::Uns, true},
};

// A staged value from its exact sum: hours or days with six places, as one
// record's value has always been staged, rounded half away from zero; a value
// that rounds to zero has no sign.
std::string B1Text(int64_t exact, bool minutes) {
  return ExactText(minutes ? ExactRound(exact, 60, 6) : exact * 100000, 6);
}

// The same in the database, from the exact column: integer arithmetic, and
// the product with 0.1 or 0.000001 is an exact decimal, so the staged double
// is the one that B1Text's text gives.
std::string B1Expression(const B1Column& c) {
  if (!c.Minutes) return Format("%s * 0.1", c.Exact);
  return ExactSql(c.Exact, 60, 6);
}

// One B6 wage line.
struct B6Line {
  std::string Fir, Pnr, Bln;
  int32_t Bdt = 0;
  int Ltt = 0;
  std::string Kst, Lna;
  double Hours = 0;
};

// State of one export.
struct Loga400Run {
  LugRecord Header;
  std::string Fir;
  WageTypeCache Lines;
  std::map<std::string, Lg1Flags> Kinds;  // Qvx170Lg1 by record kind
  // the person of the B1/SS records
  std::string B1Pnr;
  double Stt = 0, Ant = 0, Zes = 0, Anw = 0;
  // the person of the B6/LS records and its line counter
  std::string B6Pnr;
  int B6Count = 0;
};

[[nodiscard]] int SQL_Qvx331Zk2_GetLoga4(int32_t abrnr, const std::string& pnr, double& stt, double& ant, double& zes) {
  return SqlSelectOne(SqlFormat("SELECT Zk2Stt, Zk2Ant, Zk2Zes  FROM Qvx331Zk2  WHERE Zk2Abr = %ld "
                                "  AND Zk2Pnr = '%s'   AND Zk2Rre < 2",
                                abrnr, pnr),
                      stt, ant, zes);
}

[[nodiscard]] int SQL_Qvx333B06_Insert(const B6Line& l) {
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333B06  (B06Art, B06Fir, B06Pnr, B06Bln, B06Bdt, B06Ltt,   B06Aks, "
                "B06Bks, B06Lna, B06Lbt, B06Bzt)  VALUES ('B6', '%s', '%s', '%s', %ld, %d, '%s', '%s', "
                "'%s', 0, %f )",
                l.Fir, l.Pnr, l.Bln, l.Bdt, l.Ltt, l.Kst, l.Kst, l.Lna, l.Hours));
}

[[nodiscard]] int SQL_Qvx333B06_Update(const B6Line& l) {
  return SqlWrite(
      SqlFormat("UPDATE Qvx333B06  SET B06Bzt = B06Bzt + %f  WHERE B06Art = 'B6'  AND B06Fir = '%s' "
                " AND B06Pnr = '%s'  AND B06Bln = '%s' ",
                l.Hours, l.Fir, l.Pnr, l.Bln));
}

// 0 when the stored line of the same number carries the same wage type, cost
// centre and date, 1032 when it belongs to another value.
[[nodiscard]] int SQL_Qvx333B06_Same(const B6Line& l) {
  std::string bln;
  return SqlSelectOne(SqlFormat("SELECT B06Bln  FROM Qvx333B06  WHERE B06Art = 'B6'  AND B06Fir = '%s' "
                                " AND B06Pnr = '%s'  AND B06Bln = '%s'  AND B06Lna = '%s'  AND B06Aks = '%s' "
                                " AND B06Bdt = %ld  AND B06Ltt = %d",
                                l.Fir, l.Pnr, l.Bln, l.Lna, l.Kst, l.Bdt, l.Ltt),
                      bln);
}

// Highest line number of the person (0 without lines).
[[nodiscard]] int SQL_Qvx333B06_MaxBln(const B6Line& l, int32_t& max) {
  return SqlSelectOne(SqlFormat("SELECT COALESCE(MAX(CAST(B06Bln AS UNSIGNED)), 0)  FROM Qvx333B06 "
                                " WHERE B06Art = 'B6'  AND B06Fir = '%s'  AND B06Pnr = '%s'",
                                l.Fir, l.Pnr),
                      max);
}

[[nodiscard]] int SQL_Qvx333B01_Insert(const std::string& fir, const std::string& pnr, int32_t bdt, int ltt,
                                       const B1Values& v) {
  std::string columns, values;
  for (const B1Column& c : kB1Columns) {
    columns += Format(", %s, %s", c.Staged, c.Exact);
    values += Format(", %s, %lld", B1Text(v.*c.Value, c.Minutes), v.*c.Value);
  }
  return SqlWrite(
      SqlFormat("INSERT INTO Qvx333B01  (B01Art, B01Fir, B01Pnr, B01Fln, B01Bdt, B01Ltt, B01Arb, B01Stg, "
                "B01Anw, B01Sos, B01Sez, B01Std, B01Aun%s)  VALUES ('B1', '%s', '%s', 0, %ld, %d, %ld, "
                "'%s', %f, 0, 0, %f, 0%s)",
                columns, fir, pnr, bdt, ltt, v.Arb, v.Stg, v.Anw, v.Std, values));
}

// The exact sums are added and each staged value is set from its new sum
// (assignments run from left to right).
[[nodiscard]] int SQL_Qvx333B01_Update(const std::string& fir, const std::string& pnr, const B1Values& v) {
  std::string sums;
  for (const B1Column& c : kB1Columns)
    sums += Format(", %s = %s + %lld, %s = %s", c.Exact, c.Exact, v.*c.Value, c.Staged, B1Expression(c));
  return SqlWrite(
      SqlFormat("UPDATE Qvx333B01  SET B01Arb = B01Arb + %ld, B01Stg = '%s', B01Anw = %f, "
                "B01Sos = B01Sos + 0, B01Sez = B01Sez + 0, B01Std = %f%s  WHERE B01Art = 'B1' "
                " AND B01Fir = '%s'  AND B01Pnr = '%s'",
                v.Arb, v.Stg, v.Anw, v.Std, sums, fir, pnr));
}

// Settings of a record kind, read once per kind.
const Lg1Flags& KindFlags(const RunContext& ctx, Loga400Run& run, const std::string& stz) {
  auto it = run.Kinds.find(stz);
  if (it != run.Kinds.end()) return it->second;
  Lg1Flags flags;
  int st = SQL_Qvx170Lg1_Get(ctx.Lug.LugLgp, stz, flags);
  if (st != 0) {
    flags = Lg1Flags{};
    ReportStatus(st, "Qvx170Lg1-SelectFehler,Lgp: %s, Stz: %s, Sqlfhl: %d", ctx.Lug.LugLgp, stz, st);
  }
  return run.Kinds.emplace(stz, flags).first->second;
}

// A B6 line: a line number that a row of an earlier run (kept without
// interface clearing) holds for another wage type, cost centre or date gets
// the person's next free number instead of adding to that row.
void WriteB6(const TransferRecord& r, B6Line& line) {
  // the table is the hand-over: the hours as the statement writes them
  const double written = WrittenNumber(Format("%f", line.Hours));
  int st = StagedRow("Qvx333B06", SQL_Qvx333B06_Insert(line));
  if (st == kSqlDuplicate) {
    int same = SQL_Qvx333B06_Same(line);
    if (same == 0) {
      st = StagedRow("Qvx333B06", SQL_Qvx333B06_Update(line), true);
      if (st != 0) ReportStatus(st, "Qvx333B06-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
      else HandedOverRecord(line.Pnr, line.Lna, written, 0);
      return;
    }
    int32_t max = 0;
    if (same == kSqlNoMoreRows) same = SQL_Qvx333B06_MaxBln(line, max);
    if (same != 0) {
      ReportStatus(same, "Qvx333B06-SelectFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, same);
      return;
    }
    line.Bln = Format("%d", max + 1);
    st = StagedRow("Qvx333B06", SQL_Qvx333B06_Insert(line));
  }
  if (st != 0) ReportStatus(st, "Qvx333B06-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  else HandedOverRecord(line.Pnr, line.Lna, written, 0);
}

// A B1 row has no wage type: the payroll side reads each value from its
// column, so the column the record added to stands for the wage type (a kind
// without a column of its own is "B1"), with the value as staged.
void HandedOverB1(const std::string& pnr, const TransferRecord& r, const B1Values& v) {
  for (const B1Column& c : kB1Columns) {
    int64_t value = v.*c.Value;
    if (value == 0) continue;
    double staged = WrittenNumber(B1Text(value, c.Minutes));
    HandedOverRecord(pnr, c.Staged, c.Minutes ? staged : 0, c.Minutes ? 0 : staged);
    return;
  }
  if (r.Zk1Sts == 101) HandedOverRecord(pnr, "B01Arb", 0, v.Arb);
  else if (r.Zk1Sts == 102) HandedOverRecord(pnr, "B01Anw", 0, WrittenNumber(Format("%f", v.Anw)));
  else HandedOverRecord(pnr, "B1", 0, 0);
}

void HandleRecord(RunContext& ctx, Loga400Run& run, const TransferRecord& r) {
  std::string kind = SubStr(r.Zk1Stz, 0, 2);
  bool b1 = kind == "B1" || kind == "SS";
  bool b6 = kind == "B6" || kind == "LS";
  if (!b1 && !b6) return;  // other kinds add nothing

  // personnel number and wage type are never cut
  if (!FitsField(r.Zk1Upn, 7)) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "PersNr zu lang : %s", r.Zk1Upn);
    return;
  }
  if (b6 && !FitsField(r.Zk1Lna, 3)) {
    LeaveOutRecordOf(r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0, "zu lang", "Lohnart zu lang : %s", r.Zk1Lna);
    return;
  }
  std::string pnr = SubStr(r.Zk1Upn, 0, 7);

  // booking date shifted into the payroll month
  int32_t date = DateToLong(r.Zk1Bdt);
  date = ShiftDatePayrollDay(date, run.Header.LugMon);
  int32_t ym = date / 100;
  int day = date % 100;
  double hours = r.Zk1Std != 0 ? r.Zk1Std / 60.0 : 0;

  if (b6) {
    Lu1Line lu1;  // presets: nothing handed over, no factor
    std::string kst = r.Zk1Kst;
    int st = FindWageTypeLine(ctx, run.Lines, run.Header.LugLug, r, lu1);
    if (st != 0 && st != kSqlNoMoreRows) return;  // left out: its line could not be read
    if (st == 0) {
      kst = lu1.Lu1Kst == 0 ? std::string(" ") : SubStr(kst, 0, 10);
      if (lu1.Lu1Mog != 0) hours *= lu1.Lu1Mog;
    }
    if (r.Zk1Pnr != run.B6Pnr) {
      run.B6Pnr = r.Zk1Pnr;
      run.B6Count = 0;
    }
    ++run.B6Count;
    B6Line line{run.Fir, pnr, Format("%d", run.B6Count), ym, day, kst, SubStr(r.Zk1Lna, 0, 3), hours};
    WriteB6(r, line);
    return;
  }

  // B1: the person's statistics are read at its first record
  if (r.Zk1Pnr != run.B1Pnr) {
    run.B1Pnr = r.Zk1Pnr;
    run.Stt = run.Ant = run.Zes = run.Anw = 0;
    int st = SQL_Qvx331Zk2_GetLoga4(ctx.Abrnr, r.Zk1Pnr, run.Stt, run.Ant, run.Zes);
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx331Zk2-SelectFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  }
  B1Values v;
  int64_t minutes = r.Zk1Std, tenths = r.Zk1Tge;
  switch (r.Zk1Sts) {
    case 1: v.Sol = minutes; break;
    case 5: v.Urs = minutes; break;
    case 6: v.Fts = minutes; break;
    case 8: v.Krs = minutes; break;
    case 9: v.Ens = minutes; break;
    case 10: v.Uns = minutes; break;
    case 101: v.Arb = r.Zk1Tge / 10; break;
    case 102: run.Anw = run.Ant * 0.1; break;
    case 105: v.Url = tenths; break;
    case 106: v.Ftg = tenths; break;
    case 107: v.Soz = tenths; break;
    case 108: v.Krk = tenths; break;
    case 109: v.Ent = tenths; break;
    case 110: v.Unt = tenths; break;
    default: break;
  }
  v.Anw = run.Anw;
  const Lg1Flags& flags = KindFlags(ctx, run, r.Zk1Stz);
  v.Stg = flags.Lg1Stt == 0 ? std::string(" ") : Format("%d", static_cast<int32_t>(run.Stt));
  if (flags.Lg1Zes == 0) run.Zes = 0;  // for the rest of the person
  v.Std = run.Zes;

  int st = StagedRow("Qvx333B01", SQL_Qvx333B01_Insert(run.Fir, pnr, ym, day, v));
  if (st == kSqlDuplicate) {
    st = StagedRow("Qvx333B01", SQL_Qvx333B01_Update(run.Fir, pnr, v), true);
    if (st != 0) ReportStatus(st, "Qvx333B01-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  } else if (st != 0) {
    ReportStatus(st, "Qvx333B01-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  }
  if (st == 0) HandedOverB1(pnr, r, v);
}

}  // namespace

void Loga400Lohnprogramm(RunContext& ctx) {
  Loga400Run run;
  RunStagingExport(
      ctx, {
               .Started = "\nLoga400 Lohnprogramm fuer Akr: %s mit der Abrnr: %d gestartet",
               .Finished = "Loga400 Lohnprogramm beendet",
               .Clears = {{[] { return SqlWrite("DELETE FROM Qvx333B01"); }, "DeleteFehler QVX333B01, Sqlfhl: %d"},
                          {[] { return SqlWrite("DELETE FROM Qvx333B06"); }, "DeleteFehler QVX333B06, Sqlfhl: %d"}},
               .ReadInterface =
                   [&] {
                     int st = SQL_Qvx171Lug_GetFir(ctx.Akr, run.Header);
                     if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx171Lug-SelectFehler, Sqlfhl: %d", st);
                     run.Fir = FirmText(run.Header, ctx.Akr, 2);
                   },
               // records without days and hours are not read
               .Select =
                   [&ctx](SqlCursor& c) {
                     return SQL_Qvx331Zk1_OpenRun(c, ctx.Abrnr, ctx.Lfn, "%Y.%m.%d", "(Zk1Tge <> 0 OR Zk1Std <> 0)");
                   },
               .Fetch = SQL_Qvx331Zk1_FetchRun,
               .Write = [&](const TransferRecord& r, int32_t) { HandleRecord(ctx, run, r); },
               // no file: the staging tables are the hand-over
               .Finish = nullptr,
               .LogCount = false,
               .LogBrokenRead = false,
           });
}
