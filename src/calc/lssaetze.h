// Site-specific LS records from Qvx331Zks.
#pragma once

#include <string>

// Mode 0: transfer records (Qvx331Zk1); mode 1: retro records (Qvx331Zk3).
void WriteLsSaetze(const std::string& pnr, const std::string& upn, const std::string& von, const std::string& bis,
                   const std::string& kst, const std::string& ktr, const std::string& bdt, int mode);
