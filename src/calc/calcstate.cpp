#include "calc/calcstate.h"

CalcState Calc;
