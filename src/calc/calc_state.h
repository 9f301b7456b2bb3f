// State of the settlement calculation shared by the employee loop, the
// statistics, the interruption count, the account transfer and the site
// records. Process-wide, like RunContext.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// One employment row of Qvx310Bsv (dates as YYYY.MM.DD, an open end empty).
struct BsvRow {
  std::string BsvPnr;
  std::string BsvAkr;
  std::string BsvGvo;
  std::string BsvGbi;
  std::string BsvLug;
  std::string BsvSfr;
  std::string Zk1Upn;   // payroll personnel number derived in the fetch
  std::string PnrKey;   // key of BsvPnr as the server compares it (run/dbkey.h)
  std::string StmtKey;  // key of the personnel number as the statements carry it (trimmed)
  // A personnel number of the row that Windows-1252 cannot hold: the field
  // ("Personalnummer", "PersNr-LuG") and its text as log lines show it. The
  // employee is left out (RefuseEmployee): the program's replacement of the
  // text could be another employee's number.
  std::string RefusedField, RefusedText;
};

// Statistics accumulator of the current employment row.
struct StatAccu {
  double Stt = 0, Svt = 0, SvkSum = 0, Slt = 0, Ant = 0, Sln = 0, Uns = 0, Zes = 0, Bzt = 0, Unt = 0;
};

// Home cost assignment of the employee (QVX311ZUO); empty when none is found.
struct HomeCost {
  std::string ZuoKst, ZuoKtr, ZuoKrt;
};

// Wage type of the interruption count (assignment with Lu1Sts 112).
struct InterruptionType {
  bool Exists = false;
  std::string Lu1Lna, Lu1Stz;
  int16_t Lu1Rre = 0;
};

struct RecordType {
  std::string Lg1Stz;
  int16_t Lg1Stt = 0, Lg1Svt = 0, Lg1Zes = 0;
};

struct CalcState {
  std::string MainVon, MainBis;  // period of the main call
  std::string Zk1Bdt;            // booking date of the run's records
  std::array<RecordType, 5> RecordTypes{};
  int RecordTypeCount = 0;
  InterruptionType Interruption;
  BsvRow Bsv;           // current employment row
  std::string LastPnr;  // key of the personnel number (BsvRow::PnrKey)
  bool FirstRow = false;
  bool Written = false;     // a transfer record was written for the current row
  double CalendarDays = 0;  // the employee's running total of calendar days (at most 30)
  StatAccu Stat;
  HomeCost Home;
  // Final settlement after interim settlements of the number: the day runs
  // of the main call become retro records (interim differences).
  bool TagesfolgenRetro = false;
};

extern CalcState Calc;
