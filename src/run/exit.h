// Ending the process with an exit code is an exception caught in main, so
// that a whole run can be driven inside one process (tests).
#pragma once

struct ProcessExit {
  int code;
};

[[noreturn]] inline void EndProcess(int code) { throw ProcessExit{code}; }
