#include "run/run_log.h"

#include <algorithm>
#include <cstdio>

#include "run/context.h"
#include "run/exit.h"
#include "run/platform.h"

namespace {
// What the run's log keeps between its lines. The process runs one run at a
// time and has one of these.
struct RunLogState {
  std::string EndPath;  // the run log whose end is known
  long End = -1;
  std::string* Capture = nullptr;
  // The run's log stays open between its lines where the platform can tell
  // that the path still names it (each line is flushed, so the file is
  // complete after every line); elsewhere it is opened for each line.
  TextFile File;
  std::string FilePath;
  // the last two messages of the run's log, latest last
  std::string PreviousMessage, LastMessage;
};
RunLogState& TheRunLog() {
  static RunLogState log;
  return log;
}

void Remember(std::string_view message) {
  TheRunLog().PreviousMessage = std::move(TheRunLog().LastMessage);
  TheRunLog().LastMessage = message;
}
}  // namespace

void CloseRunLog() {
  TheRunLog().File.Close();
  TheRunLog().FilePath.clear();
}

namespace {
// The full log is put aside as its newest generation, unless another run of
// the same log has done so since this line went in. Where it cannot be
// renamed (another process holds it open, no right to rename), the run writes
// on at its end and tries no more: every try would move the generations on.
void PutAside(RunContext& run, const std::string& path) {
  if (run.LogKeptFull || FileSize(path) <= kLogLimit) return;
  RotateLog(path);
  if (FileSize(path) > kLogLimit) {
    run.LogKeptFull = true;
    return;
  }
  WriteLog(path, Format(Cp1252("Protokoll über 10 MiB, die Zeilen davor stehen in %s_1.txt"),
                        path.substr(0, path.size() - 4)));
}

// The end of a run that wrote more than its log's generations hold.
[[noreturn]] void EndOverflowedRun(TextFile& f, bool runLog) {
  f.Write(Cp1252("Abbruch wegen LogFile-Überlaufs !!"));
  if (runLog) {
    Remember(Cp1252("Abbruch wegen LogFile-Überlaufs !!"));
    CloseRunLog();
    AttachedRun().LogOverflowed = true;
    AbortForLogOverflow();
  }
  f.Close();
  EndProcess(1);
}
}  // namespace

void WriteLog(const std::string& path, std::string_view message) {
  RunContext& run = AttachedRun();
  const bool runLog = path == run.LogPath;
  if (runLog && run.LogOverflowed) return;
  if (TheRunLog().Capture && runLog) {
    for (char c : message) {
      if (c == '\n') *TheRunLog().Capture += '\r';
      *TheRunLog().Capture += c;
    }
    *TheRunLog().Capture += "\r\n";
    return;
  }
  TextFile other;
  TextFile& f = runLog ? TheRunLog().File : other;
  long size = -1;  // of the log held open, before this line
  if (!runLog || TheRunLog().FilePath != path || !f.StillAt(path, &size)) {
    if (runLog) CloseRunLog();
    if (!f.Open(path, "a")) return;
    if (runLog) TheRunLog().FilePath = path;
    size = -1;
  }
  f.Write(message);
  f.Write("\n");
  // every line of the log held open is flushed, so its end is the size it had
  // and this line (each line feed written as CR LF); else the file says it
  const long line = static_cast<long>(message.size() + std::count(message.begin(), message.end(), '\n')) + 2;
  long end;
  if (size >= 0 && f.Flush()) {
    end = size + line;
  } else {
    end = f.Position();
  }
  if (runLog) {
    TheRunLog().EndPath = path;
    TheRunLog().End = end;
    run.LogWritten += line;
  }
  // A log filled by earlier runs, or by other runs writing to it at the same
  // time, goes on as a new file; a run that alone writes more than the
  // generations keep would push its own first lines out of them, and ends.
  if (runLog && run.LogWritten > kRunLogLimit) EndOverflowedRun(f, true);
  if (end > kLogLimit) {
    if (!runLog) EndOverflowedRun(f, false);
    CloseRunLog();
    PutAside(run, path);
    return;
  }
  if (runLog && (f.Failed() || !TextFile::kCanTellPath)) CloseRunLog();
}

long RunLogEnd() { return TheRunLog().EndPath == AttachedRun().LogPath ? TheRunLog().End : -1; }

std::string* CaptureRunLog(std::string* sink) {
  std::string* previous = TheRunLog().Capture;
  TheRunLog().Capture = sink;
  return previous;
}

std::vector<std::pair<long, long>> InsertIntoRunLog(const std::vector<std::pair<long, std::string>>& inserts) {
  std::vector<std::pair<long, long>> placed;
  if (inserts.empty()) return placed;
  const std::string& path = AttachedRun().LogPath;
  CloseRunLog();
  std::string text;
  long first = -1;
  if (std::FILE* in = OpenFile(path, "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
    std::fclose(in);
  }
  // the new text from the first place on
  std::string tail, atEnd;
  long from = static_cast<long>(text.size());
  for (const auto& [at, t] : inserts) {
    bool lineStart = at >= 0 && at <= static_cast<long>(text.size()) && (at == 0 || text[at - 1] == '\n');
    if (lineStart && (first < 0 || at >= from)) {
      if (first < 0) first = at;
      else tail.append(text, from, at - from);
      tail += t;
      placed.emplace_back(at, static_cast<long>(t.size()));
      from = at;
    } else {
      atEnd += t;
    }
  }
  if (first < 0) {
    first = static_cast<long>(text.size());
    from = first;
  }
  tail.append(text, from, std::string::npos);
  tail += atEnd;
  std::FILE* out = OpenFile(path, "r+b");
  if (!out) return {};
  if (std::fseek(out, first, SEEK_SET) == 0) std::fwrite(tail.data(), 1, tail.size(), out);
  long end = std::ftell(out);
  std::fclose(out);
  if (path == TheRunLog().EndPath) TheRunLog().End = end;
  return placed;
}

void RotateLog(const std::string& path) {
  if (path == TheRunLog().FilePath) CloseRunLog();
  if (path == TheRunLog().EndPath) TheRunLog().EndPath.clear();
  if (path.size() < 4) return;
  std::string base = path.substr(0, path.size() - 4);
  auto gen = [&](int n) { return Format("%s_%d.txt", base, n); };
  RemoveFile(gen(9));
  for (int n = 8; n >= 1; --n) RenameFile(gen(n), gen(n + 1));
  RenameFile(path, gen(1));
}

std::string LogFormatText(std::string_view utf8Format) { return Cp1252(utf8Format); }

void WriteRunLog(std::string_view message) {
  Remember(message);
  WriteLog(AttachedRun().LogPath, message);
}

std::pair<std::string, std::string> LastRunLogMessages() {
  return {TheRunLog().PreviousMessage, TheRunLog().LastMessage};
}
