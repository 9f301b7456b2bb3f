// Entry point of a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Runs the program with the argument vector (program name first) and returns
// the exit code.
int RunMain(const std::vector<std::string>& args);

int SQL_GetSysdate(std::string& out);
int SQL_Qvx112Mnd_GetSto(const std::string& schema, std::string& mndSto);
int SQL_O1001AbrKreis_GetSsl(const std::string& akr, int16_t& ssl, int16_t& azr);

// Named server lock of one schema and circle ("lugtransfer <schema> <circle>"):
// waits up to waitSeconds for it; got is 1 when it was taken, 0 when another
// run held it all that time (NULL leaves got as it was).
int SQL_GetRunLock(const std::string& schema, const std::string& akr, int waitSeconds, int32_t& got);

// Seconds a run waits for another run of the same schema and circle to end
// (kRunLockWaitSeconds; tests shorten it).
inline constexpr int kRunLockWaitSeconds = 1800;
void SetRunLockWait(int seconds);
