// Check of a circle before a hand-over: reads its configuration and the data
// of the period and lists what would stop values from reaching payroll.
// Nothing is settled or written.
#pragma once

#include <string>
#include <vector>

#include "run/context.h"

// The problems of the run's circle Akr for its accounting number Abrnr (and
// its retro periods). probeTransferDir: whether the transfer directory is
// tried for writing (a probe file is created and removed at once).
std::vector<CheckFinding> CheckCircle(const RunContext& ctx, bool probeTransferDir);

// The check mode of the program: logs and prints one line per problem and
// keeps the findings in the hand-over (CheckFindings) for the check's report.
// Returns the exit code: 0 when nothing was found, 2 when something was.
int RunCheck(RunContext& ctx);
