// Employee statistics (Qvx331Zk2), special balance records, attendance.
#pragma once

#include <string>

#include "calc/calc_state.h"

// Gathers the statistics figures of the employment row and writes the special
// records; runs the interruption count on first rows.
void CalcStatistik(const BsvRow& row, const std::string& akr);
// Forgets the wage-type answers kept for a call (at the start of every call).
void ResetStatistikCache();
// Writes the statistics row of the employment row (accumulating). In interim
// runs the figures are not gathered and the row carries zeros.
void WriteStatistik(const BsvRow& row);
// Attendance in tenths of a day.
double CountAnwesenheit(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& akr);

// Home cost assignment of the employee valid in [von, bis] (first row); the
// fields are taken only on status 0. Also used by the retro-calculation.
[[nodiscard]] int SQL_Qvx311Zuo_Get(const std::string& pnr, const std::string& von, const std::string& bis,
                                    HomeCost& home);
// Day codes of one day: whole-day code, first and second half-day code. The
// texts are cleared first (a NULL code stays empty) and trailing blanks are
// removed. Also used by the day runs of the account transfer.
[[nodiscard]] int SQL_Qvx327Tag_GetCodes(const std::string& pnr, const std::string& day, std::string& tagTgb,
                                         std::string& tagHtv, std::string& tagHtn);
