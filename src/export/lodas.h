// LODAS export: movement-data import files "LodasSST-0.txt" (values of the
// settled accounting number) and "LodasSST-1.txt" ... "LodasSST-12.txt" (one
// per date of retro-calculated values) in TransferDir, accumulated in the
// staging table Qvx333Ld1.
#pragma once

struct RunContext;

void LodasLohnprogramm(RunContext& ctx);
