#include "export/staging_export.h"

#include "run/context.h"
#include "run/run_log.h"

namespace {

void ClearStagingTables(const RunContext& ctx, const std::vector<StagingClear>& clears) {
  if (ctx.AkrSsl != 1) return;
  for (const StagingClear& c : clears) {
    int st = c.Delete();
    if (st != 0 && st != kSqlNoMoreRows) ReportStatus(st, c.Failure, st);
  }
}

// Reads the transfer records and hands each one that fits its lines to Write;
// returns the number of records read.
int32_t WriteRecords(const StagingExportSteps& e) {
  // a failed selection shows in its first fetch (-1)
  SqlCursor records;
  RequireRead(e.Select(records), "Qvx331Zk1");
  int32_t count = 0;
  int st = 0;
  for (;;) {
    TransferRecord r;
    st = e.Fetch(records, r);
    if (st != 0) break;
    ++count;
    // a record with a text that does not fit is left out; the records after
    // it are still handed over
    if (RecordFitsLine(r, "")) e.Write(r, count);
  }
  if (e.LogBrokenRead && (st != kSqlNoMoreRows || count == 0)) Log("Abbruch Lesen aus Zk1, Fehler: %d", st);
  if (st == -1) AbortRun(60);
  dbClose(records);
  return count;
}

}  // namespace

void RunStagingExport(const RunContext& ctx, const StagingExportSteps& e) {
  Log(e.Started, ctx.Akr, ctx.Abrnr);
  ClearStagingTables(ctx, e.Clears);
  if (e.ReadInterface) e.ReadInterface();
  int32_t count = WriteRecords(e);
  if (e.Finish) e.Finish();
  if (e.LogCount) Log("%d Datensätze aus Qvx333Zk1 übergeben.", count);
  Log(e.Finished);
}
