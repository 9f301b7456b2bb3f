// SBS export: every transfer record of the run as one row of the staging
// table Qvx333Sbs and one fixed-width movement record in "BWA<firm>.DAT" or
// "BEWA-<firm>.DAT" in TransferDir.
#pragma once

struct RunContext;

void SbsLohnprogramm(RunContext& ctx);
