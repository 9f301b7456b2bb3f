// Raet export: the staging table Qvx333Rat and the file "Raet.txt" in
// TransferDir (header "A", one data record per staging row, trailer "Z").
#pragma once

#include <cstdint>
#include <string>

#include "export/transfer_record.h"

struct RunContext;

// Row of Qvx333Rat.
struct RatRow {
  std::string RatArt;
  std::string RatPnr;
  std::string RatVid;
  std::string RatLna;
  std::string RatAbd;
  std::string RatUeb;
  double RatVal = 0;
};

void RaetLohnprogramm(RunContext& ctx);

[[nodiscard]] int SQL_Qvx333Rat_Delete();
[[nodiscard]] int SQL_Qvx331Zk1_OpenRaet(SqlCursor& cursor, int32_t abrnr, int16_t lfn);
[[nodiscard]] int SQL_Qvx331Zk1_FetchRaet(SqlCursor& cursor, TransferRecord& r);
[[nodiscard]] int SQL_Qvx331Zk1_CloseRaet(SqlCursor& cursor);
// Accumulating write: the exact value (minutes plus six times the tenths of a
// day, times the factor in ten-thousandths; RatExa) is added to the row of the
// same personnel number, date text and wage type, and RatVal is formatted once
// from the sum. statement receives the statement whose status is returned.
[[nodiscard]] int SQL_Qvx333Rat_Write(const std::string& pnr, const std::string& lna, const std::string& abd,
                                      int64_t exact, std::string* statement);
[[nodiscard]] int SQL_Qvx333Rat_OpenAll(SqlCursor& cursor);
[[nodiscard]] int SQL_Qvx333Rat_FetchAll(SqlCursor& cursor, RatRow& row);
[[nodiscard]] int SQL_Qvx333Rat_CloseAll(SqlCursor& cursor);
