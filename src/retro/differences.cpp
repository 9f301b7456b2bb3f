#include "retro/differences.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "calc/transfer_records.h"
#include "retro/retro_calculation.h"
#include "run/context.h"
#include "run/db.h"
#include "run/platform.h"
#include "run/run_log.h"
#include "run/write_batch.h"

namespace {

constexpr char kDifferenzColumns[] =
    "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr,"
    " Zk1Krt, Zk1Std, Zk1Tge, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Dat, Zk1Upn, Zk1Inf, Zk1Rrn, Zk1Su1)"
    " VALUES ";

constexpr char kZk5Columns[] =
    "INSERT INTO Qvx331Zk5  (Zk5Key, Zk5Abr, Zk5Stz, Zk5Bdt, Zk5Pnr, Zk5Zkt, Zk5Lna,"
    "  Zk5Lgr, Zk5Kst, Zk5Ktr, Zk5Krt, Zk5Std, Zk5Tge, Zk5Von,  Zk5Bis, Zk5Sts, Zk5Rre, Zk5Upn,"
    " Zk5Inf, Zk5Su1) VALUES ";

std::string DifferenzInsert(const Zk1Differenz& d, double su1) {
  return SqlFormat(
      std::string(kDifferenzColumns) +
          "(%ld, %d, '%s', date_format('%s', '%%Y.%%m.%%d'), '%s', '%s', '%s', '%s', '%s', '%s', '%s', %ld, %ld,"
          " date_format('%s', '%%Y.%%m.%%d'), date_format('%s', '%%Y.%%m.%%d'), %d, %d, '1', sysdate(), '%s', %d, %ld,"
          " %f)",
      d.Abr, d.Lfn, d.Stz, d.Bdt, d.Pnr, d.Zkt, d.Lna, d.Lgr, d.Kst, d.Ktr, d.Krt, d.Std, d.Tge, d.Von, d.Bis, d.Sts, 2,
      d.Upn, d.Inf, d.Rrn, su1);
}

std::string Zk5Insert(const Zk5Record& r) {
  return SqlFormat(std::string(kZk5Columns) +
                       "('%s', %ld,'%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s',"
                       " %ld, %ld, '%s', '%s', %d, %d, '%s', %d, %f)",
                   r.Key, r.Abr, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst, r.Ktr, r.Krt, r.Std, r.Tge, r.Von,
                   r.Bis, r.Sts, r.Rre, r.Upn, r.Inf, r.Su1);
}

// Personnel numbers per range of the difference step.
int g_rangeEmployees = kDifferenceRangeEmployees;
int g_leftInMemory = kDifferenceLeftInMemory;

std::string AbrList(const int32_t* abrnr, int count) {
  std::string list;
  for (int i = 0; i < count; ++i) list += Format(i ? ", %ld" : "%ld", abrnr[i]);
  return list.empty() ? std::string("NULL") : list;  // no accounting number: no group
}

// The two comparisons differ in their messages and in three rules.
struct Variante {
  const char* Heading;
  const char* DelLog;
  const char* DelZk5;
  const char* DelZk1;
  const char* ChgLog;
  const char* ChgZk1;
  const char* InsZk5;
  const char* NewLog;
  const char* NewZk1;
  bool Retro;  // retro-calculation: RetroBdt rule, Rrn look-up, accumulation on 1062
};

const Variante kRetro = {"\nDifferenzen ermitteln:",
                         "Differenzsatz schreiben(Del), Pnr: %s",
                         "  Schreiben ZK5 DELETE-Satz, Status : %d",
                         "  Schreiben ZK1 INSERT-Satz(RR2), Status : %d",
                         "Differenzsatz schreiben(1), Pnr: %s",
                         "  Schreiben ZK1 INSERT-Satz(RR1), Status : %d",
                         "  Schreiben ZK5 INSERT-Satz, Status : %d",
                         "Differenzsatz schreiben(Ins), Pnr: %s",
                         "  Schreiben ZK1 INSERT-Satz(RR3), Status : %d",
                         true};

const Variante kZwischen = {"\nZwischenabrechnung : Differenzen ermitteln:", "Diff.satz schreiben(Del) ZwiAbr, Pnr: %s",
                            "  ZK5 DELETE-Satz ZwiAbr, Status : %d",         "  ZK1 INSERT-Satz(2) ZwiAbr, Status : %d",
                            "Diff.satz schreiben(1) ZwiAbr, Pnr: %s",        "  ZK1 INSERT-Satz(1) ZwiAbr, Status : %d",
                            "  ZK5 INSERT-Satz ZwiAbr, Status : %d",         "Diff.satz schreiben(Ins) ZwiAbr, Pnr: %s",
                            "  ZK1 INSERT-Satz(3) ZwiAbr, Status : %d",      false};

// A write whose status is reported: logged when not 0; -1 ends the run.
void Report(int st, const char* message) {
  if (st == 0) return;
  ReportStatus(st, message, st);
}

void CheckFetch(RunContext& ctx, int st) {
  if (st == -1) {
    ctx.LastStatus = st;
    AbortRun(60);
  }
}

bool MemoRecords(const RunContext& ctx) {
  std::string lgp = SubStr(ctx.Lug.LugLgp, 0, 5);
  return lgp == "LOGA2" || lgp == "LODAS";
}

// The retro records no group has taken, in the order met, until every group
// is compared: the new values follow all groups. Up to g_leftInMemory of them
// are held; the ones after those go to a scratch file beside the run log and
// come back from it in the same order, so that the step's memory stays
// bounded by a range however many employees the circle has. When the file
// cannot be written they are held, as before; when what was written cannot be
// read back whole, the run ends with a failure status rather than leave out
// new values.
class LeftRecords {
 public:
  explicit LeftRecords(const RunContext& ctx) {
    const size_t cut = ctx.LogPath.find_last_of("\\/");
    path_ = (cut == std::string::npos ? std::string() : ctx.LogPath.substr(0, cut + 1)) +
            Format("lug_%s_%s_%ld_rest.tmp", ctx.Schema, ctx.Akr, ctx.Abrnr);
  }
  ~LeftRecords() {
    if (!file_) return;
    std::fclose(file_);
    RemoveFile(path_);
  }
  LeftRecords(const LeftRecords&) = delete;
  LeftRecords& operator=(const LeftRecords&) = delete;

