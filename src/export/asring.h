// Asring export: the payroll side reads the staging tables Qvx333Asr (wage
// values of the LS records) and Qvx333Ask (absence periods of the SS
// records) from the database; no file is written.
#pragma once

struct RunContext;

void AsringLohnprogramm(RunContext& ctx);
