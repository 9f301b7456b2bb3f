// Settlement control: interface record, period, run mode and the loops over
// following months and earlier accounting numbers.
#pragma once

void SettlementControl();
