#include "retro/retro_calculation.h"

#include "calc/settlement.h"
#include "calc/site_records.h"
#include "calc/interface_record.h"
#include "calc/statistics.h"
#include "calc/interruptions.h"
#include "calc/batch/employee_batch.h"
#include "calc/retro_records.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

namespace {

void Check(int st, const char* message) {
  if (st == 0) return;
  ReportStatus(st, message, st);
}

// The interruption record of the employee's first row.
void RetroUnterbrechung(const RunContext& ctx, const BsvRow& row, const InterruptionType& it, const std::string& von,
                        const std::string& bis, const std::string& bdt) {
  HomeCost home;
  if (SQL_Qvx311Zuo_Get(row.BsvPnr, von, bis, home) == kSqlNoMoreRows)
    Log("Keine Stammkostenstelle für PNR %s", row.BsvPnr);
  int32_t count = CountUnterbrechungenIn(row.BsvPnr, von, bis);
  if (count <= 0) return;
  Log("--- Unterbrechungen: %d", count);
  Zk3Record z;
  z.Key = ctx.RunKey;
  z.Abr = ctx.Abrnr;
  z.Lfn = ctx.Lfn;
  z.Stz = it.Lu1Stz;
  z.Bdt = bdt;
  z.Pnr = row.BsvPnr;
  z.Zkt = it.Lu1Lna;
  z.Lna = it.Lu1Lna;
  z.Lgr = " ";
  z.Kst = home.ZuoKst;
  z.Ktr = home.ZuoKtr;
  z.Krt = home.ZuoKrt;
  z.Std = count;
  z.Von = von;
  z.Bis = bis;
  z.Sts = 112;
  z.Upn = row.Zk1Upn;
  // a duplicate leaves the stored record as it is
  int st = SQL_Qvx331Zk3_Insert(z);
  if (st != 0 && st != kSqlDuplicate) Check(st, "   Insert/Update Fehler %d");
}

// Run state switched for one call (the accounting number, its period and the
// interface record) and restored after it.
struct SavedRun {
  RunContext& ctx;
  int32_t Abrnr = ctx.Abrnr;
  std::string AbrVon = ctx.AbrVon, AbrBis = ctx.AbrBis;
  LugRecord Lug = ctx.Lug;
  ~SavedRun() {
    ctx.Abrnr = Abrnr;
    ctx.AbrVon = AbrVon;
    ctx.AbrBis = AbrBis;
    ctx.Lug = Lug;
  }
};

// Employment ended before the run's period (curVon..curBis), employee now in
// another circle: the transfer records are kept out of the difference step.
// True when the employee's records were masked (or the masking was refused and
// reported).
bool MaskedAsMoved(const RunContext& ctx, RetroState& retro, const BsvRow& row, const std::string& akr,
                   const std::string& curVon, const std::string& curBis) {
  if (row.BsvGbi.empty() || row.BsvGbi > curVon) return false;
  std::string other;
  if (SQL_Qvx310Bsv_GetAkr(row.BsvPnr, curVon, curBis, other) != 0 || other == akr) return false;
  Log("Pnr : %s in anderen AbrKreis gewechselt-> nicht berechnen", row.BsvPnr);
  Log("     => Datensätze temporär maskieren!");
  retro.Masked = true;
  int mst = SQL_Qvx331Zk1_Mask(row.BsvPnr, ctx.AbrnrStart);
  if (mst != 0) ReportStatus(mst, "Pnr : %s SetZk1-Update-Fehler %d", row.BsvPnr, mst);
  return true;
}

}  // namespace

