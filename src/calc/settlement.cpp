#include "calc/settlement.h"

#include "calc/site_records.h"
#include "calc/interface_record.h"
#include "calc/statistics.h"
#include "calc/transfer_records.h"
#include "calc/batch/employee_batch.h"
#include "calc/employment.h"
#include "calc/account_transfer.h"
#include "run/context.h"
#include "run/db.h"
#include "run/db_key.h"
#include "run/platform.h"
#include "run/run_log.h"

namespace {

void ReportDelete(int st, const char* message, int32_t abrnr) {
  if (st == 0 || st == kSqlNoMoreRows) return;
  ReportStatus(st, message, st, abrnr);
}

void ReadUnterbrechung(const RunContext& ctx, CalcState& calc) {
  calc.Interruption = InterruptionType{};
  int st = SQL_Qvx171Lu1_GetUnterbrechung(ctx.Lug.LugLug, ctx.AbrVon, ctx.AbrBis, calc.Interruption);
  calc.Interruption.Exists = st == 0;
}

}  // namespace

void ReadSatzarten(CalcState& calc, const std::string& lugLgp, bool reportNone) {
  calc.RecordTypes = {};
  calc.RecordTypeCount = 0;
  SqlCursor lg1;
  RequireRead(SQL_Qvx170Lg1_Open(lg1, lugLgp), "Qvx170Lg1");
  while (calc.RecordTypeCount < static_cast<int>(calc.RecordTypes.size())) {
    RecordType t;
    int st = SQL_Qvx170Lg1_Fetch(lg1, t);
    if (st != 0) {
      if (calc.RecordTypeCount == 0 && reportNone) Log("Keine Satzarten gefunden !");
      if (st == -1) AbortRun(60);
      break;
    }
    calc.RecordTypes[static_cast<size_t>(calc.RecordTypeCount++)] = t;
  }
  (void)SQL_Qvx170Lg1_Close(lg1);
}

bool TakeLateEntry(RunContext& ctx, const BsvRow& row, const std::string& von, const std::string& bis, std::string& akr,
                   std::string& lastPnr, const char* lugErrorMessage) {
  std::string other;
  if (SQL_Qvx310Bsv_GetAkr(row.BsvPnr, von, bis, other) != 0) {
    Log("    -> erst später eingetreten!");
    ReportSkipped(ctx, row.BsvPnr, "erst später eingetreten");
    lastPnr.clear();
    return false;
  }
  if (other == akr) {
    Log("    -> neues Bsv im alten Abrkreis!");
    lastPnr.clear();
    return false;
  }
  // calculated under the interface of the circle the employee belonged to;
  // the circle of the run in the run's context stays, so that an abort reports to it
  akr = other;
  int st = SQL_Qvx171Lug_Get(akr, ctx.Lug);
  if (st != 0) ReportStatus(st, lugErrorMessage, st);
  return true;
}

