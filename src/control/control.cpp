#include "control/control.h"

#include "calc/settlement.h"
#include "calc/calc_state.h"
#include "calc/interface_record.h"
#include "calc/transfer_records.h"
#include "retro/retro.h"
#include "retro/retro_calculation.h"
#include "run/db.h"
#include "run/exit.h"
#include "run/run_log.h"

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, 5, prefix) == 0; }

// Today's date YYYY.MM.DD from the database time DD.MM.YYYY HH:MM:SS.
std::string Today(const RunContext& ctx) {
  return SubStr(ctx.DbTime, 6, 4) + SubStr(ctx.DbTime, 2, 4) + SubStr(ctx.DbTime, 0, 2);
}

// TOPAS: the run settles up to yesterday. On the 1st of a month "yesterday"
// stays the 1st.
void TopasRule(RunContext& ctx) {
  ctx.TopasFlag = 1;
  std::string day = SubStr(ctx.DbTime, 0, 2);
  if (day != "01") {
    int32_t d = ToLong(day) - 1;
    day = Format("%02d", d);
    ctx.TopasDay = d;
  }
  std::string yesterday = SubStr(ctx.DbTime, 6, 4) + SubStr(ctx.DbTime, 2, 4) + day;
  if (yesterday >= ctx.AbrVon && yesterday < ctx.AbrBis) {
    ctx.Lfn = 2;
    ctx.AbrBis = yesterday;
    ctx.InterimFlag = 1;
    Log("-- Zwischenabrechnung !!!! --");
  }
  if (yesterday > ctx.AbrBis) {
    ctx.Lfn = 1;
    ctx.InterimFlag = 0;
  }
}

// Reads the period of (akr, abrnr) into AbrVon/AbrBis; a period that cannot
// be settled ends the run.
void ReadPeriod(RunContext& ctx, const std::string& akr, int32_t abrnr, const char* message) {
  RequirePeriod(akr, abrnr, ctx.AbrVon, ctx.AbrBis, message);
}

void RetroLoop(Settlement& settlement) {
  RunContext& ctx = settlement.Context;
  ctx.AkrRrm = 0;
  ctx.LastStatus = SQL_O1001AbrKreis_GetRrm(ctx.Akr, ctx.AkrRrm);
  // without a result nothing would be recomputed and no difference written
  if (ctx.LastStatus == -1) AbortRun(60);
  if (ctx.AkrRrm == 0) return;
  // RetroAbrnr holds twelve accounting numbers; the difference step compares
  // with no more than these.
  int16_t limit = ctx.AkrRrm;
  if (limit > kMaxRetro) {
    Log("Rückrechnung auf %d Abrechnungsnummern begrenzt (AkrRrm: %d)", kMaxRetro, ctx.AkrRrm);
    limit = kMaxRetro;
  }
  SqlCursor numbers;
  RequireRead(SQL_Qvx330Abr_OpenRetro(numbers, ctx.Akr, ctx.Abrnr), "Qvx330Abr");
  ctx.RetroCount = 0;
  while (ctx.RetroCount < limit) {
    std::string akr;
    int32_t abrnr = 0;
    int st = SQL_Qvx330Abr_FetchRetro(numbers, akr, abrnr);
    if (st != 0) {
      ReportStatus(st, "Rueckrechnungs-Lesenstatus: %d", st);
      break;
    }
    ctx.RetroAbrnr[static_cast<size_t>(ctx.RetroCount)] = abrnr;
    Rueckrechnung(ctx, settlement.Retro, akr, abrnr, 0, 0, settlement.Answers);
    std::string savedAkr = ctx.Akr;
    int32_t savedAbrnr = ctx.Abrnr;
    ctx.Akr = akr;
    ctx.Abrnr = abrnr;
    FollowingMonths(settlement, akr, abrnr, FolgeVariante::Rueckrechnung);
    ctx.Akr = savedAkr;
    ctx.Abrnr = savedAbrnr;
    ++ctx.RetroCount;
  }
  (void)SQL_Qvx330Abr_CloseRetro(numbers);
  if (ctx.RetroCount > 0) DifferenzenErmitteln(ctx, settlement.Retro);
}

}  // namespace

namespace {
bool g_endabrechnungGelaufen = false;  // switched by tests only
}  // namespace

bool EndabrechnungGelaufen(int32_t, int16_t) { return g_endabrechnungGelaufen; }