  void Add(LeftRecord&& l) {
    if (held_.size() < static_cast<size_t>(g_leftInMemory) || !Spill()) {
      held_.push_back(std::move(l));
      return;
    }
    buffer_.clear();
    const Zk3Record& r = l.Rec;
    for (const std::string* t : {&r.Stz, &r.Bdt, &r.Pnr, &r.Zkt, &r.Lna, &r.Lgr, &r.Kst, &r.Ktr, &r.Krt, &r.Von, &r.Bis,
                                 &r.Upn, &r.Match.Bytes(), &l.Line.Bytes()})
      PutText(*t);
    for (int32_t n : {r.Std, r.Tge, static_cast<int32_t>(r.Sts), static_cast<int32_t>(r.Inf), r.Abr}) PutNumber(n);
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
    ++written_;
  }

  // Every record in the order added; false (with a log line) when the ones
  // kept aside could not be read back whole.
  template <class F>
  bool ForEach(F each) {
    // a file that took not every record is known before any is handed on
    if (written_ > 0 && (failed_ || std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0))
      return Unreadable();
    // the first ones met are the ones held
    for (const LeftRecord& l : held_) each(l);
    if (written_ > 0) {
      for (long i = 0; i < written_; ++i) {
        LeftRecord l;
        Zk3Record& r = l.Rec;
        std::string match, line;
        bool ok = true;
        for (std::string* t : {&r.Stz, &r.Bdt, &r.Pnr, &r.Zkt, &r.Lna, &r.Lgr, &r.Kst, &r.Ktr, &r.Krt, &r.Von, &r.Bis,
                               &r.Upn, &match, &line})
          ok = ok && GetText(*t);
        int32_t sts = 0, inf = 0;
        for (int32_t* n : {&r.Std, &r.Tge, &sts, &inf, &r.Abr}) ok = ok && GetNumber(*n);
        if (!ok) return Unreadable();
        r.Sts = static_cast<int16_t>(sts);
        r.Inf = static_cast<int16_t>(inf);
        r.Match = DbKey::FromBytes(std::move(match));
        l.Line = DbKey::FromBytes(std::move(line));
        each(l);
      }
    }
    return true;
  }

 private:
  // The scratch file, opened when the first record goes there; false when
  // it cannot be (the records are held then).
  bool Spill() {
    if (file_) return !failed_;
    if (openFailed_) return false;
    file_ = OpenFile(path_, "w+b");
    openFailed_ = file_ == nullptr;
    return file_ != nullptr;
  }
  void PutNumber(int32_t n) {
    const auto u = static_cast<uint32_t>(n);
    for (int shift = 0; shift < 32; shift += 8) buffer_ += static_cast<char>((u >> shift) & 0xFF);
  }
  void PutText(const std::string& t) {
    PutNumber(static_cast<int32_t>(t.size()));
    buffer_ += t;
  }
  bool GetNumber(int32_t& n) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, file_) != 4) return false;
    n = static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
    return true;
  }
  bool GetText(std::string& t) {
    int32_t size = 0;
    if (!GetNumber(size) || size < 0 || size > (1 << 20)) return false;
    t.resize(static_cast<size_t>(size));
    return size == 0 || std::fread(t.data(), 1, t.size(), file_) == t.size();
  }
  bool Unreadable() {
    Log("Zwischendatei %s nicht lesbar", path_);
    return false;
  }

  std::string path_, buffer_;
  std::vector<LeftRecord> held_;
  std::FILE* file_ = nullptr;
  bool openFailed_ = false, failed_ = false;
  long written_ = 0;
};

// The values a group is compared with: the first retro record of the group.
struct Zk3Match {
  int32_t Std = 0;
  int32_t Tge = 0;
  std::string Von, Bis;
  int16_t Inf = 0;
  int32_t Abr = 0;
};

// The retro records of the run's employees of one range of personnel numbers,
// read once. A group takes the first record with its columns and removes all
// of them; the records no group has taken are the new values. (Looked up and
// deleted group by group on the server, the same comparison costs two
// statements per group.) The columns are matched by the keys the server gives
// them, so that a group finds exactly the records that the server's
// comparison would find: "verw" and "VERW", or "KS " and "KS", are one cost
// centre.
class RetroRecords {
 public:
  void Read(RunContext& ctx, const PnrRange& range, const std::string& prefixes) {
    SqlCursor zk3;
    RequireRead(SQL_Qvx331Zk3_OpenRange(zk3, ctx.RunKey, range, prefixes), "Qvx331Zk3");
    int st;
    for (;;) {
      LeftRecord r;
      if ((st = SQL_Qvx331Zk3_FetchRange(zk3, r)) != 0) break;
      first_.emplace(r.Rec.Match, records_.size());
      records_.push_back(std::move(r));
    }
    CheckFetch(ctx, st);
    (void)SQL_Qvx331Zk3_CloseRange(zk3);
  }

  bool Take(const RetroGroup& g, Zk3Match& m) {
    auto it = first_.find(g.Match);
    if (it == first_.end()) return false;
    const Zk3Record& r = records_[it->second].Rec;
    m = Zk3Match{r.Std, r.Tge, r.Von, r.Bis, r.Inf, r.Abr};
    taken_.insert(it->first);
    first_.erase(it);
    return true;
  }

