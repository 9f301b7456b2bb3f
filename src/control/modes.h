// Extra modes of the command line, after the five positional arguments and
// the optional /P filter (the calling application never passes them):
//   --preview <folder>  the whole run, rolled back at its end; files go into
//                       the folder; exit code 0 when it ran to its end, else 1
//   --check             lists problems of configuration and data; exit code 0
//                       when nothing is found, 2 when something is
#pragma once

#include <string>
#include <vector>

// Reads the modes from the arguments (as given, before any cut) into Ctx and
// logs the start of a preview. False when the arguments are faulty (logged).
bool ParseModes(const std::vector<std::string>& argv);

// Preview: creates the folder (one level) and makes it the run's transfer
// directory. False when it cannot be created (logged).
bool UsePreviewFolder();

// End of every run: writes the reconciliation report (runs and previews that
// got connected), rolls a preview back and logs its end; returns the exit
// code of the process.
int FinishRun(int code);
