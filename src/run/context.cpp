#include "run/context.h"

#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

RunContext* g_attached = nullptr;

}  // namespace

RunAttachment::RunAttachment(RunContext& ctx) : before_(g_attached) { g_attached = &ctx; }

RunAttachment::~RunAttachment() { g_attached = before_; }

RunContext& AttachedRun() {
  static RunContext none;
  return g_attached ? *g_attached : none;
}

[[nodiscard]] int SQL_O1001AbrKreis_SetAdt(const std::string& akr, int status) {
  // a preview or a check leaves the status of the circle as it is (the report
  // names the one it would have set)
  RunContext& ctx = AttachedRun();
  if (ctx.Preview || ctx.Check) {
    if (ctx.Preview) ctx.Handover.Status = static_cast<int16_t>(status);
    return 1;
  }
  int st = SqlWrite(
      SqlFormat("UPDATE O1001AbrKreis  SET AkrAdt = %d WHERE AkrNum = '%s'", static_cast<int16_t>(status), akr));
  if (st != 0) return st;
  ctx.Handover.Status = static_cast<int16_t>(status);
  return dbAffectedRows();
}

void AbortRun(int status) {
  // nothing of the transaction in progress is kept beside the failure status
  (void)dbAbandonTransaction();
  try {
    RunContext& ctx = AttachedRun();
    ctx.LastStatus = SQL_O1001AbrKreis_SetAdt(ctx.Akr, status);
    Log("Abbruch wegen Fehler, Status: %d", status);
    (void)dbCommit();  // a commit the server refuses has thrown
  } catch (const SqlFatalError& e) {
    Log("Datenbankfehler %d bei %s: %s", e.Error, e.Purpose, e.Text);
    Log("Abbruch wegen Fehler, Status: %d", status);
  } catch (const SqlLockConflict& e) {
    Log("Datenbankfehler %d bei %s: %s", e.Error, e.Purpose, e.Text);
    Log("Abbruch wegen Fehler, Status: %d", status);
  }
  EndProcess(1);
}

void AbortForLogOverflow() {
  if (AttachedRun().CircleHeld) AbortRun(60);
  (void)dbAbandonTransaction();
  EndProcess(0);
}

void RequireRead(int status, std::string_view table) {
  if (status == 0 || status == kSqlNoMoreRows) return;
  AttachedRun().LastStatus = status;
  Log("Lesefehler %s: %d", table, status);
  AbortRun(60);
}

void AbortForRead(int status, const char* message) {
  AttachedRun().LastStatus = status;
  Log(message, status);
  AbortRun(60);
}

int ServerFailure(int error, const std::string& text, const std::string& purpose) {
  Log("Datenbankfehler %d bei %s: %s", error, purpose, text);
  if (!AttachedRun().CircleHeld) {
    (void)dbAbandonTransaction();
    return 0;
  }
  try {
    AbortRun(60);
  } catch (const ProcessExit& e) { return e.code; }
}
