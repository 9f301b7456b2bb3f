// Retro-calculation of earlier accounting numbers and the difference records:
// the steps the settlement control calls.
#pragma once

#include <cstdint>
#include <string>

#include "calc/account_transfer.h"

// Recomputes the retro-relevant values of (akr, abrnr) into retro records;
// folgemonat 1: the following-month wage types with Lu1Flg = folgeNr.
// answers: those of the account transfer's look-ups of the settlement call
// before (calc/account_transfer.h), which the retro-calculation goes on with.
int Rueckrechnung(const std::string& akr, int32_t abrnr, int16_t folgeNr, int16_t folgemonat, TransferAnswers& answers);
// Compares the retro records with the values handed over before and writes
// difference records of the run.
int DifferenzenErmitteln();
// Differences of a final settlement against the interim settlements before it.
int ZwischenDifferenzenErmitteln();