  // The records no group has taken, in the order read, moved to out.
  void MoveLeft(LeftRecords& out) {
    for (LeftRecord& r : records_) {
      if (!taken_.count(r.Rec.Match)) out.Add(std::move(r));
    }
  }

 private:
  std::vector<LeftRecord> records_;
  std::unordered_map<DbKey, size_t, DbKeyHash> first_;  // key -> first record not taken
  std::unordered_set<DbKey, DbKeyHash> taken_;
};

Zk1Differenz FromGroup(const RunContext& ctx, const RetroGroup& g) {
  Zk1Differenz d;
  d.Abr = ctx.Abrnr;
  d.Lfn = ctx.Lfn;
  d.Stz = g.Stz;
  d.Bdt = g.Bdt;
  d.Pnr = g.Pnr;
  d.Zkt = g.Zkt;
  d.Lna = g.Lna;
  d.Lgr = g.Lgr;
  d.Kst = g.Kst;
  d.Ktr = g.Ktr;
  d.Krt = g.Krt;
  d.Von = g.Von;
  d.Bis = g.Bis;
  d.Sts = g.Sts;
  d.Upn = g.Upn;
  d.Inf = g.Inf;
  return d;
}

// The difference for the run's report: old and new value of the group.
void KeepDifference(RunContext& ctx, const Zk1Differenz& d, int64_t oldStd, int64_t newStd, int64_t oldTge,
                    int64_t newTge) {
  RetroDifference r;
  r.Pnr = d.Pnr;
  r.Upn = d.Upn;
  r.WageType = d.Lna;
  r.BookingDate = d.Bdt;
  r.Period = d.Rrn;
  r.OldMinutes = oldStd;
  r.NewMinutes = newStd;
  r.OldTenths = oldTge;
  r.NewTenths = newTge;
  ctx.Handover.RetroDifferences.push_back(std::move(r));
}

Zk5Record Memo(const RunContext& ctx, const Zk1Differenz& d, int32_t std, int32_t tge, int16_t rre, double su1) {
  Zk5Record m;
  m.Key = ctx.RunKey;
  m.Abr = ctx.Abrnr;
  m.Stz = d.Stz;
  m.Bdt = d.Bdt;
  m.Pnr = d.Pnr;
  m.Zkt = d.Zkt;
  m.Lna = d.Lna;
  m.Lgr = d.Lgr;
  m.Kst = d.Kst;
  m.Ktr = d.Ktr;
  m.Krt = d.Krt;
  m.Std = std;
  m.Tge = tge;
  m.Von = d.Von;
  m.Bis = d.Bis;
  m.Sts = d.Sts;
  m.Rre = rre;
  m.Upn = d.Upn;
  m.Inf = d.Inf;
  m.Su1 = su1;
  return m;
}

// Difference and memo records are gathered and written in multi-row
// statements (run/write_batch.h). A difference record that meets a stored one
// of the same identity is added to it (the accumulation key Zk1Ident is the
// identity SQL_Qvx331Zk1_AddDifferenz names) or refused with 1062.
WriteBatch g_differenzAdd("Qvx331Zk1", kDifferenzColumns,
                          " ON DUPLICATE KEY UPDATE Zk1Std = Zk1Std + VALUES(Zk1Std),"
                          " Zk1Tge = Zk1Tge + VALUES(Zk1Tge), Zk1Dat = SYSDATE()");
WriteBatch g_differenz("Qvx331Zk1", kDifferenzColumns, "");
WriteBatch g_memo("Qvx331Zk5", kZk5Columns, "");

void WriteMemo(const Zk5Record& r, const char* message) {
  std::string single = Zk5Insert(r);
  g_memo.Add(single, [single, message] { Report(SqlWrite(single), message); });
}

// The value sent before, withdrawn.
void DeleteMemo(const RunContext& ctx, const Variante& v, const RetroGroup& g) {
  WriteMemo(Memo(ctx, FromGroup(ctx, g), g.Std, g.Tge, 4, g.Su1), v.DelZk5);
}

// Difference record; with accumulate a record that meets a stored difference
// record of the same identity is added to it. identity: the match key of the
// group or retro record it is written for, which holds the columns of the
// unique key Zk1Ident as the server compares them (Zk1Abr and Zk1Lfn are the
// run's for every difference record).
double WriteDifferenz(const Zk1Differenz& d, bool accumulate, const char* message, const DbKey& identity) {
  double su1 = NextZk1Su1(d.Sts);
  std::string single = DifferenzInsert(d, su1);
  (accumulate ? g_differenzAdd : g_differenz)
      .Add(
          single,
          [single, d, accumulate, message] {
            int st = SqlWrite(single);
            if (st == kSqlDuplicate && accumulate) st = SQL_Qvx331Zk1_AddDifferenz(d);
            Report(st, message);
          },
          identity.Bytes());
  return su1;
}

// Accounting number that a reversal corrects. The look-up finds it when one
// transferred record holds the group's values; a group that sums several
// records (a value and the differences written for it since) is put to the
// recomputed period that holds its values, and failing that to the earliest
// accounting number of the retro loop, so that the number is never one left
// over from another group.
int32_t StornoRrn(const RunContext& ctx, const RetroState& retro, const RetroGroup& g) {
  int32_t abr = 0;
  int st;
  {
    // The pending difference records belong to other groups (the group's own
    // is written after this look-up; new values come after all groups), and
    // groups differ in a column the look-up compares, as the server compares
    // it: none of them can be found here, so they need not be sent first.
    KeepPending keep({&g_differenz, &g_differenzAdd});
    st = SQL_Qvx331Zk1_GetRetroAbr(g, abr);
  }
  if (st == 0) return abr;
  for (const RetroPeriod& p : retro.Periods) {
    if (!p.Von.empty() && p.Von <= g.Von && g.Von <= p.Bis) return p.Abrnr;
  }
  return ctx.RetroCount > 0 ? ctx.RetroAbrnr[static_cast<size_t>(ctx.RetroCount - 1)] : ctx.Abrnr;
}

