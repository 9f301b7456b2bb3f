#include "control/check.h"

#include <cerrno>
#include <cstdio>

#include "calc/interface_record.h"
#include "control/control.h"
#include "export/payroll_dates.h"
#include "export/dispatch.h"
#include "run/context.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/platform.h"
#include "run/run_log.h"
#include "run/server_check.h"
#include "run/text.h"

namespace {

struct Period {
  int32_t Num = 0;
  std::string Von;  // YYYY.MM.DD
  std::string Bis;
  bool Usable = true;  // dates the run can settle
};

// Each finding once: the same problem met twice (two accounts of a check that
// name the same period, a period read for two reasons) is listed once.
void Add(std::vector<CheckFinding>& out, const char* utf8Kind, const std::string& cp1252Text) {
  for (const CheckFinding& f : out) {
    if (f.Text == cp1252Text) return;
  }
  out.push_back(CheckFinding{Cp1252(utf8Kind), cp1252Text});
}

// A read of the check that did not end with its last row: the check cannot
// say that nothing was found, and ends (exit code 2, as for a check that
// could not run).
void ReadEnded(int st, const char* what) {
  if (st == 0 || st == kSqlNoMoreRows) return;
  Log("Prüfung abgebrochen, Lesefehler %s: %d", what, st);
  EndProcess(2);
}

// DD.MM.YYYY of a YYYY.MM.DD text.
std::string Dmy(const std::string& ymd) {
  return SubStr(ymd, 8, 2) + "." + SubStr(ymd, 5, 2) + "." + SubStr(ymd, 0, 4);
}

[[nodiscard]] int SQL_Qvx170Lg1_Count(const std::string& lgp, int32_t& count) {
  return SqlSelectOne(SqlFormat("SELECT COUNT(*) FROM Qvx170Lg1 WHERE Lg1Num = '%s'", lgp), count);
}

// The accounting number and the earlier ones the retro loop would take,
// newest first (at most limit rows).
[[nodiscard]] int SQL_Qvx330Abr_OpenCheck(SqlCursor& c, const std::string& akr, int32_t abrnr, int limit) {
  return SqlOpen(c, SqlFormat("SELECT AbrNum, date_format(AbrVon,'%%Y.%%m.%%d'), date_format(AbrBis,'%%Y.%%m.%%d') "
                              " FROM Qvx330Abr WHERE AbrAkr = '%s' AND AbrNum <= %ld ORDER BY AbrNum DESC LIMIT %d",
                              akr, abrnr, limit));
}

// A condition on a list read from the database goes in before GROUP BY. The
// list is formed by the program (every text escaped) and may be long: it is
// exempt from the limit of statements formed from the run's inputs, which
// the statement without it has passed.
std::string WithList(std::string statement, const char* column, const std::string& list) {
  statement.insert(statement.rfind(" GROUP BY"), std::string(" AND ") + column + " IN (" + list + ")");
  return statement;
}

// The booking dates are compared as dates (the date index can be used).
// Bookings of the circle's employees in a period on accounts that the
// interface knows but for which no line of a record type of the payroll
// system is valid over the whole period (the settlement would not read them).
[[nodiscard]] int SQL_Qvx331Zkb_OpenUnmapped(SqlCursor& c, const std::string& akr, const LugRecord& lug,
                                             const Period& p, const std::string* accounts) {
  std::string statement = SqlFormat(
      "SELECT b.ZkbZkt, b.ZkbZtr, SUM(b.ZkbStd), SUM(b.ZkbTge), COUNT(DISTINCT b.ZkbPnr) "
      " FROM Qvx331Zkb b WHERE b.ZkbDtm >= STR_TO_DATE('%s','%%Y.%%m.%%d') "
      " AND b.ZkbDtm <= STR_TO_DATE('%s','%%Y.%%m.%%d') "
      " AND EXISTS (SELECT 1 FROM Qvx310Bsv v WHERE v.BsvPnr = b.ZkbPnr AND v.BsvAkr = '%s' "
      "  AND date_format(v.BsvGvo,'%%Y.%%m.%%d') <= '%s' "
      "  AND (v.BsvGbi IS NULL OR date_format(v.BsvGbi,'%%Y.%%m.%%d') >= '%s')) "
      " AND EXISTS (SELECT 1 FROM Qvx171Lu1 k WHERE k.Lu1Num = '%s' AND k.Lu1Ztk = b.ZkbZkt) "
      " AND NOT EXISTS (SELECT 1 FROM Qvx171Lu1 l, Qvx170Lg1 g WHERE l.Lu1Num = '%s' "
      "  AND l.Lu1Ztk = b.ZkbZkt AND g.Lg1Num = '%s' AND g.Lg1Stz = l.Lu1Stz "
      "  AND date_format(l.Lu1Gvo,'%%Y.%%m.%%d') <= '%s' "
      "  AND (l.Lu1Gbi IS NULL OR date_format(l.Lu1Gbi,'%%Y.%%m.%%d') >= '%s')) "
      " GROUP BY b.ZkbZkt, b.ZkbZtr ORDER BY b.ZkbZkt, b.ZkbZtr",
      p.Von, p.Bis, akr, p.Bis, p.Von, lug.LugLug, lug.LugLug, lug.LugLgp, p.Von, p.Bis);
  return SqlOpen(c, accounts ? WithList(std::move(statement), "b.ZkbZkt", *accounts) : statement);
}

// The accounts the interface knows but for which no line of a record type of
// the payroll system is valid over the whole period, as "'a', 'b'" (escaped);
// one spelling of each, the statements below compare them as the server
// does. Nothing indexes the booking date, so the bookings are read only for
// these accounts (none: no read at all).
[[nodiscard]] int SQL_Qvx171Lu1_ReadUnmapped(const LugRecord& lug, const Period& p, std::string& accounts) {
  return SqlReadList(SqlFormat("SELECT DISTINCT k.Lu1Ztk FROM Qvx171Lu1 k WHERE k.Lu1Num = '%s' "
                               " AND NOT EXISTS (SELECT 1 FROM Qvx171Lu1 l, Qvx170Lg1 g WHERE l.Lu1Num = '%s' "
                               "  AND l.Lu1Ztk = k.Lu1Ztk AND g.Lg1Num = '%s' AND g.Lg1Stz = l.Lu1Stz "
                               "  AND date_format(l.Lu1Gvo,'%%Y.%%m.%%d') <= '%s' "
                               "  AND (l.Lu1Gbi IS NULL OR date_format(l.Lu1Gbi,'%%Y.%%m.%%d') >= '%s'))",
                               lug.LugLug, lug.LugLug, lug.LugLgp, p.Von, p.Bis),
                     accounts);
}

// The personnel numbers that may have bookings without employment in the
// period (the conditions of the statement below, for each personnel number
// with bookings: one spelling of each), as "'a', 'b'" (escaped). The numbers
// come from the index of the bookings without reading them.
[[nodiscard]] int SQL_Qvx331Zkb_ReadNoEmploymentPnrs(const std::string& akr, const Period& p, std::string& pnrs) {
  return SqlReadList(SqlFormat("SELECT z.ZkbPnr FROM (SELECT DISTINCT ZkbPnr FROM Qvx331Zkb) z "
                               " WHERE NOT EXISTS (SELECT 1 FROM Qvx310Bsv v WHERE v.BsvPnr = z.ZkbPnr "
                               "  AND date_format(v.BsvGvo,'%%Y.%%m.%%d') <= '%s' "
                               "  AND (v.BsvGbi IS NULL OR date_format(v.BsvGbi,'%%Y.%%m.%%d') >= '%s')) "
                               " AND (EXISTS (SELECT 1 FROM Qvx310Bsv w WHERE w.BsvPnr = z.ZkbPnr AND w.BsvAkr = '%s') "
                               "  OR NOT EXISTS (SELECT 1 FROM Qvx310Bsv x WHERE x.BsvPnr = z.ZkbPnr))",
                               p.Bis, p.Von, akr),
                     pnrs);
}

// Pairs of wage-type lines of one account and record type whose validities
// overlap.
[[nodiscard]] int SQL_Qvx171Lu1_OpenOverlap(SqlCursor& c, const std::string& lugLug) {
  return SqlOpen(
      c, SqlFormat("SELECT a.Lu1Stz, a.Lu1Ztk, a.Lu1Lna, date_format(a.Lu1Gvo,'%%d.%%m.%%Y'), "
                   " IFNULL(date_format(a.Lu1Gbi,'%%d.%%m.%%Y'),''), b.Lu1Lna, date_format(b.Lu1Gvo,'%%d.%%m.%%Y'), "
                   " IFNULL(date_format(b.Lu1Gbi,'%%d.%%m.%%Y'),'') "
                   " FROM Qvx171Lu1 a, Qvx171Lu1 b WHERE a.Lu1Num = '%s' AND b.Lu1Num = a.Lu1Num "
                   " AND b.Lu1Stz = a.Lu1Stz AND b.Lu1Ztk = a.Lu1Ztk "
                   " AND b.Lu1Lna = a.Lu1Lna AND a.Lu1Gvo < b.Lu1Gvo "
                   " AND a.Lu1Gvo <= IFNULL(b.Lu1Gbi, '9999-12-31') AND b.Lu1Gvo <= IFNULL(a.Lu1Gbi, '9999-12-31') "
                   " ORDER BY a.Lu1Stz, a.Lu1Ztk, a.Lu1Lna, a.Lu1Gvo, b.Lu1Lna, b.Lu1Gvo",
                   lugLug));
}

// Personnel numbers with bookings in the period but no employment in any
// circle during it, who belong (or belonged) to this circle or to none.
[[nodiscard]] int SQL_Qvx331Zkb_OpenNoEmployment(SqlCursor& c, const std::string& akr, const Period& p,
                                                 const std::string* pnrs) {
  std::string statement = SqlFormat(
      "SELECT b.ZkbPnr, SUM(b.ZkbStd), SUM(b.ZkbTge) FROM Qvx331Zkb b "
      " WHERE b.ZkbDtm >= STR_TO_DATE('%s','%%Y.%%m.%%d') AND b.ZkbDtm <= STR_TO_DATE('%s','%%Y.%%m.%%d') "
      " AND NOT EXISTS (SELECT 1 FROM Qvx310Bsv v WHERE v.BsvPnr = b.ZkbPnr "
      "  AND date_format(v.BsvGvo,'%%Y.%%m.%%d') <= '%s' "
      "  AND (v.BsvGbi IS NULL OR date_format(v.BsvGbi,'%%Y.%%m.%%d') >= '%s')) "
      " AND (EXISTS (SELECT 1 FROM Qvx310Bsv w WHERE w.BsvPnr = b.ZkbPnr AND w.BsvAkr = '%s') "
      "  OR NOT EXISTS (SELECT 1 FROM Qvx310Bsv x WHERE x.BsvPnr = b.ZkbPnr)) "
      " GROUP BY b.ZkbPnr ORDER BY b.ZkbPnr",
      p.Von, p.Bis, p.Bis, p.Von, akr);
  return SqlOpen(c, pnrs ? WithList(std::move(statement), "b.ZkbPnr", *pnrs) : statement);
}

// Values as the clerk reads them in the files and the report: hours with two
// places and days with one, with a decimal comma.
std::string Comma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}
std::string Days(int64_t tenths) { return Comma(Format("%.1f", static_cast<double>(tenths) / 10.0)); }
std::string Hours(int64_t minutes) { return Comma(Format("%.2f", static_cast<double>(minutes) / 60.0)); }

