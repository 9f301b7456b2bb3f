// Retro-calculation: the values of the wage types marked for it (Lu1Rre 1)
// recomputed for an earlier accounting number from today's bookings, written
// as retro records (Qvx331Zk3) under the run's key for the difference step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calc/calc_state.h"
#include "calc/employment.h"
#include "calc/account_transfer.h"

struct RunContext;  // run/context.h

// A period recomputed in the run.
struct RetroPeriod {
  int32_t Abrnr = 0;
  std::string Von, Bis;
  // 0: the accounting number itself; n: its values paid n numbers later
  // (wage-type lines with Lu1Flg n).
  int16_t FolgeNr = 0;
};

// State of the retro-calculation across its calls: one per settlement,
// made by the settlement control and handed to every call of the retro loop
// and to the difference step.
struct RetroState {
  // Period of the accounting number last retro-calculated (calls with
  // Folgemonat 0); after the retro loop the earliest one.
  std::string RetroVon, RetroBis;
  // Its booking date: RetroBis when LugDtm is 2, else RetroVon.
  std::string RetroBdt;
  std::string LastPnr;  // key of the personnel number (BsvRow::PnrKey)
  // Every period recomputed in the run, following months included.
  std::vector<RetroPeriod> Periods;
  // Transfer records of an employee who moved to another circle were masked
  // (SQL_Qvx331Zk1_Mask) in the run's open transaction: the transferred values
  // are then not what a second connection reads.
  bool Masked = false;
};

// akr: circle of the accounting number; folgemonat 0: the accounting number
// itself (wage-type lines with Lu1Flg 0), 1: its following month folgeNr
// (lines with Lu1Flg = folgeNr), whose retro records carry abrnr and the
// booking date of the retro-calculated number. Returns the status of closing
// the employment cursor.
// answers: those of the settlement call before, which the retro-calculations
// go on with.
int Rueckrechnung(RunContext& ctx, RetroState& retro, const std::string& akr, int32_t abrnr, int16_t folgeNr,
                  int16_t folgemonat, TransferAnswers& answers);

// The bookings of one employee in [von, bis] (the period of the accounting
// number in ctx's Abrnr/AbrVon/AbrBis) as retro records: the rules of
// the account transfer with the retro destination, then the site records.
// retro: its period is the main period of the call (RetroVon, RetroBis);
// types: the record types read for the call (ReadSatzarten).
void RueckrechnungZeitkonten(const RunContext& ctx, const RetroState& retro, CalcState& types, const BsvRow& row,
                             const std::string& akr, const std::string& bdt, int16_t folgeNr, int16_t folgemonat,
                             TransferAnswers& answers);

// Employment rows of the circle overlapping [von, abrBis], per employee
// newest first; the fetch derives Zk1Upn as the settlement's does.
[[nodiscard]] int SQL_Qvx310Bsv_OpenRetro(EmploymentCursor& bsv, const std::string& akr, const std::string& abrBis,
                                          const std::string& von, bool lugOnly);
[[nodiscard]] int SQL_Qvx310Bsv_FetchRetro(EmploymentCursor& bsv, BsvRow& row);
[[nodiscard]] int SQL_Qvx310Bsv_CloseRetro(EmploymentCursor& bsv);
// Makes the employee's positive Zk1Rre outside abrnrStart negative; 0 on
// success, else the statement's status.
[[nodiscard]] int SQL_Qvx331Zk1_Mask(const std::string& pnr, int32_t abrnrStart);
