// What the run handed over, as the payroll system gets it: the files placed
// under their names with their line counts, the rows added to staging
// tables, and per wage type the records, hours and days as the exporter wrote
// them; and every record left out, with the person, the wage type, the value
// and the reason. The run's report and summary are built from this, not from
// the transfer records, so that they show what the payroll import will see.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HandedOverFile {
  std::string Name;  // as placed in the transfer folder, without the folder
  int64_t Lines = 0;
};

struct StagedTable {
  std::string Table;
  int64_t Added = 0;        // rows the run inserted
  int64_t Accumulated = 0;  // values the run added to a row of the same key
};

// One wage type as written: Hours and Days are the sums of the values as they
// stand in the lines or rows (after factors and rounding of the format).
// Amount: some line of the wage type carried an amount instead of hours
// (AmountMixed: some did and some did not; its hours are no sum then).
struct HandedOverWageType {
  std::string WageType;
  int64_t Records = 0;
  double Hours = 0;
  double Days = 0;
  bool Amount = false;
  bool AmountMixed = false;
};

// A person handed over whom no transfer record of the run names (a staging
// row of another circle or accounting number that went into a file).
struct ForeignPerson {
  std::string Pnr;
  std::string Where;  // file or table
};

// A record the run left out (Windows-1252 texts): why, its log line, and where
// known the person, the wage type and the value.
struct LeftOutRecord {
  std::string Kind;
  std::string Text;
  std::string Pnr;
  std::string WageType;
  double Hours = 0;
  double Days = 0;
  bool HasRecord = false;  // Pnr, WageType and the values are known
};

// A difference record of the retro calculation: what was handed over for an
// earlier accounting number and what is computed for it now (minutes and
// tenths of a day as settled).
struct RetroDifference {
  std::string Pnr;
  std::string Upn;
  std::string WageType;
  std::string BookingDate;  // YYYY.MM.DD
  int32_t Period = 0;       // accounting number corrected
  int64_t OldMinutes = 0, NewMinutes = 0;
  int64_t OldTenths = 0, NewTenths = 0;
};

// One problem a check found: a short kind (for the report) and the message
// line (Windows-1252).
struct CheckFinding {
  std::string Kind;
  std::string Text;
};

struct HandOver {
  std::vector<HandedOverFile> Files;
  std::vector<StagedTable> Tables;
  std::vector<HandedOverWageType> WageTypes;  // in the order first met
  std::vector<std::string> Persons;           // personnel numbers as written, each once, sorted
  std::vector<LeftOutRecord> LeftOut;
  // Transfer records without any value (no hours, no days) that the format
  // has no line for: nothing of them is missing in the hand-over.
  int64_t WithoutValue = 0;
  std::vector<RetroDifference> RetroDifferences;
  // Employees the settlement did not calculate: personnel number and reason
  // (Windows-1252), each once, in the order met.
  std::vector<std::pair<std::string, std::string>> Skipped;
  // What the check of a run in check mode found.
  std::vector<CheckFinding> CheckFindings;
  // The run deleted the earlier transfer records of its accounting number:
  // from here on the transfer records of the number are the run's own.
  bool SettlementStarted = false;
  // AkrAdt as the run last set it (a preview: would have set it); -1 while it
  // set none (and always in a check, which never sets it).
  int Status = -1;
  bool ExportStarted = false;
  bool ExportFinished = false;
};

// The functions below add to the hand-over of the run (AttachedRun().Handover).

// A line of a file or a row of a staging table that the payroll system reads
// as one record: person and wage type as written, hours and days as written
// (0 where the line has none); amount: the hours field holds an amount.
void HandedOverRecord(std::string_view pnr, std::string_view wageType, double hours, double days, bool amount = false);
// A transfer record without any value that the exporter writes no line for.
void HandedOverNothing();
// A file placed under its name (path as written; the folder is cut off).
void HandedOverFilePlaced(std::string_view path, int64_t lines);
// A write into a staging table: status 0 of the insert adds a row; an
// accumulating update (accumulated) adds to a row of the same key. Other
// statuses count nothing. Returns status.
int StagedRow(std::string_view table, int status, bool accumulated = false);
// The table of an "INSERT INTO <table> ..." statement ("" when it is none).
std::string InsertTable(std::string_view statement);
// A left-out record of that kind and log line, person and value unknown.
LeftOutRecord MakeLeftOut(std::string kind, std::string text);
// Keeps a left-out record for the report (LeaveOutRecord of run/context.h
// logs it first).
void KeepLeftOut(LeftOutRecord record);
