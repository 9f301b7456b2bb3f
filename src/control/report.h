// Reconciliation report of a run: one self-contained HTML page beside the run
// log (Windows-1252, printable: heads repeat on every page) and a summary of
// the same figures for programs (JSON, UTF-8). Both show what the exporter
// wrote, what was left out and why, and what the settlement and the retro
// calculation computed. A real run writes "lug_<schema>_<circle>_<number>",
// a preview "..._vorschau" and a check "..._pruefung", so that a preview or a
// check never replaces the report of the hand-over.
#pragma once

#include <string>

struct RunContext;

// Path of the report of the current run (next to the run log), without the
// extension ".html" or ".json".
std::string ReportBasePath(const RunContext& ctx);

// Writes the report and the summary as the run stands now (before a preview
// is rolled back); completed: the run reached its normal end; exitCode: the
// exit code of the run.
void WriteRunReport(const RunContext& ctx, bool completed, int exitCode);
