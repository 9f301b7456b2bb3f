// Data of a batch of employees read ahead: the employee loop reads, for the
// next rows of the employment cursor, the day codes and the day records of
// the period with one statement per kind and serves the per-day reads of the
// statistics and of the day runs from memory. The tables read here are not
// written during a run, so a value read ahead is the value a single read
// would find.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "calc/calcstate.h"

// One employee of a batch: the personnel number as the steps put it into
// their statements and its comparison key (run/dbkey.h).
struct BatchEmployee {
  std::string Pnr;
  std::string Key;
};

// Reads the day codes and day records of the employees for the days von..bis
// (YYYY.MM.DD). A failing read leaves the batch empty: every read then goes
// to the database as before and reports its own status.
void ReadBatch(const std::vector<BatchEmployee>& employees, const std::string& von, const std::string& bis);
void ClearBatch();

// The answers of SQL_Qvx327Tag_GetCodes and SQL_Qvx320Tgb_GetSol when the
// batch covers the employee and the day; false when the database must be asked.
bool BatchTagCodes(const std::string& pnr, const std::string& day, int& status, std::string& tagTgb,
                   std::string& tagHtv, std::string& tagHtn);
bool BatchTgbSol(const std::string& pnr, const std::string& day, int& status, int32_t& sol);
// The same for SQL_Qvx320Tgb_GetMax (period record of the day) and
// SQL_Qvx320Tgb_GetSoll (days von..bis with target time: count and sum).
bool BatchTgbMax(const std::string& pnr, const std::string& day, int& status, double& max);
bool BatchTgbSoll(const std::string& pnr, const std::string& von, const std::string& bis, int& status,
                  double& count, double& sum);

// The employment rows of an employee loop, read ahead in batches: each time
// the rows read ahead are used up, the next rows (at most kBatchRows) are
// fetched and the batch of their employees is read for the days von..bis.
// Next gives the rows and at the end the fetch's own last status, exactly as
// the fetch alone would; rows of other personnel numbers than the filter's
// (when one is set) are not read ahead.
class BsvAhead {
public:
  static constexpr size_t kBatchRows = 200;
  BsvAhead(int (*fetch)(BsvRow&), std::string von, std::string bis, std::string pnrFilter);
  ~BsvAhead();
  BsvAhead(const BsvAhead&) = delete;
  BsvAhead& operator=(const BsvAhead&) = delete;
  int Next(BsvRow& row);

private:
  int (*fetch_)(BsvRow&);
  std::string von_, bis_, filter_;
  std::deque<BsvRow> rows_;
  int last_ = 0;  // status of the fetch that ended the cursor, 0 while rows remain
};
