// XXL-Exact export: the staging table Qvx333Xxl (signed amounts under record
// codes) and the file "LO_IMP.txt" in TransferDir.
#pragma once

#include <cstdint>
#include <string>

#include "export/transfer_record.h"

struct RunContext;

// Row of Qvx333Xxl; every column of the file is a text. The amount is kept as
// its exact sums too (minutes and tenths of a day), from which it is formatted.
struct XxlRow {
  std::string XxlPnr;
  std::string XxlErd;
  std::string XxlAbd;
  std::string XxlLna;
  std::string XxlKnz;
  std::string XxlVo1;
  std::string XxlEin;
  std::string XxlStd;
  std::string XxlBtr;
  std::string XxlKst;
  std::string XxlKtr;
  int64_t XxlMin = 0;
  int64_t XxlZhn = 0;
};

void XxlLohnprogramm(RunContext& ctx);
void XxlWriteFile(const RunContext& ctx);

[[nodiscard]] int SQL_O1001AbrKreis_GetVwsEbn(const std::string& akr, std::string& vws, int16_t& ebn);
[[nodiscard]] int SQL_Qvx333Xxl_Delete();
[[nodiscard]] int SQL_Qvx331Zk1_SelectXxl(SqlCursor& cursor, int32_t abrnr, int16_t lfn);
[[nodiscard]] int SQL_Qvx331Zk1_FetchXxl(SqlCursor& cursor, TransferRecord& r);
[[nodiscard]] int SQL_Qvx331Zk1_CloseXxl(SqlCursor& cursor);
[[nodiscard]] int SQL_Qvx333Xxl_Insert(const XxlRow& row);
// Exact sums of the row with the key of row.
[[nodiscard]] int SQL_Qvx333Xxl_Read(const XxlRow& row, int64_t& minutes, int64_t& tenths);
// Sets sign, amount and exact sums of the row with the key of row.
[[nodiscard]] int SQL_Qvx333Xxl_Update(const XxlRow& row);
[[nodiscard]] int SQL_Qvx333Xxl_OpenAll(SqlCursor& cursor);
[[nodiscard]] int SQL_Qvx333Xxl_FetchAll(SqlCursor& cursor, XxlRow& row);
[[nodiscard]] int SQL_Qvx333Xxl_CloseAll(SqlCursor& cursor);
