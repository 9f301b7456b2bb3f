// Records of the circle that the settlement, the retro-calculation, the run
// control and the exporters all read: the interface record and the periods of
// the accounting numbers.
#pragma once

#include <cstdint>
#include <string>

#include "run/context.h"

// Interface record of the circle (Qvx171Lug via AkrLug of O1001AbrKreis).
[[nodiscard]] int SQL_Qvx171Lug_Get(const std::string& akr, LugRecord& lug);
// First and last day of an accounting number as YYYY.MM.DD texts.
[[nodiscard]] int SQL_Qvx330Abr_GetPeriod(const std::string& akr, int32_t abrnr, std::string& von, std::string& bis);
