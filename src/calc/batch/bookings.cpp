#include "calc/batch/bookings.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "run/context.h"
#include "run/db.h"
#include "run/db_key.h"

namespace {

struct BookingBatch {
  std::string Von, Bis, LugLug;
  int16_t Lfn = 0;
  int16_t FollowNr = 0;  // month sums only of the accounts of this following month (0: all)
  bool Topas = false;
  std::unordered_map<std::string, std::string> KeyOfPnr;  // personnel number as in statements -> key
  std::string List;                                       // the personnel numbers for IN (...)
  bool MonatValid = false;
  // Daily bookings and day codes are read when an employee of the batch first
  // needs them: calls whose wage-type lines use neither do not read them.
  enum State { kNotRead, kRead, kFailed };
  State Tag = kNotRead, Codes = kNotRead;
  std::map<std::string, std::vector<ZkbMonat>> Monat;          // by employee key, in the cursor's order
  std::map<std::string, std::vector<ZkbTag>> TagRows;          // by employee key: account, day, Kst, Ktr, Krt
  std::map<std::string, std::vector<DayCodeRow>> DayCodeRows;  // by employee key
  // Circle -> accounts with a wage-type line of the circle's interface
  // (key of Lu1Ztk) -> one of them has Lu1Art 1; read when first needed.
  std::map<std::string, std::map<std::string, bool>> Accounts;
  std::map<std::string, std::vector<CircleLine>> Lines;  // circle -> its interface's lines
};

BookingBatch g_b;

// The employee's key when the batch holds the days von..bis of the employee.
bool Covered(const std::string& pnr, const std::string& von, const std::string& bis, std::string& key) {
  if (!PlainDay(von) || !PlainDay(bis) || von < g_b.Von || bis > g_b.Bis) return false;
  auto it = g_b.KeyOfPnr.find(pnr);
  if (it == g_b.KeyOfPnr.end()) return false;
  key = it->second;
  return true;
}

// Reads all rows of a statement; false when it fails.
template <class Row, class FetchRow>
bool ReadAll(const std::string& statement, std::map<std::string, std::vector<Row>>& out, FetchRow fetch) {
  SqlCursor c;
  if (SqlOpen(c, statement) != 0) return false;
  int st;
  for (;;) {
    std::string key;
    Row r;
    if ((st = fetch(c, key, r)) != 0) break;
    out[key].push_back(std::move(r));
  }
  dbClose(c);
  if (st == kSqlNoMoreRows) return true;
  out.clear();
  return false;
}

// The wage-type lines of the circle's interface (Lu1Num = AkrLug of the
// circle), read when first needed.
const std::vector<CircleLine>* LinesOf(const std::string& akr) {
  auto it = g_b.Lines.find(akr);
  if (it != g_b.Lines.end()) return &it->second;
  SqlCursor c;
  if (SqlOpen(c, "SELECT " + SqlKeyColumn("Lu1Ztk") +
                     ", Lu1Art, Lu1Sts FROM Qvx171Lu1, O1001AbrKreis"
                     " WHERE Lu1Num = AkrLug AND AkrNum = '" +
                     SqlEscape(akr) + "'") != 0)
    return nullptr;
  std::vector<CircleLine> lines;
  int st;
  for (;;) {
    CircleLine l;
    l.Art = l.Sts = -1;  // NULL matches no value
    if ((st = SqlFetchInto(c, l.ZtkKey, l.Art, l.Sts)) != 0) break;
    lines.push_back(std::move(l));
  }
  dbClose(c);
  if (st != kSqlNoMoreRows) return nullptr;
  return &g_b.Lines.emplace(akr, std::move(lines)).first->second;
}

const std::map<std::string, bool>* AccountsOf(const std::string& akr) {
  auto it = g_b.Accounts.find(akr);
  if (it != g_b.Accounts.end()) return &it->second;
  const std::vector<CircleLine>* lines = LinesOf(akr);
  if (!lines) return nullptr;
  std::map<std::string, bool> accounts;
  for (const CircleLine& l : *lines) accounts[l.ZtkKey] = accounts[l.ZtkKey] || l.Art == 1;
  return &g_b.Accounts.emplace(akr, std::move(accounts)).first->second;
}

// The accounts of the interface with a wage-type line of day runs (Lu1Ztr 1)
// and with one without (Lu1Ztr 0), by key.
bool LineKinds(const std::string& lugLug, std::set<std::string>& runs, std::set<std::string>& month) {
  SqlCursor c;
  if (SqlOpen(c, "SELECT " + SqlKeyColumn("Lu1Ztk") + ", Lu1Ztr FROM Qvx171Lu1 WHERE Lu1Num = '" + SqlEscape(lugLug) +
                     "'") != 0)
    return false;
  int st;
  for (;;) {
    std::string key;
    int16_t ztr = -1;
    if ((st = SqlFetchInto(c, key, ztr)) != 0) break;
    if (ztr == 1) runs.insert(key);
    if (ztr == 0) month.insert(key);
  }
  dbClose(c);
  return st == kSqlNoMoreRows;
}

int32_t Clamped(int64_t v) { return ClampInt32(v); }

// A booking of the batch with the key of its cost type.
struct RawRow {
  ZkbTag D;
  std::string KeyKrt;
};

// The month sums of one employee from the bookings in the order the server
// reads them (personnel number, kind, day), as the statement of
// SQL_Qvx331Zkb_OpenMonat groups and orders them: a group takes the texts of
// its first booking; SUM is clamped as a fetch into 32 bits would.
std::vector<ZkbMonat> MonthSums(const std::vector<RawRow>& rows, bool topas, const std::set<std::string>& runs,
                                const std::set<std::string>& month) {
  struct Group {
    ZkbMonat M;
    std::string KeyKrt, MaxDtm;
    int64_t Std = 0, Tge = 0;
  };
  using GroupKey = std::tuple<int16_t, std::string, std::string, std::string, std::string, int16_t, int16_t>;
  std::map<GroupKey, size_t> index;
  std::vector<Group> groups;
  for (const RawRow& r : rows) {
    const ZkbTag& d = r.D;
    bool takes =
        topas ? d.ZkbZtr == 1 : (d.ZkbZtr == 3 && month.count(d.KeyZkt)) || (d.ZkbZtr == 1 && runs.count(d.KeyZkt));
    if (!takes) continue;
    GroupKey k{d.ZkbZtr, d.KeyKst, d.KeyKtr, r.KeyKrt, d.KeyZkt, d.ZkbStg, d.ZkbSta};
    auto [it, added] = index.emplace(std::move(k), groups.size());
    if (added) {
      Group g;
      g.M.ZkbPnr = d.ZkbPnr;
      g.M.ZkbZtr = d.ZkbZtr;
      g.M.ZkbKst = d.ZkbKst;
      g.M.ZkbKtr = d.ZkbKtr;
      g.M.ZkbKrt = d.ZkbKrt;
      g.M.ZkbZkt = d.ZkbZkt;
      g.M.ZkbStg = d.ZkbStg;
      g.M.ZkbSta = d.ZkbSta;
      g.M.KeyZkt = d.KeyZkt;
      g.M.KeyKst = d.KeyKst;
      g.M.KeyKtr = d.KeyKtr;
      g.KeyKrt = r.KeyKrt;
      groups.push_back(std::move(g));
    }
    Group& g = groups[it->second];
    g.Std += d.ZkbStd;
    g.Tge += d.ZkbTge;
    if (d.ZkbDtm > g.MaxDtm) g.MaxDtm = d.ZkbDtm;
  }
  // ORDER BY account, kind, cost centre, unit, the last day of period
  // bookings, cost type, ZkbStg, ZkbSta
  const std::string noDay;  // the CASE of a daily booking's group is NULL
  auto sortKey = [&noDay](const Group& g) {
    return std::tie(g.M.KeyZkt, g.M.ZkbZtr, g.M.KeyKst, g.M.KeyKtr, g.M.ZkbZtr == 3 ? g.MaxDtm : noDay, g.KeyKrt,
                    g.M.ZkbStg, g.M.ZkbSta);
  };
  std::sort(groups.begin(), groups.end(), [&](const Group& a, const Group& b) { return sortKey(a) < sortKey(b); });
  std::vector<ZkbMonat> out;
  out.reserve(groups.size());
  for (Group& g : groups) {
    g.M.ZkbStd = Clamped(g.Std);
    g.M.ZkbTge = Clamped(g.Tge);
    out.push_back(std::move(g.M));
  }
  return out;
}

// The accounts with a wage-type line of the following-month number under the
// interface, as "'a', 'b'" (escaped); false when the read fails.
bool FollowAccounts(const std::string& lugLug, int16_t followNr, std::string& accounts) {
  return SqlReadList("SELECT DISTINCT Lu1Ztk FROM Qvx171Lu1 WHERE Lu1Num = '" + SqlEscape(lugLug) +
                         "' AND Lu1Flg = " + std::to_string(followNr),
                     accounts) == 0;
}

bool DailyRead() {
  BookingBatch& b = g_b;
  if (b.Tag == BookingBatch::kNotRead) {
    const std::string range = " AND ZkbDtm >= '" + SqlEscape(b.Von) + "' AND ZkbDtm <= '" + SqlEscape(b.Bis) + "'";
    bool ok = ReadAll(
        "SELECT ZkbPnr, ZkbZtr, date_format(ZkbDtm, '%Y.%m.%d'), ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge,"
        " ZkbStg, ZkbSta, ZkbDat, " +
            SqlKeyColumn("ZkbKst") + ", " + SqlKeyColumn("ZkbKtr") + ", " + SqlKeyColumn("ZkbZkt") + ", " +
            SqlKeyColumn("ZkbPnr") + " FROM Qvx331Zkb WHERE ZkbPnr IN (" + b.List + ") AND ZkbZtr = 1" + range +
            " ORDER BY ZkbPnr, ZkbZkt, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt",
        b.TagRows, [](SqlCursor& c, std::string& key, ZkbTag& d) {
          return SqlFetchInto(c, d.ZkbPnr, d.ZkbZtr, d.ZkbDtm, d.ZkbKst, d.ZkbKtr, d.ZkbKrt, d.ZkbZkt, d.ZkbStd,
                              d.ZkbTge, d.ZkbStg, d.ZkbSta, d.ZkbDat, d.KeyKst, d.KeyKtr, d.KeyZkt, key);
        });
    b.Tag = ok ? BookingBatch::kRead : BookingBatch::kFailed;
  }
  return b.Tag == BookingBatch::kRead;
}

// Every row of the day codes.
std::string CodesStatement(const std::string& list, const std::string& von, const std::string& bis) {
  return "SELECT date_format(TagTag, '%Y.%m.%d'), TagTgb, TagHtv, TagHtn, " + SqlKeyColumn("TagHtv") + ", " +
         SqlKeyColumn("TagHtn") + ", TagTgb IS NULL, TagHtv IS NULL, TagHtn IS NULL, " + SqlKeyColumn("TagPnr") +
         " FROM Qvx327Tag WHERE TagPnr IN (" + list + ") AND TagTag >= '" + SqlEscape(von) + "' AND TagTag <= '" +
         SqlEscape(bis) + "' ORDER BY TagPnr, TagTag";
}

// This batch read its day codes; the batch before did (the next one is
// likely to).
bool g_codesNeeded = false, g_codesNeededBefore = false;

bool CodesRead() {
  BookingBatch& b = g_b;
  if (b.Codes == BookingBatch::kNotRead) {
    g_codesNeeded = true;
    bool ok =
        ReadAll(CodesStatement(b.List, b.Von, b.Bis), b.DayCodeRows, [](SqlCursor& c, std::string& key, DayCodeRow& r) {
          int16_t tgbNull = 0, htvNull = 0, htnNull = 0;
          int st = SqlFetchInto(c, r.Day, r.Tgb, r.Htv, r.Htn, r.HtvKey, r.HtnKey, tgbNull, htvNull, htnNull, key);
          r.TgbNull = tgbNull != 0;
          r.HtvNull = htvNull != 0;
          r.HtnNull = htnNull != 0;
          return st;
        });
    b.Codes = ok ? BookingBatch::kRead : BookingBatch::kFailed;
  }
  return b.Codes == BookingBatch::kRead;
}

// Every booking of a main call's batch (both kinds) in the order the server
// reads them for the month sums.
std::string BookingsStatement(const std::string& list, const std::string& von, const std::string& bis) {
  return "SELECT ZkbPnr, ZkbZtr, date_format(ZkbDtm, '%Y.%m.%d'), ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge,"
         " ZkbStg, ZkbSta, ZkbDat, " +
         SqlKeyColumn("ZkbKst") + ", " + SqlKeyColumn("ZkbKtr") + ", " + SqlKeyColumn("ZkbZkt") + ", " +
         SqlKeyColumn("ZkbKrt") + ", " + SqlKeyColumn("ZkbPnr") + " FROM Qvx331Zkb WHERE ZkbPnr IN (" + list +
         ") AND ZkbZtr IN (1, 3) AND ZkbDtm >= '" + SqlEscape(von) + "' AND ZkbDtm <= '" + SqlEscape(bis) +
         "' ORDER BY ZkbPnr, ZkbZtr, ZkbDtm";
}

// The month sums of a following month's batch for its accounts ("'a', 'b'"),
// with the statement of SQL_Qvx331Zkb_OpenMonat.
std::string FollowSumsStatement(const std::string& list, const std::string& accounts, const std::string& von,
                                const std::string& bis, const std::string& lugLug) {
  const std::string lug = "'" + SqlEscape(lugLug) + "'";
  return "SELECT ZkbPnr, ZkbZtr, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, SUM(ZkbStd), SUM(ZkbTge), ZkbStg, ZkbSta, " +
         SqlKeyColumn("ZkbZkt") + ", " + SqlKeyColumn("ZkbKst") + ", " + SqlKeyColumn("ZkbKtr") + ", " +
         SqlKeyColumn("ZkbPnr") + " FROM Qvx331Zkb WHERE ZkbPnr IN (" + list + ") AND ZkbZkt IN (" + accounts +
         ") AND ZkbDtm >= '" + SqlEscape(von) + "' AND ZkbDtm <= '" + SqlEscape(bis) +
         "' AND ((ZkbZtr = 3 AND EXISTS (SELECT 1 FROM Qvx171Lu1 WHERE Lu1Num = " + lug +
         " AND Lu1Ztk = ZkbZkt AND Lu1Ztr = 0)) OR (ZkbZtr = 1 AND EXISTS (SELECT 1 FROM Qvx171Lu1"
         " WHERE Lu1Num = " +
         lug +
         " AND Lu1Ztk = ZkbZkt AND Lu1Ztr = 1)))"
         " GROUP BY ZkbPnr, ZkbZtr, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStg, ZkbSta"
         " ORDER BY ZkbPnr, ZkbZkt, ZkbZtr, ZkbKst, ZkbKtr, CASE WHEN ZkbZtr = 3 THEN MAX(ZkbDtm) END, ZkbKrt,"
         " ZkbStg, ZkbSta";
}

// The accounts the last following-month batch read its month sums for.
struct FollowRead {
  std::string LugLug;
  int16_t FollowNr = 0;
  std::string Accounts;
};
FollowRead g_follow;

// A main call (not a following month) reads the bookings of the batch.
bool MainCall(const RunContext& ctx, int16_t followNr) { return (ctx.TopasFlag != 0 && ctx.Lfn == 2) || followNr == 0; }

}  // namespace

