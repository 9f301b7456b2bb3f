#include "calc/batch/employee_batch.h"

#include <cstdio>
#include <initializer_list>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

#include "calc/batch/bookings.h"
#include "run/db.h"
#include "run/db_key.h"

std::string PnrList(const std::vector<BatchEmployee>& employees) {
  std::string list;
  for (const auto& e : employees) list += (list.empty() ? "'" : ", '") + SqlEscape(e.Pnr) + "'";
  return list;
}

bool PlainDay(const std::string& day) {
  if (day.size() != 10 || day[4] != '.' || day[7] != '.') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (day[i] < '0' || day[i] > '9') return false;
  }
  return true;
}

namespace {

struct TagCodes {
  std::string Tgb, Htv, Htn;
};

// Day record (TgbZtr 1) of a day.
struct TgbDay {
  int32_t Sol = 0, Unb = 0;
  int32_t Sa[3] = {0, 0, 0}, Vt[3] = {0, 0, 0};
};

struct SfzRow {
  int16_t Ant = 0, Gen = 0, Gvv = 0;
};

// Days with bookings of an employee by Lu1Sts code (102, 103, 104).
struct TageRows {
  std::set<std::string> Days[3];
};

// A kind read when an employee of the batch first needs it, with the
// arguments of that read.
struct Lazy {
  enum State { Unread, Read, Failed } St = Unread;
  std::string Args;
};

using DayKey = std::pair<std::string, std::string>;  // key of the personnel number, day

struct Batch {
  bool Valid = false;
  std::string Von, Bis;
  std::string VonVor;                                     // the day before Von: day records are read from it on
  std::string List;                                       // the personnel numbers of the batch, escaped
  std::unordered_map<std::string, std::string> KeyOfPnr;  // personnel number as in statements -> key
  // key of the personnel number + day -> first row of the day
  std::map<DayKey, TagCodes> Tag;
  std::map<DayKey, TgbDay> Tgb;  // day records (TgbZtr 1), VonVor..Bis
  std::map<DayKey, double> Max;  // period records (TgbZtr 3): TgbMax

