// The rows of the per-employee reads that a batch of employees can serve:
// the employment row that starts an employee, the home cost assignment and
// the bookings of the account transfer. The calculation's rules and the batch
// both work with them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

// A sum of minutes or tenths of a day, summed in 64 bits, held at the limits
// of the 32-bit columns instead of wrapping around to the other sign.
inline int32_t ClampInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// One employment row of Qvx310Bsv (dates as YYYY.MM.DD, an open end empty).
struct BsvRow {
  std::string BsvPnr;
  std::string BsvAkr;
  std::string BsvGvo;
  std::string BsvGbi;
  std::string BsvLug;
  std::string BsvSfr;
  std::string Zk1Upn;   // payroll personnel number derived in the fetch
  std::string PnrKey;   // key of BsvPnr as the server compares it (run/db_key.h)
  std::string StmtKey;  // key of the personnel number as the statements carry it (trimmed)
  // A personnel number of the row that Windows-1252 cannot hold: the field
  // ("Personalnummer", "PersNr-LuG") and its text as log lines show it. The
  // employee is left out (RefuseEmployee): the program's replacement of the
  // text could be another employee's number.
  std::string RefusedField, RefusedText;
};

// Home cost assignment of the employee (QVX311ZUO); empty when none is found.
struct HomeCost {
  std::string ZuoKst, ZuoKtr, ZuoKrt;
};

// Sum of one account of the period per booking kind and cost assignment.
struct ZkbMonat {
  std::string ZkbPnr;
  int16_t ZkbZtr = 0;
  std::string ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt;
  int32_t ZkbStd = 0;  // summed minutes
  int32_t ZkbTge = 0;
  int16_t ZkbStg = 0, ZkbSta = 0;
  // Keys of ZkbZkt, ZkbKst and ZkbKtr as the server compares them (DbKey).
  std::string KeyZkt, KeyKst, KeyKtr;
};

// One daily booking (ZkbZtr 1); the day as YYYY.MM.DD.
struct ZkbTag {
  std::string ZkbPnr;
  int16_t ZkbZtr = 0;
  std::string ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt;
  int32_t ZkbStd = 0, ZkbTge = 0;
  int16_t ZkbStg = 0, ZkbSta = 0;
  std::string ZkbDat;
  // Keys of ZkbKst, ZkbKtr (and ZkbZkt, in a batch) as the server compares them (DbKey).
  std::string KeyKst, KeyKtr, KeyZkt;
};
