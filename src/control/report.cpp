#include "control/report.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "calc/settlement.h"
#include "control/check.h"
#include "run/context.h"
#include "run/db.h"
#include "run/platform.h"
#include "run/text.h"

namespace {

std::string Html(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A number as the files show it to the clerk: a decimal comma, and no minus
// in front of a value that rounds to zero.
std::string Number(double v, int places) {
  std::string t = Format("%.*f", places, v);
  if (t[0] == '-' && t.find_first_not_of("-0.") == std::string::npos) t.erase(0, 1);
  for (char& c : t) {
    if (c == '.') c = ',';
  }
  return t;
}
std::string HoursOf(int64_t minutes) { return Number(static_cast<double>(minutes) / 60.0, 2); }
std::string DaysOf(int64_t tenths) { return Number(static_cast<double>(tenths) / 10.0, 1); }

// YYYY.MM.DD or YYYY-MM-DD as DD.MM.YYYY; anything else as it is.
std::string Dmy(const std::string& ymd) {
  if (ymd.size() < 10 || (ymd[4] != '.' && ymd[4] != '-')) return ymd;
  return ymd.substr(8, 2) + "." + ymd.substr(5, 2) + "." + ymd.substr(0, 4);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// A personnel number as the payroll system compares it: the zeros a
// fixed-width field pads it with in front do not count ("021001" is 21001).
std::string AsPayrollNumber(const std::string& pnr) {
  std::string s = Trimmed(pnr);
  size_t from = s.find_first_not_of(' ');
  if (from == std::string::npos) return std::string();
  s.erase(0, from);
  size_t zeros = 0;
  while (zeros + 1 < s.size() && s[zeros] == '0') ++zeros;
  return s.substr(zeros);
}

// ---- what the settlement computed ------------------------------------------

struct Person {
  std::string Pnr, Upn, Name;
  int32_t Count = 0;
  int64_t Minutes = 0;
  int64_t Tenths = 0;
};

// The run's transfer records per person with the person's name. False when
// they cannot be read (status in st).
bool SQL_Qvx331Zk1_Persons(const RunContext& ctx, std::vector<Person>& out, int& st) {
  SqlCursor c;
  st = SqlOpen(c, SqlFormat("SELECT g.Pnr, g.Upn, IFNULL((SELECT MAX(PnrNam) FROM Qvx300Pnr WHERE PnrNum = g.Pnr), ''),"
                            " g.N, g.S, g.T FROM (SELECT Zk1Pnr AS Pnr, Zk1Upn AS Upn, COUNT(*) AS N,"
                            " IFNULL(SUM(Zk1Std), 0) AS S, IFNULL(SUM(Zk1Tge), 0) AS T FROM Qvx331Zk1"
                            " WHERE Zk1Abr = %ld AND Zk1Lfn = %d GROUP BY Zk1Pnr, Zk1Upn) g ORDER BY g.Pnr, g.Upn",
                            ctx.AbrnrStart, ctx.Lfn));
  Person p;
  while (st == 0 && (st = SqlFetchInto(c, p.Pnr, p.Upn, p.Name, p.Count, p.Minutes, p.Tenths)) == 0) {
    out.push_back(p);
    p = Person{};
  }
  if (st == kSqlNoMoreRows) st = 0;
  return st == 0;
}

// ---- the page ----------------------------------------------------------------

constexpr char kStyle[] =
    "body{font-family:Arial,Helvetica,sans-serif;font-size:10pt;margin:1.5em;color:#000;background:#fff}"
    "h1{font-size:15pt;margin:0 0 .3em 0}h2{font-size:12pt;margin:1.2em 0 .3em 0;border-bottom:1px solid #888}"
    "h3{font-size:10.5pt;margin:.8em 0 .2em 0}"
    "table{border-collapse:collapse;margin:.2em 0}th,td{border:1px solid #999;padding:2px 8px;text-align:left;"
    "vertical-align:top}th{background:#e4e4e4}td.n{text-align:right;white-space:nowrap}tr.sum td{font-weight:bold}"
    ".ok{color:#005a00}.bad{color:#a00000;font-weight:bold}.preview{background:#fff3b0;padding:4px 8px}"
    "thead{display:table-header-group}tfoot{display:table-footer-group}"
    "@media print{body{margin:0;font-size:9pt}h2,h3{break-after:avoid;page-break-after:avoid}"
    "tr{break-inside:avoid;page-break-inside:avoid}th{-webkit-print-color-adjust:exact;print-color-adjust:exact}}"
    "@page{size:A4;margin:15mm 12mm}";

// The report's HTML on its way into its file: written out piece by piece
// into a temporary file that takes the report's name when it is complete, so
// that the report of a large circle is never held whole.
class Page {
 public:
  explicit Page(std::string path) : path_(std::move(path)), temp_(path_ + ".tmp") { ok_ = file_.Open(temp_, "w"); }
  ~Page() {
    if (finished_) return;
    (void)file_.Close();
    RemoveFile(temp_);
  }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  Page& operator+=(std::string_view text) {
    text_ += text;
    if (text_.size() >= kPiece) Spill();
    return *this;
  }
  // False when the report could not be written (nothing is left then).
  bool Finish() {
    Spill();
    finished_ = true;
    bool ok = file_.Close() && ok_;
    if (ok && RenameFile(temp_, path_) == 0) return true;
    RemoveFile(temp_);
    return false;
  }

 private:
  static constexpr size_t kPiece = size_t{256} * 1024;
  void Spill() {
    if (ok_ && !text_.empty()) ok_ = file_.Write(text_);
    text_.clear();
  }
  std::string path_, temp_, text_;
  TextFile file_;
  bool ok_ = false, finished_ = false;
};

struct Cell {
  std::string Text;  // HTML
  bool Number = false;
};

// A table whose head repeats on every printed page (thead) and whose sum row
// closes it (tfoot is not used: it would repeat on every page, too).
class Table {
 public:
  Table(Page& h, std::initializer_list<const char*> heads, std::initializer_list<bool> numbers) : h_(h) {
    numbers_.assign(numbers.begin(), numbers.end());
    h_ += "<table><thead><tr>";
    size_t i = 0;
    for (const char* head : heads) {
      bool number = i < numbers_.size() && numbers_[i];
      h_ += std::string(number ? "<th class=\"n\">" : "<th>") + Cp1252(head) + "</th>";
      ++i;
    }
    h_ += "</tr></thead>\n<tbody>\n";
  }
  ~Table() { h_ += "</tbody></table>\n"; }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  void Row(const std::vector<std::string>& cells, const char* rowClass = nullptr) {
    h_ += rowClass ? Format("<tr class=\"%s\">", rowClass) : std::string("<tr>");
    for (size_t i = 0; i < cells.size(); ++i) {
      bool number = i < numbers_.size() && numbers_[i];
      h_ += (number ? "<td class=\"n\">" : "<td>") + cells[i] + "</td>";
    }
    h_ += "</tr>\n";
  }

 private:
  Page& h_;
  std::vector<bool> numbers_;
};

// ---- the summary -------------------------------------------------------------

std::string Json(std::string_view cp1252) {
  std::string utf8 = Utf8(cp1252);
  std::string out = "\"";
  for (char c : utf8) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20) out += Format("\\u%04x", static_cast<int>(u));
    else out += c;
  }
  return out + "\"";
}

// A number with up to six places, without trailing zeros ("1.5", "0").
std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  std::string t = Format("%.6f", v);
  while (t.back() == '0') t.pop_back();
  if (t.back() == '.') t.pop_back();
  if (t == "-0") t = "0";
  return t;
}

