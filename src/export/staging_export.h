// The frame of the exporters that collect the transfer records in staging
// tables: the staging tables are emptied when the interface is cleared, the
// interface record is read, the run's transfer records are selected and each
// one whose texts fit a line is handed to the exporter, and at the end the
// exporter may write its file from the staging tables. What differs between
// the payroll systems comes in as the parts of a StagingExportSteps.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "export/transfer_record.h"
#include "run/db.h"

struct RunContext;

// One staging table emptied when the interface is cleared (AkrSsl 1): its
// DELETE and the message for a status other than 0 and 1032 (the status
// fills its %d).
struct StagingClear {
  int (*Delete)();
  const char* Failure;
};

struct StagingExportSteps {
  // Log lines at the start (the circle fills the %s, the accounting number
  // the %d) and at the end.
  const char* Started;
  const char* Finished;
  std::vector<StagingClear> Clears;
  // Reads the interface record and what else the export needs before the
  // transfer records (may be empty).
  std::function<void()> ReadInterface;
  // Opens the selection of the run's transfer records; a failed selection
  // ends the run (RequireRead).
  std::function<int(SqlCursor&)> Select;
  // One fetch into a cleared record.
  std::function<int(SqlCursor&, TransferRecord&)> Fetch;
  // A record whose texts fit a line, with its number among the records read.
  std::function<void(const TransferRecord&, int32_t number)> Write;
  // After the reading: e.g. the transfer file from the staging table (may be
  // empty).
  std::function<void()> Finish;
  // "%d Datensätze aus Qvx333Zk1 übergeben." with the number of records read,
  // after Finish.
  bool LogCount = false;
  // A reading that ends with an error, or that reads no record, is logged
  // ("Abbruch Lesen aus Zk1"); a -1 ends the run in any case.
  bool LogBrokenRead = false;
};

// Runs the export: start line, clearing, interface record, the transfer
// records one by one (a record with a text that would break a line is left
// out through RecordFitsLine), Finish, the count and the end line.
void RunStagingExport(const RunContext& ctx, const StagingExportSteps& e);
