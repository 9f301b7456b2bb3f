// Settlement run of one accounting circle and period: old results cleared,
// record types and interruption wage type read, and the employee loop over the
// employment records with the per-employee steps.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "calc/account_transfer.h"
#include "calc/calc_state.h"
#include "calc/employment.h"
#include "run/db.h"

// akr: circle of the run (switched for one employment row at most, restored
// after it); abrnrCalc: the accounting number whose period AbrVon..AbrBis is
// calculated (records are written under Abrnr of RunContext); folgeNr: Lu1Flg
// of a following-month call; folgemonat: 0 main call, 1 following-month call.
// Returns the status of closing the employee cursor.
// transferAnswers: the answers of the account transfer's look-ups, begun
// anew for the call and kept for the retro-calculations after it.
int CalcAbrnr(RunContext& ctx, CalcState& calc, const std::string& akr, int32_t abrnrCalc, int16_t folgeNr,
              int16_t folgemonat, TransferAnswers& transferAnswers);

// Employment beginning at the end of the period [von, bis] or later: decides
// by the circle of the employee's employment in the period. Returns false
// when the row is passed over (lastPnr cleared, so that the older row that
// follows counts as the first row); when the employee belonged to another
// circle, akr and the interface record of RunContext switch to that circle
// (lugErrorMessage logs a failed read of it).
bool TakeLateEntry(RunContext& ctx, const BsvRow& row, const std::string& von, const std::string& bis, std::string& akr,
                   std::string& lastPnr, const char* lugErrorMessage);

// Record types of the payroll system into calc.RecordTypes (at most 5). A
// table that cannot be read (-1) ends the run: with no record types nothing
// would be calculated, and the retro-calculation's difference step would
// reverse every value handed over for the number. reportNone: an empty table
// is logged (the settlement does, the retro-calculation does not).
void ReadSatzarten(CalcState& calc, const std::string& lugLgp, bool reportNone = true);

[[nodiscard]] int SQL_Qvx170Lg1_Open(SqlCursor& lg1, const std::string& lugLgp);
[[nodiscard]] int SQL_Qvx170Lg1_Fetch(SqlCursor& lg1, RecordType& t);
[[nodiscard]] int SQL_Qvx170Lg1_Close(SqlCursor& lg1);
[[nodiscard]] int SQL_Qvx171Lu1_GetUnterbrechung(const std::string& lugLug, const std::string& von,
                                                 const std::string& bis, InterruptionType& it);
// Employment rows of the circle overlapping [von, mainBis], per employee
// newest first, with the special-leave model (calc/employment.h).
[[nodiscard]] int SQL_Qvx310Bsv_Open(EmploymentCursor& bsv, const std::string& akr, const std::string& mainBis,
                                     const std::string& von, bool lugOnly);
// Also derives Zk1Upn: BsvLug, or BsvPnr when BsvLug is empty and the run is not LuG-only.
[[nodiscard]] int SQL_Qvx310Bsv_Fetch(EmploymentCursor& bsv, BsvRow& row);
[[nodiscard]] int SQL_Qvx310Bsv_Close(EmploymentCursor& bsv);
// Circle of the employee's newest employment overlapping [von, bis].
[[nodiscard]] int SQL_Qvx310Bsv_GetAkr(const std::string& pnr, const std::string& von, const std::string& bis,
                                       std::string& akr);

// Leaves the employee of the row out when a text that identifies it cannot be
// used (BsvRow::RefusedField, or a wage type of refusedLna): one log line
// naming the person and the field, the text shown with <U+XXXX>, and a
// record of the run's report. Later rows of the same employee are passed
// over (refusedKey: the key of the employee left out last). Returns true
// when the row is passed over.
bool RefuseEmployee(const BsvRow& row, const std::map<std::string, std::string>& refusedLna, std::string& refusedKey);

// Employees (key of the personnel number) with bookings in [von, bis] on an
// account whose wage-type line of the interface has a wage type that
// Windows-1252 cannot hold, with that wage type as log lines show it. The
// server compares; one statement per settlement call.
[[nodiscard]] int SQL_Qvx171Lu1_RefusedLna(const std::string& lugLug, const std::string& von, const std::string& bis,
                                           std::map<std::string, std::string>& refused);

// Notes that an employee of the circle was not calculated, with the reason
// (UTF-8 literal), each once, in the hand-over's Skipped: the run's report
// lists them in the order met.
void ReportSkipped(RunContext& ctx, const std::string& pnr, const char* utf8Reason);