void SetEndabrechnungGelaufen(bool ran) { g_endabrechnungGelaufen = ran; }

void SettlementControl(RunContext& ctx) {
  Settlement settlement(ctx);
  SettlementControl(settlement);
}

void SettlementControl(Settlement& settlement) {
  RunContext& ctx = settlement.Context;
  // The LOGA2 sequence begins with the run, as the settlement's state does.
  ResetLoga2Sequence();

  // Interface record and period of the run.
  ctx.Lug = LugRecord{};
  int st = SQL_Qvx171Lug_Get(ctx.Akr, ctx.Lug);
  if (st != 0) {
    ctx.LastStatus = st;
    Log("Qvx171Lug-Lesenfehler: %d", st);
    Log("Schnittstelle für diesen AbrKreis nicht gefunden!");
    // 98 is what the calling application reads as a complete hand-over
    AbortRun(60);
  }
  // every exporter shifts its payroll months by LugMon: a value no month
  // can be shifted by ends the run before anything is settled
  std::string offsetFault = MonthOffsetFault(ctx.Lug);
  if (!offsetFault.empty()) {
    Log("%s", offsetFault);
    AbortRun(60);
  }
  ctx.TopasFlag = StartsWith(ctx.Lug.LugLgp, "TOPAS") ? 1 : 0;
  RequirePeriod(ctx.Akr, ctx.Abrnr, ctx.AbrVon, ctx.AbrBis, "Fehler Lesen Qvx330Abr (1): %d");

  // Final or interim settlement.
  ctx.Lfn = 0;
  if (ctx.InterimFlag == 1) {
    Log("\n-- ZWISCHENABRECHNUNG !!!! --\n");
    std::string today = Today(ctx);
    if (today < ctx.AbrVon || today > ctx.AbrBis) {
      Log("Zwischenabrechnung nur innerhalb der aktuellen Abrechnungsperiode möglich !!");
      EndProcess(0);
    }
    ctx.Lfn = static_cast<int16_t>(ToLong(SubStr(ctx.DbTime, 0, 2)));
    if (EndabrechnungGelaufen(ctx.Abrnr, 0)) {
      Log("Zwischenabrechnung nicht möglich, da Endabrechnung bereits gelaufen !!");
      EndProcess(0);
    }
  } else {
    Log("\n-- ENDABRECHNUNG !!!! --\n");
  }

  // Asked again with Lfn: for a final settlement a yes means that interim
  // settlements of the number came before and are corrected right after the
  // calculation. The hook never answers yes in this system.
  bool interimDifferences = EndabrechnungGelaufen(ctx.Abrnr, ctx.Lfn);

  // TOPAS settles up to yesterday.
  if (StartsWith(ctx.Lug.LugLgp, "TOPAS")) TopasRule(ctx);
  interimDifferences = interimDifferences && ctx.InterimFlag == 0;

  // The requested accounting number.
  settlement.Calc.TagesfolgenRetro = interimDifferences;
  CalcAbrnr(ctx, settlement.Calc, ctx.Akr, ctx.Abrnr, 0, 0, settlement.Answers);
  settlement.Calc.TagesfolgenRetro = false;
  if (interimDifferences) ZwischenDifferenzenErmitteln(ctx);

  // Following months and earlier accounting numbers: final settlements only.
  if (ctx.InterimFlag == 1) return;
  FollowingMonths(settlement, ctx.Akr, ctx.Abrnr, FolgeVariante::Berechnung);
  RetroLoop(settlement);
}