// Whether a file can be created in the directory (created and removed at
// once); a directory that does not exist yet is judged by the nearest level
// that exists, since the run creates the missing levels.
bool DirectoryWritable(const std::string& dir) {
  std::string probe = dir + "\\~lugcheck.tmp";
  std::FILE* f = OpenFile(probe, "wb");
  if (f) {
    std::fclose(f);
    RemoveFile(probe);
    return true;
  }
  if (errno != ENOENT || dir == ".") return false;
  size_t cut = dir.find_last_of('\\');
  if (cut == std::string::npos || cut == 0) return DirectoryWritable(".");
  return DirectoryWritable(dir.substr(0, cut));
}

void CheckTransferDir(const RunContext& ctx, std::vector<CheckFinding>& out) {
  std::string dir = std::string("..\\Transfer\\Lohn und Gehalt\\Export\\") + ctx.Schema;
  if (!DirectoryWritable(dir))
    Add(out, "Übergabeverzeichnis", Cp1252("Übergabeverzeichnis kann nicht beschrieben werden: ") + dir);
}

void CheckBookings(const RunContext& ctx, std::vector<CheckFinding>& out, const LugRecord& lug,
                   const std::vector<Period>& periods) {
  for (const Period& p : periods) {
    // the accounts first; when they cannot be read, every booking is looked at
    std::string accounts;
    bool listed = SQL_Qvx171Lu1_ReadUnmapped(lug, p, accounts) == 0;
    if (listed && accounts.empty()) continue;
    SqlCursor c;
    int st = SQL_Qvx331Zkb_OpenUnmapped(c, ctx.Akr, lug, p, listed ? &accounts : nullptr);
    std::string zkt;
    int16_t ztr = 0;
    int64_t std = 0, tge = 0;
    int32_t persons = 0;
    while (st == 0 && (st = SqlFetchInto(c, zkt, ztr, std, tge, persons)) == 0) {
      Add(out, "Keine gültige Lohnart",
          Format(Cp1252("Konto %s (%s): keine gültige Lohnart in Periode %ld (%s bis %s), nicht übergeben: "
                        "%s Stunden, %s Tage, %d Mitarbeiter"),
                 zkt, Cp1252(ztr == 3 ? "Periodenwerte" : "Tageswerte"), p.Num, Dmy(p.Von), Dmy(p.Bis), Hours(std),
                 Days(tge), persons));
    }
    if (st != kSqlNoMoreRows) Add(out, "Lesefehler", Format(Cp1252("Buchungen nicht lesbar: %d"), st));
  }
}

