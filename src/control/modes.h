// Extra modes of the command line, after the five positional arguments and
// the optional /P filter (the calling application never passes them):
//   --preview <folder>  the whole run, rolled back at its end; files go into
//                       the folder; exit code 0 when it ran to its end, else 1
//   --check             lists problems of configuration and data; exit code 0
//                       when nothing is found, 2 when something is
// A mistake among them ends the call before anything is touched (driver).
#pragma once

#include <string>
#include <vector>

struct RunContext;

// What the arguments after the positional ones ask for, read without touching
// anything. Mistake (Windows-1252) names the first console mistake among them: an
// unknown option (anything beginning with '-' or '/' other than the filter
// /P<Pnr> right after Mode), --preview without a folder, --preview together
// with --check. Other further arguments are ignored.
struct ModeRequest {
  bool Check = false;
  bool Preview = false;
  std::string PreviewDir;
  std::string Mistake;
};
ModeRequest ReadModes(const std::vector<std::string>& argv);

// Puts the modes of a call without mistakes into the run's context and logs the start of a
// preview.
void StartModes(RunContext& ctx, const ModeRequest& modes);

// Preview: creates the folder (one level) and makes it the run's transfer
// directory. False when it cannot be created (logged).
bool UsePreviewFolder(RunContext& ctx);

// End of every run: writes the reconciliation report (runs and previews that
// got connected), rolls a preview back and logs its end; returns the exit
// code of the process.
int FinishRun(const RunContext& ctx, int code);