  Lazy TagRead, TgbRead;
  Lazy HomeRead, UtgRead, SfzRead, TageRead, UnsRead, UnbBackRead, ZksRead, ZtgRead, PresenceRead;
  std::unordered_map<std::string, HomeCost> Home;  // first row of the employee
  std::unordered_map<std::string, std::pair<double, double>> Utg;
  std::unordered_map<std::string, SfzRow> Sfz;
  std::unordered_map<std::string, TageRows> Tage;
  std::map<DayKey, double> Uns;                                       // sum of the unpaid minutes of a day
  std::unordered_map<std::string, std::vector<std::string>> UnbBack;  // newest first, before Von
  std::unordered_map<std::string, std::vector<std::pair<std::string, double>>> Zks;
  std::map<DayKey, double> Ztg;  // days of the working-time model with their target time
  std::set<DayKey> Presence;     // days with a presence mark
};

Batch g_batch;

// Days since 1970.01.01 of a plain day, and back (proleptic Gregorian
// calendar, as the database counts DATEDIFF).
long DayNumber(const std::string& day) {
  long y = std::stol(day.substr(0, 4));
  const long m = std::stol(day.substr(5, 2));
  const long d = std::stol(day.substr(8, 2));
  y -= m <= 2;
  const long era = y / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string DayText(long z) {
  z += 719468;
  const long era = z / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long d = doy - (153 * mp + 2) / 5 + 1;
  const long m = mp + (mp < 10 ? 3 : -9);
  const long y = yoe + era * 400 + (m <= 2);
  char text[64];
  std::snprintf(text, sizeof text, "%04ld.%02ld.%02ld", y, m, d);
  return text;
}

// A plain day that names a day of the calendar.
bool RealDay(const std::string& day) { return PlainDay(day) && DayText(DayNumber(day)) == day; }

// The key of an employee of the batch, or false.
bool BatchKey(const std::string& pnr, std::string& key) {
  if (!g_batch.Valid) return false;
  auto it = g_batch.KeyOfPnr.find(pnr);
  if (it == g_batch.KeyOfPnr.end()) return false;
  key = it->second;
  return true;
}

// The key under which the batch holds the employee's day, or false.
bool Covered(const std::string& pnr, const std::string& day, std::string& key) {
  if (!g_batch.Valid || !PlainDay(day) || day < g_batch.Von || day > g_batch.Bis) return false;
  return BatchKey(pnr, key);
}

bool CoveredRange(const std::string& pnr, const std::string& von, const std::string& bis, std::string& key) {
  return Covered(pnr, von, key) && Covered(pnr, bis, key);
}

// Runs a batch statement; take fetches one row and keeps it. True when every
// row was read.
template <class Take>
bool ReadAll(const std::string& statement, Take take) {
  SqlCursor c;
  if (SqlOpen(c, statement) != 0) return false;
  int st;
  while ((st = take(c)) == 0) {}
  dbClose(c);
  return st == kSqlNoMoreRows;
}

// Reads a kind for the batch on its first use; true when the kind was read
// with these arguments.
template <class Read>
bool Ready(Lazy& lazy, const std::string& args, Read read) {
  if (lazy.St == Lazy::Unread) {
    lazy.Args = args;
    lazy.St = read() ? Lazy::Read : Lazy::Failed;
  }
  return lazy.St == Lazy::Read && lazy.Args == args;
}

std::string Quoted(const std::string& text) { return "'" + SqlEscape(text) + "'"; }

// The batch statements below are formed by the program from the employment
// rows and the arguments of the first read (every text escaped with
// SqlEscape); they can be longer than the statement buffer of the single
// reads and are not subject to its limit.

bool ReadHome(const std::string& von, const std::string& bis) {
  g_batch.Home.clear();
  return ReadAll("SELECT " + SqlKeyColumn("ZuoPnr") +
                     ", ZuoKst, ZuoKtr, ZuoKrt FROM QVX311ZUO"
                     " WHERE ZuoPnr IN (" +
                     g_batch.List + ") AND date_format(ZuoGvo, '%Y.%m.%d') <= " + Quoted(bis) +
                     " AND (date_format(ZuoGbi, '%Y.%m.%d') >= " + Quoted(von) +
                     " OR ZuoGbi IS NULL)"
                     " ORDER BY ZuoPnr, ZuoGvo",
                 [](SqlCursor& c) {
                   std::string key;
                   HomeCost h;
                   int st = SqlFetchInto(c, key, h.ZuoKst, h.ZuoKtr, h.ZuoKrt);
                   if (st == 0) g_batch.Home.emplace(key, h);  // the first row counts
                   return st;
                 });
}

bool ReadUtg(const std::string& day) {
  g_batch.Utg.clear();
  return ReadAll("SELECT " + SqlKeyColumn("u.UtgPnr") +
                     ", u.UtgRtg * 60, u.UtgVtg * 60 FROM QVX332UTG u"
                     " WHERE u.UtgPnr IN (" +
                     g_batch.List +
                     ") AND u.UtgDtm = (SELECT MAX(v.UtgDtm) FROM QVX332UTG v"
                     " WHERE date_format(v.UtgDtm, '%Y.%m.%d') <= " +
                     Quoted(day) +
                     " AND v.UtgPnr = u.UtgPnr)"
                     " ORDER BY u.UtgPnr, u.UtgDtm",
                 [](SqlCursor& c) {
                   std::string key;
                   double rtg = 0, vtg = 0;
                   int st = SqlFetchInto(c, key, rtg, vtg);
                   if (st == 0) g_batch.Utg.emplace(key, std::make_pair(rtg, vtg));
                   return st;
                 });
}

bool ReadSfz(const std::string& day) {
  g_batch.Sfz.clear();
  return ReadAll("SELECT " + SqlKeyColumn("SfzPnr") +
                     ", SfzAnt, SfzGen, SfzGvv FROM Qvx332Sfz"
                     " WHERE SfzPnr IN (" +
                     g_batch.List + ") AND date_format(SfzDtm, '%Y.%m.%d') = " + Quoted(day) +
                     " ORDER BY SfzPnr, SfzDtm",
                 [](SqlCursor& c) {
                   std::string key;
                   SfzRow r;
                   int st = SqlFetchInto(c, key, r.Ant, r.Gen, r.Gvv);
                   if (st == 0) g_batch.Sfz.emplace(key, r);
                   return st;
                 });
}

// The conditions of the day cursors: presence (103) and absence (104) days
// count bookings of more than 0 minutes and 0-minute bookings of accounts
// with Lu1Art 1; attendance days (102) count bookings of more than 0 minutes
// and every booking of accounts with Lu1Art '1'.
//
// In a main call the batch holds the daily bookings of its days already
// (calc/batch/bookings.h): the days are taken from them and the wage-type lines of
// the circle's interface, as the statement joins them.
bool TageFromBookings(const std::string& akr) {
  const auto* bookings = BatchDailyRows(g_batch.List, g_batch.Von, g_batch.Bis);
  const std::vector<CircleLine>* lines = bookings ? BatchCircleLines(akr) : nullptr;
  if (!lines) return false;
  std::map<std::string, std::vector<const CircleLine*>> byAccount;
  for (const CircleLine& l : *lines) {
    if (l.Sts >= 102 && l.Sts <= 104) byAccount[l.ZtkKey].push_back(&l);
  }
  for (const auto& [key, rows] : *bookings) {
    for (const ZkbTag& d : rows) {
      auto it = byAccount.find(d.KeyZkt);
      if (it == byAccount.end()) continue;
      for (const CircleLine* l : it->second) {
        bool counts = l->Sts == 102 ? d.ZkbStd > 0 || l->Art == 1 : d.ZkbStd > 0 || (d.ZkbStd == 0 && l->Art == 1);
        if (counts) g_batch.Tage[key].Days[l->Sts - 102].insert(d.ZkbDtm);
      }
    }
  }
  return true;
}

bool ReadTage(const std::string& akr) {
  g_batch.Tage.clear();
  if (TageFromBookings(akr)) return true;
  g_batch.Tage.clear();
  return ReadAll("SELECT DISTINCT " + SqlKeyColumn("ZkbPnr") +
                     ", Lu1sts, date_format(ZkbDtm, '%Y.%m.%d')"
                     " FROM Qvx331Zkb, Qvx171Lu1, O1001AbrKreis"
                     " WHERE ZkbPnr IN (" +
                     g_batch.List +
                     ")"
                     " AND date_format(ZkbDtm, '%Y.%m.%d') >= " +
                     Quoted(g_batch.Von) + " AND date_format(ZkbDtm, '%Y.%m.%d') <= " + Quoted(g_batch.Bis) +
                     " AND ZkbZtr = 1 AND ZkbZkt = Lu1Ztk AND Lu1Num = AkrLug AND AkrNum = " + Quoted(akr) +
                     " AND ((Lu1sts IN (103, 104) AND ((ZkbStd > 0) OR (ZKBSTD = 0 AND Lu1Art = 1)))"
                     " OR (Lu1sts = 102 AND ((ZkbStd > 0) or (Lu1Art = '1'))))"
                     " ORDER BY 1, 2, 3",
                 [](SqlCursor& c) {
                   std::string key, day;
                   int16_t sts = 0;
                   int st = SqlFetchInto(c, key, sts, day);
                   if (st == 0 && sts >= 102 && sts <= 104) g_batch.Tage[key].Days[sts - 102].insert(day);
                   return st;
                 });
}

// The unpaid minutes per day: the bookings on accounts of the circle's
// interface with Lu1Sts 4 or 104, from the batch's daily bookings when it
// holds them (whole minutes: the sum is exact in any order).
bool UnsFromBookings(const std::string& akr) {
  const auto* bookings = BatchDailyRows(g_batch.List, g_batch.Von, g_batch.Bis);
  const std::vector<CircleLine>* lines = bookings ? BatchCircleLines(akr) : nullptr;
  if (!lines) return false;
  std::set<std::string> accounts;
  for (const CircleLine& l : *lines) {
    if (l.Sts == 4 || l.Sts == 104) accounts.insert(l.ZtkKey);
  }
  std::map<DayKey, int64_t> sums;
  for (const auto& [key, rows] : *bookings) {
    for (const ZkbTag& d : rows) {
      if (accounts.count(d.KeyZkt)) sums[{key, d.ZkbDtm}] += d.ZkbStd;
    }
  }
  for (const auto& [day, sum] : sums) g_batch.Uns.emplace(day, static_cast<double>(sum));
  return true;
}

bool ReadUns(const std::string& akr) {
  g_batch.Uns.clear();
  if (UnsFromBookings(akr)) return true;
  g_batch.Uns.clear();
  return ReadAll("SELECT " + SqlKeyColumn("ZkbPnr") +
                     ", date_format(ZkbDtm, '%Y.%m.%d'), SUM(ZkbStd)"
                     " FROM Qvx331Zkb WHERE ZkbPnr IN (" +
                     g_batch.List +
                     ") AND ZkbZtr = 1"
                     " AND date_format(ZkbDtm, '%Y.%m.%d') >= " +
                     Quoted(g_batch.Von) + " AND date_format(ZkbDtm, '%Y.%m.%d') <= " + Quoted(g_batch.Bis) +
                     " AND ZkbZkt IN (SELECT Lu1Ztk FROM O1001AbrKreis, Qvx171Lu1"
                     " WHERE AkrNum = " +
                     Quoted(akr) +
                     " AND AkrLug = Lu1Num AND (Lu1Sts = 4 OR Lu1Sts = 104))"
                     " GROUP BY ZkbPnr, ZkbDtm ORDER BY ZkbPnr, ZkbDtm",
                 [](SqlCursor& c) {
                   std::string key, day;
                   double sum = 0;
                   int st = SqlFetchInto(c, key, day, sum);
                   if (st == 0) g_batch.Uns.emplace(std::make_pair(key, day), sum);
                   return st;
                 });
}

// The six newest qualifying days of the interruption count before Von.
bool ReadUnbBack() {
  g_batch.UnbBack.clear();
  return ReadAll("SELECT " + SqlKeyColumn("TgbPnr") +
                     ", date_format(TgbDtm, '%Y.%m.%d') FROM"
                     " (SELECT TgbPnr, TgbDtm, ROW_NUMBER() OVER (PARTITION BY TgbPnr ORDER BY TgbDtm DESC) AS Nr"
                     " FROM Qvx320Tgb WHERE TgbPnr IN (" +
                     g_batch.List +
                     ")"
                     " AND DATE_FORMAT(TgbDtm, '%Y.%m.%d') < " +
                     Quoted(g_batch.Von) +
                     " AND TgbZtr = 1 AND TgbSol != 0 AND TgbSol <= TgbUnb) AS q"
                     " WHERE Nr <= 6 ORDER BY TgbPnr, TgbDtm DESC",
                 [](SqlCursor& c) {
                   std::string key, day;
                   int st = SqlFetchInto(c, key, day);
                   if (st == 0) g_batch.UnbBack[key].push_back(day);
                   return st;
                 });
}

bool ReadZks(const std::string& von, const std::string& bis) {
  g_batch.Zks.clear();
  return ReadAll("SELECT " + SqlKeyColumn("ZksPnr") +
                     ", ZksTxt, ZksWrt FROM Qvx331Zks"
                     " WHERE ZksPnr IN (" +
                     g_batch.List +
                     ")"
                     " AND date_format(ZksDtm, '%Y.%m.%d') >= " +
                     Quoted(von) + " AND date_format(ZksDtm, '%Y.%m.%d') <= " + Quoted(bis) +
                     " ORDER BY ZksPnr, ZksDtm, ZksTxt",
                 [](SqlCursor& c) {
                   std::string key, txt;
                   double wrt = 0;
                   int st = SqlFetchInto(c, key, txt, wrt);
                   if (st == 0) g_batch.Zks[key].emplace_back(txt, wrt);
                   return st;
                 });
}

// The rows of the days with a target time, as the single cursor selects them.
bool ReadZtg() {
  g_batch.Ztg.clear();
  return ReadAll("SELECT DISTINCT " + SqlKeyColumn("A.ZtgPnr") +
                     ", date_format(ZtgVon, '%Y.%m.%d'), AzvSol"
                     " FROM Qvx329Ztg A, Qvx140Azv"
                     " WHERE ZtgPnr IN (" +
                     g_batch.List +
                     ") AND ZtgAzt = AzvNum"
                     " AND date_format(ZtgVon, '%Y.%m.%d') >= " +
                     Quoted(g_batch.Von) + " AND date_format(ZtgVon, '%Y.%m.%d') <= " + Quoted(g_batch.Bis) +
                     " AND AzvSol > 0 AND AzvSol = (SELECT AzvSol FROM Qvx140Azv"
                     " WHERE AzvGvo <= A.ZtgVon AND (AzvGbi >= A.ZtgVon OR AzvGbi is NULL)"
                     " AND AzvNum = A.ZtgAzt) ORDER BY 1, 2, 3",
                 [](SqlCursor& c) {
                   std::string key, day;
                   double sol = 0;
                   int st = SqlFetchInto(c, key, day, sol);
                   if (st == 0) g_batch.Ztg.emplace(std::make_pair(key, day), sol);
                   return st;
                 });
}

bool ReadPresence() {
  g_batch.Presence.clear();
  return ReadAll("SELECT DISTINCT " + SqlKeyColumn("TagPnr") +
                     ", date_format(TagVon, '%Y.%m.%d') FROM Qvx327Tag"
                     " WHERE TagPnr IN (" +
                     g_batch.List +
                     ")"
                     " AND date_format(TagVon, '%Y.%m.%d') >= " +
                     Quoted(g_batch.Von) + " AND date_format(TagVon, '%Y.%m.%d') <= " + Quoted(g_batch.Bis) +
                     " AND (TagOne = 1 OR TagKom = 1 OR TagGeh = 1) ORDER BY 1, 2",
                 [](SqlCursor& c) {
                   std::string key, day;
                   int st = SqlFetchInto(c, key, day);
                   if (st == 0) g_batch.Presence.emplace(key, day);
                   return st;
                 });
}

std::string Args(std::initializer_list<std::string_view> parts) {
  std::string args;
  for (auto p : parts) args.append(p).push_back('\0');
  return args;
}

// The day codes and the day records of the batch's days are read when an
// employee of the batch first needs them: calls that use neither (following
// months without day runs) do not read them.
bool ReadTagCodes() {
  g_batch.Tag.clear();
  // the day codes the check days read for the batch serve here too
  if (const auto* codes = BatchDayCodes(g_batch.List, g_batch.Von, g_batch.Bis)) {
    for (const auto& [key, rows] : *codes) {
      for (const DayCodeRow& r : rows) {
        if (r.TgbNull && r.HtvNull && r.HtnNull) continue;
        g_batch.Tag.emplace(std::make_pair(key, r.Day),
                            TagCodes{r.Tgb, r.Htv, r.Htn});  // the first row of a day counts
      }
    }
    return true;
  }
  return ReadAll("SELECT " + SqlKeyColumn("TagPnr") +
                     ", date_format(TagTag, '%Y.%m.%d'), TagTgb, TagHtv, TagHtn FROM Qvx327Tag"
                     " WHERE TagPnr IN (" +
                     g_batch.List + ") AND TagTag BETWEEN " + Quoted(g_batch.Von) + " AND " + Quoted(g_batch.Bis) +
                     " AND ((TagTgb IS NOT NULL) OR (TagHtv IS NOT NULL) OR (TagHtn IS NOT NULL))"
                     " ORDER BY TagPnr, TagTag",
                 [](SqlCursor& c) {
                   std::string key, day;
                   TagCodes t;
                   int st = SqlFetchInto(c, key, day, t.Tgb, t.Htv, t.Htn);
                   if (st == 0) g_batch.Tag.emplace(std::make_pair(key, day), t);  // the first row of a day counts
                   return st;
                 });
}

// Day records from the day before the period on: the balance of the day
// before the last day with a balance may lie there.
std::string TgbStatement(const std::string& list, const std::string& vonVor, const std::string& bis) {
  return "SELECT " + SqlKeyColumn("TgbPnr") +
         ", date_format(TgbDtm, '%Y.%m.%d'), TgbZtr, TgbSol, TgbMax, TgbUnb,"
         " TgbSa1, TgbVt1, TgbSa2, TgbVt2, TgbSa3, TgbVt3 FROM Qvx320Tgb"
         " WHERE TgbPnr IN (" +
         list + ") AND TgbZtr IN (1, 3) AND TgbDtm BETWEEN " + Quoted(vonVor) + " AND " + Quoted(bis) +
         " ORDER BY TgbPnr, TgbDtm, TgbZtr";
}

// This batch read its day records; the batch before did (the next one is
// likely to).
bool g_tgbNeeded = false, g_tgbNeededBefore = false;

bool ReadTgb() {
  g_batch.Tgb.clear();
  g_batch.Max.clear();
  g_tgbNeeded = true;
  return ReadAll(TgbStatement(g_batch.List, g_batch.VonVor, g_batch.Bis), [](SqlCursor& c) {
    std::string key, day;
    int16_t ztr = 0;
    int32_t max = 0;
    TgbDay d;
    int st = SqlFetchInto(c, key, day, ztr, d.Sol, max, d.Unb, d.Sa[0], d.Vt[0], d.Sa[1], d.Vt[1], d.Sa[2], d.Vt[2]);
    if (st != 0) return st;
    if (ztr == 1) g_batch.Tgb.emplace(std::make_pair(key, day), d);
    else if (day >= g_batch.Von) g_batch.Max.emplace(std::make_pair(key, day), max);
    return st;
  });
}

bool TagReady() { return Ready(g_batch.TagRead, "", ReadTagCodes); }
bool TgbReady() { return Ready(g_batch.TgbRead, "", ReadTgb); }

}  // namespace

void ClearBatch() { g_batch = Batch{}; }

// The statements of a batch are formed by the program from the employment
// rows and can be longer than the statement buffer of the single reads; they
// are not subject to its limit. Every text in them is escaped with SqlEscape.
void ReadBatch(const std::vector<BatchEmployee>& employees, const std::string& von, const std::string& bis) {
  ClearBatch();
  g_tgbNeededBefore = g_tgbNeeded;
  g_tgbNeeded = false;
  if (employees.empty() || !RealDay(von) || !PlainDay(bis)) return;
  Batch b;
  b.Von = von;
  b.Bis = bis;
  b.VonVor = DayText(DayNumber(von) - 1);
  for (const auto& e : employees) b.KeyOfPnr.emplace(e.Pnr, e.Key);
  b.List = PnrList(employees);
  b.Valid = true;
  g_batch = std::move(b);
}

void BatchReadsAhead(const std::vector<BatchEmployee>& employees, const std::string& von, const std::string& bis,
                     std::vector<std::string>& reads) {
  // the day records are not written by the run; they are read when first
  // needed, so ahead only when the batch before needed them
  if (employees.empty() || !RealDay(von) || !PlainDay(bis) || !g_tgbNeededBefore) return;
  reads.push_back(TgbStatement(PnrList(employees), DayText(DayNumber(von) - 1), bis));
}

bool BatchTagCodes(const std::string& pnr, const std::string& day, int& status, std::string& tagTgb,
                   std::string& tagHtv, std::string& tagHtn) {
  std::string key;
  if (!Covered(pnr, day, key) || !TagReady()) return false;
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
  if (!Covered(pnr, day, key) || !TgbReady()) return false;
  auto it = g_batch.Tgb.find({key, day});
  if (it == g_batch.Tgb.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  sol = it->second.Sol;
  status = 0;
  return true;
}

bool BatchTgbMax(const std::string& pnr, const std::string& day, int& status, double& max) {
  std::string key;
  if (!Covered(pnr, day, key) || !TgbReady()) return false;
  auto it = g_batch.Max.find({key, day});
  if (it == g_batch.Max.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  max = it->second;
  status = 0;
  return true;
}

bool BatchTgbSoll(const std::string& pnr, const std::string& von, const std::string& bis, int& status, double& count,
                  double& sum) {
  std::string key;
  if (!CoveredRange(pnr, von, bis, key) || !TgbReady()) return false;
  // COUNT is 0 and SUM NULL (the field stays as it is) when no day counts
  double n = 0, total = 0;
  for (auto it = g_batch.Tgb.lower_bound({key, von});
       it != g_batch.Tgb.end() && it->first.first == key && it->first.second <= bis; ++it) {
    if (it->second.Sol <= 0) continue;
    n += 1;
    total += it->second.Sol;
  }
  count = n;
  if (n > 0) sum = total;
  status = 0;
  return true;
}

bool BatchHome(const std::string& pnr, const std::string& von, const std::string& bis, int& status, HomeCost& home) {
  std::string key;
  if (!BatchKey(pnr, key) || !Ready(g_batch.HomeRead, Args({von, bis}), [&] { return ReadHome(von, bis); }))
    return false;
  auto it = g_batch.Home.find(key);
  if (it == g_batch.Home.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  home.ZuoKst = it->second.ZuoKst;
  home.ZuoKtr = it->second.ZuoKtr;
  home.ZuoKrt = it->second.ZuoKrt;
  status = 0;
  return true;
}

bool BatchUtg(const std::string& pnr, const std::string& day, int& status, double& rtg, double& vtg) {
  std::string key;
  if (!BatchKey(pnr, key) || !Ready(g_batch.UtgRead, day, [&] { return ReadUtg(day); })) return false;
  auto it = g_batch.Utg.find(key);
  if (it == g_batch.Utg.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  rtg = it->second.first;
  vtg = it->second.second;
  status = 0;
  return true;
}

bool BatchSfz(const std::string& pnr, const std::string& day, int& status, int16_t& ant, int16_t& gen, int16_t& gvv) {
  std::string key;
  if (!BatchKey(pnr, key) || !Ready(g_batch.SfzRead, day, [&] { return ReadSfz(day); })) return false;
  auto it = g_batch.Sfz.find(key);
  if (it == g_batch.Sfz.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  ant = it->second.Ant;
  gen = it->second.Gen;
  gvv = it->second.Gvv;
  status = 0;
  return true;
}

bool BatchSaldo(int which, const std::string& pnr, const std::string& von, const std::string& bis, int& status,
                int32_t& sa, int32_t& vt) {
  std::string key;
  if (which < 1 || which > 3) return false;
  if (which == 1 ? !CoveredRange(pnr, von, bis, key) : !Covered(pnr, bis, key)) return false;
  if (!TgbReady()) return false;
  const size_t i = static_cast<size_t>(which - 1);
  // the last day record up to bis (balance 1: in [von, bis] with a balance)
  auto last = g_batch.Tgb.end();
  for (auto it = g_batch.Tgb.lower_bound({key, which == 1 ? von : std::string()});
       it != g_batch.Tgb.end() && it->first.first == key && it->first.second <= bis; ++it) {
    if (which != 1 || it->second.Sa[0] != 0) last = it;
  }
  auto row = g_batch.Tgb.end();
  if (which == 1) {
    if (last != g_batch.Tgb.end()) row = g_batch.Tgb.find({key, DayText(DayNumber(last->first.second) - 1)});
  } else {
    // no day record read: the last one lies before the batch's days
    if (last == g_batch.Tgb.end()) return false;
    row = last;
  }
  if (row == g_batch.Tgb.end()) {
    status = kSqlNoMoreRows;
    return true;
  }
  sa = row->second.Sa[i];
  vt = row->second.Vt[i];
  status = 0;
  return true;
}

bool BatchHasSoll(const std::string& pnr, const std::string& day, int& status) {
  std::string key;
  if (!Covered(pnr, day, key) || !TgbReady()) return false;
  auto it = g_batch.Tgb.find({key, day});
  status = it != g_batch.Tgb.end() && it->second.Sol > 0 ? 0 : kSqlNoMoreRows;
  return true;
}

bool BatchZtg(const std::string& pnr, const std::string& von, const std::string& bis,
              std::vector<std::pair<std::string, double>>& rows) {
  std::string key;
  if (!CoveredRange(pnr, von, bis, key) || !Ready(g_batch.ZtgRead, "", [] { return ReadZtg(); })) return false;
  rows.clear();
  for (auto it = g_batch.Ztg.lower_bound({key, von});
       it != g_batch.Ztg.end() && it->first.first == key && it->first.second <= bis; ++it)
    rows.emplace_back(it->first.second, it->second);
  return true;
}

bool BatchHasPresence(const std::string& pnr, const std::string& day, int& status) {
  std::string key;
  if (!Covered(pnr, day, key) || !Ready(g_batch.PresenceRead, "", [] { return ReadPresence(); })) return false;
  status = g_batch.Presence.count({key, day}) ? 0 : kSqlNoMoreRows;
  return true;
}

bool BatchTage(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& akr,
               int16_t code, std::vector<std::string>& days) {
  std::string key;
  if (code < 102 || code > 104 || !CoveredRange(pnr, von, bis, key) ||
      !Ready(g_batch.TageRead, akr, [&] { return ReadTage(akr); }))
    return false;
  days.clear();
  auto it = g_batch.Tage.find(key);
  if (it == g_batch.Tage.end()) return true;
  const auto& set = it->second.Days[code - 102];
  for (auto d = set.lower_bound(von); d != set.end() && *d <= bis; ++d) days.push_back(*d);
  return true;
}

bool BatchHasBooking103(const std::string& pnr, const std::string& day, const std::string& akr, int& status) {
  std::string key;
  if (!Covered(pnr, day, key) || !Ready(g_batch.TageRead, akr, [&] { return ReadTage(akr); })) return false;
  auto it = g_batch.Tage.find(key);
  status = it != g_batch.Tage.end() && it->second.Days[1].count(day) ? 0 : kSqlNoMoreRows;
  return true;
}

bool BatchSumUns(const std::string& akr, const std::string& pnr, const std::string& von, const std::string& bis,
                 int& status, double& sum) {
  std::string key;
  if (!CoveredRange(pnr, von, bis, key) || !Ready(g_batch.UnsRead, akr, [&] { return ReadUns(akr); })) return false;
  // whole minutes per day: the sum is exact in any order
  bool any = false;
  double total = 0;
  for (auto it = g_batch.Uns.lower_bound({key, von});
       it != g_batch.Uns.end() && it->first.first == key && it->first.second <= bis; ++it) {
    any = true;
    total += it->second;
  }
  if (any) sum = total;  // SUM over no booking is NULL: the field stays as it is
  status = 0;
  return true;
}

namespace {
bool Qualifies(const TgbDay& d) { return d.Sol != 0 && d.Sol <= d.Unb; }
}  // namespace

bool BatchUnb(const std::string& pnr, const std::string& von, const std::string& bis,
              std::vector<std::pair<std::string, int32_t>>& rows) {
  std::string key;
  if (!CoveredRange(pnr, von, bis, key) || !TgbReady()) return false;
  rows.clear();
  long prev = DayNumber("9999.01.01");
  for (auto it = g_batch.Tgb.lower_bound({key, von});
       it != g_batch.Tgb.end() && it->first.first == key && it->first.second <= bis; ++it) {
    if (!Qualifies(it->second)) continue;
    const long n = DayNumber(it->first.second);
    rows.emplace_back(it->first.second, static_cast<int32_t>(n - prev));
    prev = n;
  }
  return true;
}

bool BatchUnbBack(const std::string& pnr, const std::string& day, std::vector<std::pair<std::string, int32_t>>& rows) {
  std::string key;
  if (!Covered(pnr, day, key) || !RealDay(day) || !TgbReady() ||
      !Ready(g_batch.UnbBackRead, "", [] { return ReadUnbBack(); }))
    return false;
  std::vector<std::string> days;
  // the qualifying days from Von to the day, newest first, then those before
  for (auto it = g_batch.Tgb.lower_bound({key, day}); it != g_batch.Tgb.begin();) {
    --it;
    if (it->first.first != key || it->first.second < g_batch.Von) break;
    if (Qualifies(it->second)) days.push_back(it->first.second);
  }
  auto back = g_batch.UnbBack.find(key);
  if (back != g_batch.UnbBack.end()) days.insert(days.end(), back->second.begin(), back->second.end());
  if (days.size() > 6) days.resize(6);
  rows.clear();
  long prev = DayNumber(day);
  for (const auto& d : days) {
    const long n = DayNumber(d);
    rows.emplace_back(d, static_cast<int32_t>(prev - n));
    prev = n;
  }
  return true;
}

bool BatchSollBetween(const std::string& pnr, const std::string& from, const std::string& to, int& status,
                      int32_t& count) {
  std::string key;
  if (!g_batch.Valid || !PlainDay(from) || !PlainDay(to) || from < g_batch.VonVor || to > g_batch.Bis ||
      !BatchKey(pnr, key) || !TgbReady())
    return false;
  int32_t n = 0;
  for (auto it = g_batch.Tgb.upper_bound({key, from});
       it != g_batch.Tgb.end() && it->first.first == key && it->first.second < to; ++it) {
    if (it->second.Sol > 0) ++n;
  }
  count = n;
  status = 0;
  return true;
}

bool BatchZks(const std::string& pnr, const std::string& von, const std::string& bis,
              std::vector<std::pair<std::string, double>>& rows) {
  std::string key;
  if (!BatchKey(pnr, key) || !Ready(g_batch.ZksRead, Args({von, bis}), [&] { return ReadZks(von, bis); })) return false;
  auto it = g_batch.Zks.find(key);
  if (it == g_batch.Zks.end()) rows.clear();
  else rows = it->second;
  return true;
}

BsvAhead::BsvAhead(const RunContext& ctx, std::function<int(BsvRow&)> fetch, std::string von, std::string bis,
                   std::string pnrFilter, int16_t followNr)
    : ctx_(ctx),
      fetch_(std::move(fetch)),
      von_(std::move(von)),
      bis_(std::move(bis)),
      filter_(std::move(pnrFilter)),
      followNr_(followNr) {}

BsvAhead::~BsvAhead() {
  ClearBatch();
  ClearBookingBatch();
}

int BsvAhead::Take(std::deque<BsvRow>& rows, std::vector<BatchEmployee>& employees) {
  while (rows.size() < kBatchRows) {
    BsvRow r;
    int st = fetch_(r);
    if (st != 0) return st;
    // an employee left out for a personnel number Windows-1252 cannot hold
    // is not read: the replacement in BsvPnr may be another one's number
    if (r.RefusedField.empty() && (filter_.empty() || filter_ == r.BsvPnr)) employees.push_back({r.BsvPnr, r.StmtKey});
    rows.push_back(std::move(r));
  }
  return 0;
}

int BsvAhead::Next(BsvRow& row) {
  if (rows_.empty() && last_ == 0) {
    std::vector<BatchEmployee> employees;
    if (haveNext_) {
      rows_.swap(nextRows_);
      employees.swap(nextEmployees_);
      last_ = nextLast_;
      haveNext_ = false;
    } else {
      last_ = Take(rows_, employees);
    }
    ReadBatch(employees, von_, bis_);
    ReadBookingBatch(ctx_, employees, von_, bis_, followNr_);
    if (last_ == 0) {
      // the rows of the following batch are taken now (the cursor holds
      // them already), so that its bookings are read on the second
      // connection while this batch is calculated
      nextRows_.clear();
      nextEmployees_.clear();
      nextLast_ = Take(nextRows_, nextEmployees_);
      haveNext_ = true;
      std::vector<std::string> reads;
      BookingBatchReadsAhead(ctx_, nextEmployees_, von_, bis_, followNr_, reads);
      BatchReadsAhead(nextEmployees_, von_, bis_, reads);
      dbReadAhead(std::move(reads));
    }
  }
  if (rows_.empty()) {
    row = BsvRow{};
    return last_;
  }
  row = std::move(rows_.front());
  rows_.pop_front();
  return 0;
}