namespace {

// Old results of the accounting number (of the one employee under a filter).
void DeleteOldResults(RunContext& ctx, int32_t abrnrCalc) {
  ReportDelete(SQL_Qvx331Zk1_Delete(abrnrCalc, ctx.Lfn, ctx.PnrFilter), "Fehler beim Loeschen der 331Zk1 %d, Abr: %ld",
               abrnrCalc);
  ReportDelete(SQL_Qvx331Zk2_Delete(abrnrCalc, ctx.PnrFilter), "Fehler beim Loeschen der 331Zk2: %d, Abr: %ld",
               abrnrCalc);
  if (abrnrCalc == ctx.AbrnrStart) ctx.Handover.SettlementStarted = true;
}

// The employee row taken up: logged, the first row of an employee marked,
// nothing of the previous row carried into it (interim runs and following
// months do not gather statistics).
void StartRow(CalcState& calc, const BsvRow& row) {
  if (row.BsvLug.empty()) Log("Pnr: %s", row.BsvPnr);
  else Log("Pnr: %s   PersNr-LuG verwenden: %s", row.BsvPnr, row.BsvLug);

  // First row of the employee: the newest employment record.
  calc.FirstRow = row.PnrKey != calc.LastPnr;
  if (calc.FirstRow) {
    calc.LastPnr = row.PnrKey;
    calc.CalendarDays = 0;
  }
  calc.Stat = StatAccu{};
  calc.Home = HomeCost{};
}

// Employment ended before the period, employee now in another circle.
bool MovedToOtherCircle(RunContext& ctx, const CalcState& calc, const BsvRow& row, const std::string& akr) {
  if (row.BsvGbi.empty() || row.BsvGbi > calc.MainVon) return false;
  std::string other;
  if (SQL_Qvx310Bsv_GetAkr(row.BsvPnr, calc.MainVon, calc.MainBis, other) != 0 || other == akr) return false;
  Log("Pnr : %s in anderen AbrKreis gewechselt ->nicht berechnen", row.BsvPnr);
  ReportSkipped(ctx, row.BsvPnr, "in anderen AbrKreis gewechselt");
  return true;
}

// Statistics, accounts and site records of one employee row.
// The answers of the look-ups a settlement call keeps.
struct CallAnswers {
  StatisticsAnswers Statistics;
  TransferAnswers* Transfer = nullptr;
};

void CalcRow(RunContext& ctx, CalcState& calc, const BsvRow& row, const std::string& akr, int16_t folgeNr,
             int16_t folgemonat, CallAnswers& answers) {
  const bool mainCall = folgemonat == 0;
  // Statistics, special records and interruptions.
  if (mainCall && ctx.InterimFlag == 0) CalcStatistik(ctx, calc, row, akr, answers.Statistics);

  // Account transfer and site records on the first row; statistics row.
  if (calc.FirstRow) {
    TransferZeitkonten(ctx, calc, row, akr, folgeNr, folgemonat, *answers.Transfer);
    if (ctx.MndSto == "02272" && mainCall && ctx.Lfn != 2)
      WriteLsSaetze(ctx, row.BsvPnr, row.Zk1Upn, ctx.AbrVon, ctx.AbrBis, calc.Home.ZuoKst, calc.Home.ZuoKtr,
                    calc.Zk1Bdt, 0);
  }
  if (mainCall) WriteStatistik(ctx, calc, row);

  if (!calc.Written) {
    Log("  - keine Daten ermittelt");
    ReportSkipped(ctx, row.BsvPnr, "keine Daten ermittelt");
  }
}

}  // namespace

