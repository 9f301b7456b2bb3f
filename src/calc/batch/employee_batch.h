// Data of a batch of employees read ahead: the employee loop reads, for the
// next rows of the employment cursor, the day codes and the day records of
// the period with one statement per kind (when an employee of the batch first
// needs them) and serves the per-day reads of the statistics and of the day
// runs from memory; the other per-employee reads of
// the statistics, the interruption count and the site records (home cost,
// remaining and special leave, balances, booking days, unpaid hours,
// qualifying days before the period, site values, PSYBR target days) are read
// for the batch the same way when first needed. Rows are matched to the
// employees by the comparison key of the personnel number (run/db_key.h). The
// tables read here are not written during a run, so a value read ahead is the
// value a single read would find. Memory is bounded by the batch.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "calc/batch/rows.h"
#include "calc/batch/served.h"

struct RunContext;

// One employee of a batch: the personnel number as the steps put it into
// their statements and its comparison key (run/db_key.h).
struct BatchEmployee {
  std::string Pnr;
  std::string Key;
};

// "'a', 'b', ..." of the employees' personnel numbers, escaped for the
// connection (the IN list of a batch statement).
std::string PnrList(const std::vector<BatchEmployee>& employees);
// A day text as the program formats it (YYYY.MM.DD); other texts are left to
// the database's own conversion and are never served from a batch.
bool PlainDay(const std::string& day);

// Sets up the batch of the employees for the days von..bis (YYYY.MM.DD); the
// day codes and day records are read on first need. A failing read leaves
// that kind out: its reads then go to the database as before and report
// their own status.
void ReadBatch(const std::vector<BatchEmployee>& employees, const std::string& von, const std::string& bis);
void ClearBatch();
// Adds to reads the statements that the batch's reads on first need are
// likely to send for these arguments (the day records, when the last batch
// read them), to be read ahead on the second connection (dbReadAhead of
// run/db.h) while the batch before is calculated.
void BatchReadsAhead(const std::vector<BatchEmployee>& employees, const std::string& von, const std::string& bis,
                     std::vector<std::string>& reads);

// The answers of SQL_Qvx327Tag_GetCodes and SQL_Qvx320Tgb_GetSol when the
// batch covers the employee and the day; false when the database must be asked.
bool BatchTagCodes(const std::string& pnr, const std::string& day, int& status, std::string& tagTgb,
                   std::string& tagHtv, std::string& tagHtn);
bool BatchTgbSol(const std::string& pnr, const std::string& day, int& status, int32_t& sol);
// The same for SQL_Qvx320Tgb_GetMax (period record of the day) and
// SQL_Qvx320Tgb_GetSoll (days von..bis with target time: count and sum).
bool BatchTgbMax(const std::string& pnr, const std::string& day, int& status, double& max);
bool BatchTgbSoll(const std::string& pnr, const std::string& von, const std::string& bis, int& status, double& count,
                  double& sum);

// The other per-employee reads of the statistics, the interruption count and
// the site records. Each kind is read for the whole batch with one statement
// when an employee of the batch first needs it (with the arguments of that
// first read: another period, day or circle goes to the database); a failing
// statement leaves the kind to the single reads. Each function answers as its
// single statement would and returns false when the database must be asked.
//
// SQL_Qvx311Zuo_Get: home cost assignment valid in [von, bis], first row.
bool BatchHome(const std::string& pnr, const std::string& von, const std::string& bis, int& status, HomeCost& home);
// SQL_Qvx332Utg_Get: remaining leave of the newest row up to the day.
bool BatchUtg(const std::string& pnr, const std::string& day, int& status, double& rtg, double& vtg);
// SQL_Qvx332Sfz_Get: special leave of the day.
bool BatchSfz(const std::string& pnr, const std::string& day, int& status, int16_t& ant, int16_t& gen, int16_t& gvv);
// SQL_Qvx320Tgb_GetSaldo1 (balance 1 of the day before the last day of
// [von, bis] with a balance) and GetSaldo2/3 (balance of the last day record
// up to bis); which is 1, 2 or 3.
bool BatchSaldo(int which, const std::string& pnr, const std::string& von, const std::string& bis, int& status,
                int32_t& sa, int32_t& vt);
