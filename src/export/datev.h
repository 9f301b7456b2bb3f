// DATEV export: the semicolon-separated file "datev.csv" in TransferDir.
#pragma once

#include <cstdint>
#include <string>

void DatevLohnprogramm();

// Start of the period of an accounting number as YYYY.MM.DD (also read by
// other exporters that need the period start).
int SQL_Qvx330Abr_GetVon(const std::string& akr, int32_t abrnr, std::string& von);

int SQL_Qvx331Zk1_OpenDatev(int32_t abrnr);
int SQL_Qvx331Zk1_FetchDatev();  // into Zk1Rec
int SQL_Qvx331Zk1_CloseDatev();
int SQL_Qvx171Lu1_OpenDatev(const std::string& lugLug, const std::string& stz, const std::string& zkt,
                            const std::string& lna, const std::string& abrVon);
int SQL_Qvx171Lu1_FetchDatev();  // first row into Lu1Settings
int SQL_Qvx171Lu1_CloseDatev();
