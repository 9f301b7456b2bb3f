#include "run/handover.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "run/context.h"

void HandedOverRecord(std::string_view pnr, std::string_view wageType, double hours, double days, bool amount) {
  HandOver& h = AttachedRun().Handover;
  h.ExportStarted = true;
  auto it = std::find_if(h.WageTypes.begin(), h.WageTypes.end(),
                         [&](const HandedOverWageType& w) { return w.WageType == wageType; });
  if (it == h.WageTypes.end()) {
    h.WageTypes.push_back(HandedOverWageType{std::string(wageType)});
    it = h.WageTypes.end() - 1;
    it->Amount = amount;
  } else if (it->Amount != amount) {
    it->AmountMixed = true;
  }
  ++it->Records;
  it->Hours += hours;
  it->Days += days;
  std::string p(pnr);
  while (!p.empty() && p.back() == ' ') p.pop_back();
  auto at = std::lower_bound(h.Persons.begin(), h.Persons.end(), p);
  if (at == h.Persons.end() || *at != p) h.Persons.insert(at, std::move(p));
}

void HandedOverNothing() { ++AttachedRun().Handover.WithoutValue; }

void HandedOverFilePlaced(std::string_view path, int64_t lines) {
  size_t cut = path.find_last_of("\\/");
  std::string name(cut == std::string_view::npos ? path : path.substr(cut + 1));
  HandOver& h = AttachedRun().Handover;
  for (HandedOverFile& f : h.Files) {
    if (f.Name == name) {
      f.Lines = lines;
      return;
    }
  }
  h.Files.push_back(HandedOverFile{std::move(name), lines});
}

int StagedRow(std::string_view table, int status, bool accumulated) {
  if (status != 0 || table.empty()) return status;
  HandOver& h = AttachedRun().Handover;
  h.ExportStarted = true;
  auto it = std::find_if(h.Tables.begin(), h.Tables.end(), [&](const StagedTable& t) { return t.Table == table; });
  if (it == h.Tables.end()) {
    h.Tables.push_back(StagedTable{std::string(table)});
    it = h.Tables.end() - 1;
  }
  ++(accumulated ? it->Accumulated : it->Added);
  return status;
}

std::string InsertTable(std::string_view statement) {
  size_t i = 0;
  auto blanks = [&] {
    while (i < statement.size() && std::isspace(static_cast<unsigned char>(statement[i]))) ++i;
  };
  auto word = [&](std::string_view w) {
    blanks();
    if (statement.size() - i < w.size()) return false;
    for (size_t k = 0; k < w.size(); ++k) {
      if (std::toupper(static_cast<unsigned char>(statement[i + k])) != w[k]) return false;
    }
    i += w.size();
    return true;
  };
  if (!word("INSERT") || !word("INTO")) return "";
  blanks();
  size_t from = i;
  while (i < statement.size() && !std::isspace(static_cast<unsigned char>(statement[i])) && statement[i] != '(') ++i;
  return std::string(statement.substr(from, i - from));
}

LeftOutRecord MakeLeftOut(std::string kind, std::string text) {
  LeftOutRecord r;
  r.Kind = std::move(kind);
  r.Text = std::move(text);
  return r;
}

void KeepLeftOut(LeftOutRecord record) { AttachedRun().Handover.LeftOut.push_back(std::move(record)); }