// Values paid some numbers later (Lu1Flg n) carry the date of the period they
// were computed for: day values their day, month values with Lu1Fkt the
// period's own date. Such a group was recomputed when a following-month call
// of the run computed the period that holds its values (its Von) for the
// lines with Lu1Flg n, and its own wage-type line is such a line. Differences
// written for earlier periods of other wage types stay out. The line is read
// once per record type, account, wage type and period.
class DeferredValues {
 public:
  explicit DeferredValues(const RetroState& retro) : retro_(retro) {}
  const RetroState& Retro() const { return retro_; }
  bool Recomputed(const RunContext& ctx, const RetroGroup& g) {
    for (const RetroPeriod& p : retro_.Periods) {
      if (p.FolgeNr == 0 || p.Von.empty() || g.Von < p.Von || g.Von > p.Bis) continue;
      DbKey key = DbKey(g.Line).AddExact(p.Von).AddExact(p.Bis);
      auto it = lines_.find(key);
      if (it == lines_.end()) {
        int16_t flg = 0, rre = 0;
        int st = SQL_Qvx171Lu1_GetFlg(ctx.Lug.LugLug, g, p.Von, p.Bis, flg, rre);
        // without a line (or when it cannot be read) nothing was recomputed
        int16_t folge = st == 0 && rre == 1 ? flg : int16_t{-1};
        it = lines_.emplace(key, folge).first;
      }
      if (it->second == p.FolgeNr) return true;
    }
    return false;
  }

 private:
  const RetroState& retro_;
  std::unordered_map<DbKey, int16_t, DbKeyHash> lines_;  // Lu1Flg of a retro line, else -1
};

void Vanished(RunContext& ctx, const Variante& v, const RetroGroup& g, DeferredValues& deferred) {
  if (g.Std == 0 && g.Tge == 0) return;
  // Values booked before the earliest recomputed period were not recomputed
  // and are left alone. The limit is the first day of that period: with
  // booking dates at the period end (LugDtm 2) the day values of the period
  // itself lie before its booking date and must still be reversed when they
  // are gone. Values paid later that a following-month call recomputed are
  // reversed whatever their date.
  if (v.Retro && g.Bdt < deferred.Retro().RetroVon && !deferred.Recomputed(ctx, g)) return;
  Zk1Differenz d = FromGroup(ctx, g);
  d.Rrn = v.Retro ? StornoRrn(ctx, deferred.Retro(), g) : ctx.Abrnr;
  d.Std = ClampInt32(-int64_t{g.Std});
  d.Tge = ClampInt32(-int64_t{g.Tge});
  Log(v.DelLog, g.Pnr);
  if (MemoRecords(ctx)) DeleteMemo(ctx, v, g);
  WriteDifferenz(d, v.Retro, v.DelZk1, g.Match);
  KeepDifference(ctx, d, g.Std, 0, g.Tge, 0);
}

void Changed(RunContext& ctx, const Variante& v, const RetroGroup& g, const Zk3Match& m) {
  Log(v.ChgLog, g.Pnr);
  Zk1Differenz d = FromGroup(ctx, g);
  d.Std = ClampInt32(int64_t{m.Std} - g.Std);
  d.Tge = ClampInt32(int64_t{m.Tge} - g.Tge);
  d.Inf = m.Inf;
  d.Rrn = m.Abr;
  double su1 = WriteDifferenz(d, false, v.ChgZk1, g.Match);
  KeepDifference(ctx, d, g.Std, m.Std, g.Tge, m.Tge);
  if (MemoRecords(ctx)) {
    Zk1Differenz now = FromGroup(ctx, g);
    now.Von = m.Von;
    now.Bis = m.Bis;
    now.Inf = m.Inf;
    WriteMemo(Memo(ctx, now, m.Std, m.Tge, 3, su1), v.InsZk5);
    DeleteMemo(ctx, v, g);
  }
}

// Lu1Ztr of the wage-type line of a new value, read once per record type,
// account, wage type and period (the same answer for every employee).
class DayRunLines {
 public:
  int16_t Ztr(const RunContext& ctx, const LeftRecord& l) {
    DbKey key = DbKey(l.Line).AddExact(l.Rec.Von).AddExact(l.Rec.Bis);
    auto it = ztr_.find(key);
    if (it != ztr_.end()) return it->second;
    int16_t ztr = 0;
    int st = SQL_Qvx171Lu1_GetZtr(ctx.Lug.LugLug, l.Rec, ztr);
    // a read that failed is asked again next time
    if (st == 0 || st == kSqlNoMoreRows) ztr_.emplace(key, ztr);
    return ztr;
  }

 private:
  std::unordered_map<DbKey, int16_t, DbKeyHash> ztr_;
};

void NewValue(RunContext& ctx, const Variante& v, const Zk3Record& r, int16_t ztr) {
  if (r.Std == 0 && r.Tge == 0 && ztr == 0) return;
  Log(v.NewLog, r.Pnr);
  Zk1Differenz d;
  d.Abr = ctx.Abrnr;
  d.Lfn = ctx.Lfn;
  d.Stz = r.Stz;
  d.Bdt = r.Bdt;
  d.Pnr = r.Pnr;
  d.Zkt = r.Zkt;
  d.Lna = r.Lna;
  d.Lgr = r.Lgr;
  d.Kst = r.Kst;
  d.Ktr = r.Ktr;
  d.Krt = r.Krt;
  d.Std = r.Std;
  d.Tge = r.Tge;
  d.Von = r.Von;
  d.Bis = r.Bis;
  d.Sts = r.Sts;
  d.Upn = r.Upn;
  d.Inf = r.Inf;
  d.Rrn = r.Abr;
  double su1 = WriteDifferenz(d, v.Retro, v.NewZk1, r.Match);
  KeepDifference(ctx, d, 0, r.Std, 0, r.Tge);
  if (MemoRecords(ctx)) WriteMemo(Memo(ctx, d, r.Std, r.Tge, 3, su1), v.InsZk5);
}

