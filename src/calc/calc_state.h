// State of the settlement calculation shared by the employee loop, the
// statistics, the interruption count, the account transfer and the site
// records. One per settlement: the settlement control makes it and hands it
// down to every call.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "calc/batch/rows.h"

struct RunContext;

// Statistics accumulator of the current employment row.
struct StatAccu {
  double Stt = 0, Svt = 0, SvkSum = 0, Slt = 0, Ant = 0, Sln = 0, Uns = 0, Zes = 0, Bzt = 0, Unt = 0;
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
