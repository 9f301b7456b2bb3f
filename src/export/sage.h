// sage export: the staging table Qvx333Sag and the file of 38-character lines
// "020410" + month in TransferDir.
#pragma once

#include <cstdint>
#include <string>

#include "export/transfer_record.h"

struct RunContext;

void SageLohnprogramm(RunContext& ctx);

[[nodiscard]] int SQL_Qvx333Sag_Delete();
[[nodiscard]] int SQL_Qvx331Zk1_OpenSage(SqlCursor& cursor, int32_t abrnr, int16_t lfn);
[[nodiscard]] int SQL_Qvx331Zk1_FetchSage(SqlCursor& cursor, TransferRecord& r);
[[nodiscard]] int SQL_Qvx331Zk1_CloseSage(SqlCursor& cursor);
// Accumulating write: the values are added to the row of the same month,
// personnel number, wage type, cost centre and cost unit. exact is the time
// value as minutes, or six times the tenths of a day (SagExa); the hours
// SagStd are formatted from its sum (six decimals).
[[nodiscard]] int SQL_Qvx333Sag_Write(const std::string& mon, const std::string& pnr, const std::string& lna,
                                      int64_t exact, double btr, const std::string& kst, const std::string& skt,
                                      const std::string& ktr);
[[nodiscard]] int SQL_Qvx333Sag_OpenAll(SqlCursor& cursor);
[[nodiscard]] int SQL_Qvx333Sag_FetchAll(SqlCursor& cursor, std::string& mon, std::string& pnr, std::string& lna,
                                         double& std, double& btr, std::string& kst, std::string& skt,
                                         std::string& ktr);
[[nodiscard]] int SQL_Qvx333Sag_CloseAll(SqlCursor& cursor);
