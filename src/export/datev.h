// DATEV export: the semicolon-separated file "datev.csv" in TransferDir.
#pragma once

#include <cstdint>
#include <string>

#include "export/transfer_record.h"
#include "export/wage_types.h"
#include "run/db.h"

struct RunContext;

void DatevLohnprogramm(RunContext& ctx);

// Start of the period of an accounting number as YYYY.MM.DD (also read by
// other exporters that need the period start).
[[nodiscard]] int SQL_Qvx330Abr_GetVon(const std::string& akr, int32_t abrnr, std::string& von);

// The cursor over the transfer records of an accounting number and the record
// it fetched last, with the keys of its Zk1Stz, Zk1Zkt and Zk1Lna as the
// server compares them.
struct DatevRecords {
  SqlCursor Cursor;
  TransferRecord Record;
  std::string KeyStz, KeyZkt, KeyLna;
};

[[nodiscard]] int SQL_Qvx331Zk1_OpenDatev(DatevRecords& records, int32_t abrnr);
[[nodiscard]] int SQL_Qvx331Zk1_FetchDatev(DatevRecords& records);  // into records.Record and its keys
[[nodiscard]] int SQL_Qvx331Zk1_CloseDatev(DatevRecords& records);
[[nodiscard]] int SQL_Qvx171Lu1_OpenDatev(SqlCursor& cursor, const std::string& lugLug, const std::string& stz,
                                          const std::string& zkt, const std::string& lna, const std::string& abrVon);
[[nodiscard]] int SQL_Qvx171Lu1_FetchDatev(SqlCursor& cursor, Lu1Line& line);  // the next (older) line
[[nodiscard]] int SQL_Qvx171Lu1_CloseDatev(SqlCursor& cursor);