void ClearBookingBatch() { g_b = BookingBatch{}; }

void BookingBatchReadsAhead(const RunContext& ctx, const std::vector<BatchEmployee>& employees, const std::string& von,
                            const std::string& bis, int16_t followNr, std::vector<std::string>& reads) {
  // bookings and day codes are not written by the run: they can be read on
  // the second connection while the batch before is calculated
  if (employees.empty() || !PlainDay(von) || !PlainDay(bis)) return;
  std::string list = PnrList(employees);
  if (MainCall(ctx, followNr)) {
    reads.push_back(BookingsStatement(list, von, bis));
  } else if (g_follow.FollowNr == followNr && g_follow.LugLug == ctx.Lug.LugLug && !g_follow.Accounts.empty()) {
    // a following month: its accounts as the batch before read them (the
    // batch reads them again; the statement is taken only when they are the
    // same)
    reads.push_back(FollowSumsStatement(list, g_follow.Accounts, von, bis, ctx.Lug.LugLug));
  }
  // the day codes are read when first needed: ahead only when the batch
  // before needed them
  if (g_codesNeededBefore) reads.push_back(CodesStatement(list, von, bis));
}

// The statements of a batch are formed by the program from the employment
// rows and can be longer than the statement buffer of the single reads; they
// are not subject to its limit. Every text in them is escaped.
void ReadBookingBatch(const RunContext& ctx, const std::vector<BatchEmployee>& employees, const std::string& von,
                      const std::string& bis, int16_t followNr) {
  ClearBookingBatch();
  g_codesNeededBefore = g_codesNeeded;
  g_codesNeeded = false;
  if (employees.empty() || !PlainDay(von) || !PlainDay(bis)) return;
  BookingBatch& b = g_b;
  b.Von = von;
  b.Bis = bis;
  b.LugLug = ctx.Lug.LugLug;
  b.Lfn = ctx.Lfn;
  b.Topas = ctx.TopasFlag != 0 && ctx.Lfn == 2;
  b.FollowNr = b.Topas ? int16_t{0} : followNr;
  for (const auto& e : employees) b.KeyOfPnr.emplace(e.Pnr, e.Key);
  b.List = PnrList(employees);
  const std::string& list = b.List;

  if (b.FollowNr != 0) {
    // A following month: the month sums of the accounts with a line of its
    // number (as constants, so that the server reads only their bookings),
    // with the statement of SQL_Qvx331Zkb_OpenMonat.
    std::string accounts;
    if (!FollowAccounts(b.LugLug, b.FollowNr, accounts)) return;
    if (accounts.empty()) {
      b.MonatValid = true;  // no account takes part: no month sums
      return;
    }
    g_follow = {b.LugLug, b.FollowNr, accounts};
    b.MonatValid =
        ReadAll(FollowSumsStatement(list, accounts, von, bis, b.LugLug), b.Monat,
                [](SqlCursor& c, std::string& key, ZkbMonat& m) {
                  return SqlFetchInto(c, m.ZkbPnr, m.ZkbZtr, m.ZkbKst, m.ZkbKtr, m.ZkbKrt, m.ZkbZkt, m.ZkbStd, m.ZkbTge,
                                      m.ZkbStg, m.ZkbSta, m.KeyZkt, m.KeyKst, m.KeyKtr, key);
                });
    return;
  }

  // A main call: every booking of the period (both kinds) is read once, in
  // the order the server reads them for the month sums; the month sums, the
  // daily bookings and what the statistics read of them are formed from it.
  std::map<std::string, std::vector<RawRow>> raw;
  bool ok = ReadAll(BookingsStatement(list, von, bis), raw, [](SqlCursor& c, std::string& key, RawRow& r) {
    ZkbTag& d = r.D;
    return SqlFetchInto(c, d.ZkbPnr, d.ZkbZtr, d.ZkbDtm, d.ZkbKst, d.ZkbKtr, d.ZkbKrt, d.ZkbZkt, d.ZkbStd, d.ZkbTge,
                        d.ZkbStg, d.ZkbSta, d.ZkbDat, d.KeyKst, d.KeyKtr, d.KeyZkt, r.KeyKrt, key);
  });
  if (!ok) {
    b.Tag = BookingBatch::kFailed;
    return;
  }
  std::set<std::string> runs, month;
  if (b.Topas || LineKinds(b.LugLug, runs, month)) {
    for (const auto& [key, rows] : raw) {
      std::vector<ZkbMonat> sums = MonthSums(rows, b.Topas, runs, month);
      if (!sums.empty()) b.Monat.emplace(key, std::move(sums));
    }
    b.MonatValid = true;
  }
  // the daily bookings in the order of their statement: account, day, cost
  // centre, unit, cost type (the order of equal rows is kept)
  for (auto& [key, rows] : raw) {
    std::vector<RawRow*> daily;
    for (RawRow& r : rows) {
      if (r.D.ZkbZtr == 1) daily.push_back(&r);
    }
    if (daily.empty()) continue;
    std::stable_sort(daily.begin(), daily.end(), [](const RawRow* x, const RawRow* y) {
      return std::tie(x->D.KeyZkt, x->D.ZkbDtm, x->D.KeyKst, x->D.KeyKtr, x->KeyKrt) <
             std::tie(y->D.KeyZkt, y->D.ZkbDtm, y->D.KeyKst, y->D.KeyKtr, y->KeyKrt);
    });
    std::vector<ZkbTag>& out = b.TagRows[key];
    out.reserve(daily.size());
    for (RawRow* r : daily) out.push_back(std::move(r->D));
  }
  b.Tag = BookingBatch::kRead;
}

