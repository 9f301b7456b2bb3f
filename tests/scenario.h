// Whole runs of the program described in scenario files (tests/scenarios/*.scn).
//
// A scenario is a sequence of sections, carried out in order:
//   [setup]              SQL run in the scenario's schema (fresh from db/schema.sql)
//   [setup utf8mb4]      the same, sent as UTF-8 (texts outside Windows-1252)
//   [ini]                configuration records "KEY value" (LOGIN, PASS, NET8);
//                        "[ini none]" writes no file. Default: lug / lug / {socket}
//   [tree]               "mkdir P", "file P", "remove P", "chmod MODE P",
//                        "link TARGET P" (P a symbolic link to TARGET) below the tree
//   [now]                "YYYY-MM-DD HH:MM:SS": the database time of the next runs
//   [args]               one command line after the program name, blanks separate,
//                        "double quotes" group; runs the program at once
//   [exit]               expected exit code of the last run
//   [stdout] .. [end]    expected console output of the last run
//   [stderr] .. [end]    expected standard error of the last run, line by line;
//                        a line ending in "..." matches a line that begins with
//                        the text before it (not compared without the section)
//   [log] .. [end]       expected whole run log (Quantivel_php/log/log#lug.txt)
//   [text P] .. [end]    expected whole text file P
//   [loglines] .. [end]  lines that must stand in the log, in this order
//   [sql QUERY] .. [end] expected rows, columns separated by "|", NULL as \N
//   [rows GOLDEN] .. [end] rows of the query in the block (its lines joined by
//                        blanks) equal tests/golden/GOLDEN; columns separated
//                        by "|", NULL as \N, LF line ends
//   [logfile GOLDEN]     the whole run log equals tests/golden/GOLDEN ({SCHEMA}
//                        stands for the schema there)
//   [file P GOLDEN]      file P equals tests/golden/GOLDEN byte for byte
//   [nofile P]           file P does not exist
//   [posix REASON]       the scenario needs a POSIX system (/dev/full, socket
//                        paths, file modes); skipped on Windows with REASON
// Text blocks are UTF-8 with one line each; they are compared as Windows-1252
// with CR LF line ends (stdout and sql: LF). A last line "[noeol]" drops the
// final line feed. On Windows the console keeps its own line ends (CR LF).
// Placeholders: {socket}, {schema}, {SCHEMA}, {tree} (the installation tree).
// Lines before the first section describe the scenario.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> ScenarioFiles();
// Runs one scenario; returns an empty text when it passed, else the failures.
std::string RunScenario(const std::string& file);
// On Windows the reason of a [posix] section, else an empty text.
std::string PosixOnlyReason(const std::string& file);
