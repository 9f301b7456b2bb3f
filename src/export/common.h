// What all exporters share: the transfer record as an exporter reads it, the
// wage-type lookup, the interface header values, date numbers and the month
// shift of the payroll month, the accumulating write into a staging table and
// the transfer file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <string_view>
#include <vector>

#include "run/context.h"
#include "run/db.h"
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
  std::string Lu1Gvo;  // valid from, YYYY.MM.DD (DATEV's lookup and the cached lookup)
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
[[nodiscard]] int SQL_Qvx171Lu1_OpenLna(const std::string& lugLug, const TransferRecord& r);
[[nodiscard]] int SQL_Qvx171Lu1_FetchLna();
[[nodiscard]] int SQL_Qvx171Lu1_CloseLna();
// Open, fetch (when the open succeeded) and close in one call. Returns the
// open status when it is not 0, else the fetch status (0 = line found).
int WageTypeLookup(const std::string& lugLug, const TransferRecord& r);

// Settings of a record kind for a payroll system (Qvx170Lg1); a missing row
// leaves them 0.
struct Lg1Flags {
  int16_t Lg1Stt = 0;  // 0: the tax days are not handed over with this kind
  int16_t Lg1Svt = 0;  // 0: the insurance days are not handed over
  int16_t Lg1Zes = 0;  // 0: the hours of the person are not handed over
  int16_t Lg1P4A = 0;
};
[[nodiscard]] int SQL_Qvx170Lg1_Get(const std::string& lgp, const std::string& stz, Lg1Flags& flags);

// The run's transfer records (Zk1Abr = abrnr, Zk1Lfn = lfn), Zk1Von and
// Zk1Bis formatted with the date_format pattern vonBis ("%Y.%m.%d" or
// "%d.%m.%Y"), condition (may be empty) added to the WHERE clause. Ordered by
// person, kind and booking date, and then by the remaining key columns, so
// that the same records always come in the same order (line numbers and
// first values depend on it).
[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& cursor, int32_t abrnr, int16_t lfn, std::string_view vonBis,
                                        std::string_view condition);
// The twenty columns Zk1Abr to Zk1Upn into r (r is cleared first).
[[nodiscard]] int SQL_Qvx331Zk1_FetchRun(SqlCursor& cursor, TransferRecord& r);

// Wage-type lines read during one export: all lines of one kind, account and
// wage type are read once (newest validity first; the interface is the same
// for the whole export and the lines do not change during the run), and the
// line valid at a record's booking date is taken from memory.
struct WageTypeCache {
  std::map<std::string, std::vector<Lu1Line>> Lines;
};
// The shared lookup through the cache: 0 with the settings of the newest line
// valid at the booking date Zk1Bdt (YYYY.MM.DD) in line (columns that are NULL
// in the table are 0); 1032 when no line is valid then, line keeping the
// caller's presets; the status of a failed read otherwise (not kept, so the
// next record reads again).
int CachedWageTypeLookup(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& line);
// The cached lookup that reports its own failures: true when a line is valid
// for the record; line then holds its settings, else it keeps the caller's
// presets. A failed read (other than "no line") is logged as
// "Fehler beim Lesen Qvx171Lu1: %d" and not kept; -1 ends the run with
// AbortRun(60).
bool FindWageTypeLine(WageTypeCache& cache, const std::string& lugLug, const TransferRecord& r, Lu1Line& line);

