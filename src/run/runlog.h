// Run log: one Windows-1252 text file, one message per line, CR LF.
#pragma once

#include <string>
#include <string_view>

#include "run/text.h"

// Largest size of the log after a line; one byte more ends the process.
inline constexpr long kLogLimit = 10485760;

// Appends message and a line feed; a log over kLogLimit ends the process with
// exit code 1. A log that cannot be opened loses the line.
void WriteLog(const std::string& path, std::string_view message);
// Keeps nine older generations: "<path without .txt>_1.txt" (newest) to "_9.txt".
void RotateLog(const std::string& path);

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
