// Interruption count: runs of unpaid target-time days.
#pragma once

#include <cstdint>
#include <string>

#include "calc/calc_state.h"

// Counts the interruptions of the employee in the period AbrVon..AbrBis and
// writes the interruption record (Zk1Sts 112) when there are any. Uses the
// interruption wage type, the home cost assignment, Zk1Bdt and the employment
// row of the calculation state.
void CountUnterbrechungen(const RunContext& ctx, CalcState& calc, const std::string& pnr);

// The count alone, for any period [von, bis] (the retro-calculation writes
// its own record). A qualifying day is a day whose whole target time is
// unpaid; days without target time do not break a run. Logs every break;
// looks back into the days before von unless von lies in January.
int32_t CountUnterbrechungenIn(const std::string& pnr, const std::string& von, const std::string& bis);