// The circle's interface and what it names: the payroll system, the month
// offset, the record types. False when there is no interface to check the
// rest against (the check ends with what it found so far).
bool CheckInterface(const RunContext& ctx, std::vector<CheckFinding>& out, LugRecord& lug) {
  int lugStatus = SQL_Qvx171Lug_Get(ctx.Akr, lug);
  if (lugStatus == kSqlNoMoreRows) {
    Add(out, "Keine Schnittstelle",
        Format(Cp1252("Keine Schnittstelle (Qvx171Lug) für AbrKreis %s gefunden"), ctx.Akr));
    return false;
  }
  if (lugStatus != 0) {
    Add(out, "Lesefehler", Format(Cp1252("Schnittstelle des AbrKreises %s nicht lesbar: %d"), ctx.Akr, lugStatus));
    return false;
  }
  if (ChooseExporter(lug.LugLgp) == Exporter::None)
    Add(out, "Kein Lohnprogramm",
        Format(Cp1252("Lohnprogramm-Kennzeichen '%s' passt zu keinem Lohnprogramm: nichts wird übergeben"),
               lug.LugLgp));
  std::string offsetFault = MonthOffsetFault(lug);
  if (!offsetFault.empty()) Add(out, "Monatsversatz", Cp1252(offsetFault));
  int32_t types = 0;
  ReadEnded(SQL_Qvx170Lg1_Count(lug.LugLgp, types), "Qvx170Lg1");
  if (types == 0)
    Add(out, "Keine Satzarten",
        Format(Cp1252("Keine Satzarten (Qvx170Lg1) für Lohnprogramm '%s': keine Kontenwerte werden übergeben"),
               lug.LugLgp));
  return true;
}

