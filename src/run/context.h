// Process-wide run state and the abort routine.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/db.h"
#include "run/handover.h"
#include "run/platform.h"
#include "run/run_log.h"
#include "run/version.h"

// Payroll-interface record (row of Qvx171Lug of the circle).
struct LugRecord {
  std::string LugLug;
  std::string LugLgp;
  int16_t LugAnz = 0;
  int16_t LugDtm = 0;
  int16_t LugMon = 0;
  int16_t LugUnt = 0;
  std::string LugFir;
  std::string LugAkr;
  int16_t LugPnr = 0;
  int16_t LugSta = 0;
};

// Largest month offset LugMon, either way, that a run hands over with: a
// hundred years. Anything beyond is no setting anyone makes on purpose, and
// the shifted years would leave the four digits of the payroll formats.
inline constexpr int kMaxMonthOffset = 1200;

// AkrAdt of the circle: 98 after a normal end; a run sets kAdtStarted (in a
// statement committed of its own) as soon as it holds the circle, so that a
// run that does not reach its end never leaves the 98 of an earlier run. The
// abort routine replaces it with its status.
inline constexpr int kAdtDone = 98;
inline constexpr int kAdtStarted = 1;
inline constexpr int kMaxRetro = 12;

struct RunContext {
  std::string LogPath;
  std::string Net8;
  std::string Schema;
  std::string Akr;
  int32_t Abrnr = 0;
  int32_t AbrnrStart = 0;
  int16_t CallMode = 0;
  int32_t InterimFlag = 0;
  int16_t Lfn = 0;
  std::string PnrFilter;
  std::string DbTime;
  // Key of the run's memo records: DbTime, or a later second when a run of the
  // schema still going holds DbTime (runs started in the same second).
  std::string RunKey;
  std::string TransferDir;
  std::string MndSto;
  int16_t AkrSsl = 0;
  int16_t AkrAzr = 0;
  std::string AbrVon;
  std::string AbrBis;
  std::string AbrDatum;
  LugRecord Lug;
  int16_t TopasFlag = 0;
  int32_t TopasDay = 0;
  int16_t AkrRrm = 0;
  int16_t RetroCount = 0;
  std::array<int32_t, kMaxRetro> RetroAbrnr{};  // accounting numbers (32-bit like Abrnr)
  int32_t LastStatus = 0;
  // Extra modes after the positional arguments (never passed by the calling
  // application): a preview rolls the whole run back and writes its files
  // into PreviewDir; a check only reads and lists problems.
  bool Preview = false;
  std::string PreviewDir;
  bool Check = false;
  bool RunCompleted = false;  // the run reached its normal end
  // What the exporter handed over and every record left out of the
  // settlement or the hand-over, for the run's report and summary.
  HandOver Handover;
  bool CircleHeld = false;  // the run holds its circle and has written "started"
  // Set once the arguments are accepted: from then on a run that does not
  // reach its end says why on standard error. A reason given here takes
  // precedence over the last lines of the log.
  bool ArgumentsAccepted = false;
  std::string StopReason;
  // What the run itself has written to its log, in bytes, and whether it
  // ended for writing too much: its lines after that stay out of the file.
  long LogWritten = 0;
  bool LogOverflowed = false;
  // The full log could not be put aside: the run writes on at its end.
  bool LogKeptFull = false;
};

// The run the process is doing belongs to its maker (the driver, a test) and
// is handed down as a parameter. The reports below (the abort routine, the
// status reports, the records left out, the hand-over's tally and the run
// log) may end the process from any depth of a run and are called from
// everywhere: they reach the run through its attachment, which the maker
// holds for as long as the run goes on. Nothing above the run layer asks for
// the attached run.
class RunAttachment {
 public:
  explicit RunAttachment(RunContext& ctx);
  ~RunAttachment();
  RunAttachment(const RunAttachment&) = delete;
  RunAttachment& operator=(const RunAttachment&) = delete;

 private:
  RunContext* before_;
};

// The attached run; an empty run of its own while none is attached (a
// program that only says its version, a test of one function).
RunContext& AttachedRun();

// Writes status to AkrAdt of the circle, logs it, commits and ends the
// process with exit code 1.
[[noreturn]] void AbortRun(int status);

// A database operation that did not succeed: the status is kept in
// LastStatus and logged with the caller's message (format and arguments);
// -1 ends the run with AbortRun(60), any other status lets it go on.
// A status that refused the values of one record (run/db.h) leaves that
// record out: it is also kept in Handover.LeftOut for the run's report.
template <class... A>
void ReportStatus(int status, std::string_view utf8Format, const A&... args) {
  AttachedRun().LastStatus = status;
  Log(utf8Format, args...);
  if (status == -1) AbortRun(60);
  if (ClassifySqlStatus(status) == SqlStatusClass::Record)
    KeepLeftOut(MakeLeftOut(Cp1252("Vom Server abgewiesen"), Format(LogFormatText(utf8Format), args...)));
}

// A record the run leaves out for a reason of its own (kind, UTF-8): logged
// with the caller's message and kept for the run's report.
template <class... A>
void LeaveOutRecord(std::string_view utf8Kind, std::string_view utf8Format, const A&... args) {
  Log(utf8Format, args...);
  KeepLeftOut(MakeLeftOut(Cp1252(utf8Kind), Format(LogFormatText(utf8Format), args...)));
}

// The same for one record whose person and wage type are known: hours and
// days are its values as the hand-over would have carried them.
template <class... A>
void LeaveOutRecordOf(std::string_view pnr, std::string_view wageType, double hours, double days,
                      std::string_view utf8Kind, std::string_view utf8Format, const A&... args) {
  Log(utf8Format, args...);
  LeftOutRecord r = MakeLeftOut(Cp1252(utf8Kind), Format(LogFormatText(utf8Format), args...));
  r.Pnr = std::string(pnr);
  r.WageType = std::string(wageType);
  r.Hours = hours;
  r.Days = days;
  r.HasRecord = true;
  KeepLeftOut(std::move(r));
}

// The run wrote more to its log than the kept generations hold: a run that
// holds its circle ends as after a fatal error (AbortRun(60)); before that
// it stops with exit code 0 and leaves the circle as it was.
[[noreturn]] void AbortForLogOverflow();

// A server error that ends the run (SqlFatalError of run/db.h): logged with
// its number, the server's message and the statement's purpose; what the run
// had not committed is rolled back, and a run that holds its circle writes 60
// (AbortRun). Returns the exit code: 1, or 0 before the circle is held.
int ServerFailure(int error, const std::string& text, const std::string& purpose);

// A single-row read whose missing row leaves the caller's preset: any status
// other than 0 and 1032 is logged with the table's name and ends the run with
// AbortRun(60), so that a value that could not be read is never handed over
// as 0.
void RequireRead(int status, std::string_view table);

// A read the run cannot go on without failed with status: kept in
// LastStatus, logged with message (whose one %d takes the status), and the
// run ends with AbortRun(60).
[[noreturn]] void AbortForRead(int status, const char* message);

// "UPDATE O1001AbrKreis SET AkrAdt ..."; the statement's status, or the
// number of changed rows when it succeeded.
[[nodiscard]] int SQL_O1001AbrKreis_SetAdt(const std::string& akr, int status);
