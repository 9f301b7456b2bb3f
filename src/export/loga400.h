// Loga400 export: the payroll side reads the staging tables Qvx333B01 (one
// "B1" row of day and hour totals per person) and Qvx333B06 (numbered "B6"
// wage lines per person) from the database; no file is written.
#pragma once

struct RunContext;

void Loga400Lohnprogramm(RunContext& ctx);