const char* ModeName(const RunContext& ctx) {
  if (ctx.Check) return "check";
  if (ctx.Preview) return "preview";
  return ctx.InterimFlag ? "interim" : "final";
}

bool WriteWhole(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp";
  TextFile f;
  if (!f.Open(temp, "w")) return false;
  bool ok = f.Write(text);
  ok = f.Close() && ok;
  if (ok && RenameFile(temp, path) == 0) return true;
  RemoveFile(temp);
  return false;
}

}  // namespace

std::string ReportBasePath(const RunContext& ctx) {
  std::string dir = ctx.LogPath;
  size_t cut = dir.find_last_of("\\/");
  dir = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
  std::string base = dir + "lug_" + ctx.Schema + "_" + ctx.Akr + "_" + Format("%ld", ctx.AbrnrStart);
  if (ctx.Check) return base + "_pruefung";
  if (ctx.Preview) return base + "_vorschau";
  return base;
}

namespace {

// What the report is made of besides the hand-over itself.
struct ReportData {
  std::vector<Person> Persons;
  int PersonsStatus = 0;
  bool PersonsRead = false;
  std::map<std::string, std::string> Names;
  std::vector<std::string> Foreign;
  std::vector<CheckFinding> Findings;
  bool AnyLeftOut = false;

  std::string NameOf(const std::string& pnr) const {
    auto it = Names.find(Trimmed(pnr));
    return it == Names.end() ? std::string() : it->second;
  }
};

ReportData GatherReport(const RunContext& ctx) {
  const HandOver& ho = ctx.Handover;
  ReportData d;
  // what the settlement computed: only once the run has replaced the earlier
  // records of its number, so that a run that stopped before never shows the
  // records of another run or circle
  d.PersonsRead = ho.SettlementStarted && SQL_Qvx331Zk1_Persons(ctx, d.Persons, d.PersonsStatus);
  std::set<std::string> runPersons;
  for (const Person& p : d.Persons) {
    if (!p.Name.empty()) d.Names[Trimmed(p.Pnr)] = p.Name;
    runPersons.insert(AsPayrollNumber(p.Pnr));
    runPersons.insert(AsPayrollNumber(p.Upn));
  }
  for (const Person& p : d.Persons) {
    if (!p.Name.empty() && !d.Names.count(Trimmed(p.Upn))) d.Names[Trimmed(p.Upn)] = p.Name;
  }

  // persons written whom no transfer record of the run names: rows of another
  // circle or accounting number that reached the hand-over
  if (d.PersonsRead && !ctx.Check) {
    for (const std::string& p : ho.Persons) {
      if (!p.empty() && !runPersons.count(AsPayrollNumber(p))) d.Foreign.push_back(p);
    }
  }

  d.Findings = ctx.Check ? ctx.Handover.CheckFindings : CheckCircle(ctx, false);
  // employees not calculated (joined later, moved to another circle, nothing
  // booked) lose nothing, and rows of other runs that a circle without
  // "Schnittstelle leeren" collects into its file are no loss of this run:
  // both are listed, but the hand-over is complete
  d.AnyLeftOut = !ho.LeftOut.empty() || !d.Findings.empty();
  return d;
}

// The head of the page and the table of the run with its result.
void HtmlRun(const RunContext& ctx, Page& h, const ReportData& rd, bool completed, int exitCode) {
  const HandOver& ho = ctx.Handover;
  const std::vector<CheckFinding>& findings = rd.Findings;
  const bool anyLeftOut = rd.AnyLeftOut;
  const char* what = ctx.Check ? "Prüfung" : ctx.Preview ? "Vorschau" : "Übergabe";
  h += "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"windows-1252\">\n";
  h += Format("<title>LuG-%s %s / %s / %ld</title>\n", Cp1252(what), Html(ctx.Schema), Html(ctx.Akr), ctx.AbrnrStart);
  h += std::string("<style>") + kStyle + "</style>\n</head>\n<body>\n";
  h += Cp1252(ctx.Check     ? "<h1>Lohn- und Gehaltsübergabe: PRÜFUNG</h1>\n"
              : ctx.Preview ? "<h1>Lohn- und Gehaltsübergabe: VORSCHAU</h1>\n"
                            : "<h1>Lohn- und Gehaltsübergabe</h1>\n");
  if (ctx.Preview)
    h += Cp1252("<p class=\"preview\">Vorschau: alle Änderungen wurden zurückgenommen; die Dateien stehen in ") +
         Html(ctx.PreviewDir) + ".</p>\n";
  if (ctx.Check) h += Cp1252("<p class=\"preview\">Prüfung: nichts wurde berechnet oder geschrieben.</p>\n");

  h += "<h2>Lauf</h2>\n<table>\n";
  auto row = [&h](const char* head, const std::string& value) {
    h += "<tr><th>" + Cp1252(head) + "</th><td>" + Html(value) + "</td></tr>\n";
  };
  row("Schema", ctx.Schema);
  row("Abrechnungskreis", ctx.Akr);
  row("Abrechnungsnummer", Format("%ld", ctx.AbrnrStart));
  row("Zeitraum", ctx.AbrVon.empty() ? std::string() : Dmy(ctx.AbrVon) + " - " + Dmy(ctx.AbrBis));
  row("Art", Cp1252(ctx.InterimFlag ? "Zwischenabrechnung" : "Endabrechnung") + Format(" (Lfn %d)", ctx.Lfn));
  row("Modus", Cp1252(what));
  row("Lohnprogramm", ctx.Lug.LugLgp);
  row("Filter Pnr", ctx.PnrFilter);
  row("Zeit", ctx.DbTime);
  std::string verdict;
  if (!completed) verdict = "<span class=\"bad\">" + Cp1252("Abgebrochen - Stand bis Abbruch");
  else if (ctx.Check)
    verdict = findings.empty()
                  ? "<span class=\"ok\">" + Cp1252("Prüfung ohne Befund")
                  : "<span class=\"bad\">" +
                        Cp1252(Format("Prüfung: %d Problem(e) gefunden", static_cast<int>(findings.size())));
  else if (anyLeftOut)
    verdict = "<span class=\"bad\">" + Cp1252("Übergeben, aber nicht vollständig - siehe \"Nicht übergeben\"");
  else verdict = "<span class=\"ok\">" + Cp1252("Vollständig übergeben");
  h += "<tr><th>Ergebnis</th><td>" + verdict + Format(" (Exit-Code %d)</span></td></tr>\n", exitCode);
  if (ho.Status >= 0)
    h += Format("<tr><th>AkrAdt</th><td>%d%s</td></tr>\n", ho.Status,
                ctx.Preview || ctx.Check ? Cp1252(" (nicht gesetzt)").c_str() : "");
  h += "</table>\n";
}

void HtmlWageTypes(Page& h, const std::vector<HandedOverWageType>& wageTypes) {
  h += "<h3>Je Lohnart, wie geschrieben</h3>\n";
  std::vector<HandedOverWageType> types = wageTypes;
  std::sort(types.begin(), types.end(),
            [](const HandedOverWageType& a, const HandedOverWageType& b) { return a.WageType < b.WageType; });
  int64_t records = 0;
  double hours = 0, days = 0;
  bool unitsAgree = true;
  {
    Table t(h, {"Lohnart", "Einheit", "Sätze", "Stunden / Betrag", "Tage"}, {false, false, true, true, true});
    for (const HandedOverWageType& w : types) {
      const char* unit = w.AmountMixed ? "uneinheitlich" : w.Amount ? "Betrag" : "Stunden";
      t.Row({Html(w.WageType), Cp1252(unit), Format("%lld", static_cast<long long>(w.Records)),
             w.AmountMixed ? std::string("-") : Number(w.Hours, 2), Number(w.Days, 2)});
      records += w.Records;
      hours += w.Hours;
      days += w.Days;
      unitsAgree = unitsAgree && !w.Amount && !w.AmountMixed;
    }
    // hours of different wage types are added up, amounts never with hours
    t.Row({"Summe", "", Format("%lld", static_cast<long long>(records)),
           unitsAgree ? Number(hours, 2) : std::string("-"), Number(days, 2)},
          "sum");
  }
}

// Handed over, as written.
void HtmlHandedOver(const RunContext& ctx, Page& h, const ReportData& rd, bool completed) {
  const HandOver& ho = ctx.Handover;
  const std::vector<std::string>& foreign = rd.Foreign;
  h += Cp1252("<h2>Übergeben</h2>\n");
  if (!ho.ExportStarted) {
    h += Cp1252(completed ? "<p>Nichts übergeben: für dieses Lohnprogramm gibt es keine Übergabe.</p>\n"
                          : "<p>Nichts übergeben: der Lauf hat die Übergabe nicht erreicht.</p>\n");
  } else {
    if (!completed && !ho.ExportFinished)
      h += Cp1252(
          "<p class=\"bad\">Die Übergabe wurde abgebrochen: was hier steht, ist nur bis zum Abbruch "
          "geschrieben worden; unfertige Dateien wurden entfernt.</p>\n");
    h += "<h3>Dateien</h3>\n";
    if (ho.Files.empty()) {
      h += "<p>keine</p>\n";
    } else {
      Table t(h, {"Datei", "Zeilen"}, {false, true});
      for (const HandedOverFile& f : ho.Files) t.Row({Html(f.Name), Format("%lld", static_cast<long long>(f.Lines))});
    }
    if (!ho.Tables.empty()) {
      h += Cp1252("<h3>Übergabetabellen</h3>\n");
      Table t(h, {"Tabelle", "Neue Zeilen", "Aufaddiert"}, {false, true, true});
      for (const StagedTable& s : ho.Tables)
        t.Row({Html(s.Table), Format("%lld", static_cast<long long>(s.Added)),
               Format("%lld", static_cast<long long>(s.Accumulated))});
    }
    HtmlWageTypes(h, ho.WageTypes);
    if (ho.WithoutValue > 0)
      h += Format(Cp1252("<p>%lld Satz/Sätze ohne Wert (weder Stunden noch Tage): keine Zeile nötig.</p>\n").c_str(),
                  static_cast<long long>(ho.WithoutValue));
    if (!foreign.empty()) {
      h += Cp1252(
          "<h3 class=\"bad\">Nicht aus diesem Lauf (anderer Abrechnungskreis oder andere "
          "Abrechnungsnummer)</h3>\n");
      Table t(h, {"Pnr", "Name"}, {false, false});
      for (const std::string& p : foreign) t.Row({Html(p), Html(rd.NameOf(p))});
    }
  }
}

// Left out, and the findings of the check.
void HtmlLeftOut(const RunContext& ctx, Page& h, const ReportData& rd) {
  const HandOver& ho = ctx.Handover;
  const std::vector<CheckFinding>& findings = rd.Findings;
  h += Cp1252("<h2>Nicht übergeben</h2>\n");
  if (ho.LeftOut.empty()) {
    h += "<p class=\"ok\">keine</p>\n";
  } else {
    Table t(h, {"Pnr", "Name", "Lohnart", "Stunden", "Tage", "Grund", "Meldung"},
            {false, false, false, true, true, false, false});
    for (const LeftOutRecord& r : ho.LeftOut) {
      t.Row({Html(r.Pnr), Html(rd.NameOf(r.Pnr)), Html(r.WageType), r.HasRecord ? Number(r.Hours, 2) : std::string(),
             r.HasRecord ? Number(r.Days, 2) : std::string(), Html(r.Kind), Html(r.Text)});
    }
  }
  h += Cp1252(ctx.Check ? "<h2>Befunde</h2>\n" : "<h2>Befunde der Prüfung</h2>\n");
  if (findings.empty()) {
    h += "<p class=\"ok\">keine Probleme gefunden</p>\n";
  } else {
    Table t(h, {"Art", "Befund"}, {false, false});
    for (const CheckFinding& f : findings) t.Row({Html(f.Kind), Html(f.Text)});
  }
}

// Settled per employee, and the employees not calculated.
void HtmlSettled(const RunContext& ctx, Page& h, const ReportData& rd) {
  const HandOver& ho = ctx.Handover;
  const std::vector<Person>& persons = rd.Persons;
  const auto& skipped = ctx.Handover.Skipped;
  h += "<h2>Abgerechnet je Mitarbeiter</h2>\n";
  if (!ho.SettlementStarted) {
    h += Cp1252("<p>Keine Sätze dieses Laufs: er hat vor der Abrechnung angehalten.</p>\n");
  } else if (!rd.PersonsRead) {
    h += Format(Cp1252("<p class=\"bad\">Die Sätze des Laufs sind nicht lesbar (Status %d).</p>\n").c_str(),
                rd.PersonsStatus);
  } else {
    Table t(h, {"Pnr", "Name", "Pnr LuG", "Sätze", "Stunden", "Tage"}, {false, false, false, true, true, true});
    Person total;
    for (const Person& p : persons) {
      t.Row({Html(p.Pnr), Html(p.Name), Html(p.Upn), Format("%d", p.Count), HoursOf(p.Minutes), DaysOf(p.Tenths)});
      total.Count += p.Count;
      total.Minutes += p.Minutes;
      total.Tenths += p.Tenths;
    }
    t.Row({"Summe", "", "", Format("%d", total.Count), HoursOf(total.Minutes), DaysOf(total.Tenths)}, "sum");
  }
  if (!skipped.empty()) {
    h += "<h3>Nicht berechnet</h3>\n";
    Table t(h, {"Pnr", "Name", "Grund"}, {false, false, false});
    for (const auto& [pnr, reason] : skipped) t.Row({Html(pnr), Html(rd.NameOf(pnr)), Html(reason)});
  }
}

void HtmlRetroDifferences(const RunContext& ctx, Page& h, const ReportData& rd) {
  const HandOver& ho = ctx.Handover;
  h += Cp1252("<h2>Rückrechnung: Differenzen je Mitarbeiter</h2>\n");
  std::vector<const RetroDifference*> diffs;
  diffs.reserve(ho.RetroDifferences.size());
  for (const RetroDifference& d : ho.RetroDifferences) diffs.push_back(&d);
  std::stable_sort(diffs.begin(), diffs.end(), [](const RetroDifference* a, const RetroDifference* b) {
    return std::tie(a->Pnr, a->Period, a->BookingDate, a->WageType) <
           std::tie(b->Pnr, b->Period, b->BookingDate, b->WageType);
  });
  if (diffs.empty()) {
    h += "<p>keine</p>\n";
  } else {
    Table t(h,
            {"Pnr", "Name", "Periode", "Datum", "Lohnart", "Stunden alt", "Stunden neu", "Differenz", "Tage alt",
             "Tage neu", "Differenz"},
            {false, false, true, false, false, true, true, true, true, true, true});
    for (const RetroDifference* at : diffs) {
      const RetroDifference& d = *at;
      t.Row({Html(d.Pnr), Html(rd.NameOf(d.Pnr)), Format("%ld", d.Period), Dmy(d.BookingDate), Html(d.WageType),
             HoursOf(d.OldMinutes), HoursOf(d.NewMinutes), HoursOf(d.NewMinutes - d.OldMinutes), DaysOf(d.OldTenths),
             DaysOf(d.NewTenths), DaysOf(d.NewTenths - d.OldTenths)});
    }
  }
}

// The summary, from the same figures as the page.
std::string JsonSummary(const RunContext& ctx, const ReportData& rd, const char* result, int exitCode) {
  const HandOver& ho = ctx.Handover;
  const auto& skipped = ctx.Handover.Skipped;
  const std::vector<std::string>& foreign = rd.Foreign;
  const std::vector<CheckFinding>& findings = rd.Findings;
  std::string j = "{\n";
  j += "  \"schema\": " + Json(ctx.Schema) + ",\n";
  j += "  \"circle\": " + Json(ctx.Akr) + ",\n";
  j += Format("  \"number\": %ld,\n", ctx.AbrnrStart);
  j += Format("  \"mode\": \"%s\",\n", ModeName(ctx));
  j += Format("  \"result\": \"%s\",\n", result);
  j += ho.Status >= 0 ? Format("  \"status\": %d,\n", ho.Status) : std::string("  \"status\": null,\n");
  j += Format("  \"exit_code\": %d,\n", exitCode);
  j += "  \"payroll_system\": " + Json(ctx.Lug.LugLgp) + ",\n";
  auto list = [&j](const char* key, const std::vector<std::string>& items, bool last = false) {
    j += Format("  \"%s\": [", key);
    for (size_t i = 0; i < items.size(); ++i) j += (i ? ",\n    " : "\n    ") + items[i];
    j += items.empty() ? "]" : "\n  ]";
    j += last ? "\n" : ",\n";
  };
  std::vector<std::string> items;
  for (const HandedOverFile& f : ho.Files)
    items.push_back("{\"name\": " + Json(f.Name) + Format(", \"lines\": %lld}", static_cast<long long>(f.Lines)));
  list("files", items);
  items.clear();
  for (const StagedTable& s : ho.Tables)
    items.push_back("{\"table\": " + Json(s.Table) +
                    Format(", \"rows\": %lld, \"accumulated\": %lld}", static_cast<long long>(s.Added),
                           static_cast<long long>(s.Accumulated)));
  list("staging", items);
  items.clear();
  for (const HandedOverWageType& w : ho.WageTypes)
    items.push_back("{\"wage_type\": " + Json(w.WageType) +
                    Format(", \"records\": %lld, \"hours\": %s, \"days\": %s, \"amount\": %s}",
                           static_cast<long long>(w.Records), JsonNumber(w.Hours), JsonNumber(w.Days),
                           w.Amount || w.AmountMixed ? "true" : "false"));
  list("handed_over", items);
  j += Format("  \"without_value\": %lld,\n", static_cast<long long>(ho.WithoutValue));
  items.clear();
  for (const LeftOutRecord& r : ho.LeftOut) {
    std::string e = "{\"pnr\": " + Json(r.Pnr) + ", \"wage_type\": " + Json(r.WageType);
    e += r.HasRecord ? ", \"hours\": " + JsonNumber(r.Hours) + ", \"days\": " + JsonNumber(r.Days)
                     : std::string(", \"hours\": null, \"days\": null");
    e += ", \"kind\": " + Json(r.Kind) + ", \"reason\": " + Json(r.Text) + "}";
    items.push_back(std::move(e));
  }
  list("left_out", items);
  items.clear();
  for (const auto& [pnr, reason] : skipped)
    items.push_back("{\"pnr\": " + Json(pnr) + ", \"reason\": " + Json(reason) + "}");
  list("not_calculated", items);
  items.clear();
  for (const std::string& p : foreign) items.push_back("{\"pnr\": " + Json(p) + "}");
  list("foreign_persons", items);
  items.clear();
  for (const CheckFinding& f : findings)
    items.push_back("{\"kind\": " + Json(f.Kind) + ", \"text\": " + Json(f.Text) + "}");
  list("findings", items, true);
  j += "}\n";

  return j;
}

}  // namespace

void WriteRunReport(const RunContext& ctx, bool completed, int exitCode) {
  const ReportData rd = GatherReport(ctx);
  const char* result = !completed ? "aborted" : rd.AnyLeftOut ? "left_out" : "complete";

  std::string base = ReportBasePath(ctx);
  Page h(base + ".html");
  HtmlRun(ctx, h, rd, completed, exitCode);
  if (!ctx.Check) HtmlHandedOver(ctx, h, rd, completed);
  HtmlLeftOut(ctx, h, rd);
  if (!ctx.Check) {
    HtmlSettled(ctx, h, rd);
    HtmlRetroDifferences(ctx, h, rd);
  }
  h += "</body>\n</html>\n";
  const std::string j = JsonSummary(ctx, rd, result, exitCode);

  if (!h.Finish()) Log("Bericht %s.html kann nicht geschrieben werden", base);
  if (!WriteWhole(base + ".json", j)) Log("Zusammenfassung %s.json kann nicht geschrieben werden", base);
}
