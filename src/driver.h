// Entry point of a run.
#pragma once

#include <string>
#include <vector>

// Runs the program with the argument vector (program name first) and returns
// the exit code.
int RunMain(const std::vector<std::string>& args);

int SQL_GetSysdate(std::string& out);
int SQL_Qvx112Mnd_GetSto(const std::string& schema, std::string& mndSto);
int SQL_O1001AbrKreis_GetSsl(const std::string& akr, int16_t& ssl, int16_t& azr);
