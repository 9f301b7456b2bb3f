// Run log: one Windows-1252 text file, one message per line, CR LF.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/text.h"

// Largest size of the log after a line; a log that grows past it is put
// aside as its newest generation (RotateLog) and a new one begun.
inline constexpr long kLogLimit = 10485760;
// Most a single run writes to its log: what the current log and its nine
// generations hold. A run that writes more ends with
// "Abbruch wegen LogFile-Überlaufs !!" (AbortForLogOverflow).
inline constexpr long kRunLogLimit = 9 * kLogLimit;

// Appends message and a line feed. A log that cannot be opened loses the
// line. Another file than the run's log over kLogLimit ends the process with
// exit code 1.
void WriteLog(const std::string& path, std::string_view message);
// Closes the run's log if it is held open (at the end of a run).
void CloseRunLog();
// Keeps nine older generations: "<path without .txt>_1.txt" (newest) to "_9.txt".
void RotateLog(const std::string& path);

// Where the run's log ends now, in bytes; -1 when not known (nothing written
// to it by this process yet).
long RunLogEnd();
// While sink is set, the lines for the run's log are gathered there (as
// they would stand in the file) instead of being written. Returns the sink
// set before.
std::string* CaptureRunLog(std::string* sink);
// Puts texts into the run's log at the given places (RunLogEnd values of
// earlier moments, in ascending order): the lines written after such a place
// move back. A place that is not the start of a line, or not known, takes its
// text at the end. Returns the places where texts went in and their lengths.
std::vector<std::pair<long, long>> InsertIntoRunLog(const std::vector<std::pair<long, std::string>>& inserts);

// The last two messages logged for the run (Windows-1252, as formatted; the
// latest second), also when the log could not take them: what a run that
// stops early tells at the console.
std::pair<std::string, std::string> LastRunLogMessages();

// Formats a message into the run's log (LogPath of RunContext). The format is
// a UTF-8 source literal and is converted to Windows-1252 here; the arguments
// are program texts and are Windows-1252 already.
template <class... A>
void Log(std::string_view utf8Format, const A&... args);

// Implementation details below.
std::string LogFormatText(std::string_view utf8Format);
void WriteRunLog(std::string_view message);

template <class... A>
void Log(std::string_view utf8Format, const A&... args) {
  WriteRunLog(Format(LogFormatText(utf8Format), args...));
}
