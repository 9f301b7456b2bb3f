// Settlement control: interface record, period, run mode and the loops over
// following months and earlier accounting numbers.
#pragma once

#include <cstdint>
#include <string>

#include "calc/account_transfer.h"
#include "calc/calc_state.h"
#include "calc/interface_record.h"
#include "retro/retro_calculation.h"
#include "run/context.h"

// What one settlement of the run keeps across its calls: the calculation's
// state, the retro state that the retro loop fills and the difference step
// reads, and the answers of the account transfer's look-ups, which each
// settlement call begins anew and the retro-calculations go on with.
struct Settlement {
  explicit Settlement(RunContext& ctx) : Context(ctx) {}
  RunContext& Context;  // of the run
  CalcState Calc;
  RetroState Retro;
  TransferAnswers Answers;
};

// Reads the interface record and the period of the run, decides between final
// and interim settlement, sets Lfn and drives the settlement, the following
// months, the retro loop and the differences. Ends the process with exit code
// 0 for an interim request outside the period. The settlement's state is made
// anew for each call (a run started over after a lock conflict, or the next
// run of the process, never sees the periods of the one before); tests hand
// in their own to look at it afterwards.
void SettlementControl(RunContext& ctx);
void SettlementControl(Settlement& settlement);

// Which step runs for a following-month group: the settlement (CalcAbrnr) or
// the retro-calculation (Rueckrechnung).
enum class FolgeVariante { Berechnung, Rueckrechnung };

// Following months of (akr, abrnr): the accounting numbers Lu1Flg places
// before it, each distinct Lu1Flg value once, in ascending order.
void FollowingMonths(Settlement& settlement, const std::string& akr, int32_t abrnr, FolgeVariante variante);

// Has the final settlement of the accounting number run already? This system
// keeps no record of it: the answer is always no.
bool EndabrechnungGelaufen(int32_t abrnr, int16_t lfn);
// Tests only: the answer of EndabrechnungGelaufen (a yes refuses interim
// requests and makes a final settlement correct its interim settlements).
void SetEndabrechnungGelaufen(bool ran);

// Key of the circle's interface record only.
[[nodiscard]] int SQL_Qvx171Lug_GetLug(const std::string& akr, std::string& lugLug);
[[nodiscard]] int SQL_O1001AbrKreis_GetRrm(const std::string& akr, int16_t& akrRrm);

// Distinct following-month offsets (Lu1Flg > 0) of an interface, ascending.
[[nodiscard]] int SQL_Qvx171Lu1_OpenFlg(SqlCursor& c, const std::string& lugLug);
[[nodiscard]] int SQL_Qvx171Lu1_FetchFlg(SqlCursor& c, int16_t& lu1Flg);
[[nodiscard]] int SQL_Qvx171Lu1_CloseFlg(SqlCursor& c);
// Earlier accounting numbers of a circle, newest first (following months).
[[nodiscard]] int SQL_Qvx330Abr_OpenPrev(SqlCursor& c, const std::string& akr, int32_t abrnr);
[[nodiscard]] int SQL_Qvx330Abr_FetchPrev(SqlCursor& c, std::string& abrAkr, int32_t& abrNum);
[[nodiscard]] int SQL_Qvx330Abr_ClosePrev(SqlCursor& c);
// The same on a cursor of its own (retro loop).
[[nodiscard]] int SQL_Qvx330Abr_OpenRetro(SqlCursor& c, const std::string& akr, int32_t abrnr);
[[nodiscard]] int SQL_Qvx330Abr_FetchRetro(SqlCursor& c, std::string& abrAkr, int32_t& abrNum);
[[nodiscard]] int SQL_Qvx330Abr_CloseRetro(SqlCursor& c);
