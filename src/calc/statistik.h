// Employee statistics (Qvx331Zk2), special balance records, attendance.
#pragma once

#include <string>

#include "calc/calcstate.h"

// Gathers the statistics figures of the employment row and writes the special
// records; runs the interruption count on first rows.
void CalcStatistik(const BsvRow& row, const std::string& akr);
// Writes the statistics row of the employment row (accumulating).
void WriteStatistik(const BsvRow& row);
// Attendance in tenths of a day.
double CountAnwesenheit(const std::string& pnr, const std::string& von, const std::string& bis,
                        const std::string& akr);
