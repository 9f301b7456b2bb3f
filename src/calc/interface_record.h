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

// Why a period as read (YYYY.MM.DD texts, empty for NULL) cannot be settled:
// a date missing or not a day of the calendar, or a last day before the
// first. Empty when the period is usable.
std::string PeriodFault(const std::string& von, const std::string& bis);

// Why the month offset LugMon of the interface record cannot be used (beyond
// kMaxMonthOffset either way); empty when it can.
std::string MonthOffsetFault(const LugRecord& lug);

// Reads the period of an accounting number that the run settles or
// recomputes. A period that cannot be read or has no row ends the run with 60
// after readMessage ("... %d" with the status); one that is not usable ends
// it with 60 after a log line naming the accounting number and its dates:
// settled as empty, it would hand over nothing for the month, or reverse
// everything handed over for it.
void RequirePeriod(const std::string& akr, int32_t abrnr, std::string& von, std::string& bis, const char* readMessage);
