// Employee statistics (Qvx331Zk2), special balance records, attendance.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "calc/calc_state.h"

// Answers of the look-ups that do not depend on the employee, kept for one
// settlement call (the caller creates them with the call): the wage-type line
// of a special-record group, whether a day code books to an absence account,
// the calendar days of a range and the factor of a special-leave model. The
// tables do not change during a run; the keys are the statements' own
// arguments, compared byte for byte (another spelling of the same value is
// only looked up once more).
struct LgrAnswer {
  int Status = 0;
  std::string Lna, Ztk, Stz;
};
struct DaysAnswer {
  int Status = 0;
  double Days = 0;
};
struct AnzAnswer {
  int Status = 0;
  int16_t Anz = 0;
};
struct StatisticsAnswers {
  std::map<std::string, LgrAnswer> Lgr;
  std::map<std::string, int> Absence;
  std::map<std::string, DaysAnswer> Days;
  std::map<std::string, AnzAnswer> Sfr;
};

// Gathers the statistics figures of the employment row and writes the special
// records; runs the interruption count on first rows.
void CalcStatistik(const RunContext& ctx, CalcState& calc, const BsvRow& row, const std::string& akr,
                   StatisticsAnswers& answers);
// Writes the statistics row of the employment row (accumulating). In interim
// runs the figures are not gathered and the row carries zeros.
void WriteStatistik(const RunContext& ctx, CalcState& calc, const BsvRow& row);
// Attendance in tenths of a day.
double CountAnwesenheit(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& akr,
                        StatisticsAnswers& answers);

// Home cost assignment of the employee valid in [von, bis] (first row); the
// fields are taken only on status 0. Also used by the retro-calculation.
[[nodiscard]] int SQL_Qvx311Zuo_Get(const std::string& pnr, const std::string& von, const std::string& bis,
                                    HomeCost& home);
// Day codes of one day: whole-day code, first and second half-day code. The
// texts are cleared first (a NULL code stays empty) and trailing blanks are
// removed. Also used by the day runs of the account transfer.
[[nodiscard]] int SQL_Qvx327Tag_GetCodes(const std::string& pnr, const std::string& day, std::string& tagTgb,
                                         std::string& tagHtv, std::string& tagHtn);
