#include "control/report.h"

#include <set>
#include <utility>
#include <vector>

#include "calc/abrechnung.h"
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

std::string Hours(int64_t minutes) { return Format("%.2f", static_cast<double>(minutes) / 60.0); }
std::string Days(int64_t tenths) { return Format("%.1f", static_cast<double>(tenths) / 10.0); }

struct Sums {
  std::string Key;
  std::string Name;
  int32_t Count = 0;
  int64_t Minutes = 0;
  int64_t Tenths = 0;
};

// Sums of the run's transfer records grouped by groupColumn (and nameColumn,
// shown beside it); condition narrows the records.
std::vector<Sums> SQL_Qvx331Zk1_Sums(const char* groupColumn, const char* nameColumn, const char* condition) {
  std::vector<Sums> out;
  SqlCursor c;
  int st = SqlOpen(c, SqlFormat("SELECT %s, %s, COUNT(*), SUM(Zk1Std), SUM(Zk1Tge) FROM Qvx331Zk1 "
                                " WHERE Zk1Abr = %ld AND Zk1Lfn = %d %s GROUP BY %s, %s ORDER BY %s, %s",
                                groupColumn, nameColumn, Ctx.AbrnrStart, Ctx.Lfn, condition, groupColumn,
                                nameColumn, groupColumn, nameColumn));
  Sums s;
  while (st == 0 && (st = SqlFetchInto(c, s.Key, s.Name, s.Count, s.Minutes, s.Tenths)) == 0) {
    out.push_back(s);
    s = Sums{};
  }
  return out;
}

const char* kStyle =
    "body{font-family:Arial,Helvetica,sans-serif;font-size:10pt;margin:1.5em;color:#000;background:#fff}"
    "h1{font-size:15pt;margin:0 0 .3em 0}h2{font-size:12pt;margin:1.2em 0 .3em 0;border-bottom:1px solid #888}"
    "table{border-collapse:collapse;margin:.2em 0}th,td{border:1px solid #999;padding:2px 8px;text-align:left}"
    "th{background:#e4e4e4}td.n{text-align:right}tr.sum td{font-weight:bold}"
    ".ok{color:#005a00}.bad{color:#a00000;font-weight:bold}.preview{background:#fff3b0;padding:4px 8px}"
    "@media print{body{margin:0}h2{page-break-after:avoid}tr{page-break-inside:avoid}}";

void SumsTable(std::string& h, const std::vector<Sums>& rows, const char* keyHead, const char* nameHead) {
  h += "<table><tr><th>" + Cp1252(keyHead) + "</th>";
  if (nameHead) h += "<th>" + Cp1252(nameHead) + "</th>";
  h += Cp1252("<th>Sätze</th><th>Stunden</th><th>Tage</th></tr>\n");
  Sums total;
  for (const Sums& s : rows) {
    h += "<tr><td>" + Html(s.Key) + "</td>";
    if (nameHead) h += "<td>" + Html(s.Name) + "</td>";
    h += Format("<td class=\"n\">%d</td><td class=\"n\">%s</td><td class=\"n\">%s</td></tr>\n", s.Count,
                Hours(s.Minutes), Days(s.Tenths));
    total.Count += s.Count;
    total.Minutes += s.Minutes;
    total.Tenths += s.Tenths;
  }
  h += Format("<tr class=\"sum\"><td%s>Summe</td><td class=\"n\">%d</td><td class=\"n\">%s</td>"
              "<td class=\"n\">%s</td></tr>\n</table>\n",
              nameHead ? " colspan=\"2\"" : "", total.Count, Hours(total.Minutes), Days(total.Tenths));
}

}  // namespace

std::string ReportPath() {
  std::string dir = Ctx.LogPath;
  size_t cut = dir.find_last_of("\\/");
  dir = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
  return dir + "lug_" + Ctx.Schema + "_" + Ctx.Akr + "_" + Format("%ld", Ctx.AbrnrStart) + ".html";
}

