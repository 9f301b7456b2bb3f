#include "calc/vorlesen.h"

#include "calc/buchungen.h"

#include <map>
#include <unordered_map>

#include "run/db.h"
#include "run/dbkey.h"

namespace {

struct TagCodes {
  std::string Tgb, Htv, Htn;
};

struct Batch {
  bool Valid = false;
  std::string Von, Bis;
  std::unordered_map<std::string, std::string> KeyOfPnr;  // personnel number as in statements -> key
  // key of the personnel number + day -> first row of the day
  std::map<std::pair<std::string, std::string>, TagCodes> Tag;
  std::map<std::pair<std::string, std::string>, int32_t> Sol;  // day records (TgbZtr 1): TgbSol
  std::map<std::pair<std::string, std::string>, double> Max;   // period records (TgbZtr 3): TgbMax
};

Batch g_batch;

// "'a', 'b', ..." of the personnel numbers, escaped for the connection.
std::string PnrList(const std::vector<BatchEmployee>& employees) {
  std::string list;
  for (const auto& e : employees) list += (list.empty() ? "'" : ", '") + SqlEscape(e.Pnr) + "'";
  return list;
}

// A day text as the program formats it (YYYY.MM.DD); other texts are left to
// the database's own conversion.
bool PlainDay(const std::string& day) {
  if (day.size() != 10 || day[4] != '.' || day[7] != '.') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (day[i] < '0' || day[i] > '9') return false;
  }
  return true;
}

// The key under which the batch holds the employee's day, or false.
bool Covered(const std::string& pnr, const std::string& day, std::string& key) {
  if (!g_batch.Valid || !PlainDay(day) || day < g_batch.Von || day > g_batch.Bis) return false;
  auto it = g_batch.KeyOfPnr.find(pnr);
  if (it == g_batch.KeyOfPnr.end()) return false;
  key = it->second;
  return true;
}

}  // namespace

void ClearBatch() { g_batch = Batch{}; }

// The statements of a batch are formed by the program from the employment
// rows and can be longer than the statement buffer of the single reads; they
// are not subject to its limit.
void ReadBatch(const std::vector<BatchEmployee>& employees, const std::string& von, const std::string& bis) {
  ClearBatch();
  if (employees.empty() || !PlainDay(von) || !PlainDay(bis)) return;
  Batch b;
  b.Von = von;
  b.Bis = bis;
  for (const auto& e : employees) b.KeyOfPnr.emplace(e.Pnr, e.Key);
  const std::string list = PnrList(employees);
  const std::string range = "'" + SqlEscape(von) + "' AND '" + SqlEscape(bis) + "'";

  SqlCursor c;
  int st = SqlOpen(c, "SELECT " + SqlKeyColumn("TagPnr") +
                          ", date_format(TagTag, '%Y.%m.%d'), TagTgb, TagHtv, TagHtn FROM Qvx327Tag"
                          " WHERE TagPnr IN (" + list + ") AND TagTag BETWEEN " + range +
                          " AND ((TagTgb IS NOT NULL) OR (TagHtv IS NOT NULL) OR (TagHtn IS NOT NULL))"
                          " ORDER BY TagPnr, TagTag");
  if (st != 0) return;
  for (;;) {
    std::string key, day;
    TagCodes t;
    st = SqlFetchInto(c, key, day, t.Tgb, t.Htv, t.Htn);
    if (st != 0) break;
    b.Tag.emplace(std::make_pair(key, day), t);  // the first row of a day counts
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) return;

  st = SqlOpen(c, "SELECT " + SqlKeyColumn("TgbPnr") +
                      ", date_format(TgbDtm, '%Y.%m.%d'), TgbZtr, TgbSol, TgbMax FROM Qvx320Tgb"
                      " WHERE TgbPnr IN (" + list + ") AND TgbZtr IN (1, 3) AND TgbDtm BETWEEN " + range +
                      " ORDER BY TgbPnr, TgbDtm, TgbZtr");
  if (st != 0) return;
  for (;;) {
    std::string key, day;
    int16_t ztr = 0;
    int32_t sol = 0;
    double max = 0;
    st = SqlFetchInto(c, key, day, ztr, sol, max);
    if (st != 0) break;
    if (ztr == 1) b.Sol.emplace(std::make_pair(key, day), sol);
    else b.Max.emplace(std::make_pair(key, day), max);
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) return;
  b.Valid = true;
  g_batch = std::move(b);
}

bool BatchTagCodes(const std::string& pnr, const std::string& day, int& status, std::string& tagTgb,
                   std::string& tagHtv, std::string& tagHtn) {
  std::string key;
  if (!Covered(pnr, day, key)) return false;
  auto it = g_batch.Tag.find({key, day});
  if (it == g_batch.Tag.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  tagTgb = it->second.Tgb;
  tagHtv = it->second.Htv;
  tagHtn = it->second.Htn;
  status = 0;
  return true;
}

bool BatchTgbSol(const std::string& pnr, const std::string& day, int& status, int32_t& sol) {
  std::string key;
  if (!Covered(pnr, day, key)) return false;
  auto it = g_batch.Sol.find({key, day});
  if (it == g_batch.Sol.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  sol = it->second;
  status = 0;
  return true;
}

bool BatchTgbMax(const std::string& pnr, const std::string& day, int& status, double& max) {
  std::string key;
  if (!Covered(pnr, day, key)) return false;
  auto it = g_batch.Max.find({key, day});
  if (it == g_batch.Max.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  max = it->second;
  status = 0;
  return true;
}

bool BatchTgbSoll(const std::string& pnr, const std::string& von, const std::string& bis, int& status,
                  double& count, double& sum) {
  std::string key, keyBis;
  if (!Covered(pnr, von, key) || !Covered(pnr, bis, keyBis)) return false;
  // COUNT is 0 and SUM NULL (the field stays as it is) when no day counts
  double n = 0, total = 0;
  for (auto it = g_batch.Sol.lower_bound({key, von}); it != g_batch.Sol.end() && it->first.first == key &&
                                                       it->first.second <= bis;
       ++it) {
    if (it->second <= 0) continue;
    n += 1;
    total += it->second;
  }
  count = n;
  if (n > 0) sum = total;
  status = 0;
  return true;
}

BsvAhead::BsvAhead(int (*fetch)(BsvRow&), std::string von, std::string bis, std::string pnrFilter)
    : fetch_(fetch), von_(std::move(von)), bis_(std::move(bis)), filter_(std::move(pnrFilter)) {}

BsvAhead::~BsvAhead() {
  ClearBatch();
  ClearBookingBatch();
}

int BsvAhead::Next(BsvRow& row) {
  if (rows_.empty() && last_ == 0) {
    std::vector<BatchEmployee> employees;
    while (rows_.size() < kBatchRows) {
      BsvRow r;
      int st = fetch_(r);
      if (st != 0) {
        last_ = st;
        break;
      }
      if (filter_.empty() || filter_ == r.BsvPnr) employees.push_back({r.BsvPnr, r.StmtKey});
      rows_.push_back(std::move(r));
    }
    ReadBatch(employees, von_, bis_);
    ReadBookingBatch(employees, von_, bis_);
  }
  if (rows_.empty()) {
    row = BsvRow{};
    return last_;
  }
  row = std::move(rows_.front());
  rows_.pop_front();
  return 0;
}
