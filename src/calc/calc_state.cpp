#include "calc/calc_state.h"

CalcState Calc;
