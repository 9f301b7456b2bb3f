// What the run needs of the database server, checked right after connecting
// and before anything is written (and listed by the check mode): every table
// under its own name, key columns the server can compare across tables, and
// the privileges to read and write them.
#pragma once

#include <string>
#include <vector>

// One thing the server lacks: a short kind and the text for the log and the
// check's list (UTF-8).
struct ServerFinding {
  std::string Kind;
  std::string Text;
};

// The findings (none when the server suits the run). Sets, as a side effect,
// the collation in which match keys are built (SetKeyCollation of
// run/db_key.h) when the key columns differ in character set. A read that
// fails is itself a finding.
std::vector<ServerFinding> CheckServer();

// The tables the program reads and writes, spelled as they are defined; the
// system database's tables follow "Darvonix.".
const std::vector<std::string>& ProgramTables();
