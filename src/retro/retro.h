// Retro-calculation of earlier accounting numbers and the difference records:
// the steps the settlement control calls (Rueckrechnung with its RetroState,
// DifferenzenErmitteln, ZwischenDifferenzenErmitteln).
#pragma once

#include "retro/differences.h"
#include "retro/retro_calculation.h"
