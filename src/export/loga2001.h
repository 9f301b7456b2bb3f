// LOGA2001 export: the wage values "Loga2001Lpc.csv" ([VARTAB] lines) and the
// time calendar "Loga2001Lp1.csv" ([ZEITENKAL] lines) in TransferDir. The
// finished lines are kept in Qvx333Lpc and Qvx333Lp1, so that runs without
// interface clearing append to the lines of earlier runs.
#pragma once

struct RunContext;

void Loga2001Lohnprogramm(RunContext& ctx);
