// The transfer files: written through a temporary file and placed whole,
// alone or as a set, and what a written line shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/platform.h"
#include "run/text.h"

struct RunContext;

// The number a field of a written line shows (decimal point or comma, blanks
// around it, a sign in front; an empty field is 0): what the payroll system
// reads, for the run's hand-over.
double WrittenNumber(std::string_view text);

// Removes the file of the same name from the older hand-over folder
// "..\Transfer\Lohn- und Gehaltsübergabe\"; a missing file is no error.
// A preview deletes nothing there (its files go to its own folder, which is
// TransferDir during a preview).
void DeleteOldTransferFile(const RunContext& ctx, std::string_view fileName);

// A transfer file in TransferDir: Windows-1252 text, every line feed written
// as CR LF. Every write is checked; a file that cannot be written completely
// is never left behind as a successful hand-over.
//
// Whole files only: the lines go into a temporary file in the same folder
// (the name followed by "." and the circle and ".tmp", so that two circles of
// one schema never share it), which is renamed over the file's name only when
// it is complete, flushed and closed. A payroll import that picks the file up
// at any moment sees a whole file or none. On any failure, and when the
// export ends before the file is closed, the temporary file is removed and so
// is the file under the name (an earlier file would have been emptied by
// opening it for writing; it must not be taken for this run's hand-over).
//
// A file of an ExportSet is not renamed on its own, and its failure leaves
// the earlier file of its name as it is: see there.
class ExportSet;
struct ExportFile {
  TextFile File;
  std::string Path;          // as named, with backslashes
  std::string TempPath;      // written here and renamed to Path when complete
  std::string OpenFailure;   // Windows-1252 message when the file cannot be made
  ExportSet* Set = nullptr;  // the hand-over the file belongs to, if it has several files
  int64_t Lines = 0;         // line feeds written
  ExportFile() = default;
  ~ExportFile();
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;
};

// The files of one hand-over of an exporter that writes several (PAISY's P1,
// P3 and P4, SAP's four files, ...). The payroll system imports them as one
// set: a new P1 beside last month's P4 would be imported as a hand-over that
// never was. So the files of the set are closed into their temporary files
// only, and Place() puts all of them under their names at the end of the
// export, when every one of them is complete. Until then nothing of the
// earlier set is touched: the files of an earlier run that the new set does
// not replace (and the copies in the older hand-over folder) are removed only
// when the new set is placed.
//
// When a file of the set cannot be made, written or closed, or the export
// ends in any other way before Place(), every temporary file of the set is
// removed and the earlier set stays as it was, file for file. Only a failure
// of the placing itself (a name taken by a folder, or a file that may not be
// replaced) can come after some names got their new file: then the new files
// already placed and the earlier files of the other names are removed, so
// that no mixture of two hand-overs is left, and the run ends like a failed
// open of that file.
class ExportSet {
 public:
  ExportSet() = default;
  ~ExportSet();
  ExportSet(const ExportSet&) = delete;
  ExportSet& operator=(const ExportSet&) = delete;

  // TransferDir + name (name begins with a backslash) is removed when the set
  // is placed, unless the set writes a file of that name (e.g. a retro file
  // of an earlier run for a date the new run does not have).
  void RemoveWhenPlaced(const RunContext& ctx, std::string_view name);
  // The file of that name in the older hand-over folder is removed when the
  // set is placed (DeleteOldTransferFile; a preview removes nothing there).
  void RemoveOldWhenPlaced(std::string_view fileName);
  // Puts every closed file of the set under its name, then removes the files
  // named for removal. A name that cannot be given its file is handled as
  // described above and ends the process with exit code 1.
  void Place(const RunContext& ctx);
  // Removes the temporary files of the set not placed yet.
  void Discard();

 private:
  friend void ExportFileClose(ExportFile& f);
  struct Closed {
    std::string Path, TempPath, OpenFailure;
    int64_t Lines = 0;
  };
  std::vector<Closed> files_;
  std::vector<std::string> stale_;     // TransferDir paths
  std::vector<std::string> oldNames_;  // file names in the older folder
};

// Temporary name of a transfer file (path with backslashes): the path, ".",
// the circle (characters other than letters, digits, "-" and "_" as "_") and
// ".tmp".
std::string ExportTempPath(const RunContext& ctx, std::string_view path);

// Creates TransferDir + name (name begins with a backslash) through its
// temporary file. When it cannot be opened, or the finished file cannot be
// put under its name, logs openFailure (a UTF-8 message such as
// "Datevdatei kann nicht geoeffnet werden !") and ends the process with exit
// code 1; the settlement was committed before the export. With a set the
// file becomes one of its files.
void ExportFileCreate(const RunContext& ctx, ExportFile& f, std::string_view name, std::string_view openFailure,
                      ExportSet* set = nullptr);
// The same without the failure handling of the open (files whose open is not
// checked); a file that cannot be finished is reported as a write error.
bool ExportFileOpen(const RunContext& ctx, ExportFile& f, std::string_view name, ExportSet* set = nullptr);
// Writes Windows-1252 text. A failed write (disk full) is logged and ends
// the process with exit code 1.
void ExportWrite(ExportFile& f, std::string_view text);
template <class... A>
void ExportWriteF(ExportFile& f, std::string_view fmt, const A&... args) {
  ExportWrite(f, Format(fmt, args...));
}
// Flushes and closes the temporary file and renames it over the file's name
// (a file of a set waits in its temporary file for the set's Place()); a
// failure is handled like a failed write (or, for the rename, like a failed
// open when the file has an open-failure message).
void ExportFileClose(ExportFile& f);
