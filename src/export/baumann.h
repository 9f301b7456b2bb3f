// Baumann export: hours per person, month and wage type in the staging table
// Qvx333Bmn and the 80-character lines of "BMNLUG.txt" in TransferDir.
#pragma once

#include <cstdint>

void BaumannLohnprogramm();

// Decimal hours of a number of minutes, the hundredths truncated towards zero
// (100 minutes give 1.66).
double BaumannHours(int32_t minutes);
