// Reconciliation report: one self-contained HTML page per run beside the run
// log ("lug_<schema>_<circle>_<number>.html", Windows-1252), showing what was
// handed over, what was left out and why.
#pragma once

#include <string>

// Path of the report of the current run (next to the run log).
std::string ReportPath();

// Writes the report from the run's transfer records as they stand now (before
// a preview is rolled back); completed: the run reached its normal end;
// exitCode: the exit code of the run.
void WriteRunReport(bool completed, int exitCode);
