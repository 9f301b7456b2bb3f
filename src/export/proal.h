// ProAL export: hours per person, day, wage type and cost centre in the
// staging table Qvx333Pro and the fixed-width file "ProAL.txt" in TransferDir.
#pragma once

struct RunContext;

void ProalLohnprogramm(RunContext& ctx);