// Interface header values of the circle's interface record: LugLug, LugMon,
// LugFir, LugAkr (the caller presets them; NULL columns keep the presets).
// A firm or circle number with a line break ends the hand-over
// (RequireFitsLine), as does, in GetLugFir, such a firm number.
[[nodiscard]] int SQL_Qvx171Lug_GetFir(const std::string& akr, LugRecord& lug);
// Only LugLug and LugFir.
[[nodiscard]] int SQL_Qvx171Lug_GetLugFir(const std::string& akr, LugRecord& lug);
// Firm number under which the payroll system knows the company: LugFir, or
// the circle when LugFir is empty, cut to its first length characters.
std::string FirmText(const LugRecord& lug, const std::string& akr, int length);
// True when text fits a field of width characters once its trailing blanks
// are removed (personnel numbers and wage types are never cut: a cut would
// merge the values of two people or two wage types).
bool FitsField(std::string_view text, size_t width);
// Characters that break a line of a transfer file: a line feed or carriage
// return in a text would end the line early, the file's field separator would
// shift the fields behind it. Each exporter passes the separators of its files
// ("" for fixed-width files and staging tables: line breaks only).
// True when text holds none of them.
bool FitsLine(std::string_view text, std::string_view separators);
// True when no text of the record breaks a line; otherwise the record is left
// out of the hand-over, logged with the field and its value (line breaks shown
// as \n and \r) and listed in the run's report.
bool RecordFitsLine(const TransferRecord& r, std::string_view separators);
// A text of the file's head (firm, circle, ...) that would break its line
// breaks every line of the file: the hand-over ends with AbortRun(60) after a
// log line naming it (what, e.g. "LugFir").
void RequireFitsLine(std::string_view text, std::string_view separators, const char* what);
// The text with line feeds, carriage returns and tabs shown as \n, \r and \t,
// for a log line that names such a text without being broken by it.
std::string ShownText(std::string_view text);
// Name of a person.
[[nodiscard]] int SQL_Qvx300Pnr_GetName(const std::string& pnr, std::string& name);

// Date text YYYY.MM.DD as the number YYYYMMDD: characters 1 to 4, 6 and 7,
// 9 and 10; the separators are skipped by position, not tested.
int32_t DateToLong(std::string_view date);
// Payroll month: YYYYMM shifted by lugMon months, carried into as many years
// as it takes (month 13 becomes January of the next year, month 0 December of
// the year before, month 25 January of the year after next). Every exporter
// shifts its payroll months and dates through this one function; the run
// refuses offsets beyond kMaxMonthOffset before anything is written.
int32_t ShiftMonth(int32_t yyyymm, int lugMon);
// The same shift on a date number YYYYMMDD; the day stays as it is.
int32_t ShiftDate(int32_t yyyymmdd, int lugMon);
// ShiftDate with the day fitted to the shifted month: a day the month does not
// have becomes its last day (31 January + 1 month = 28 or 29 February).
int32_t ShiftDateInMonth(int32_t yyyymmdd, int lugMon);
// ShiftDate with the payroll day rule: when lugMon is not 0, a day above 28
// becomes the length of the shifted month (29 and 30 December shifted by one
// month become 31 January); without a shift the date stays as it is.
int32_t ShiftDatePayrollDay(int32_t yyyymmdd, int lugMon);
// Days of the month YYYYMM (February has 29 days when the year is divisible
// by 4). A day above 28 of a shifted date becomes this length.
int MonthLength(int32_t yyyymm);

// True when the record's booking date (YYYY.MM.DD) lies within the run's
// accounting period Ctx.AbrVon to Ctx.AbrBis and the record is no retro
// record: the month totals of the statistics belong to these records only,
// not to a following-month or retro record handed over with the run.
bool InRunPeriod(const TransferRecord& r);

// Exact sums: n / d (d > 0) rounded half away from zero to the given number
// of decimal places, as a whole number of those places (100 minutes in hours
// with 2 places: ExactRound(100, 60, 2) = 167). Minutes and tenths are added
// as whole numbers and turned into a decimal value only here, once.
int64_t ExactRound(int64_t n, int64_t d, int places);
// A value of ExactRound as a text with a decimal point, e.g. 167 with 2 places
// as "1.67" and -25 as "-0.25"; zero has no sign. width pads the text with
// zeros in front of the digits (behind the sign) to that many characters.
std::string ExactText(int64_t units, int places, int width = 0);
// ExactRound of an integer SQL expression, as an SQL expression: integer
// arithmetic, and the product with 0.1, 0.01, ... is an exact decimal, so the
// double the server stores is the one the text of ExactText gives. For an
// update that adds to an exact column and sets the staged value from the new
// sum in the same statement, without reading the row first.
std::string ExactSql(const std::string& exact, int64_t d, int places);