bool BatchMonat(const RunContext& ctx, const std::string& pnr, const std::string& von, const std::string& bis,
                int16_t lfn, const std::string& lugLug, int16_t followNr, std::vector<ZkbMonat>& rows) {
  std::string key;
  // the statement depends on the interface and the kind of settlement
  bool topas = ctx.TopasFlag != 0 && lfn == 2;
  if (!g_b.MonatValid || von != g_b.Von || bis != g_b.Bis || lfn != g_b.Lfn || topas != g_b.Topas ||
      (!topas && lugLug != g_b.LugLug) || (g_b.FollowNr != 0 && followNr != g_b.FollowNr) ||
      !Covered(pnr, von, bis, key))
    return false;
  auto it = g_b.Monat.find(key);
  if (it == g_b.Monat.end()) rows.clear();
  else rows = it->second;
  return true;
}

namespace {

// The employee's daily bookings of the days von..bis that pass the filter, in
// the batch's order; false when the batch does not hold them.
template <class Filter>
bool DailyBookings(const std::string& pnr, const std::string& von, const std::string& bis, std::vector<ZkbTag>& rows,
                   Filter pass) {
  std::string key;
  if (!Covered(pnr, von, bis, key) || !DailyRead()) return false;
  rows.clear();
  auto it = g_b.TagRows.find(key);
  if (it == g_b.TagRows.end()) return true;
  for (const ZkbTag& d : it->second) {
    if (d.ZkbDtm >= von && d.ZkbDtm <= bis && pass(d)) rows.push_back(d);
  }
  return true;
}

}  // namespace

