// Site-specific LS records from Qvx331Zks.
#pragma once

#include <string>

struct RunContext;

// Writes the employee's Qvx331Zks values of [von, bis] as records of record
// type "LS" (value in hundredths). Only for site "02272" and never for Lfn 2.
// Mode 0: transfer records (Qvx331Zk1) of Abrnr and Lfn. Mode 1: retro
// records (Qvx331Zk3) under RunKey, Abrnr and Lfn of the run's context (during the
// retro-calculation Abrnr is the accounting number being recomputed).
void WriteLsSaetze(const RunContext& ctx, const std::string& pnr, const std::string& upn, const std::string& von,
                   const std::string& bis, const std::string& kst, const std::string& ktr, const std::string& bdt,
                   int mode);