// The range of personnel numbers after prev (the first one when first): it
// ends after the next g_rangeEmployees personnel numbers of the employment
// rows (a table the run does not write, read through its key; the transfer
// records hold about the same numbers); the last range (and, when they cannot
// be read, the rest) has no upper end. The ranges follow one another without
// a gap, so every group and retro record is in exactly one of them.
PnrRange NextRange(const PnrRange& prev, bool first, bool& last) {
  PnrRange range;
  if (!first) {
    range.HasLo = true;
    range.Lo = prev.Hi;
  }
  std::vector<std::string> pnrs;
  int st = SQL_Qvx310Bsv_ReadPnrs(range, g_rangeEmployees, pnrs);
  last = st != 0 || static_cast<int>(pnrs.size()) < g_rangeEmployees;
  range.HasHi = !last;
  range.Hi = pnrs.empty() ? std::string() : pnrs.back();
  return range;
}

// How the groups of a comparison are read.
struct GroupReads {
  int (*Open)(const RunContext&, SqlCursor&, const PnrRange&);
  int (*Fetch)(SqlCursor&, RetroGroup&);
  int (*Close)(SqlCursor&);
  // The statement Open sends for a range, when the groups may be read ahead
  // on the second connection (the run has not changed the records they are
  // read from in its open transaction); else null.
  std::string (*Ahead)(const RunContext&, const PnrRange&);
};

// The groups of one range against the run's retro records of the range; the
// records no group has taken are added to left.
void CompareRange(RunContext& ctx, const Variante& v, const GroupReads& reads, const PnrRange& range,
                  const std::string& prefixes, DeferredValues& deferred, LeftRecords& left) {
  RetroRecords retro;
  retro.Read(ctx, range, prefixes);
  {
    SqlCursor groups;
    reads.Open(ctx, groups, range);
    int st;
    for (;;) {
      RetroGroup g;
      if ((st = reads.Fetch(groups, g)) != 0) break;
      if (!ctx.PnrFilter.empty() && g.Pnr != ctx.PnrFilter) continue;
      Zk3Match m;
      if (!retro.Take(g, m)) Vanished(ctx, v, g, deferred);
      else if (m.Std != g.Std || m.Tge != g.Tge) Changed(ctx, v, g, m);
    }
    CheckFetch(ctx, st);
    reads.Close(groups);
  }
  retro.MoveLeft(left);
}

// The groups of the group cursor against the run's retro records, then the
// retro records left over as new values. Groups and retro records are read
// for ranges of personnel numbers one after the other (both ordered by
// personnel number first), so that only one range is held in memory and the
// server sorts small results; the groups come in the same order as from one
// statement over all employees, and the new values follow all groups as
// before. When the groups may be read ahead, those of the next range are read
// on the second connection while the program compares the range before; the
// retro records are the run's own rows, which only its own connection sees.
void Compare(RunContext& ctx, const Variante& v, const RetroState& retroState, const GroupReads& reads) {
  DeferredValues deferred(retroState);
  LeftRecords left(ctx);
  std::string prefixes;
  if (SQL_Qvx331Zk3_ReadPrefixes(ctx.RunKey, prefixes) != 0) prefixes.clear();
  bool last = false;
  PnrRange range = NextRange(PnrRange{}, true, last);
  if (reads.Ahead) dbReadAhead({reads.Ahead(ctx, range)});
  for (;;) {
    PnrRange next;
    bool nextLast = true;
    const bool early = reads.Ahead && !last;
    if (early) {
      next = NextRange(range, false, nextLast);
      dbReadAhead({reads.Ahead(ctx, next)});
    }
    CompareRange(ctx, v, reads, range, prefixes, deferred, left);
    if (last) break;
    if (!early) next = NextRange(range, false, nextLast);
    range = std::move(next);
    last = nextLast;
  }
  DayRunLines lines;
  if (!left.ForEach([&](const LeftRecord& l) { NewValue(ctx, v, l.Rec, lines.Ztr(ctx, l)); })) AbortRun(60);
}

// " AND <column> > 'lo' AND <column> <= 'hi'" for the bounds the range has.
std::string RangeCondition(const char* column, const PnrRange& r) {
  std::string s;
  if (r.HasLo) s += Format(" AND %s > '%s'", column, SqlEscape(r.Lo));
  if (r.HasHi) s += Format(" AND %s <= '%s'", column, SqlEscape(r.Hi));
  return s;
}

// The groups' personnel numbers: the range's bounds.
std::string GroupPnrCondition(const PnrRange& r) { return RangeCondition("Zk1Pnr", r); }

std::string GroupColumns() {
  std::string s =
      "SELECT Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt,"
      " SUM(Zk1Std), SUM(Zk1Tge), date_format(Zk1Von, '%%Y.%%m.%%d'), date_format(Zk1Bis, '%%Y.%%m.%%d'), Zk1Sts,"
      " Zk1Upn, Zk1Inf, MAX(Zk1Su1)";
  for (const char* c : {"Zk1Stz", "Zk1Pnr", "Zk1Zkt", "Zk1Lna", "Zk1Lgr", "Zk1Kst", "Zk1Ktr"})
    s += ", " + SqlKeyColumn(c);
  return s + " FROM Qvx331Zk1";
}

