// Transfer records (Qvx331Zk1) and statistics rows (Qvx331Zk2).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "calc/batch/rows.h"

// One transfer record in insert column order (dates as YYYY.MM.DD texts).
struct Zk1Record {
  int32_t Abr = 0;
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
  double Std = 0;   // minutes
  int32_t Tge = 0;  // tenths of a day
  int16_t Stg = 0;
  std::string Von;
  std::string Bis;
  int16_t Sts = 0;
  int16_t Rre = 0;
  int16_t Sta = 0;
  std::string Upn;
  int16_t Inf = 0;
};

// Statistics row: the nine figures in insert order.
struct Zk2Record {
  int32_t Abr = 0;
  std::string Pnr;
  std::string Bdt;
  double Stt = 0, Svt = 0, Slt = 0, Ant = 0, Sln = 0, Uns = 0, Zes = 0, Bzt = 0, Unt = 0;
  int16_t Rre = 0;
};

[[nodiscard]] int SQL_Qvx331Zk1_Delete(int32_t abrnr, int16_t lfn, const std::string& pnrFilter);
[[nodiscard]] int SQL_Qvx331Zk2_Delete(int32_t abrnr, const std::string& pnrFilter);
// Insert; Zk1Su1 from the LOGA2 sequence, Zk1Dat = sysdate().
[[nodiscard]] int SQL_Qvx331Zk1_Insert(const Zk1Record& r);
// Insert of following-month day runs: Zk1Bdt one month after r.Bdt.
[[nodiscard]] int SQL_Qvx331Zk1_InsertFolgemonat(const Zk1Record& r);
// Adds Std, Tge, Stg to the stored record with the same identity and replaces
// its Krt; the statement's status: 0 when the values were added, 1032 when
// the stored record was not found again.
// nextMonth: the record was written by SQL_Qvx331Zk1_InsertFolgemonat.
[[nodiscard]] int SQL_Qvx331Zk1_Update(const Zk1Record& r, bool nextMonth = false);
// Insert; on 1062 the nine figures are added to the stored row.
[[nodiscard]] int SQL_Qvx331Zk2_Write(const Zk2Record& r);

// The settlement's writers (run/write_batch.h): the record is gathered with
// others and written in one statement. onStatus gets the status of the
// record's insert when it is not 0 (1062 included) and does what the caller
// does with it; it runs at once when the record meets one written before for
// the same employee (nextMonth: booked one month after r.Bdt, as
// SQL_Qvx331Zk1_InsertFolgemonat), else only when the batch is refused and
// its records are written one by one.
void WriteZk1Record(const Zk1Record& r, bool nextMonth, std::function<void(int)> onStatus);
// The statistics row; a row that meets a stored one is added to it in the
// batch as SQL_Qvx331Zk2_Write does; onStatus gets a status other than 0.
void WriteZk2Record(const Zk2Record& r, std::function<void(int)> onStatus);

// LOGA2 numbering of Zk1Su1: switched by the settlement run; the counter lives
// as long as the process.
void SetLoga2Numbering(bool on);
// Zk1Su1 of the next insert: the next number of the sequence when the
// numbering is on and sts > 0 (the number after 999999999998 is 1), else 0.
double NextZk1Su1(int16_t sts);
// Sets the counter (the number last given out); 0 at the start of a run.
void ResetLoga2Sequence(int64_t last = 0);
