// DATEV export: the semicolon-separated file "datev.csv" in TransferDir.
#pragma once

#include <cstdint>
#include <string>

void DatevLohnprogramm();

// Start of the period of an accounting number as YYYY.MM.DD (also read by
// other exporters that need the period start).
[[nodiscard]] int SQL_Qvx330Abr_GetVon(const std::string& akr, int32_t abrnr, std::string& von);

[[nodiscard]] int SQL_Qvx331Zk1_OpenDatev(int32_t abrnr);
[[nodiscard]] int SQL_Qvx331Zk1_FetchDatev();  // into Zk1Rec
[[nodiscard]] int SQL_Qvx331Zk1_CloseDatev();
[[nodiscard]] int SQL_Qvx171Lu1_OpenDatev(const std::string& lugLug, const std::string& stz, const std::string& zkt,
                                          const std::string& lna, const std::string& abrVon);
[[nodiscard]] int SQL_Qvx171Lu1_FetchDatev();  // first row into Lu1Settings
[[nodiscard]] int SQL_Qvx171Lu1_CloseDatev();
