// The header values of a circle's interface record (Qvx171Lug) as the
// exporters read them.
#pragma once

#include <string>

#include "run/context.h"

// Interface header values of the circle's interface record: LugLug, LugMon,
// LugFir, LugAkr (the caller presets them; NULL columns keep the presets).
// A firm or circle number with a line break ends the hand-over
// (RequireFitsLine), as does, in GetLugFir, such a firm number.
[[nodiscard]] int SQL_Qvx171Lug_GetFir(const std::string& akr, LugRecord& lug);
// Only LugLug and LugFir.
[[nodiscard]] int SQL_Qvx171Lug_GetLugFir(const std::string& akr, LugRecord& lug);
// Firm number under which the payroll system knows the company: LugFir, or
// the circle when LugFir is empty, cut to its first length characters.
std::string FirmText(const LugRecord& lug, const std::string& akr, int length);
