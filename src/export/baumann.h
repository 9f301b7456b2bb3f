// Baumann export: hours per person, month and wage type in the staging table
// Qvx333Bmn and the 80-character lines of "BMNLUG.txt" in TransferDir.
#pragma once

struct RunContext;

void BaumannLohnprogramm(RunContext& ctx);