bool BatchTag(const std::string& pnr, const std::string& zktKey, const std::string& von, const std::string& bis,
              std::vector<ZkbTag>& rows) {
  return DailyBookings(pnr, von, bis, rows, [&](const ZkbTag& d) { return d.KeyZkt == zktKey; });
}

// The batch's order within an account (day, Kst, Ktr, Krt) is the cursor's
// order (day, Krt) for one cost centre and unit.
bool BatchFolge(const std::string& pnr, const std::string& zktKey, const std::string& kstKey, const std::string& ktrKey,
                const std::string& von, const std::string& bis, int16_t ztr, std::vector<ZkbTag>& rows) {
  return DailyBookings(pnr, von, bis, rows, [&](const ZkbTag& d) {
    return d.KeyZkt == zktKey && d.KeyKst == kstKey && d.KeyKtr == ktrKey && (d.ZkbStd > 0 || ztr != 0);
  });
}

bool BatchPruef(const std::string& pnr, const std::string& zktKey, const std::string& kstKey, const std::string& von,
                const std::string& bis, const std::string& akr, const std::string& ktrKey,
                std::vector<PruefRow>& rows) {
  std::string key;
  if (!Covered(pnr, von, bis, key) || !DailyRead() || !CodesRead()) return false;
  const std::map<std::string, bool>* accounts = AccountsOf(akr);
  if (!accounts) return false;
  rows.clear();
  // days with a booking of the account under the cost centre and unit that
  // has minutes, or none under an account whose line counts such days
  auto account = accounts->find(zktKey);
  if (account == accounts->end()) return true;
  std::set<std::string> days;
  if (auto it = g_b.TagRows.find(key); it != g_b.TagRows.end()) {
    for (const ZkbTag& d : it->second) {
      if (d.KeyZkt == zktKey && d.KeyKst == kstKey && d.KeyKtr == ktrKey && d.ZkbDtm >= von && d.ZkbDtm <= bis &&
          (d.ZkbStd > 0 || (d.ZkbStd == 0 && account->second)))
        days.insert(d.ZkbDtm);
    }
  }
  if (days.empty()) return true;
  auto it = g_b.DayCodeRows.find(key);
  if (it == g_b.DayCodeRows.end()) return true;
  // DISTINCT as the server compares: the codes by their keys, NULL apart
  std::set<std::tuple<std::string, bool, std::string, bool, std::string>> seen;
  for (const DayCodeRow& r : it->second) {
    if (!days.count(r.Day)) continue;
    if (!seen.emplace(r.Day, r.HtvNull, r.HtvKey, r.HtnNull, r.HtnKey).second) continue;
    rows.push_back({r.Day, r.Htv, r.Htn, r.HtvKey, r.HtnKey});
  }
  return true;
}

const std::vector<CircleLine>* BatchCircleLines(const std::string& akr) { return LinesOf(akr); }

const std::map<std::string, std::vector<ZkbTag>>* BatchDailyRows(const std::string& list, const std::string& von,
                                                                 const std::string& bis) {
  if (g_b.Tag != BookingBatch::kRead || list != g_b.List || von != g_b.Von || bis != g_b.Bis) return nullptr;
  return &g_b.TagRows;
}

const std::map<std::string, std::vector<DayCodeRow>>* BatchDayCodes(const std::string& list, const std::string& von,
                                                                    const std::string& bis) {
  if (g_b.List.empty() || list != g_b.List || von != g_b.Von || bis != g_b.Bis || !CodesRead()) return nullptr;
  return &g_b.DayCodeRows;
}
