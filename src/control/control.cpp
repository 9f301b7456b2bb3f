#include "control/control.h"

void SettlementControl() {}
