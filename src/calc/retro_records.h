// Retro records (Qvx331Zk3): the values recomputed for earlier accounting
// numbers, keyed by the run's database time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "calc/transfer_records.h"
#include "run/db_key.h"

// One retro record in insert column order (dates as YYYY.MM.DD texts).
struct Zk3Record {
  std::string Key;  // the run key (RunKey of RunContext, DD.MM.YYYY HH:MM:SS)
  int32_t Abr = 0;  // accounting number the values belong to
  int16_t Lfn = 0;
  std::string Stz;
  std::string Bdt;
  std::string Pnr;
  std::string Zkt;
  std::string Lna;
  std::string Lgr;
  std::string Kst;
  std::string Ktr;
  std::string Krt;
  int32_t Std = 0;  // minutes (a count on interruption records, hundredths on "LS" records)
  int32_t Tge = 0;  // tenths of a day
  int32_t Stg = 0;
  std::string Von;
  std::string Bis;
  int16_t Sts = 0;
  std::string Upn;
  int16_t Inf = 0;
  // Read records only: the key of Stz, Bdt, Pnr, Zkt, Lna, Lgr, Kst, Ktr, Von
  // and Bis as the server compares them.
  DbKey Match;
};

// The retro record of a value computed as a transfer record, under the run
// key.
Zk3Record Zk3FromTransfer(const Zk1Record& r, const std::string& key);

// Insert; 1062 when a record with the same identity (Key, Abr, Lfn, Stz, Bdt,
// Pnr, Zkt, Lna, Lgr, Kst, Ktr) exists.
[[nodiscard]] int SQL_Qvx331Zk3_Insert(const Zk3Record& r);
// The retro-calculation's writer (run/write_batch.h): insert, and a record that
// meets a stored one of the same identity is added to it (SQL_Qvx331Zk3_Add,
// ..._AddNextMonth); gathered with others into one statement. onStatus gets a
// final status other than 0 when the batch is refused and its records are
// written one by one.
void WriteZk3Record(const Zk3Record& r, bool nextMonth, std::function<void(int)> onStatus);
// The same insert with Zk3Bdt one month after r.Bdt.
[[nodiscard]] int SQL_Qvx331Zk3_InsertNextMonth(const Zk3Record& r);
// Adds Std, Tge and Stg to the stored record with the identity of r (Bdt as
// stored) and replaces its Krt; 0 when the statement succeeds, whatever the
// number of rows changed.
[[nodiscard]] int SQL_Qvx331Zk3_Add(const Zk3Record& r);
// The same addition to a record written by SQL_Qvx331Zk3_InsertNextMonth
// (Zk3Bdt one month after r.Bdt).
[[nodiscard]] int SQL_Qvx331Zk3_AddNextMonth(const Zk3Record& r);

// Deletes every retro record of the run.
[[nodiscard]] int SQL_Qvx331Zk3_DeleteRun(const std::string& key);