// SQL_Qvx320Tgb_HasSoll: a day record with target time on the day.
bool BatchHasSoll(const std::string& pnr, const std::string& day, int& status);
// PSYBR: SQL_Qvx329Ztg_Open (days von..bis of the working-time model with a
// target time, ascending, with that target time) and
// SQL_Qvx327Tag_HasPresence (a presence mark on the day).
bool BatchZtg(const std::string& pnr, const std::string& von, const std::string& bis,
              std::vector<std::pair<std::string, double>>& rows);
bool BatchHasPresence(const std::string& pnr, const std::string& day, int& status);
// The days von..bis (ascending) with bookings on accounts of the circle with
// Lu1Sts code 102, 103 or 104, as the day cursors of the statistics deliver
// them; SQL_Qvx331Zkb_HasBooking103; SQL_Qvx331Zkb_SumUns (the sum stays as
// it is when no booking counts).
bool BatchTage(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& akr,
               int16_t code, std::vector<std::string>& days);
bool BatchHasBooking103(const std::string& pnr, const std::string& day, const std::string& akr, int& status);
bool BatchSumUns(const std::string& akr, const std::string& pnr, const std::string& von, const std::string& bis,
                 int& status, double& sum);
// Interruption count: the qualifying days (whole target time unpaid) of
// [von, bis] with the days since the previous one (the first against
// 9999.01.01); the six qualifying days before the day, newest first, with the
// days to the one before (the first to the day); the days with target time
// strictly between two days.
bool BatchUnb(const std::string& pnr, const std::string& von, const std::string& bis,
              std::vector<std::pair<std::string, int32_t>>& rows);
bool BatchUnbBack(const std::string& pnr, const std::string& day, std::vector<std::pair<std::string, int32_t>>& rows);
bool BatchSollBetween(const std::string& pnr, const std::string& from, const std::string& to, int& status,
                      int32_t& count);
// Site values (Qvx331Zks) of [von, bis] in the order of the single cursor.
bool BatchZks(const std::string& pnr, const std::string& von, const std::string& bis,
              std::vector<std::pair<std::string, double>>& rows);

// The employment rows of an employee loop, read ahead in batches: each time
// the rows read ahead are used up, the next rows (at most kBatchRows) are
// fetched and the batch of their employees is read for the days von..bis.
// Next gives the rows and at the end the fetch's own last status, exactly as
// the fetch alone would; rows of other personnel numbers than the filter's
// (when one is set) are not read ahead.
class BsvAhead {
 public:
  static constexpr size_t kBatchRows = 200;
  // followNr: the following-month number of the settlement call, 0 for a
  // main call (calc/batch/bookings.h).
  // ctx: the run's context, whose interface and kind of settlement the
  // batch's bookings are read for.
  BsvAhead(const RunContext& ctx, std::function<int(BsvRow&)> fetch, std::string von, std::string bis,
           std::string pnrFilter, int16_t followNr);
  ~BsvAhead();
  BsvAhead(const BsvAhead&) = delete;
  BsvAhead& operator=(const BsvAhead&) = delete;
  int Next(BsvRow& row);

 private:
  const RunContext& ctx_;
  std::function<int(BsvRow&)> fetch_;
  std::string von_, bis_, filter_;
  int16_t followNr_ = 0;
  int Take(std::deque<BsvRow>& rows, std::vector<BatchEmployee>& employees);
  std::deque<BsvRow> rows_;
  int last_ = 0;  // status of the fetch that ended the cursor, 0 while rows remain
  // the following batch, taken from the cursor when this one was read
  bool haveNext_ = false;
  std::deque<BsvRow> nextRows_;
  std::vector<BatchEmployee> nextEmployees_;
  int nextLast_ = 0;
};
