// The circles of the demo company (db/demo.sql) besides the DATEV circle D1:
// one per payroll system, with the accounting number that holds the demo
// bookings and what a run of it hands over.
#pragma once

struct DemoCircle {
  const char* Circle;
  const char* Abrnr;
  const char* File;   // nullptr: no file
  const char* Table;  // staging table
  int HeaderLines;    // -1: lines are not counted against the rows
};

inline constexpr DemoCircle kDemoCircles[] = {
    {"LD1", "11", "LodasSST-0.txt", "Qvx333Ld1", -1}, {"LG1", "11", "Loga2001Lp1.csv", "Qvx333Lp1", 1},
    {"S1", "11", "02041011", "Qvx333Sag", 0},         {"R1", "11", "Raet.txt", "Qvx333Rat", 2},
    {"X1", "11", "LO_IMP.txt", "Qvx333Xxl", 0},       {"E1", "11", nullptr, "Qvx333Ems", -1},
    {"L4", "11", nullptr, "Qvx333B06", -1},           {"AS", "11", nullptr, "Qvx333Asr", -1},
    {"SP", "11", "LOXF-0001.csv", "Qvx333Sli", 1},    {"P1", "21", "PaisyP1.txt", "Qvx333Ps1", -1},
    {"P2", "31", "PaisyP1b.txt", "Qvx333Ps1B", -1},   {"SA", "11", "SAP2010.txt", "Qvx333S10", -1},
    {"T1", "11", "LGD038IM", "Qvx333Tp1", -1},        {"PM", "11", "M0060763.001", "QVX333Perman", -1},
    {"PR", "11", "ProAL.txt", "Qvx333Pro", 0},        {"SB", "11", "BEWA-042.DAT", "Qvx333Sbs", 0},
    {"B1", "11", "BMNLUG.txt", "Qvx333Bmn", 0},       {"G1", "11", "PVZERZDP.DAT", "Qvx333God", 2},
};