int CalcAbrnr(RunContext& ctx, CalcState& calc, const std::string& akrRun, int32_t abrnrCalc, int16_t folgeNr,
              int16_t folgemonat, TransferAnswers& transferAnswers) {
  const bool mainCall = folgemonat == 0;
  std::string akr = akrRun;
  // the call begins with answers of its own
  transferAnswers = TransferAnswers{};
  CallAnswers answers{StatisticsAnswers{}, &transferAnswers};

  if (mainCall) DeleteOldResults(ctx, abrnrCalc);

  SetLoga2Numbering(ctx.Lug.LugLgp.compare(0, 5, "LOGA2") == 0);
  Log("AbrNum: %ld, Von: %s  bis: %s", abrnrCalc, ctx.AbrVon, ctx.AbrBis);
  if (mainCall) {
    calc.MainVon = ctx.AbrVon;
    calc.MainBis = ctx.AbrBis;
  }
  const LugRecord runLug = ctx.Lug;
  calc.Zk1Bdt = ctx.Lug.LugDtm == 2 ? calc.MainBis : calc.MainVon;
  if (mainCall) ctx.AbrDatum = calc.Zk1Bdt;
  const bool lugOnly = ctx.Lug.LugPnr != 0;
  Log(lugOnly ? "Nur LuG-PersNr verarbeiten\n" : "Alle PersNr verarbeiten\n");

  // Record types and the interruption wage type.
  ReadSatzarten(calc, ctx.Lug.LugLgp);
  ReadUnterbrechung(ctx, calc);
  std::map<std::string, std::string> refusedLna;
  RequireRead(SQL_Qvx171Lu1_RefusedLna(ctx.Lug.LugLug, ctx.AbrVon, ctx.AbrBis, refusedLna), "Qvx171Lu1");
  std::string refusedKey;

  // Employee loop.
  calc.LastPnr.clear();
  EmploymentCursor bsv;
  RequireRead(SQL_Qvx310Bsv_Open(bsv, akr, calc.MainBis, ctx.AbrVon, lugOnly), "Qvx310Bsv");
  BsvAhead ahead(
      ctx, [&bsv](BsvRow& r) { return SQL_Qvx310Bsv_Fetch(bsv, r); }, ctx.AbrVon, ctx.AbrBis, ctx.PnrFilter,
      mainCall ? int16_t{0} : folgeNr);
  int st;
  for (;;) {
    calc.Written = false;
    st = ahead.Next(calc.Bsv);
    if (st != 0) break;
    const BsvRow& row = calc.Bsv;

    // Filter on one personnel number.
    if (!ctx.PnrFilter.empty() && ctx.PnrFilter != row.BsvPnr) continue;
    if (RefuseEmployee(row, refusedLna, refusedKey)) continue;

    StartRow(calc, row);
    if (MovedToOtherCircle(ctx, calc, row, akr)) continue;

    // Employment beginning at the end of the period or later.
    if (row.BsvGvo >= ctx.AbrBis &&
        !TakeLateEntry(ctx, row, ctx.AbrVon, ctx.AbrBis, akr, calc.LastPnr, "Qvx171Lug-Lesenfehler(3): %d"))
      continue;

    CalcRow(ctx, calc, row, akr, folgeNr, folgemonat, answers);
    akr = akrRun;
    ctx.Lug = runLug;
  }

  ReportStatus(st, "PersNr-Lesen Status: %d", st);
  return SQL_Qvx310Bsv_Close(bsv);
}

[[nodiscard]] int SQL_Qvx170Lg1_Open(SqlCursor& lg1, const std::string& lugLgp) {
  return SqlOpen(lg1, SqlFormat("SELECT Lg1Stz, Lg1Stt, Lg1Svt, Lg1Zes FROM Qvx170Lg1 WHERE Lg1Num = '%s'", lugLgp));
}

[[nodiscard]] int SQL_Qvx170Lg1_Fetch(SqlCursor& lg1, RecordType& t) {
  return SqlFetchInto(lg1, t.Lg1Stz, t.Lg1Stt, t.Lg1Svt, t.Lg1Zes);
}

[[nodiscard]] int SQL_Qvx170Lg1_Close(SqlCursor& lg1) { return dbClose(lg1); }

[[nodiscard]] int SQL_Qvx171Lu1_GetUnterbrechung(const std::string& lugLug, const std::string& von,
                                                 const std::string& bis, InterruptionType& it) {
  return SqlSelectOne(SqlFormat("SELECT Lu1Lna, Lu1Stz, Lu1Rre FROM Qvx171Lu1 WHERE Lu1Num = '%s' AND Lu1Sts = 112"
                                " AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s'"
                                " AND (Lu1Gbi IS NULL OR date_format(Lu1Gbi, '%%Y.%%m.%%d') >= '%s')",
                                lugLug, von, bis),
                      it.Lu1Lna, it.Lu1Stz, it.Lu1Rre);
}

[[nodiscard]] int SQL_Qvx310Bsv_Open(EmploymentCursor& bsv, const std::string& akr, const std::string& mainBis,
                                     const std::string& von, bool lugOnly) {
  return bsv.Open(akr, mainBis, von, lugOnly, true);
}

[[nodiscard]] int SQL_Qvx310Bsv_Fetch(EmploymentCursor& bsv, BsvRow& row) { return bsv.Fetch(row); }

[[nodiscard]] int SQL_Qvx310Bsv_Close(EmploymentCursor& bsv) { return bsv.Close(); }

