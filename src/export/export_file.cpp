#include "export/export_file.h"

#include <cstdlib>

#include "run/context.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

// Older hand-over folder; the files of the current run are written to TransferDir.
constexpr char kOldFolder[] = "..\\Transfer\\Lohn- und Gehaltsübergabe\\";

// Neither the temporary file nor a file under the name is left: an earlier
// file of the name would have been emptied by opening it for writing, and
// must not be imported as this run's hand-over. The file of a set leaves the
// earlier file of its name, which belongs to the earlier set kept whole.
void DiscardExportFile(ExportFile& f) {
  f.File.Close();
  if (!f.TempPath.empty()) RemoveFile(f.TempPath);
  if (!f.Set && !f.Path.empty()) RemoveFile(f.Path);
  f.TempPath.clear();
}

[[noreturn]] void WriteFailed(ExportFile& f) {
  DiscardExportFile(f);
  // a failed file ends the whole set: none of its files is handed over
  if (f.Set) f.Set->Discard();
  Log("Schreibfehler in Datei %s, Übergabe abgebrochen !", f.Path);
  EndProcess(1);
}

[[noreturn]] void PlaceFailed(const std::string& path, const std::string& openFailure) {
  if (openFailure.empty()) Log("Schreibfehler in Datei %s, Übergabe abgebrochen !", path);
  else Log("%s", openFailure);
  EndProcess(1);
}

}  // namespace

double WrittenNumber(std::string_view text) {
  std::string t;
  for (char c : text) {
    if (c == ',') c = '.';
    if (c != ' ') t += c;
  }
  if (t.empty()) return 0;
  return std::strtod(t.c_str(), nullptr);
}

void DeleteOldTransferFile(const RunContext& ctx, std::string_view fileName) {
  if (ctx.Preview) return;  // a preview touches no file of a real hand-over
  std::string path = Cp1252(kOldFolder);
  path += fileName;
  RemoveFile(path);
}

std::string ExportTempPath(const RunContext& ctx, std::string_view path) {
  std::string temp(path);
  temp += '.';
  for (char c : ctx.Akr) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    temp += plain ? c : '_';
  }
  temp += ".tmp";
  return temp;
}

bool ExportFileOpen(const RunContext& ctx, ExportFile& f, std::string_view name, ExportSet* set) {
  f.Path = ctx.TransferDir;
  f.Path += name;
  f.TempPath = ExportTempPath(ctx, f.Path);
  f.Set = set;
  if (f.File.Open(f.TempPath, "w")) return true;
  DiscardExportFile(f);
  return false;
}

void ExportFileCreate(const RunContext& ctx, ExportFile& f, std::string_view name, std::string_view openFailure,
                      ExportSet* set) {
  f.OpenFailure = Cp1252(openFailure);
  if (ExportFileOpen(ctx, f, name, set)) return;
  if (set) set->Discard();
  Log("%s", f.OpenFailure);
  EndProcess(1);
}

void ExportWrite(ExportFile& f, std::string_view text) {
  if (!f.File.Write(text)) WriteFailed(f);
  for (char c : text) f.Lines += c == '\n';
}

void ExportFileClose(ExportFile& f) {
  if (!f.File.Close()) WriteFailed(f);
  if (f.Set) {
    // complete; it waits for the other files of the set
    f.Set->files_.push_back({f.Path, f.TempPath, f.OpenFailure, f.Lines});
    f.TempPath.clear();
    return;
  }
  if (RenameFile(f.TempPath, f.Path) != 0) {
    DiscardExportFile(f);
    PlaceFailed(f.Path, f.OpenFailure);
  }
  f.TempPath.clear();
  HandedOverFilePlaced(f.Path, f.Lines);
}

ExportFile::~ExportFile() {
  // a file that was not finished (the export ended early) is not handed over
  if (!TempPath.empty()) DiscardExportFile(*this);
}

ExportSet::~ExportSet() {
  // the export ended before the set was placed
  Discard();
}

void ExportSet::RemoveWhenPlaced(const RunContext& ctx, std::string_view name) {
  std::string path = ctx.TransferDir;
  path += name;
  stale_.push_back(std::move(path));
}

void ExportSet::RemoveOldWhenPlaced(std::string_view fileName) { oldNames_.emplace_back(fileName); }

void ExportSet::Discard() {
  for (const Closed& f : files_) RemoveFile(f.TempPath);
  files_.clear();
}

void ExportSet::Place(const RunContext& ctx) {
  // the files of the earlier run that no new file replaces go first, so that
  // a new file never stands beside one of them
  for (const std::string& path : stale_) {
    bool replaced = false;
    for (const Closed& f : files_) replaced = replaced || f.Path == path;
    if (!replaced) RemoveFile(path);
  }
  for (size_t i = 0; i < files_.size(); ++i) {
    if (RenameFile(files_[i].TempPath, files_[i].Path) == 0) continue;
    // the names before this one hold new files, the ones after it the
    // earlier files: neither part is a hand-over
    for (size_t j = 0; j < files_.size(); ++j) {
      if (j >= i) RemoveFile(files_[j].TempPath);
      RemoveFile(files_[j].Path);
    }
    Closed failed = files_[i];
    files_.clear();
    PlaceFailed(failed.Path, failed.OpenFailure);
  }
  for (const Closed& f : files_) HandedOverFilePlaced(f.Path, f.Lines);
  files_.clear();
  for (const std::string& name : oldNames_) DeleteOldTransferFile(ctx, name);
}
