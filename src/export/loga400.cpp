#include "export/loga400.h"

#include <map>

#include "export/common.h"
#include "run/context.h"
#include "run/db.h"
#include "run/runlog.h"

namespace {

// Values of one B1 row.
struct B1Values {
  int32_t Arb = 0;  // work days
  double Sol = 0, Anw = 0, Url = 0, Krk = 0, Ftg = 0, Soz = 0, Ent = 0, Unt = 0;
  double Urs = 0, Krs = 0, Fts = 0, Ens = 0, Uns = 0;
  std::string Stg;  // tax days
  double Std = 0;   // hours of the person (Zes)
};

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
  return SqlWrite(SqlFormat("INSERT INTO Qvx333B06  (B06Art, B06Fir, B06Pnr, B06Bln, B06Bdt, B06Ltt,   B06Aks, "
                            "B06Bks, B06Lna, B06Lbt, B06Bzt)  VALUES ('B6', '%s', '%s', '%s', %ld, %d, '%s', '%s', "
                            "'%s', 0, %f )",
                            l.Fir, l.Pnr, l.Bln, l.Bdt, l.Ltt, l.Kst, l.Kst, l.Lna, l.Hours));
}

[[nodiscard]] int SQL_Qvx333B06_Update(const B6Line& l) {
  return SqlWrite(SqlFormat("UPDATE Qvx333B06  SET B06Bzt = B06Bzt + %f  WHERE B06Art = 'B6'  AND B06Fir = '%s' "
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

[[nodiscard]] int SQL_Qvx333B01_Insert(const std::string& fir, const std::string& pnr, int32_t bdt, int ltt, const B1Values& v) {
  return SqlWrite(SqlFormat(
      "INSERT INTO Qvx333B01  (B01Art, B01Fir, B01Pnr, B01Fln, B01Bdt, B01Ltt, B01Arb, B01Sol, B01Stg, B01Anw, "
      "B01Url, B01Krk, B01Ftg, B01Soz, B01Ent, B01Unt, B01Urs, B01Krs, B01Fts, B01Sos, B01Ens, B01Uns, B01Sez, "
      "B01Std, B01Aun)  VALUES ('B1', '%s', '%s', 0, %ld, %d, %ld, %f, '%s', %f, %f, %f, %f, %f, %f, %f, %f, %f, "
      "%f, 0, %f, %f, 0, %f, 0)",
      fir, pnr, bdt, ltt, v.Arb, v.Sol, v.Stg, v.Anw, v.Url, v.Krk, v.Ftg, v.Soz, v.Ent, v.Unt, v.Urs, v.Krs, v.Fts,
      v.Ens, v.Uns, v.Std));
}

[[nodiscard]] int SQL_Qvx333B01_Update(const std::string& fir, const std::string& pnr, const B1Values& v) {
  return SqlWrite(SqlFormat(
      "UPDATE Qvx333B01  SET B01Arb = B01Arb + %ld, B01Sol = B01Sol + %f, B01Stg = '%s', B01Anw = %f, "
      "B01Url = B01Url + %f, B01Krk = B01Krk + %f, B01Ftg = B01Ftg + %f, B01Soz = B01Soz + %f, "
      "B01Ent = B01Ent + %f, B01Unt = B01Unt + %f, B01Urs = B01Urs + %f, B01Krs = B01Krs + %f, "
      "B01Fts = B01Fts + %f, B01Sos = B01Sos + 0, B01Ens = B01Ens + %f, B01Uns = B01Uns + %f, "
      "B01Sez = B01Sez + 0, B01Std = %f  WHERE B01Art = 'B1'  AND B01Fir = '%s'  AND B01Pnr = '%s'",
      v.Arb, v.Sol, v.Stg, v.Anw, v.Url, v.Krk, v.Ftg, v.Soz, v.Ent, v.Unt, v.Urs, v.Krs, v.Fts, v.Ens, v.Uns, v.Std,
      fir, pnr));
}

// Settings of a record kind, read once per kind.
const Lg1Flags& KindFlags(Loga400Run& run, const std::string& stz) {
  auto it = run.Kinds.find(stz);
  if (it != run.Kinds.end()) return it->second;
  Lg1Flags flags;
  int st = SQL_Qvx170Lg1_Get(Ctx.Lug.LugLgp, stz, flags);
  if (st != 0) {
    flags = Lg1Flags{};
    ReportStatus(st, "Qvx170Lg1-SelectFehler,Lgp: %s, Stz: %s, Sqlfhl: %d", Ctx.Lug.LugLgp, stz, st);
  }
  return run.Kinds.emplace(stz, flags).first->second;
}

// A B6 line: a line number that a row of an earlier run (kept without
// interface clearing) holds for another wage type, cost centre or date gets
// the person's next free number instead of adding to that row.
void WriteB6(const TransferRecord& r, B6Line& line) {
  int st = SQL_Qvx333B06_Insert(line);
  if (st == kSqlDuplicate) {
    int same = SQL_Qvx333B06_Same(line);
    if (same == 0) {
      st = SQL_Qvx333B06_Update(line);
      if (st != 0) ReportStatus(st, "Qvx333B06-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
      return;
    }
    int32_t max = 0;
    if (same == kSqlNoMoreRows) same = SQL_Qvx333B06_MaxBln(line, max);
    if (same != 0) {
      ReportStatus(same, "Qvx333B06-SelectFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, same);
      return;
    }
    line.Bln = Format("%d", max + 1);
    st = SQL_Qvx333B06_Insert(line);
  }
  if (st != 0) ReportStatus(st, "Qvx333B06-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
}

void HandleRecord(Loga400Run& run, const TransferRecord& r) {
  std::string kind = SubStr(r.Zk1Stz, 0, 2);
  bool b1 = kind == "B1" || kind == "SS";
  bool b6 = kind == "B6" || kind == "LS";
  if (!b1 && !b6) return;  // other kinds add nothing

  // personnel number and wage type are never cut
  if (!FitsField(r.Zk1Upn, 7)) {
    Log("PersNr zu lang : %s", r.Zk1Upn);
    return;
  }
  if (b6 && !FitsField(r.Zk1Lna, 3)) {
    Log("Lohnart zu lang : %s", r.Zk1Lna);
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
    if (FindWageTypeLine(run.Lines, run.Header.LugLug, r, lu1)) {
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
    int st = SQL_Qvx331Zk2_GetLoga4(Ctx.Abrnr, r.Zk1Pnr, run.Stt, run.Ant, run.Zes);
    if (st != 0 && st != kSqlNoMoreRows)
      ReportStatus(st, "Qvx331Zk2-SelectFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  }
  B1Values v;
  double days = r.Zk1Tge / 10.0;
  switch (r.Zk1Sts) {
    case 1: v.Sol = hours; break;
    case 5: v.Urs = hours; break;
    case 6: v.Fts = hours; break;
    case 8: v.Krs = hours; break;
    case 9: v.Ens = hours; break;
    case 10: v.Uns = hours; break;
    case 101: v.Arb = r.Zk1Tge / 10; break;
    case 102: run.Anw = run.Ant * 0.1; break;
    case 105: v.Url = days; break;
    case 106: v.Ftg = days; break;
    case 107: v.Soz = days; break;
    case 108: v.Krk = days; break;
    case 109: v.Ent = days; break;
    case 110: v.Unt = days; break;
    default: break;
  }
  v.Anw = run.Anw;
  const Lg1Flags& flags = KindFlags(run, r.Zk1Stz);
  v.Stg = flags.Lg1Stt == 0 ? std::string(" ") : Format("%d", static_cast<int32_t>(run.Stt));
  if (flags.Lg1Zes == 0) run.Zes = 0;  // for the rest of the person
  v.Std = run.Zes;

  int st = SQL_Qvx333B01_Insert(run.Fir, pnr, ym, day, v);
  if (st == kSqlDuplicate) {
    st = SQL_Qvx333B01_Update(run.Fir, pnr, v);
    if (st != 0) ReportStatus(st, "Qvx333B01-UpdateFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  } else if (st != 0) {
    ReportStatus(st, "Qvx333B01-InsertFehler, Pnr: %s, Sqlfhl: %d", r.Zk1Pnr, st);
  }
}

}  // namespace

void Loga400Lohnprogramm() {
  Log("\nLoga400 Lohnprogramm fuer Akr: %s mit der Abrnr: %d gestartet", Ctx.Akr, Ctx.Abrnr);
  if (Ctx.AkrSsl == 1) {
    int st = SqlWrite("DELETE FROM Qvx333B01");
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333B01, Sqlfhl: %d", st);
    st = SqlWrite("DELETE FROM Qvx333B06");
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "DeleteFehler QVX333B06, Sqlfhl: %d", st);
  }

  Loga400Run run;
  int st = SQL_Qvx171Lug_GetFir(Ctx.Akr, run.Header);
  if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, "Qvx171Lug-SelectFehler, Sqlfhl: %d", st);
  run.Fir = FirmText(run.Header, Ctx.Akr, 2);

  // records without days and hours are not read
  SqlCursor records;
  RequireRead(SQL_Qvx331Zk1_OpenRun(records, Ctx.Abrnr, Ctx.Lfn, "%Y.%m.%d", "(Zk1Tge <> 0 OR Zk1Std <> 0)"), "Qvx331Zk1");
  TransferRecord r;
  while ((st = SQL_Qvx331Zk1_FetchRun(records, r)) == 0) HandleRecord(run, r);
  if (st == -1) AbortRun(60);
  dbClose(records);
  Log("Loga400 Lohnprogramm beendet");
}
