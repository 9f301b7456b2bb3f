// SAP export: infotypes 2010 (hours per wage type and day) and 2001
// (absences), staged in Qvx333S10 and Qvx333S01 and written as the files
// "SAP2010.txt", "SAP2010.csv", "SAP2001.txt" and "SAP2001.csv" in TransferDir.
#pragma once

struct RunContext;

void SapLohnprogramm(RunContext& ctx);
