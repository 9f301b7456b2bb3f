// The wage-type settings of a transfer record (Qvx171Lu1) and the settings of
// a record kind (Qvx170Lg1).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "export/transfer_record.h"

struct RunContext;

// Settings of the wage-type line (Qvx171Lu1) that matches a transfer record.
struct Lu1Line {
  std::string Lu1Gvo;  // valid from, YYYY.MM.DD (DATEV's lookup and the cached lookup)
  int16_t Lu1Kst = 0;  // 0: the cost centre is not handed over
  int16_t Lu1Ktr = 0;  // 0: the cost unit is not handed over
  int16_t Lu1Krt = 0;  // 0: the cost type is not handed over
  double Lu1Mog = 0;   // factor (0: none)
  int16_t Lu1Fkt = 0;
  int16_t Lu1Bau = 0;  // 1: the value is an amount, not hours
};

// Shared wage-type lookup: the lines of the interface lugLug for the record's
// kind (Zk1Stz), account (Zk1Zkt) and wage type (Zk1Lna) that are valid at the
// booking date Zk1Bdt (YYYY.MM.DD), newest first. Fetch only when the open
// returned 0; close in any case. A fetch fills the fields of line that the
// lookup reads; a line that is not found leaves the caller's presets.
[[nodiscard]] int SQL_Qvx171Lu1_OpenLna(SqlCursor& cursor, const std::string& lugLug, const TransferRecord& r);
[[nodiscard]] int SQL_Qvx171Lu1_FetchLna(SqlCursor& cursor, Lu1Line& line);
[[nodiscard]] int SQL_Qvx171Lu1_CloseLna(SqlCursor& cursor);
// Open, fetch (when the open succeeded) and close in one call, into line.
// Returns the open status when it is not 0, else the fetch status (0 = line
// found).
int WageTypeLookup(const std::string& lugLug, const TransferRecord& r, Lu1Line& line);

// Settings of a record kind for a payroll system (Qvx170Lg1); a missing row
// leaves them 0.
struct Lg1Flags {
  int16_t Lg1Stt = 0;  // 0: the tax days are not handed over with this kind
  int16_t Lg1Svt = 0;  // 0: the insurance days are not handed over
  int16_t Lg1Zes = 0;  // 0: the hours of the person are not handed over
  int16_t Lg1P4A = 0;
};
[[nodiscard]] int SQL_Qvx170Lg1_Get(const std::string& lgp, const std::string& stz, Lg1Flags& flags);

// Wage-type lines read during one export: all lines of one kind, account and
// wage type are read once (newest validity first; the interface is the same
// for the whole export and the lines do not change during the run), and the
// line valid at a record's booking date is taken from memory.
struct WageTypeCache {
  std::map<std::string, std::vector<Lu1Line>> Lines;
};
// The shared lookup through the cache: 0 with the settings of the newest line
// valid at the booking date Zk1Bdt (YYYY.MM.DD) in line (columns that are NULL
// in the table are 0); 1032 when no line is valid then, line keeping the
// caller's presets; the status of a failed read otherwise (not kept, so the
// next record reads again).
int CachedWageTypeLookup(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& line);
// A wage-type line that could not be read (a status other than 0 and 1032) is
// no missing line: handed over with the presets, the record would carry cost
// fields or values that its line may not allow. True for such a status: the
// failure is logged with message (the status fills its %d), the record is
// left out and listed with its person, wage type and values in the run's
// report, and -1 ends the run with AbortRun(60). False for 0 and 1032.
inline constexpr char kWageTypeReadFailure[] = "Fehler beim Lesen Qvx171Lu1: %d";
bool LeftOutForUnreadLine(RunContext& ctx, int status, const TransferRecord& r,
                          const char* message = kWageTypeReadFailure);
// The cached lookup that answers its own failures: the status of
// CachedWageTypeLookup; 0 when a line is valid for the record (line then holds
// its settings), 1032 when none is (line keeps the caller's presets). Any other
// status has left the record out (LeftOutForUnreadLine); the failed read is not
// kept, so the next record reads again.
int FindWageTypeLine(RunContext& ctx, WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r,
                     Lu1Line& line);
