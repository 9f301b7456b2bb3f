// What all exporters share: the transfer record as an exporter reads it, the
// wage-type lookup, the interface header values, date numbers and the month
// shift of the payroll month, the accumulating write into a staging table and
// the transfer file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "run/context.h"
#include "run/platform.h"
#include "run/text.h"

// One transfer record of Qvx331Zk1 as the exporters fetch it (dates as
// YYYY.MM.DD texts unless an exporter selects another pattern).
struct TransferRecord {
  int32_t Zk1Abr = 0;
  int16_t Zk1Lfn = 0;
  std::string Zk1Stz;
  std::string Zk1Bdt;
  std::string Zk1Pnr;
  std::string Zk1Zkt;
  std::string Zk1Lna;
  std::string Zk1Lgr;
  std::string Zk1Kst;
  std::string Zk1Ktr;
  std::string Zk1Krt;
  int32_t Zk1Std = 0;  // minutes
  int32_t Zk1Tge = 0;  // tenths of a day
  int32_t Zk1Stg = 0;
  std::string Zk1Von;
  std::string Zk1Bis;
  int16_t Zk1Sts = 0;
  int16_t Zk1Rre = 0;
  int16_t Zk1Sta = 0;
  std::string Zk1Upn;  // personnel number in the payroll system
  int32_t Zk1Rrn = 0;  // accounting number a difference record corrects
};

// The transfer record currently handled by the exporter; overwritten record
// by record.
extern TransferRecord Zk1Rec;

// Settings of the wage-type line (Qvx171Lu1) that matches a transfer record.
struct Lu1Line {
  std::string Lu1Gvo;  // valid from, YYYY.MM.DD (DATEV's own lookup and the cached lookup)
  int16_t Lu1Kst = 0;  // 0: the cost centre is not handed over
  int16_t Lu1Ktr = 0;  // 0: the cost unit is not handed over
  int16_t Lu1Krt = 0;  // 0: the cost type is not handed over
  double Lu1Mog = 0;   // factor (0: none)
  int16_t Lu1Fkt = 0;
  int16_t Lu1Bau = 0;  // 1: the value is an amount, not hours
};

// Filled by the wage-type lookups; the exporter presets the fields it tests
// before each lookup, and a line that is not found leaves the presets.
extern Lu1Line Lu1Settings;

// Shared wage-type lookup: the line of the interface lugLug for the record's
// kind (Zk1Stz), account (Zk1Zkt) and wage type (Zk1Lna) that is valid at the
// booking date Zk1Bdt (YYYY.MM.DD). Fetch only when the open returned 0; close
// in any case.
int SQL_Qvx171Lu1_OpenLna(const std::string& lugLug, const TransferRecord& r);
int SQL_Qvx171Lu1_FetchLna();
int SQL_Qvx171Lu1_CloseLna();
// Open, fetch (when the open succeeded) and close in one call. Returns the
// open status when it is not 0, else the fetch status (0 = line found).
int WageTypeLookup(const std::string& lugLug, const TransferRecord& r);

// The wage-type lines of one kind, account and wage type, read once per
// export: the line valid at a booking date is then found without a statement.
// The key is the record's texts as stored (two spellings that the database
// takes as equal are read twice, with the same result).
struct WageTypeCache {
  std::map<std::string, std::vector<Lu1Line>> Lines;  // newest line (Lu1Gvo) first
};
// The settings of the newest line of the record's kind (Zk1Stz), account
// (Zk1Zkt) and wage type (Zk1Lna) that is valid at Zk1Bdt (YYYY.MM.DD) are
// copied into out. Returns 0 when a line is found, 1032 when none is, else
// the status of the failed read (then out keeps its presets and the lines are
// read again for the next record).
int WageTypeLookupCached(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& out);

// Interface header values of the circle's interface record: LugLug, LugMon,
// LugFir, LugAkr (the caller presets them; NULL columns keep the presets).
int SQL_Qvx171Lug_GetFir(const std::string& akr, LugRecord& lug);
// Only LugLug and LugFir.
int SQL_Qvx171Lug_GetLugFir(const std::string& akr, LugRecord& lug);
// Name of a person.
int SQL_Qvx300Pnr_GetName(const std::string& pnr, std::string& name);

// Date text YYYY.MM.DD as the number YYYYMMDD: characters 1 to 4, 6 and 7,
// 9 and 10; the separators are skipped by position, not tested.
int32_t DateToLong(std::string_view date);
// Payroll month: YYYYMM shifted by lugMon months with one carry of a year at
// most (month 13 becomes January of the next year, month 0 December of the
// year before). Offsets from -1 to 12 give a valid month for every month.
int32_t ShiftMonth(int32_t yyyymm, int lugMon);
// The same shift on a date number YYYYMMDD; the day stays as it is.
int32_t ShiftDate(int32_t yyyymmdd, int lugMon);
// Days of the month YYYYMM (February has 29 days when the year is divisible
// by 4). A day above 28 of a shifted date becomes this length.
int MonthLength(int32_t yyyymm);

// The text without trailing blanks and tabs; a text of blanks only becomes
// empty. Length checks of the file fields count what is left.
std::string NoTrailingBlanks(std::string_view s);
// Every decimal point of a formatted number turned into a comma.
std::string DecimalComma(std::string text);

// Accumulating write into a staging table: the insert; when the server
// answers 1062 (a row with the same key exists) the update that adds the new
// values to that row, built only then. Returns the insert status unless it was
// 1062, else the update status. statement (optional) receives the text of the
// statement whose status is returned, for the exporters that log it.
int StagingWrite(const std::string& insert, const std::function<std::string()>& update,
                 std::string* statement = nullptr);

// Removes the file of the same name from the older hand-over folder
// "..\Transfer\Lohn- und Gehaltsübergabe\"; a missing file is no error.
void DeleteOldTransferFile(std::string_view fileName);

// A transfer file in TransferDir: Windows-1252 text, every line feed written
// as CR LF. Every write is checked; a file that cannot be written completely
// is never left behind as a successful hand-over.
struct ExportFile {
  TextFile File;
  std::string Path;  // as opened, with backslashes
};

// Creates (or truncates) TransferDir + name (name begins with a backslash).
// When it cannot be opened, logs openFailure (a UTF-8 message such as
// "Datevdatei kann nicht geoeffnet werden !") and ends the process with exit
// code 1; the settlement was committed before the export.
void ExportFileCreate(ExportFile& f, std::string_view name, std::string_view openFailure);
// The same without the failure handling (files whose open is not checked).
bool ExportFileOpen(ExportFile& f, std::string_view name);
// Writes Windows-1252 text. A failed write (disk full) is logged and ends
// the process with exit code 1.
void ExportWrite(ExportFile& f, std::string_view text);
template <class... A>
void ExportWriteF(ExportFile& f, std::string_view fmt, const A&... args) {
  ExportWrite(f, Format(fmt, args...));
}
// Flushes and closes; a failure is handled like a failed write.
void ExportFileClose(ExportFile& f);
