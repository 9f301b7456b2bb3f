// Difference records: what was handed over for earlier accounting numbers (or
// with the interim settlements of this one) against what is computed now.
// Every difference becomes a transfer record of the run (Zk1Rre 2) and, for
// LOGA2 and LODAS, an insert and a delete memo record (Qvx331Zk5).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calc/retro_records.h"
#include "retro/retro_calculation.h"
#include "run/db.h"
#include "run/db_key.h"

struct RunContext;  // run/context.h

// Compares the transferred values of the retro-calculated accounting numbers
// (RetroAbrnr) with the retro records of the run, writes the difference
// records, deletes the run's retro records and unmasks every masked transfer
// record. retro: the periods recomputed in the run (emptied here). Returns the
// result of the unmasking.
int DifferenzenErmitteln(RunContext& ctx, RetroState& retro);

// The same comparison for a final settlement after interim settlements of
// the accounting number: the day runs of the interim settlements against the
// day runs of the final one (retro records of the run). Returns the status of
// deleting the run's retro records.
int ZwischenDifferenzenErmitteln(RunContext& ctx);

// Both comparisons read the groups and the retro records for ranges of this
// many personnel numbers one after the other; memory is bounded by a range.
inline constexpr int kDifferenceRangeEmployees = 500;
// Test seam: another range size (at least 1).
void SetDifferenceRangeEmployees(int employees);
// The retro records left over for new values are held up to this many; the
// ones after them wait in a scratch file beside the run log.
inline constexpr int kDifferenceLeftInMemory = 20000;
// Test seam: another number (0: every one goes to the file).
void SetDifferenceLeftInMemory(int records);

// One group of transferred values (the columns of the group selection).
struct RetroGroup {
  std::string Stz, Bdt, Pnr, Zkt, Lna, Lgr, Kst, Ktr, Krt;
  int32_t Std = 0;  // summed minutes
  int32_t Tge = 0;  // summed tenths of a day
  std::string Von, Bis;
  int16_t Sts = 0;
  std::string Upn;
  int16_t Inf = 0;
  double Su1 = 0;  // highest LOGA2 number of the group
  // Keys as the server compares: of the columns that find the group's retro
  // records (Stz, Bdt, Pnr, Zkt, Lna, Lgr, Kst, Ktr, Von, Bis), and of its
  // wage-type line (Stz, Zkt, Lna).
  DbKey Match, Line;
};

// One difference record (Zk1Rre 2, Zk1Sta 1).
struct Zk1Differenz {
  int32_t Abr = 0;
  int16_t Lfn = 0;
  std::string Stz, Bdt, Pnr, Zkt, Lna, Lgr, Kst, Ktr, Krt;
  int32_t Std = 0;
  int32_t Tge = 0;
  std::string Von, Bis;
  int16_t Sts = 0;
  std::string Upn;
  int16_t Inf = 0;
  int32_t Rrn = 0;  // accounting number corrected
};

// One memo record of Qvx331Zk5 in insert column order.
struct Zk5Record {
  std::string Key;
  int32_t Abr = 0;
  std::string Stz, Bdt, Pnr, Zkt, Lna, Lgr, Kst, Ktr, Krt;
  int32_t Std = 0;
  int32_t Tge = 0;
  std::string Von, Bis;
  int16_t Sts = 0;
  int16_t Rre = 0;  // 3 insert record (value now valid), 4 delete record (value sent before)
  std::string Upn;
  int16_t Inf = 0;
  double Su1 = 0;
};

// A range of personnel numbers (as the server compares them): after Lo (when
// HasLo) up to and including Hi (when HasHi).
struct PnrRange {
  bool HasLo = false, HasHi = false;
  std::string Lo, Hi;
};

// A retro record as the difference step reads it, with the key of its
// wage-type line (Stz, Zkt, Lna as the server compares them).
struct LeftRecord {
  Zk3Record Rec;
  DbKey Line;
};

