// GOD export: hour records ("970") and absence periods ("331") in the staging
// table Qvx333God and the file "PVZERZDP.DAT" in TransferDir.
#pragma once

struct RunContext;

void GodLohnprogramm(RunContext& ctx);
