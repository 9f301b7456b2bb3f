// PAISY export: wage lines (P1), absence periods (P3) and day counts (P4),
// accumulated in the staging tables Qvx333Ps1/Ps3/Ps4 and written as
// "PaisyP1.txt", "PaisyP3.txt" and "PaisyP4.txt" in TransferDir. The PAISY(Br)
// export (paisybr.cpp) is built on the pieces declared here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "export/export_file.h"
#include "export/interface_header.h"
#include "export/transfer_record.h"
#include "export/wage_types.h"

struct RunContext;

void PaisyLohnprogramm(RunContext& ctx);
void PaisyBrLohnprogramm(RunContext& ctx);

// Pieces both PAISY exports use.
namespace paisy {

// What both exports read from the interface record before the transfer
// records: the header values and the firm key of every line.
struct RunHeader {
  LugRecord Lug;
  std::string Firm;
};

// The parts in which the two exports differ.
struct Variant {
  // log lines at the start (circle and accounting number) and at the end
  const char* Started;
  const char* Finished;
  // staging tables emptied when the interface is cleared
  std::vector<const char*> Tables;
  // order of the transfer records (ORDER BY)
  const char* OrderBy;
  // true: a reading that does not end with "no more rows" after at least one
  // record is logged ("Abbruch Lesen aus Zk1"), and the number of records read
  // is logged; false: only a failed reading is logged (CheckRead)
  bool LogReading;
  // one transfer record
  std::function<void(TransferRecord&)> Handle;
  // the files of the hand-over, from the staging tables
  std::function<void(ExportSet&)> WriteFiles;
};

// The entry both exports share: start line, clearing, interface record into
// header, the transfer records, the files as one set, end line.
void Run(const RunContext& ctx, const Variant& v, RunHeader& header);

// Firm key: LugFir, else LugAkr, else the circle; a leading "_" becomes a
// blank; the first two characters.
std::string FirmKey(const RunContext& ctx, const LugRecord& lug);

// Accounting day and month of a booking date (YYYY.MM.DD) shifted by lugMon
// months. Abt is the day (0 when lugDtm is 3); a day above 28 of a shifted
// date becomes the length of the shifted month. Abd is MM*100+YY. With
// logCarry the carry into the year before or after is logged.
struct AccountingDate {
  int Abt = 0;
  int32_t Abd = 0;
};
AccountingDate AccountingDateOf(const std::string& bdt, int lugMon, int lugDtm, bool logCarry);

// Wage-type assignment of the record: cost unit, cost type and cost centre
// become one blank when the line found does not hand them over; line gets the
// line (or keeps the presets 0 when none is found). False when the line could
// not be read: the record is left out then (LeftOutForUnreadLine).
bool ApplyAssignment(RunContext& ctx, WageTypeCache& cache, const std::string& lugLug, TransferRecord& r,
                     Lu1Line& line);

// Wage-type parameters of a record kind (Qvx170Lg1), read once per kind; the
// status of the read is kept for the caller's message.
struct Lg1Values {
  int Status = 0;
  int16_t Stt = 0, Svt = 0, Zes = 0, P4A = 0;
};
const Lg1Values& Lg1Get(std::map<std::string, Lg1Values>& cache, const std::string& lgp, const std::string& stz);

// A payroll personnel number that does not fit the six characters of the
// files is logged and the record is skipped (a cut would merge two people).
bool PersonFits(const TransferRecord& r);

// Insert of a staging row; on 1062 the update that adds to the stored row.
// A failure of either is logged with its message (pnr fills the first %s,
// the status the %d) and -1 ends the run with status 60.
void Accumulate(const std::string& insert, const std::function<std::string()>& update, const char* insertError,
                const char* updateError, const std::string& pnr);

// Status of a read whose failure has no message of its own: 0 and 1032 are
// normal, anything else is logged, -1 ends the run with status 60.
void CheckRead(int status, const char* table);

// Emptying of a staging table when the interface is cleared.
void ClearTable(const char* table);

// Reads the transfer records of (abr, lfn) in the given order through one
// cursor and hands each to fn. Returns the status that ended the reading and
// the number of records read.
int ForEachTransferRecord(int32_t abr, int16_t lfn, const char* orderBy, const std::function<void(TransferRecord&)>& fn,
                          int32_t& count);

// Writes one transfer file of the set from a staging selection: the copy in
// the older folder is deleted when the set is placed, TransferDir + "\" +
// name is created (openFailure logged and exit code 1 when it cannot be),
// then each selected row (columns
// of the selection as texts, NULL as empty) gives the text lineOf returns (nothing for an empty
// one), followed by a line end. A fetch status -1 ends the run with status 60.
void WriteStagingFile(const RunContext& ctx, ExportSet& set, const std::string& name, const char* openFailure,
                      const std::string& select, size_t columns,
                      const std::function<std::string(const std::vector<std::string>&)>& lineOf);

// A whole number for a fixed-width numeric field: value rounded, padded with
// zeros to width. A negative value carries its sign on the last digit
// (0-9 become p-y). A value whose digits do not fit is logged as an overflow
// for the person and written as the largest value of the field.
std::string ZonedNumber(double value, size_t width, const std::string& prs);

// A value text of the staging table padded to width with pad in front; a
// text that does not fit is logged as an overflow and written as nines.
std::string FitNumberText(const std::string& text, size_t width, char pad, const std::string& prs);

// A personnel number of a line without the blanks the field pads it with:
// the person as the payroll system knows it.
std::string PersonOfLine(const std::string& field);

// The value a field of ZonedNumber shows (the sign taken from its last digit).
double ZonedValue(std::string_view digits);

// Logs the overflow of a value of the person prs.
void LogOverflow(const std::string& prs);

}  // namespace paisy
