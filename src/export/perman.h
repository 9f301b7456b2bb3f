// Perman export: the values of the run, accumulated per personnel number, wage
// type and cost assignment in QVX333Perman, written as "M0060763.001" in
// TransferDir (header line, one line per value, trailer line).
#pragma once

struct RunContext;

void PermanLohnuebergabe(RunContext& ctx);