// Groups of the transferred values of the listed accounting numbers with
// Zk1Rre > 0 (TOPAS: without Zk1Lfn 2) of the personnel numbers in range.
[[nodiscard]] int SQL_Qvx331Zk1_OpenRetroGroups(SqlCursor& groups, const int32_t* abrnr, int count, bool topas,
                                                const PnrRange& range = {});
[[nodiscard]] int SQL_Qvx331Zk1_FetchRetroGroups(SqlCursor& groups, RetroGroup& g);
[[nodiscard]] int SQL_Qvx331Zk1_CloseRetroGroups(SqlCursor& groups);
// Groups of the day runs that the interim settlements of the accounting
// number (every Zk1Lfn but the run's own) handed over, of the personnel
// numbers in range.
[[nodiscard]] int SQL_Qvx331Zk1_OpenZwischenGroups(const RunContext& ctx, SqlCursor& groups, int32_t abrnr,
                                                   const PnrRange& range = {});
[[nodiscard]] int SQL_Qvx331Zk1_FetchZwischenGroups(SqlCursor& groups, RetroGroup& g);
[[nodiscard]] int SQL_Qvx331Zk1_CloseZwischenGroups(SqlCursor& groups);
// The personnel numbers of the employment rows after after.Lo (when
// after.HasLo) in the server's order, one spelling of each, at most limit.
[[nodiscard]] int SQL_Qvx310Bsv_ReadPnrs(const PnrRange& after, int limit, std::vector<std::string>& pnrs);
// The combinations of accounting number, running number, record type and
// booking date of the run's retro records (key) as a condition
// " AND (... OR ...)" for SQL_Qvx331Zk3_OpenRange; empty when there are none
// or too many.
[[nodiscard]] int SQL_Qvx331Zk3_ReadPrefixes(const std::string& key, std::string& condition);
// The run's retro records (key) of the personnel numbers in range, ordered by
// personnel number first; the fetch fills Stz, Bdt, Pnr, Zkt, Lna, Lgr, Kst,
// Ktr, Krt, Std, Tge, Von, Bis, Sts, Upn, Inf, Abr and Match of the record,
// and the key of its wage-type line.
[[nodiscard]] int SQL_Qvx331Zk3_OpenRange(SqlCursor& zk3, const std::string& key, const PnrRange& range,
                                          const std::string& prefixes = {});
[[nodiscard]] int SQL_Qvx331Zk3_FetchRange(SqlCursor& zk3, LeftRecord& l);
[[nodiscard]] int SQL_Qvx331Zk3_CloseRange(SqlCursor& zk3);
// Accounting number of a transferred record with the group's values.
[[nodiscard]] int SQL_Qvx331Zk1_GetRetroAbr(const RetroGroup& g, int32_t& abr);
// Insert; su1 receives the Zk1Su1 written (LOGA2 numbering).
[[nodiscard]] int SQL_Qvx331Zk1_InsertDifferenz(const Zk1Differenz& d, double& su1);
// Adds Std and Tge to the stored difference record with the identity of d.
[[nodiscard]] int SQL_Qvx331Zk1_AddDifferenz(const Zk1Differenz& d);
// The wage-type line's Lu1Ztr (day runs) for a retro record.
[[nodiscard]] int SQL_Qvx171Lu1_GetZtr(const std::string& lugLug, const Zk3Record& r, int16_t& ztr);
// Lu1Flg and Lu1Rre of the newest wage-type line of the group's record type,
// account and wage type valid in [von, bis] (Lu1Flg -9 read as 0).
[[nodiscard]] int SQL_Qvx171Lu1_GetFlg(const std::string& lugLug, const RetroGroup& g, const std::string& von,
                                       const std::string& bis, int16_t& flg, int16_t& rre);
// Every negative Zk1Rre made positive; the statement's status, or the number
// of records changed when it succeeded.
[[nodiscard]] int SQL_Qvx331Zk1_Unmask();
[[nodiscard]] int SQL_Qvx331Zk5_Insert(const Zk5Record& r);