// Ordered, so that the differences (and their LOGA2 numbers) come out the same
// way in every run. The grouping columns are named in the order of the sort:
// the groups are the same in any order, and the server's temporary table of
// the groups is then quicker to sort.
constexpr char kGroupTail[] =
    " GROUP BY Zk1Pnr, Zk1Bdt, Zk1Stz, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Von, Zk1Bis, Zk1Krt, Zk1Sts,"
    " Zk1Upn, Zk1Inf"
    " ORDER BY Zk1Pnr, Zk1Bdt, Zk1Stz, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Von, Zk1Bis, Zk1Krt, Zk1Sts,"
    " Zk1Upn, Zk1Inf";

int FetchGroup(SqlCursor& c, RetroGroup& g) {
  std::string stz, pnr, zkt, lna, lgr, kst, ktr;
  int st = SqlFetchInto(c, g.Stz, g.Bdt, g.Pnr, g.Zkt, g.Lna, g.Lgr, g.Kst, g.Ktr, g.Krt, g.Std, g.Tge, g.Von, g.Bis,
                        g.Sts, g.Upn, g.Inf, g.Su1, stz, pnr, zkt, lna, lgr, kst, ktr);
  if (st == 0) {
    g.Match =
        DbKey().Add(stz).AddExact(g.Bdt).Add(pnr).Add(zkt).Add(lna).Add(lgr).Add(kst).Add(ktr).AddExact(g.Von).AddExact(
            g.Bis);
    g.Line = DbKey().Add(stz).Add(zkt).Add(lna);
  }
  return st;
}

std::string RetroGroupsStatement(const int32_t* abrnr, int count, bool topas, const PnrRange& range) {
  std::string list = AbrList(abrnr, count);
  // the range's bounds are texts of the database, escaped (RangeCondition)
  return SqlFormat(GroupColumns() + " WHERE (Zk1Abr IN (" + list + ")) AND Zk1Rre > 0" +
                   (topas ? " AND Zk1Lfn <> 2" : "")) +
         GroupPnrCondition(range) + kGroupTail;
}

// RetroAbrnr holds the numbers of the loop in its first RetroCount entries;
// the entries never filled (0) are left out of the list, since no number 0
// was recomputed whose values could be compared.
int RetroCountUsed(const RunContext& ctx) { return ctx.RetroCount < kMaxRetro ? ctx.RetroCount : kMaxRetro; }

std::string RetroRangeStatement(const RunContext& ctx, const PnrRange& r) {
  return RetroGroupsStatement(ctx.RetroAbrnr.data(), RetroCountUsed(ctx), ctx.TopasFlag == 1, r);
}

// The group cursors of the two comparisons for one range of personnel numbers.
int OpenRetroRange(const RunContext& ctx, SqlCursor& groups, const PnrRange& r) {
  return SQL_Qvx331Zk1_OpenRetroGroups(groups, ctx.RetroAbrnr.data(), RetroCountUsed(ctx), ctx.TopasFlag == 1, r);
}

int OpenZwischenRange(const RunContext& ctx, SqlCursor& groups, const PnrRange& r) {
  return SQL_Qvx331Zk1_OpenZwischenGroups(ctx, groups, ctx.Abrnr, r);
}

}  // namespace

void SetDifferenceRangeEmployees(int employees) { g_rangeEmployees = employees > 0 ? employees : 1; }
void SetDifferenceLeftInMemory(int records) { g_leftInMemory = records >= 0 ? records : 0; }

int DifferenzenErmitteln(RunContext& ctx, RetroState& retro) {
  Log(kRetro.Heading);
  SetLoga2Numbering(SubStr(ctx.Lug.LugLgp, 0, 5) == "LOGA2");
  // The groups are read from the transferred records of earlier numbers, which
  // the run itself changes only by masking them: unless it did, the second
  // connection reads what the run's own would.
  const GroupReads reads{OpenRetroRange, SQL_Qvx331Zk1_FetchRetroGroups, SQL_Qvx331Zk1_CloseRetroGroups,
                         retro.Masked ? nullptr : RetroRangeStatement};
  Compare(ctx, kRetro, retro, reads);
  if (int st = SQL_Qvx331Zk3_DeleteRun(ctx.RunKey); st != 0) ReportStatus(st, "DeleteFehler Qvx331Zk3: %d", st);
  retro.Periods.clear();
  retro.Masked = false;
  return SQL_Qvx331Zk1_Unmask();
}

int ZwischenDifferenzenErmitteln(RunContext& ctx) {
  Log(kZwischen.Heading);
  SetLoga2Numbering(SubStr(ctx.Lug.LugLgp, 0, 5) == "LOGA2");
  // the interim differences reverse only what the interim runs handed over:
  // no period of a retro loop takes part
  const RetroState none;
  const GroupReads reads{OpenZwischenRange, SQL_Qvx331Zk1_FetchZwischenGroups, SQL_Qvx331Zk1_CloseZwischenGroups,
                         nullptr};
  Compare(ctx, kZwischen, none, reads);
  return SQL_Qvx331Zk3_DeleteRun(ctx.RunKey);
}

// ---------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------

