// The transfer record as an exporter reads it: the record itself, the cursors
// over a run's records and the checks that keep a record's texts from breaking
// a line of a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "run/db.h"

// One transfer record of Qvx331Zk1 as the exporters fetch it (dates as
// YYYY.MM.DD texts unless an exporter selects another pattern).
struct TransferRecord {
  int32_t Zk1Abr = 0;
  int16_t Zk1Lfn = 0;
  std::string Zk1Stz;
  std::string Zk1Bdt;
  std::string Zk1Pnr;
  std::string Zk1Zkt;
  std::string Zk1Lna;
  std::string Zk1Lgr;
  std::string Zk1Kst;
  std::string Zk1Ktr;
  std::string Zk1Krt;
  int32_t Zk1Std = 0;  // minutes
  int32_t Zk1Tge = 0;  // tenths of a day
  int32_t Zk1Stg = 0;
  std::string Zk1Von;
  std::string Zk1Bis;
  int16_t Zk1Sts = 0;
  int16_t Zk1Rre = 0;
  int16_t Zk1Sta = 0;
  std::string Zk1Upn;  // personnel number in the payroll system
  int32_t Zk1Rrn = 0;  // accounting number a difference record corrects
};

// The run's transfer records (Zk1Abr = abrnr, Zk1Lfn = lfn), Zk1Von and
// Zk1Bis formatted with the date_format pattern vonBis ("%Y.%m.%d" or
// "%d.%m.%Y"), condition (may be empty) added to the WHERE clause. Ordered by
// person, kind and booking date, and then by the remaining key columns, so
// that the same records always come in the same order (line numbers and
// first values depend on it).
[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& cursor, int32_t abrnr, int16_t lfn, std::string_view vonBis,
                                        std::string_view condition);
// The twenty columns Zk1Abr to Zk1Upn into r (r is cleared first).
[[nodiscard]] int SQL_Qvx331Zk1_FetchRun(SqlCursor& cursor, TransferRecord& r);

// True when no text of the record breaks a line; otherwise the record is left
// out of the hand-over, logged with the field and its value (line breaks shown
// as \n and \r) and listed in the run's report.
bool RecordFitsLine(const TransferRecord& r, std::string_view separators);

// Name of a person.
[[nodiscard]] int SQL_Qvx300Pnr_GetName(const std::string& pnr, std::string& name);

// Columns of a transfer record for a cursor over Qvx331Zk1 (table alias z), in
// the order SqlFetchTransfer copies them: the booking date as YYYY.MM.DD, the
// period start and end as DD.MM.YYYY.
inline constexpr char kZk1ExportColumns[] =
    "z.Zk1Abr, z.Zk1Lfn, z.Zk1Stz, date_format(z.Zk1Bdt, '%Y.%m.%d'), z.Zk1Pnr, z.Zk1Zkt, z.Zk1Lna, z.Zk1Lgr, "
    "z.Zk1Kst, z.Zk1Ktr, z.Zk1Krt, z.Zk1Std, z.Zk1Tge, z.Zk1Stg, date_format(z.Zk1Von, '%d.%m.%Y'), "
    "date_format(z.Zk1Bis, '%d.%m.%Y'), z.Zk1Sts, z.Zk1Rre, z.Zk1Sta, z.Zk1Upn";
// One fetch of a cursor whose statement begins with the twenty columns Zk1Abr
// to Zk1Upn in the order of kZk1ExportColumns (the date patterns may differ);
// extra columns selected after them are copied into the further fields.
template <class... T>
int SqlFetchTransfer(SqlCursor& c, TransferRecord& r, T&... extra) {
  return SqlFetchInto(c, r.Zk1Abr, r.Zk1Lfn, r.Zk1Stz, r.Zk1Bdt, r.Zk1Pnr, r.Zk1Zkt, r.Zk1Lna, r.Zk1Lgr, r.Zk1Kst,
                      r.Zk1Ktr, r.Zk1Krt, r.Zk1Std, r.Zk1Tge, r.Zk1Stg, r.Zk1Von, r.Zk1Bis, r.Zk1Sts, r.Zk1Rre,
                      r.Zk1Sta, r.Zk1Upn, extra...);
}
// Cursor over the transfer records of one run (accounting number and running
// number), ordered by person, wage type and date so that files built from
// them do not depend on the server's order.
[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& c, int32_t abrnr, int16_t lfn);