// Several employments can overlap the period; the newest decides. For an
// employment that begins on the last day of the period that is the employment
// itself, so the employee is never calculated here under the interface of a
// circle whose own run calculates the period as well.
[[nodiscard]] int SQL_Qvx310Bsv_GetAkr(const std::string& pnr, const std::string& von, const std::string& bis,
                                       std::string& akr) {
  akr.clear();
  int st = SqlSelectOne(SqlFormat("SELECT BsvAkr FROM Qvx310Bsv WHERE BsvPnr = '%s'"
                                  " AND BsvGvo <= STR_TO_DATE('%s', '%%Y.%%m.%%d')"
                                  " AND (BsvGbi >= STR_TO_DATE('%s', '%%Y.%%m.%%d') OR BsvGbi IS NULL)"
                                  " ORDER BY BsvGvo DESC",
                                  pnr, bis, von),
                        akr);
  RTrim(akr);
  return st;
}

bool RefuseEmployee(const BsvRow& row, const std::map<std::string, std::string>& refusedLna, std::string& refusedKey) {
  if (!refusedKey.empty() && row.PnrKey == refusedKey) return true;
  std::string field = row.RefusedField, text = row.RefusedText;
  if (field.empty()) {
    auto it = refusedLna.find(row.PnrKey);
    if (it == refusedLna.end()) return false;
    field = "Lohnart";
    text = it->second;
  }
  refusedKey = row.PnrKey;
  // the personnel number as the log shows it (the row's own is a replacement)
  const std::string& pnr = field == "Personalnummer" ? text : row.BsvPnr;
  LeaveOutRecord("Zeichen außerhalb Windows-1252", "Pnr: %s - %s %s außerhalb Windows-1252 -> nicht berechnen", pnr,
                 field, text);
  return true;
}

[[nodiscard]] int SQL_Qvx171Lu1_RefusedLna(const std::string& lugLug, const std::string& von, const std::string& bis,
                                           std::map<std::string, std::string>& refused) {
  refused.clear();
  // A text survives the way through latin1 (the server's Windows-1252)
  // exactly when Windows-1252 can hold it; a latin1 column always does.
  SqlCursor c;
  c.KeyColumns = 1u << 0;
  int st = SqlOpen(c, SqlFormat("SELECT DISTINCT Lu1Lna, " + SqlKeyColumn("ZkbPnr") +
                                    " FROM Qvx171Lu1, Qvx331Zkb WHERE Lu1Num = '%s'"
                                    " AND CONVERT(Lu1Lna USING utf8mb4) COLLATE utf8mb4_bin <>"
                                    " CONVERT(CONVERT(Lu1Lna USING latin1) USING utf8mb4) COLLATE utf8mb4_bin"
                                    " AND Lu1Gvo <= STR_TO_DATE('%s', '%%Y.%%m.%%d')"
                                    " AND (Lu1Gbi IS NULL OR Lu1Gbi >= STR_TO_DATE('%s', '%%Y.%%m.%%d'))"
                                    " AND ZkbZkt = Lu1Ztk AND ZkbDtm >= STR_TO_DATE('%s', '%%Y.%%m.%%d')"
                                    " AND ZkbDtm <= STR_TO_DATE('%s', '%%Y.%%m.%%d')",
                                lugLug, bis, von, von, bis));
  while (st == 0) {
    std::string lna, key;
    st = SqlFetchInto(c, lna, key);
    if (st != 0) break;
    const std::string* shown = dbRefusedText(c, 0);
    refused.emplace(key, shown ? *shown : lna);
  }
  dbClose(c);
  return st == kSqlNoMoreRows ? 0 : st;
}

void ReportSkipped(RunContext& ctx, const std::string& pnr, const char* utf8Reason) {
  std::vector<std::pair<std::string, std::string>>& skipped = ctx.Handover.Skipped;
  std::pair<std::string, std::string> entry{pnr, Cp1252(utf8Reason)};
  for (const auto& e : skipped) {
    if (e == entry) return;
  }
  skipped.push_back(std::move(entry));
}