// The period and the retro periods, newest first.
std::vector<Period> ReadPeriods(const RunContext& ctx) {
  int16_t rrm = 0;
  ReadEnded(SQL_O1001AbrKreis_GetRrm(ctx.Akr, rrm), "O1001AbrKreis");
  if (rrm < 0) rrm = 0;
  std::vector<Period> periods;
  SqlCursor c;
  int st = SQL_Qvx330Abr_OpenCheck(c, ctx.Akr, ctx.Abrnr, rrm + 1);
  Period p;
  // a NULL date leaves the field as it is: each row starts empty
  while (st == 0 && (st = SqlFetchInto(c, p.Num, p.Von, p.Bis)) == 0) {
    periods.push_back(p);
    p = Period{};
  }
  ReadEnded(st, "Qvx330Abr");
  return periods;
}

// Neighbouring usable periods that overlap or leave a gap. Fewer earlier
// periods than the setting is no problem: the circle is younger than the
// retro reach, and the run recomputes what there is.
void CheckPeriodSequence(std::vector<CheckFinding>& out, const std::vector<Period>& periods) {
  for (size_t i = 1; i < periods.size(); ++i) {
    const Period& newer = periods[i - 1];
    const Period& older = periods[i];
    if (!newer.Usable || !older.Usable) continue;
    int32_t start = DayNumber(Dmy(newer.Von));
    int32_t end = DayNumber(Dmy(older.Bis));
    if (start <= end)
      Add(out, "Rückrechnungsperioden",
          Format(Cp1252("Perioden %ld (%s bis %s) und %ld (%s bis %s) überschneiden sich"), older.Num, Dmy(older.Von),
                 Dmy(older.Bis), newer.Num, Dmy(newer.Von), Dmy(newer.Bis)));
    else if (start > end + 1)
      Add(out, "Rückrechnungsperioden",
          Format(Cp1252("Zwischen Periode %ld (bis %s) und %ld (ab %s) fehlt eine Periode"), older.Num, Dmy(older.Bis),
                 newer.Num, Dmy(newer.Von)));
  }
}

