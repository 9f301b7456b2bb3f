// TOPAS export: wage values (record type LS) into "LGD038IM" and periods
// (record type SS) into "LGD034IM" in TransferDir, staged in Qvx333Tp1 and
// Qvx333Tp2. A final run (running number 1) hands over only what the interim
// runs (running number 2) of the accounting number have not handed over.
#pragma once

#include <string>

struct RunContext;

void TopasLohnexport(RunContext& ctx);

// Period of a record that a final run hands over after an interim run sent
// interim start..end of the record's period start..end (all DD.MM.YYYY): the
// part of the record's period that the interim period does not cover.
void TopasRemainingPeriod(const std::string& interimVon, const std::string& interimBis, std::string& von,
                          std::string& bis);