[[nodiscard]] int SQL_Qvx331Zk1_OpenRetroGroups(SqlCursor& groups, const int32_t* abrnr, int count, bool topas,
                                                const PnrRange& range) {
  return SqlOpen(groups, RetroGroupsStatement(abrnr, count, topas, range));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchRetroGroups(SqlCursor& groups, RetroGroup& g) { return FetchGroup(groups, g); }
[[nodiscard]] int SQL_Qvx331Zk1_CloseRetroGroups(SqlCursor& groups) { return dbClose(groups); }

// The interim settlements of a number (Lfn the day of the month, TOPAS 2)
// hand over the day runs of the day-based wage-type lines; the final
// settlement (the run's Lfn) computes them again as retro records. Its other
// values and the difference records of earlier final runs are no part of the
// comparison.
[[nodiscard]] int SQL_Qvx331Zk1_OpenZwischenGroups(const RunContext& ctx, SqlCursor& groups, int32_t abrnr,
                                                   const PnrRange& range) {
  // the range's bounds are texts of the database, escaped (RangeCondition)
  return SqlOpen(groups, SqlFormat(GroupColumns() + " WHERE Zk1Abr = %ld AND Zk1Lfn <> %d AND Zk1Sta = 2"
                                                    " AND EXISTS (SELECT 1 FROM Qvx171Lu1 WHERE Lu1Num = '%s'"
                                                    " AND Lu1Stz = Zk1Stz AND Lu1Ztk = Zk1Zkt AND Lu1Lna = Zk1Lna"
                                                    " AND Lu1Ztr <> 0)",
                                   abrnr, ctx.Lfn, ctx.Lug.LugLug) +
                             GroupPnrCondition(range) + kGroupTail);
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchZwischenGroups(SqlCursor& groups, RetroGroup& g) { return FetchGroup(groups, g); }
[[nodiscard]] int SQL_Qvx331Zk1_CloseZwischenGroups(SqlCursor& groups) { return dbClose(groups); }

// The personnel numbers of the employment rows after the range's lower end
// in the server's order (one spelling of each), at most limit: read from the
// table's key alone.
[[nodiscard]] int SQL_Qvx310Bsv_ReadPnrs(const PnrRange& after, int limit, std::vector<std::string>& pnrs) {
  SqlCursor c;
  c.Statement = after.HasLo ? SqlFormat(
                                  "SELECT BsvPnr FROM Qvx310Bsv WHERE BsvPnr > '%s' GROUP BY BsvPnr"
                                  " ORDER BY BsvPnr LIMIT %d",
                                  after.Lo, limit)
                            : SqlFormat("SELECT BsvPnr FROM Qvx310Bsv GROUP BY BsvPnr ORDER BY BsvPnr LIMIT %d", limit);
  int st = dbExec(c);
  if (st != 0) return st;
  for (;;) {
    std::string pnr;
    if ((st = SqlFetchInto(c, pnr)) != 0) break;
    pnrs.push_back(std::move(pnr));
  }
  dbClose(c);
  return st == kSqlNoMoreRows ? 0 : st;
}

// The retro records of the run are found by their key and, in its index,
// by accounting number, running number, record type and booking date before
// the personnel number: the combinations of these four the run wrote, as a
// condition that lets the server read a range of personnel numbers from the
// index instead of every record of the run. More than kMaxPrefixes of them
// (or none): no condition. Formed by the program from the database's values
// and exempt from the statement limit (no SqlFormat; texts escaped with
// SqlEscape).
constexpr int kMaxPrefixes = 1000;

[[nodiscard]] int SQL_Qvx331Zk3_ReadPrefixes(const std::string& key, std::string& condition) {
  condition.clear();
  SqlCursor c;
  c.Statement = SqlFormat(
      "SELECT DISTINCT Zk3Abr, Zk3Lfn, Zk3Stz, date_format(Zk3Bdt, '%%Y-%%m-%%d') FROM Qvx331Zk3"
      " WHERE Zk3Key = '%s'",
      key);
  int st = dbExec(c);
  if (st != 0) return st;
  int n = 0;
  for (;; ++n) {
    int32_t abr = 0;
    int16_t lfn = 0;
    std::string stz, bdt;
    if ((st = SqlFetchInto(c, abr, lfn, stz, bdt)) != 0) break;
    if (n == kMaxPrefixes) {
      condition.clear();
      break;
    }
    condition += Format("%s(Zk3Abr = %ld AND Zk3Lfn = %d AND Zk3Stz = '%s' AND Zk3Bdt = '%s')", n ? " OR " : "", abr,
                        lfn, SqlEscape(stz), SqlEscape(bdt));
  }
  dbClose(c);
  if (!condition.empty()) condition = " AND (" + condition + ")";
  return st == kSqlNoMoreRows || st == 0 ? 0 : st;
}

// The retro records of the run in a range of personnel numbers, in the order
// of all of them: by personnel number first.
[[nodiscard]] int SQL_Qvx331Zk3_OpenRange(SqlCursor& zk3, const std::string& key, const PnrRange& range,
                                          const std::string& prefixes) {
  std::string keys;
  for (const char* c : {"Zk3Stz", "Zk3Pnr", "Zk3Zkt", "Zk3Lna", "Zk3Lgr", "Zk3Kst", "Zk3Ktr"})
    keys += ", " + SqlKeyColumn(c);
  // exempt from the statement limit (see SQL_Qvx331Zk3_ReadPrefixes)
  return SqlOpen(zk3, (SqlFormat("SELECT Zk3Stz, date_format(Zk3Bdt, '%%Y.%%m.%%d'), Zk3Pnr, Zk3Zkt, Zk3Lna,"
                                 " Zk3Lgr, Zk3Kst, Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge,"
                                 " date_format(Zk3Von, '%%Y.%%m.%%d'), date_format(Zk3Bis, '%%Y.%%m.%%d'),"
                                 " Zk3Sts, Zk3Upn, Zk3Inf, Zk3Abr" +
                                     keys + " FROM Qvx331Zk3 WHERE Zk3Key = '%s'",
                                 key) +
                       prefixes + RangeCondition("Zk3Pnr", range) +
                       " ORDER BY Zk3Pnr, Zk3Abr, Zk3Bdt, Zk3Stz, Zk3Zkt, Zk3Lna, Zk3Lgr, Zk3Kst, Zk3Ktr"));
}

[[nodiscard]] int SQL_Qvx331Zk3_FetchRange(SqlCursor& zk3, LeftRecord& l) {
  Zk3Record& r = l.Rec;
  std::string stz, pnr, zkt, lna, lgr, kst, ktr;
  int st = SqlFetchInto(zk3, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst, r.Ktr, r.Krt, r.Std, r.Tge, r.Von, r.Bis,
                        r.Sts, r.Upn, r.Inf, r.Abr, stz, pnr, zkt, lna, lgr, kst, ktr);
  if (st == 0) {
    r.Match =
        DbKey().Add(stz).AddExact(r.Bdt).Add(pnr).Add(zkt).Add(lna).Add(lgr).Add(kst).Add(ktr).AddExact(r.Von).AddExact(
            r.Bis);
    l.Line = DbKey().Add(stz).Add(zkt).Add(lna);
  }
  return st;
}

[[nodiscard]] int SQL_Qvx331Zk3_CloseRange(SqlCursor& zk3) { return dbClose(zk3); }

[[nodiscard]] int SQL_Qvx331Zk1_GetRetroAbr(const RetroGroup& g, int32_t& abr) {
  int16_t rre = 0;
  return SqlSelectOne(SqlFormat("SELECT Zk1Abr, Zk1Rre FROM Qvx331Zk1"
                                " WHERE Zk1Stz = '%s' AND date_format(Zk1Bdt, '%%Y.%%m.%%d') = '%s'"
                                " AND Zk1Pnr = '%s' AND Zk1Zkt = '%s' AND Zk1Lna = '%s' AND Zk1Lgr = '%s'"
                                " AND Zk1Kst = '%s' AND Zk1Ktr = '%s' AND Zk1Krt = '%s'"
                                " AND date_format(Zk1Von, '%%Y.%%m.%%d') = '%s'"
                                " AND date_format(Zk1Bis, '%%Y.%%m.%%d') = '%s' AND Zk1Upn = '%s'"
                                " AND Zk1Std = %ld AND Zk1Tge = %ld AND Zk1Sts = %d AND Zk1Inf = %d",
                                g.Stz, g.Bdt, g.Pnr, g.Zkt, g.Lna, g.Lgr, g.Kst, g.Ktr, g.Krt, g.Von, g.Bis, g.Upn,
                                g.Std, g.Tge, g.Sts, g.Inf),
                      abr, rre);
}

[[nodiscard]] int SQL_Qvx331Zk1_InsertDifferenz(const Zk1Differenz& d, double& su1) {
  su1 = NextZk1Su1(d.Sts);
  return SqlWrite(DifferenzInsert(d, su1));
}

// The record that refused the insert is the one of the same identity, which
// includes Zk1Lfn: a record of another running number of the accounting
// number (an interim settlement) is never added to.
[[nodiscard]] int SQL_Qvx331Zk1_AddDifferenz(const Zk1Differenz& d) {
  return SqlWrite(
      SqlFormat("UPDATE Qvx331Zk1   SET Zk1Std = Zk1Std + %ld,   Zk1Tge = Zk1Tge + %ld,"
                "   Zk1Dat = SYSDATE()  WHERE Zk1Abr = %ld AND Zk1Lfn = %d AND Zk1Stz = '%s'"
                " AND date_format(Zk1Bdt, '%%Y.%%m.%%d') = '%s' AND Zk1Pnr = '%s' AND Zk1Zkt = '%s'"
                " AND Zk1Lna = '%s' AND Zk1Lgr = '%s' AND Zk1Kst = '%s' AND Zk1Ktr = '%s'"
                " AND date_format(Zk1Von, '%%Y.%%m.%%d') = '%s'"
                " AND date_format(Zk1Bis, '%%Y.%%m.%%d') = '%s'",
                d.Std, d.Tge, d.Abr, d.Lfn, d.Stz, d.Bdt, d.Pnr, d.Zkt, d.Lna, d.Lgr, d.Kst, d.Ktr, d.Von, d.Bis));
}

[[nodiscard]] int SQL_Qvx171Lu1_GetZtr(const std::string& lugLug, const Zk3Record& r, int16_t& ztr) {
  return SqlSelectOne(SqlFormat("SELECT Lu1Ztr FROM Qvx171Lu1 WHERE Lu1Num = '%s' AND Lu1Stz = '%s'"
                                " AND Lu1Ztk = '%s' AND Lu1Lna = '%s'"
                                " AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s'"
                                " AND (Lu1Gbi IS NULL OR date_format(Lu1Gbi, '%%Y.%%m.%%d') >= '%s')",
                                lugLug, r.Stz, r.Zkt, r.Lna, r.Von, r.Bis),
                      ztr);
}

[[nodiscard]] int SQL_Qvx171Lu1_GetFlg(const std::string& lugLug, const RetroGroup& g, const std::string& von,
                                       const std::string& bis, int16_t& flg, int16_t& rre) {
  int st = SqlSelectOne(SqlFormat("SELECT Lu1Flg, Lu1Rre FROM Qvx171Lu1 WHERE Lu1Num = '%s' AND Lu1Stz = '%s'"
                                  " AND Lu1Ztk = '%s' AND Lu1Lna = '%s'"
                                  " AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s'"
                                  " AND (Lu1Gbi IS NULL OR date_format(Lu1Gbi, '%%Y.%%m.%%d') >= '%s')"
                                  " ORDER BY Lu1Gvo DESC",
                                  lugLug, g.Stz, g.Zkt, g.Lna, von, bis),
                        flg, rre);
  if (st == 0 && flg == -9) flg = 0;
  return st;
}

[[nodiscard]] int SQL_Qvx331Zk1_Unmask() {
  int st = SqlWrite("UPDATE Qvx331Zk1  SET Zk1Rre = Zk1Rre * -1  WHERE Zk1Rre < 0");
  if (st != 0) return st;
  return dbAffectedRows();
}

[[nodiscard]] int SQL_Qvx331Zk5_Insert(const Zk5Record& r) { return SqlWrite(Zk5Insert(r)); }
