// EMIS export: the staging table Qvx333Ems is the hand-over itself (no file).
#pragma once

#include <cstdint>
#include <string>

#include "export/transfer_record.h"

struct RunContext;

// Row of Qvx333Ems; its hours (EmsStd) are formatted from the minutes.
struct EmsRow {
  std::string EmsAkr;
  std::string EmsPnr;
  std::string EmsDat;  // MMYYYY
  std::string EmsLna;
  int32_t EmsMin = 0;
  int32_t EmsTge = 0;
  std::string EmsKnz;  // "P" month account, "T" otherwise
};

void EmisLohnprogramm(RunContext& ctx);

[[nodiscard]] int SQL_Qvx333Ems_Delete();
[[nodiscard]] int SQL_Qvx331Zk1_SelectAll(SqlCursor& cursor, int32_t abrnr, int16_t lfn);
[[nodiscard]] int SQL_Qvx331Zk1_FetchAll(SqlCursor& cursor, TransferRecord& r);
[[nodiscard]] int SQL_Qvx331Zk1_CloseAll(SqlCursor& cursor);
[[nodiscard]] int SQL_Qvx333Ems_Insert(const EmsRow& row);
// Adds the minutes and days of row to the row of the same personnel number,
// month and wage type, and sets its hours from the new sum of minutes.
[[nodiscard]] int SQL_Qvx333Ems_Update(const EmsRow& row);
