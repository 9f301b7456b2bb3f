// Schleupen export: sums per personnel number and wage type in Qvx333Sli,
// written as the semicolon-separated file "LOXF-0001.csv" in TransferDir.
#pragma once

struct RunContext;

void SchleupenLohnprogramm(RunContext& ctx);
void SchleupenWriteFile(const RunContext& ctx);