void WriteRunReport(bool completed, int exitCode) {
  std::string h;
  h += "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"windows-1252\">\n";
  h += Format("<title>LuG-%s %s / %s / %ld</title>\n",
              Cp1252(Ctx.Preview ? "Vorschau" : "Übergabe"), Html(Ctx.Schema), Html(Ctx.Akr), Ctx.AbrnrStart);
  h += std::string("<style>") + kStyle + "</style>\n</head>\n<body>\n";
  h += Cp1252(Ctx.Preview ? "<h1>Lohn- und Gehaltsübergabe: VORSCHAU</h1>\n" : "<h1>Lohn- und Gehaltsübergabe</h1>\n");
  if (Ctx.Preview)
    h += Cp1252("<p class=\"preview\">Vorschau: alle Änderungen wurden zurückgenommen; die Dateien stehen in ") +
         Html(Ctx.PreviewDir) + ".</p>\n";

  h += "<h2>Lauf</h2>\n<table>\n";
  auto row = [&h](const char* head, const std::string& value) {
    h += "<tr><th>" + Cp1252(head) + "</th><td>" + Html(value) + "</td></tr>\n";
  };
  row("Schema", Ctx.Schema);
  row("Abrechnungskreis", Ctx.Akr);
  row("Abrechnungsnummer", Format("%ld", Ctx.AbrnrStart));
  row("Zeitraum", Ctx.AbrVon.empty() ? std::string() : Ctx.AbrVon + " - " + Ctx.AbrBis);
  row("Art", Cp1252(Ctx.InterimFlag ? "Zwischenabrechnung" : "Endabrechnung") + Format(" (Lfn %d)", Ctx.Lfn));
  row("Modus", Cp1252(Ctx.Preview ? "Vorschau" : "Übergabe"));
  row("Lohnprogramm", Ctx.Lug.LugLgp);
  row("Filter Pnr", Ctx.PnrFilter);
  row("Zeit", Ctx.DbTime);
  h += "<tr><th>Ergebnis</th><td>" +
       (completed ? std::string("<span class=\"ok\">") + Cp1252("vollständig durchgelaufen")
                  : std::string("<span class=\"bad\">") + Cp1252("abgebrochen - Stand bis zum Abbruch")) +
       Format(" (Exit-Code %d)</span></td></tr>\n</table>\n", exitCode);

  h += Cp1252("<h2>Übergeben je Lohnart</h2>\n");
  SumsTable(h, SQL_Qvx331Zk1_Sums("Zk1Lna", "Zk1Stz", ""), "Lohnart", "Satzart");

  h += "<h2>Je Mitarbeiter</h2>\n";
  SumsTable(h, SQL_Qvx331Zk1_Sums("Zk1Pnr", "Zk1Upn", ""), "Pnr", "Pnr LuG");
  h += "<h3>Nicht berechnet</h3>\n";
  if (SkippedEmployees().empty()) {
    h += "<p>keine</p>\n";
  } else {
    h += "<table><tr><th>Pnr</th><th>Grund</th></tr>\n";
    for (const auto& [pnr, reason] : SkippedEmployees()) h += "<tr><td>" + Html(pnr) + "</td><td>" + Html(reason) + "</td></tr>\n";
    h += "</table>\n";
  }

  h += Cp1252("<h2>Rückrechnung: Differenzen je früherer Periode</h2>\n");
  std::vector<Sums> retro = SQL_Qvx331Zk1_Sums("IFNULL(Zk1Rrn, 0)", "Zk1Lna", "AND Zk1Rre = 2");
  if (retro.empty())
    h += "<p>keine</p>\n";
  else
    SumsTable(h, retro, "Periode", "Lohnart");

  h += Cp1252("<h2>Nicht übergeben und warum</h2>\n");
  std::vector<CheckFinding> found = CheckCircle(false);
  for (const LeftOutRecord& r : Ctx.Handover.LeftOut) found.push_back(CheckFinding{r.Kind, r.Text});
  if (found.empty()) {
    h += "<p class=\"ok\">keine Probleme gefunden</p>\n";
  } else {
    h += "<table><tr><th>Art</th><th>Befund</th></tr>\n";
    for (const CheckFinding& f : found) h += "<tr><td>" + Html(f.Kind) + "</td><td>" + Html(f.Text) + "</td></tr>\n";
    h += "</table>\n";
  }
  h += "</body>\n</html>\n";

  TextFile f;
  if (!f.Open(ReportPath(), "w")) return;
  f.Write(h);
  f.Close();
}
