// Check of a circle before a hand-over: reads its configuration and the data
// of the period and lists what would stop values from reaching payroll.
// Nothing is settled or written.
#pragma once

#include <string>
#include <vector>

// One problem found: a short kind (for the report) and the message line
// (Windows-1252).
struct CheckFinding {
  std::string Kind;
  std::string Text;
};

// The problems of the circle Ctx.Akr for the accounting number Ctx.Abrnr (and
// its retro periods). probeTransferDir: whether the transfer directory is
// tried for writing (a probe file is created and removed at once).
std::vector<CheckFinding> CheckCircle(bool probeTransferDir);

// The findings of the last RunCheck, for the check's report.
const std::vector<CheckFinding>& LastCheckFindings();

// The check mode of the program: logs and prints one line per problem.
// Returns the exit code: 0 when nothing was found, 2 when something was.
int RunCheck();
