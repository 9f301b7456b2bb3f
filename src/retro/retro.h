// Retro-calculation of earlier accounting numbers and the difference records:
// the steps the settlement control calls.
#pragma once

#include <cstdint>
#include <string>

// Recomputes the retro-relevant values of (akr, abrnr) into retro records;
// folgemonat 1: the following-month wage types with Lu1Flg = folgeNr.
int Rueckrechnung(const std::string& akr, int32_t abrnr, int16_t folgeNr, int16_t folgemonat);
// Compares the retro records with the values handed over before and writes
// difference records of the run.
int DifferenzenErmitteln();
// Differences of a final settlement against the interim settlements before it.
int ZwischenDifferenzenErmitteln();