// A period the run cannot settle ends it; the checks after this one that
// need dates leave the period out (periods keeps the usable ones), all of
// them when it is the run's own.
void CheckPeriods(const RunContext& ctx, std::vector<CheckFinding>& out, std::vector<Period>& periods) {
  bool ownUnusable = false;
  for (Period& p : periods) {
    std::string fault = PeriodFault(p.Von, p.Bis);
    if (fault.empty()) continue;
    Add(out, "Periode nicht verwendbar",
        Format(Cp1252("Abrechnungsperiode %ld des AbrKreises %s nicht verwendbar: %s"), p.Num, ctx.Akr, Cp1252(fault)));
    p.Usable = false;
    if (p.Num == ctx.Abrnr) ownUnusable = true;
  }
  if (ownUnusable) {
    periods.clear();
  } else if (periods.empty() || periods[0].Num != ctx.Abrnr) {
    Add(out, "Keine Periode",
        Format(Cp1252("Abrechnungsperiode %ld des AbrKreises %s nicht gefunden"), ctx.Abrnr, ctx.Akr));
    periods.clear();
  } else {
    CheckPeriodSequence(out, periods);
    std::erase_if(periods, [](const Period& p) { return !p.Usable; });
  }
}

void CheckOverlappingWageTypes(std::vector<CheckFinding>& out, const LugRecord& lug) {
  SqlCursor c;
  int st = SQL_Qvx171Lu1_OpenOverlap(c, lug.LugLug);
  std::string stz, zkt, lnaA, vonA, bisA, lnaB, vonB, bisB;
  while (st == 0 && (st = SqlFetchInto(c, stz, zkt, lnaA, vonA, bisA, lnaB, vonB, bisB)) == 0) {
    Add(out, "Überschneidende Lohnarten",
        Format(Cp1252("Satzart %s, Konto %s: Lohnart %s (%s bis %s) und Lohnart %s (%s bis %s) gelten zugleich"), stz,
               zkt, lnaA, vonA, bisA.empty() ? std::string("offen") : bisA, lnaB, vonB,
               bisB.empty() ? std::string("offen") : bisB));
  }
  ReadEnded(st, "Qvx171Lu1");
}

// Bookings in the run's own period of persons without an employment in the
// circle then.
void CheckNoEmployment(const RunContext& ctx, std::vector<CheckFinding>& out, const std::vector<Period>& periods) {
  std::string pnrs;
  int listStatus = periods.empty() ? kSqlNoMoreRows : SQL_Qvx331Zkb_ReadNoEmploymentPnrs(ctx.Akr, periods[0], pnrs);
  ReadEnded(listStatus, "Qvx331Zkb");
  bool listed = !periods.empty() && listStatus == 0;
  if (periods.empty() || (listed && pnrs.empty())) return;
  SqlCursor c;
  int st = SQL_Qvx331Zkb_OpenNoEmployment(c, ctx.Akr, periods[0], listed ? &pnrs : nullptr);
  std::string pnr;
  int64_t std = 0, tge = 0;
  while (st == 0 && (st = SqlFetchInto(c, pnr, std, tge)) == 0) {
    Add(out, "Keine Beschäftigung",
        Format(Cp1252("Pnr %s: Buchungen in Periode %ld (%s Stunden, %s Tage), aber keine Beschäftigung im "
                      "AbrKreis %s"),
               pnr, periods[0].Num, Hours(std), Days(tge), ctx.Akr));
  }
  ReadEnded(st, "Qvx331Zkb");
}

}  // namespace

std::vector<CheckFinding> CheckCircle(const RunContext& ctx, bool probeTransferDir) {
  std::vector<CheckFinding> out;
  for (const ServerFinding& f : CheckServer()) Add(out, f.Kind.c_str(), Cp1252(f.Text));
  if (probeTransferDir) CheckTransferDir(ctx, out);

  LugRecord lug;
  if (!CheckInterface(ctx, out, lug)) return out;
  std::vector<Period> periods = ReadPeriods(ctx);
  CheckPeriods(ctx, out, periods);
  CheckOverlappingWageTypes(out, lug);
  CheckBookings(ctx, out, lug, periods);
  CheckNoEmployment(ctx, out, periods);
  return out;
}

int RunCheck(RunContext& ctx) {
  Log("PRÜFUNG AbrKreis %s, Abrnr %ld: nichts wird berechnet oder geschrieben", ctx.Akr, ctx.Abrnr);
  std::vector<CheckFinding> found = CheckCircle(ctx, true);
  ctx.Handover.CheckFindings = found;
  for (const CheckFinding& f : found) {
    Log("PROBLEM: %s", f.Text);
    std::string line = f.Text + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  std::string end = Format(Cp1252("Prüfung beendet: %d Problem(e) gefunden"), static_cast<int>(found.size()));
  Log("%s", end);
  end += "\n";
  std::fwrite(end.data(), 1, end.size(), stdout);
  std::fflush(stdout);
  return found.empty() ? 0 : 2;
}