// The text without trailing blanks and tabs; a text of blanks only becomes
// empty. Length checks of the file fields count what is left.
std::string NoTrailingBlanks(std::string_view s);

// Accumulating write into a staging table: the insert; when the server
// answers 1062 (a row with the same key exists) the update that adds the new
// values to that row, built only then. Returns the insert status unless it was
// 1062, else the update status. statement (optional) receives the text of the
// statement whose status is returned, for the exporters that log it.
int StagingWrite(const std::string& insert, const std::function<std::string()>& update,
                 std::string* statement = nullptr);

// The number a field of a written line shows (decimal point or comma, blanks
// around it, a sign in front; an empty field is 0): what the payroll system
// reads, for the run's hand-over.
double WrittenNumber(std::string_view text);

// Turns every decimal point of a formatted number into a comma.
std::string DecimalComma(std::string text);

// Statement-ready value of a date given as DDMMYY: str_to_date of the text,
// or NULL when the text is empty (an empty date is never stored as the zero
// date).
std::string SqlDateDdmmyy(const std::string& ddmmyy);

// The text right-aligned in width characters with pad in front; a longer text
// is returned as it is (the caller decides what a value that does not fit
// means).
std::string PadLeft(std::string_view text, size_t width, char pad);

// Removes the file of the same name from the older hand-over folder
// "..\Transfer\Lohn- und Gehaltsübergabe\"; a missing file is no error.
// A preview deletes nothing there (its files go to its own folder, which is
// TransferDir during a preview).
void DeleteOldTransferFile(std::string_view fileName);

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
  void RemoveWhenPlaced(std::string_view name);
  // The file of that name in the older hand-over folder is removed when the
  // set is placed (DeleteOldTransferFile; a preview removes nothing there).
  void RemoveOldWhenPlaced(std::string_view fileName);
  // Puts every closed file of the set under its name, then removes the files
  // named for removal. A name that cannot be given its file is handled as
  // described above and ends the process with exit code 1.
  void Place();
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
std::string ExportTempPath(std::string_view path);

// Creates TransferDir + name (name begins with a backslash) through its
// temporary file. When it cannot be opened, or the finished file cannot be
// put under its name, logs openFailure (a UTF-8 message such as
// "Datevdatei kann nicht geoeffnet werden !") and ends the process with exit
// code 1; the settlement was committed before the export. With a set the
// file becomes one of its files.
void ExportFileCreate(ExportFile& f, std::string_view name, std::string_view openFailure, ExportSet* set = nullptr);
// The same without the failure handling of the open (files whose open is not
// checked); a file that cannot be finished is reported as a write error.
bool ExportFileOpen(ExportFile& f, std::string_view name, ExportSet* set = nullptr);
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

// Columns of a transfer record for a cursor over Qvx331Zk1 (table alias z), in
// the order SqlFetchTransfer copies them: the booking date as YYYY.MM.DD, the
// period start and end as DD.MM.YYYY.
extern const char* const kZk1ExportColumns;
// One fetch of a cursor whose statement begins with the twenty columns Zk1Abr
// to Zk1Upn in the order of kZk1ExportColumns (the date patterns may differ);
// extra columns selected after them are copied into the further fields.
template <class... T>
int SqlFetchTransfer(SqlCursor& c, TransferRecord& r, T&... extra) {
  return SqlFetchInto(c, r.Zk1Abr, r.Zk1Lfn, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr, r.Zk1Kst,
                      r.Zk1Ktr, r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Von, r.Zk1Bis, r.Zk1Sts, r.Zk1Rre,
                      r.Zk1Sta, r.Zk1Upn, extra...);
}
// Cursor over the transfer records of one run (accounting number and running
// number), ordered by person, wage type and date so that files built from
// them do not depend on the server's order.
[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& c, int32_t abrnr, int16_t lfn);

// Dates as day numbers (days since 1 March of year 0), so that days can be
// added and dates compared across months and years. DD.MM.YYYY texts; a text
// that is no date gives -1.
int32_t DayNumber(std::string_view ddmmyyyy);
std::string DayText(int32_t dayNumber);
