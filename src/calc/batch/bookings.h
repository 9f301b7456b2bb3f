// The bookings of a batch of employees read ahead: for the employees of the
// employment rows read ahead (calc/batch/employee_batch.h) the account transfer's month
// sums (at once), daily bookings and day codes of the period (when an
// employee of the batch first needs them) are read with one statement each,
// and its per-employee cursors are served from memory. The tables read here
// (bookings, day codes, wage-type lines, circles) are not written during a
// run.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "calc/batch/employee_batch.h"
#include "calc/batch/rows.h"

// Reads the batch for the days von..bis under the run's interface and
// settlement kind as they are in RunContext now. followNr is the
// following-month number of the settlement call (0 for a main call): a
// following month takes only the accounts that have a wage-type line of that
// number, so only their month sums are read. A read that fails leaves that
// kind of data out: its cursors then go to the database as before.
void ReadBookingBatch(const RunContext& ctx, const std::vector<BatchEmployee>& employees, const std::string& von,
                      const std::string& bis, int16_t followNr = 0);
void ClearBookingBatch();
// Adds to reads the statements that ReadBookingBatch and the batch's reads
// on first need are likely to send for these arguments, to be read ahead on
// the second connection (dbReadAhead of run/db.h) while the batch before is
// calculated: the bookings of a main call, the month sums of a following
// month (for the accounts the batch before read them for), and the day codes
// when the batch before read them.
void BookingBatchReadsAhead(const RunContext& ctx, const std::vector<BatchEmployee>& employees, const std::string& von,
                            const std::string& bis, int16_t followNr, std::vector<std::string>& reads);

// The rows SQL_Qvx331Zkb_OpenMonat would give, when the batch holds them;
// for a following-month number only those of its accounts.
bool BatchMonat(const RunContext& ctx, const std::string& pnr, const std::string& von, const std::string& bis,
                int16_t lfn, const std::string& lugLug, int16_t followNr, std::vector<ZkbMonat>& rows);
// The rows of SQL_Qvx331Zkb_OpenTag (daily bookings of an account) and of
// SQL_Qvx331Zkb_OpenFolge (of an account and cost centre and unit); the keys
// are those of the texts as the server compares them.
bool BatchTag(const std::string& pnr, const std::string& zktKey, const std::string& von, const std::string& bis,
              std::vector<ZkbTag>& rows);
bool BatchFolge(const std::string& pnr, const std::string& zktKey, const std::string& kstKey, const std::string& ktrKey,
                const std::string& von, const std::string& bis, int16_t ztr, std::vector<ZkbTag>& rows);

// A wage-type line of a circle's interface: the key of its account, Lu1Art
// and Lu1Sts (-1 for NULL).
struct CircleLine {
  std::string ZtkKey;
  int16_t Art = -1, Sts = -1;
};
// The lines of the interface of the circle akr (read once per batch), or
// nullptr when they cannot be read.
const std::vector<CircleLine>* BatchCircleLines(const std::string& akr);
// The daily bookings (ZkbZtr 1) of the batch (the employees of list, the IN
// list of PnrList) for exactly the days von..bis, by employee key, each
// employee's in the order of account, day, cost centre, unit and cost type;
// nullptr when the batch does not hold them.
const std::map<std::string, std::vector<ZkbTag>>* BatchDailyRows(const std::string& list, const std::string& von,
                                                                 const std::string& bis);

// A row of the day codes (Qvx327Tag) of the batch's days; a NULL code is kept
// apart from an empty one, as the server's DISTINCT keeps them apart.
struct DayCodeRow {
  std::string Day, Tgb, Htv, Htn, HtvKey, HtnKey;
  bool TgbNull = false, HtvNull = false, HtnNull = false;
};
// Every day code row of the batch (the employees of list, the IN list of
// PnrList) for exactly the days von..bis, by employee key, each employee's by
// day; read once when first needed. nullptr when the batch does not hold them.
const std::map<std::string, std::vector<DayCodeRow>>* BatchDayCodes(const std::string& list, const std::string& von,
                                                                    const std::string& bis);

// One row of SQL_Qvx327Tag_OpenPruef.
struct PruefRow {
  std::string Day, Htv, Htn, HtvKey, HtnKey;
};
// The rows of SQL_Qvx327Tag_OpenPruef (in no particular order, as there).
bool BatchPruef(const std::string& pnr, const std::string& zktKey, const std::string& kstKey, const std::string& von,
                const std::string& bis, const std::string& akr, const std::string& ktrKey, std::vector<PruefRow>& rows);