int Rueckrechnung(RunContext& ctx, RetroState& retro, const std::string& akrArg, int32_t abrnr, int16_t folgeNr,
                  int16_t folgemonat, TransferAnswers& answers) {
  SavedRun saved{ctx};
  // The period of the run (the requested accounting number) decides which
  // employments are read and who has moved to another circle.
  const std::string curVon = ctx.AbrVon, curBis = ctx.AbrBis;

  // 1. Period of the accounting number.
  std::string von, bis;
  RequirePeriod(akrArg, abrnr, von, bis, "Lesefehler Qvx330Abr: %d");
  if (folgemonat == 0) Log("\n>>>>>Rückrechnung :");
  Log("AbrNr: %ld von: %s bis: %s", abrnr, von, bis);
  if (folgemonat == 0) {
    retro.RetroVon = von;
    retro.RetroBis = bis;
  }
  retro.Periods.push_back({abrnr, von, bis, static_cast<int16_t>(folgemonat == 0 ? 0 : folgeNr)});

  // 2. Interface record of the circle and the booking date. A record that
  // cannot be read leaves the interface in force as it is.
  int st = SQL_Qvx171Lug_Get(akrArg, ctx.Lug);
  if (st != 0) Check(st, "Qvx171Lug-Lesenfehler: %d");
  const LugRecord lug = ctx.Lug;
  retro.RetroBdt = ctx.Lug.LugDtm == 2 ? retro.RetroBis : retro.RetroVon;
  const std::string bdt = retro.RetroBdt;

  // 3.-4.
  const bool lugOnly = ctx.Lug.LugPnr != 0;
  Log(lugOnly ? "Nur LuG-PersNr verarbeiten\n" : "Alle PersNr verarbeiten\n");
  // the record types of the interface in force, the retro-calculation's own
  CalcState types;
  ReadSatzarten(types, ctx.Lug.LugLgp, false);
  InterruptionType it;
  // The settlement counts interruptions in the main call only; a following
  // month has none to compare with.
  bool interruptions =
      folgemonat == 0 && SQL_Qvx171Lu1_GetUnterbrechung(ctx.Lug.LugLug, von, bis, it) == 0 && it.Lu1Rre == 1;

  // 5.-6. Employment rows; the records are computed for abrnr in [von, bis].
  retro.LastPnr.clear();
  EmploymentCursor bsv;
  RequireRead(SQL_Qvx310Bsv_OpenRetro(bsv, akrArg, curBis, von, lugOnly), "Qvx310Bsv");
  ctx.Abrnr = abrnr;
  ctx.AbrVon = von;
  ctx.AbrBis = bis;
  std::string akr = akrArg;
  BsvRow row;
  BsvAhead ahead(
      ctx, [&bsv](BsvRow& r) { return SQL_Qvx310Bsv_FetchRetro(bsv, r); }, von, bis, ctx.PnrFilter,
      folgemonat != 0 ? folgeNr : int16_t{0});
  while ((st = ahead.Next(row)) == 0) {
    if (!ctx.PnrFilter.empty() && row.BsvPnr != ctx.PnrFilter) continue;
    // the settlement of the period leaves the employee out and says so; its
    // number, replaced, could be another employee's
    if (!row.RefusedField.empty()) continue;
    if (!row.BsvLug.empty()) Log("Pnr: %s   PersNr-LuG verwenden: %s", row.BsvPnr, row.BsvLug);
    else Log("Pnr: %s", row.BsvPnr);

    const bool first = row.PnrKey != retro.LastPnr;
    if (first) retro.LastPnr = row.PnrKey;

    if (MaskedAsMoved(ctx, retro, row, akr, curVon, curBis)) continue;

    // Employment beginning at the end of the period or later.
    if (row.BsvGvo >= bis && !TakeLateEntry(ctx, row, von, bis, akr, retro.LastPnr, "Qvx171Lug-Lesenfehler(4): %d"))
      continue;

    if (first) {
      if (interruptions) RetroUnterbrechung(ctx, row, it, von, bis, bdt);
      RueckrechnungZeitkonten(ctx, retro, types, row, akr, bdt, folgeNr, folgemonat, answers);
    }
    akr = akrArg;
    ctx.Lug = lug;
  }

  // 7.
  ReportStatus(st, "PersNr-Lesen Status: %d", st);
  return SQL_Qvx310Bsv_CloseRetro(bsv);
}

void RueckrechnungZeitkonten(const RunContext& ctx, const RetroState& retro, CalcState& types, const BsvRow& row,
                             const std::string& akr, const std::string& bdt, int16_t folgeNr, int16_t folgemonat,
                             TransferAnswers& answers) {
  // The values are computed by the rules of the account transfer itself, so
  // that unchanged bookings give exactly the values handed over.
  std::string callBdt = bdt;
  TransferCall call;
  call.Bsv = &row;
  call.Akr = akr;
  call.FolgeNr = folgeNr;
  call.Folgemonat = folgemonat;
  // following months: month values are booked on the date of the
  // retro-calculated number (or, by Lu1Fkt, of the period computed)
  call.MainVon = retro.RetroVon;
  call.MainBis = retro.RetroBis;
  call.Bdt = &callBdt;
  call.Dest = &kRetroRecords;
  call.Answers = &answers;
  call.Calc = &types;
  call.Context = &ctx;
  TransferZeitkontenTo(call);

  // Site records.
  if (ctx.MndSto == "02272" && folgemonat == 0 && ctx.Lfn != 2) {
    HomeCost home;
    if (SQL_Qvx311Zuo_Get(row.BsvPnr, ctx.AbrVon, ctx.AbrBis, home) == kSqlNoMoreRows)
      Log("      Keine Stammkostenstelle für PNR %s (2)", row.BsvPnr);
    WriteLsSaetze(ctx, row.BsvPnr, row.Zk1Upn, ctx.AbrVon, ctx.AbrBis, home.ZuoKst, home.ZuoKtr, bdt, 1);
  }
}

// The settlement's employment cursor without the special-leave model.
[[nodiscard]] int SQL_Qvx310Bsv_OpenRetro(EmploymentCursor& bsv, const std::string& akr, const std::string& abrBis,
                                          const std::string& von, bool lugOnly) {
  return bsv.Open(akr, abrBis, von, lugOnly, false);
}

[[nodiscard]] int SQL_Qvx310Bsv_FetchRetro(EmploymentCursor& bsv, BsvRow& row) { return bsv.Fetch(row); }

[[nodiscard]] int SQL_Qvx310Bsv_CloseRetro(EmploymentCursor& bsv) { return bsv.Close(); }

[[nodiscard]] int SQL_Qvx331Zk1_Mask(const std::string& pnr, int32_t abrnrStart) {
  return SqlWrite(
      SqlFormat("UPDATE Qvx331Zk1  SET Zk1Rre = Zk1Rre * -1  WHERE Zk1Pnr = '%s'   AND Zk1Abr != %ld"
                "   AND Zk1Rre > 0",
                pnr, abrnrStart));
}
