// Entry point of a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/context.h"

// Runs the program with the argument vector (program name first) and returns
// the exit code.
int RunMain(const std::vector<std::string>& args);
// The same with the run's context the caller's (tests look at it afterwards);
// it is made anew first.
int RunMain(const std::vector<std::string>& args, RunContext& ctx);

// Exit code of a mistake at the console (an unknown option, --preview without
// a folder or with --check, an accounting number that is no number): the call
// ends before anything is touched. Apart from the codes of a run (0, 1) and
// of a check (2); 64 is the usual code of a usage mistake (sysexits).
inline constexpr int kExitUsage = 64;

[[nodiscard]] int SQL_GetSysdate(std::string& out);
[[nodiscard]] int SQL_Qvx112Mnd_GetSto(const std::string& schema, std::string& mndSto);
[[nodiscard]] int SQL_O1001AbrKreis_GetSsl(const std::string& akr, int16_t& ssl, int16_t& azr);

// Named server lock, held until released or the connection ends: one run per
// schema and circle ("lugtransfer <schema> <circle>"), one export per schema
// and exporter ("lugexport <schema> <n>"), the run keys of a schema
// ("lugkeys <schema>", "lugkey <schema> <digits of the key>"). Waits up to
// waitSeconds for it; got is 1 when it was taken, 0 when another run held it
// all that time (NULL leaves got as it was).
[[nodiscard]] int SQL_GetNamedLock(const std::string& name, int waitSeconds, int32_t& got);
[[nodiscard]] int SQL_ReleaseNamedLock(const std::string& name, int32_t& released);
// The database time text (DD.MM.YYYY HH:MM:SS) seconds later.
[[nodiscard]] int SQL_AddSeconds(const std::string& dbTime, int32_t seconds, std::string& out);

// A step of the run that lost its transaction to a lock conflict is started
// over at most this often in all, after a pause of attempt x kRetryPauseMs.
inline constexpr int kLockConflictAttempts = 3;
inline constexpr int kRetryPauseMs = 1000;
// Tests shorten the pause.
void SetRetryPause(int milliseconds);

// Seconds a run waits for another run of the same schema and circle to end
// (kRunLockWaitSeconds; tests shorten it).
inline constexpr int kRunLockWaitSeconds = 1800;
void SetRunLockWait(int seconds);