void FollowingMonths(Settlement& settlement, const std::string& akr, int32_t abrnr, FolgeVariante variante) {
  RunContext& ctx = settlement.Context;
  const bool calc = variante == FolgeVariante::Berechnung;
  std::string lugLug;
  int lst = SQL_Qvx171Lug_GetLug(akr, lugLug);
  // no interface is no following month; no result must not be taken for it
  if (lst == -1) AbortRun(60);
  if (lst != 0) return;
  SqlCursor flgs, prev;
  RequireRead(SQL_Qvx171Lu1_OpenFlg(flgs, lugLug), "Qvx171Lu1");
  RequireRead(SQL_Qvx330Abr_OpenPrev(prev, akr, abrnr), "Qvx330Abr");

  int16_t reached = 0;
  int16_t flg = 0;
  int st = SQL_Qvx171Lu1_FetchFlg(flgs, flg);
  while (st == 0 && flg > reached) {
    // the flg-th accounting number before the given one
    std::string prevAkr;
    int32_t prevNum = 0;
    int pst = 0;
    for (int i = reached; i < flg; ++i) {
      prevAkr.clear();
      prevNum = 0;
      pst = SQL_Qvx330Abr_FetchPrev(prev, prevAkr, prevNum);
      if (pst != 0) break;
    }
    if (pst == -1) AbortRun(60);
    if (pst != 0) break;

    Log(calc ? "\n>>>>>Folgemonatsberechnung gestartet" : "\n>>>>>Folgemonatsberechnung(RR) gestartet");
    reached = flg;
    if (calc) {
      ReadPeriod(ctx, prevAkr, prevNum, "Fehler Lesen Qvx330Abr (2): %d");
      CalcAbrnr(ctx, settlement.Calc, prevAkr, prevNum, flg, 1, settlement.Answers);
    } else {
      Rueckrechnung(ctx, settlement.Retro, prevAkr, prevNum, flg, 1, settlement.Answers);
    }
    flg = 0;
    st = SQL_Qvx171Lu1_FetchFlg(flgs, flg);
  }
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx330Abr_ClosePrev(prev);
  (void)SQL_Qvx171Lu1_CloseFlg(flgs);

  // The period of the run's own accounting number is in force again: the
  // exporters and the retro-calculation read it. Inside the retro loop Abrnr
  // holds the recomputed number, so the requested number is taken.
  if (reached != 0)
    ReadPeriod(ctx, ctx.Akr, ctx.AbrnrStart,
               calc ? "Fehler Lesen Qvx330Abr (3): %d" : "Fehler Lesen Qvx330Abr (4): %d");
}

[[nodiscard]] int SQL_Qvx171Lug_GetLug(const std::string& akr, std::string& lugLug) {
  return SqlSelectOne(
      SqlFormat("SELECT LugLug FROM Qvx171Lug WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                akr),
      lugLug);
}

[[nodiscard]] int SQL_O1001AbrKreis_GetRrm(const std::string& akr, int16_t& akrRrm) {
  return SqlSelectOne(SqlFormat("SELECT AkrRrm  FROM O1001AbrKreis  WHERE AkrNum = '%s'", akr), akrRrm);
}

[[nodiscard]] int SQL_Qvx171Lu1_OpenFlg(SqlCursor& c, const std::string& lugLug) {
  return SqlOpen(c, SqlFormat("SELECT DISTINCT Lu1Flg FROM Qvx171Lu1 WHERE Lu1Num = '%s' AND Lu1Flg > 0"
                              " ORDER BY Lu1Flg",
                              lugLug));
}

[[nodiscard]] int SQL_Qvx171Lu1_FetchFlg(SqlCursor& c, int16_t& lu1Flg) { return SqlFetchInto(c, lu1Flg); }
[[nodiscard]] int SQL_Qvx171Lu1_CloseFlg(SqlCursor& c) { return dbClose(c); }

namespace {
constexpr const char* kPrevStatement =
    "SELECT AbrAkr, AbrNum   FROM Qvx330Abr  WHERE AbrAkr = '%s'   AND AbrNum < %ld  ORDER BY AbrNum DESC";
}

[[nodiscard]] int SQL_Qvx330Abr_OpenPrev(SqlCursor& c, const std::string& akr, int32_t abrnr) {
  return SqlOpen(c, SqlFormat(kPrevStatement, akr, abrnr));
}
[[nodiscard]] int SQL_Qvx330Abr_FetchPrev(SqlCursor& c, std::string& abrAkr, int32_t& abrNum) {
  return SqlFetchInto(c, abrAkr, abrNum);
}
[[nodiscard]] int SQL_Qvx330Abr_ClosePrev(SqlCursor& c) { return dbClose(c); }

[[nodiscard]] int SQL_Qvx330Abr_OpenRetro(SqlCursor& c, const std::string& akr, int32_t abrnr) {
  return SqlOpen(c, SqlFormat(kPrevStatement, akr, abrnr));
}
[[nodiscard]] int SQL_Qvx330Abr_FetchRetro(SqlCursor& c, std::string& abrAkr, int32_t& abrNum) {
  return SqlFetchInto(c, abrAkr, abrNum);
}
[[nodiscard]] int SQL_Qvx330Abr_CloseRetro(SqlCursor& c) { return dbClose(c); }
