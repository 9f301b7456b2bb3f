#include "calc/statistics.h"

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/transfer_records.h"
#include "calc/interruptions.h"
#include "calc/batch/employee_batch.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

// Dates are compared as date_format(column, '%Y.%m.%d') texts throughout.

namespace {

std::string CacheKey(std::initializer_list<std::string_view> parts) {
  std::string key;
  for (auto p : parts) key.append(p).push_back('\0');
  return key;
}

bool IsPsybr(const RunContext& ctx) { return ctx.Lug.LugLgp.compare(0, 5, "PSYBR") == 0; }

// ---------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------

[[nodiscard]] int SQL_Qvx133Bak_CountDays(StatisticsAnswers& answers, const std::string& von, const std::string& bis,
                                          double& days) {
  std::string key = CacheKey({von, bis});
  auto it = answers.Days.find(key);
  if (it == answers.Days.end()) {
    DaysAnswer a;
    a.Days = days;
    a.Status = SqlSelectOne(SqlFormat("SELECT COUNT(BakDtm) FROM Darvonix.Qvx133Bak"
                                      " WHERE date_format(BakDtm, '%%Y.%%m.%%d') >= '%s'"
                                      " AND date_format(BakDtm, '%%Y.%%m.%%d') <= '%s'",
                                      von, bis),
                            a.Days);
    if (a.Status != 0 && a.Status != kSqlNoMoreRows) {
      days = a.Days;
      return a.Status;
    }
    it = answers.Days.emplace(key, a).first;
  }
  if (it->second.Status == 0) days = it->second.Days;
  return it->second.Status;
}

[[nodiscard]] int SQL_Qvx320Tgb_GetSoll(const std::string& pnr, const std::string& von, const std::string& bis,
                                        double& count, double& sum) {
  return ServedOr([&](int& st) { return BatchTgbSoll(pnr, von, bis, st, count, sum); },
                  [&] {
                    return SqlSelectOne(SqlFormat("SELECT COUNT(TgbSol), SUM(TgbSol) FROM Qvx320Tgb"
                                                  " WHERE TgbPnr = '%s' AND TgbZtr = 1 AND TgbSol > 0"
                                                  " AND date_format(TgbDtm, '%%Y.%%m.%%d') >= '%s'"
                                                  " AND date_format(TgbDtm, '%%Y.%%m.%%d') <= '%s'",
                                                  pnr, von, bis),
                                        count, sum);
                  });
}

[[nodiscard]] int SQL_Qvx320Tgb_GetMax(const std::string& pnr, const std::string& day, double& max) {
  return ServedOr([&](int& st) { return BatchTgbMax(pnr, day, st, max); },
                  [&] {
                    return SqlSelectOne(SqlFormat("SELECT TgbMax FROM Qvx320Tgb"
                                                  " WHERE TgbPnr = '%s' AND TgbZtr = 3"
                                                  " AND date_format(TgbDtm, '%%Y.%%m.%%d') = '%s'",
                                                  pnr, day),
                                        max);
                  });
}

[[nodiscard]] int SQL_Qvx171Lu1_GetLgr(const std::string& lugLug, const std::string& group, const std::string& von,
                                       const std::string& bis, std::string& lna, std::string& ztk, std::string& stz) {
  return SqlSelectOne(SqlFormat("SELECT Lu1Lna, Lu1Ztk, Lu1Stz FROM Qvx171Lu1"
                                " WHERE Lu1Num = '%s' AND Lu1Lgr = '%s'"
                                " AND date_format(Lu1Gvo, '%%Y.%%m.%%d') <= '%s'"
                                " AND (Lu1Gbi IS NULL OR date_format(Lu1Gbi, '%%Y.%%m.%%d') >= '%s')",
                                lugLug, group, von, bis),
                      lna, ztk, stz);
}

[[nodiscard]] int SQL_Qvx332Sfz_Get(const std::string& pnr, const std::string& day, int16_t& ant, int16_t& gen,
                                    int16_t& gvv) {
  return ServedOr([&](int& st) { return BatchSfz(pnr, day, st, ant, gen, gvv); },
                  [&] {
                    return SqlSelectOne(SqlFormat("SELECT SfzAnt, SfzGen, SfzGvv FROM Qvx332Sfz"
                                                  " WHERE SfzPnr = '%s' AND date_format(SfzDtm, '%%Y.%%m.%%d') = '%s'",
                                                  pnr, day),
                                        ant, gen, gvv);
                  });
}

[[nodiscard]] int SQL_Qvx155Sfr_GetAnz(StatisticsAnswers& answers, const std::string& model, int16_t& anz) {
  auto it = answers.Sfr.find(model);
  if (it == answers.Sfr.end()) {
    AnzAnswer a;
    a.Anz = anz;
    a.Status = SqlSelectOne(SqlFormat("SELECT SfrAnz FROM Qvx155Sfr WHERE SfrMod = '%s'", model), a.Anz);
    if (a.Status != 0 && a.Status != kSqlNoMoreRows) {
      anz = a.Anz;
      return a.Status;
    }
    it = answers.Sfr.emplace(model, a).first;
  }
  if (it->second.Status == 0) anz = it->second.Anz;
  return it->second.Status;
}

[[nodiscard]] int SQL_Qvx332Utg_Get(const std::string& pnr, const std::string& day, double& rtg, double& vtg) {
  return ServedOr([&](int& st) { return BatchUtg(pnr, day, st, rtg, vtg); },
                  [&] {
                    return SqlSelectOne(
                        SqlFormat("SELECT UtgRtg * 60, UtgVtg * 60 FROM QVX332UTG"
                                  " WHERE utgpnr = '%s' AND utgdtm = (SELECT MAX(utgdtm) FROM QVX332UTG"
                                  " WHERE date_format(utgdtm, '%%Y.%%m.%%d') <= '%s' AND utgpnr = '%s')",
                                  pnr, day, pnr),
                        rtg, vtg);
                  });
}

[[nodiscard]] int SQL_Qvx320Tgb_GetSaldo1(const std::string& pnr, const std::string& bis, const std::string& von,
                                          int32_t& sa, int32_t& vt) {
  return ServedOr([&](int& st) { return BatchSaldo(1, pnr, von, bis, st, sa, vt); },
                  [&] {
                    return SqlSelectOne(
                        SqlFormat("SELECT Tgbsa1, TgbVt1 FROM Qvx320Tgb"
                                  " WHERE tgbpnr = '%s' AND TgbZtr = 1"
                                  " AND TgbDtm = (SELECT MAX(date_add(TgbDtm, interval -1 day)) FROM Qvx320Tgb"
                                  " WHERE date_format(TgbDtm, '%%Y.%%m.%%d') <= '%s'"
                                  " AND date_format(TgbDtm, '%%Y.%%m.%%d') >= '%s'"
                                  " AND TgbPnr = '%s' AND TgbSa1 <> 0 AND TgbZtr = 1)",
                                  pnr, bis, von, pnr),
                        sa, vt);
                  });
}

[[nodiscard]] int SQL_Qvx320Tgb_GetSaldo2(const std::string& pnr, const std::string& bis, int32_t& sa, int32_t& vt) {
  return ServedOr([&](int& st) { return BatchSaldo(2, pnr, bis, bis, st, sa, vt); },
                  [&] {
                    return SqlSelectOne(
                        SqlFormat("SELECT Tgbsa2, TgbVt2 FROM Qvx320Tgb"
                                  " WHERE tgbpnr = '%s' AND TgbZtr = 1"
                                  " AND TgbDtm = (SELECT MAX(TgbDtm) FROM Qvx320Tgb"
                                  " WHERE date_format(TgbDtm, '%%Y.%%m.%%d') <= '%s' AND TgbPnr = '%s' AND TgbZtr = 1)",
                                  pnr, bis, pnr),
                        sa, vt);
                  });
}

[[nodiscard]] int SQL_Qvx320Tgb_GetSaldo3(const std::string& pnr, const std::string& bis, int32_t& sa, int32_t& vt) {
  return ServedOr([&](int& st) { return BatchSaldo(3, pnr, bis, bis, st, sa, vt); },
                  [&] {
                    return SqlSelectOne(
                        SqlFormat("SELECT Tgbsa3, TgbVt3 FROM Qvx320Tgb"
                                  " WHERE tgbpnr = '%s' AND TgbZtr = 1"
                                  " AND TgbDtm = (SELECT MAX(TgbDtm) FROM Qvx320Tgb"
                                  " WHERE date_format(TgbDtm, '%%Y.%%m.%%d') <= '%s' AND TgbPnr = '%s' AND TgbZtr = 1)",
                                  pnr, bis, pnr),
                        sa, vt);
                  });
}

// A day cursor: the days of the batch when it covers the employee, else the
// statement's rows.
using DayCursor = BatchCursor<std::string>;

// Days with bookings on accounts of one Lu1Sts code (103 presence, 104 absence).
[[nodiscard]] int SQL_Qvx331Zkb_OpenTage(DayCursor& tage, const std::string& pnr, const std::string& von,
                                         const std::string& bis, const std::string& akr, int16_t code) {
  if (tage.Serve(BatchTage(pnr, von, bis, akr, code, tage.Rows))) return 0;
  return SqlOpen(tage.Sql, SqlFormat("SELECT DISTINCT date_format(ZkbDtm, '%%Y.%%m.%%d')"
                                     " FROM Qvx331Zkb, Qvx171Lu1, O1001AbrKreis"
                                     " WHERE ZkbPnr = '%s'"
                                     " AND date_format(ZkbDtm, '%%Y.%%m.%%d') >= '%s'"
                                     " AND date_format(ZkbDtm, '%%Y.%%m.%%d') <= '%s'"
                                     " AND ((ZkbStd > 0) OR (ZKBSTD = 0 AND Lu1Art = 1))"
                                     " AND ZkbZtr = 1 AND ZkbZkt = Lu1Ztk AND Lu1sts = %d"
                                     " AND Lu1Num = AkrLug AND AkrNum = '%s' ORDER BY ZkbDtm",
                                     pnr, von, bis, code, akr));
}
[[nodiscard]] int SQL_Qvx331Zkb_FetchTage(DayCursor& tage, std::string& day) { return tage.Fetch(day); }
[[nodiscard]] int SQL_Qvx331Zkb_CloseTage(DayCursor& tage) { return tage.Close(); }

[[nodiscard]] int SQL_Qvx331Zkb_HasBooking103(const std::string& pnr, const std::string& day, const std::string& akr) {
  return ServedOr([&](int& st) { return BatchHasBooking103(pnr, day, akr, st); },
                  [&] {
                    std::string found;
                    return SqlSelectOne(SqlFormat("SELECT DISTINCT ZkbPnr FROM Qvx331Zkb, Qvx171Lu1, O1001AbrKreis"
                                                  " WHERE ZkbPnr = '%s' AND date_format(ZkbDtm, '%%Y.%%m.%%d') = '%s'"
                                                  " AND ((ZkbStd > 0) OR (ZKBSTD = 0 AND Lu1Art = 1))"
                                                  " AND ZkbZtr = 1 AND ZkbZkt = Lu1Ztk AND Lu1sts = 103"
                                                  " AND Lu1Num = AkrLug AND AkrNum = '%s'",
                                                  pnr, day, akr),
                                        found);
                  });
}

// Minutes of the accounts with Lu1Sts 4 or 104. An account with several
// wage-type lines of these codes (validities, record types) is one account:
// its bookings are summed once, not once per line.
[[nodiscard]] int SQL_Qvx331Zkb_SumUns(const std::string& akr, const std::string& pnr, const std::string& von,
                                       const std::string& bis, double& sum) {
  return ServedOr([&](int& st) { return BatchSumUns(akr, pnr, von, bis, st, sum); },
                  [&] {
                    return SqlSelectOne(
                        SqlFormat("SELECT SUM(ZkbStd) FROM Qvx331Zkb"
                                  " WHERE ZkbPnr = '%s' AND ZkbZtr = 1"
                                  " AND date_format(ZkbDtm, '%%Y.%%m.%%d') >= '%s'"
                                  " AND date_format(ZkbDtm, '%%Y.%%m.%%d') <= '%s'"
                                  " AND ZkbZkt IN (SELECT Lu1Ztk FROM O1001AbrKreis, Qvx171Lu1"
                                  " WHERE AkrNum = '%s' AND AkrLug = Lu1Num AND (Lu1Sts = 4 OR Lu1Sts = 104))",
                                  pnr, von, bis, akr),
                        sum);
                  });
}

// Days of the working-time model with a target time (PSYBR).
using ZtgCursor = BatchCursor<std::pair<std::string, double>>;
[[nodiscard]] int SQL_Qvx329Ztg_Open(ZtgCursor& ztg, const std::string& pnr, const std::string& von,
                                     const std::string& bis) {
  if (ztg.Serve(BatchZtg(pnr, von, bis, ztg.Rows))) return 0;
  return SqlOpen(ztg.Sql, SqlFormat("SELECT DISTINCT date_format(ZtgVon, '%%Y.%%m.%%d'), AzvSol"
                                    " FROM Qvx329Ztg A, Qvx140Azv"
                                    " WHERE ZtgPnr = '%s' AND ZtgAzt = AzvNum"
                                    " AND date_format(ZtgVon, '%%Y.%%m.%%d') >= '%s'"
                                    " AND date_format(ZtgVon, '%%Y.%%m.%%d') <= '%s'"
                                    " AND AzvSol > 0 AND AzvSol = (SELECT AzvSol FROM Qvx140Azv"
                                    " WHERE AzvGvo <= A.ZtgVon AND (AzvGbi >= A.ZtgVon OR AzvGbi is NULL)"
                                    " AND AzvNum = A.ZtgAzt) ORDER BY ZtgVon",
                                    pnr, von, bis));
}
[[nodiscard]] int SQL_Qvx329Ztg_Fetch(ZtgCursor& ztg, std::string& day, double& azvSol) {
  return ztg.Fetch(day, azvSol);
}
[[nodiscard]] int SQL_Qvx329Ztg_Close(ZtgCursor& ztg) { return ztg.Close(); }

[[nodiscard]] int SQL_Qvx320Tgb_HasSoll(const std::string& pnr, const std::string& day) {
  return ServedOr([&](int& st) { return BatchHasSoll(pnr, day, st); },
                  [&] {
                    std::string found;
                    return SqlSelectOne(SqlFormat("SELECT date_format(TgbDtm, '%%Y.%%m.%%d') FROM Qvx320Tgb"
                                                  " WHERE TgbPnr = '%s' AND TgbSol > 0"
                                                  " AND date_format(TgbDtm, '%%Y.%%m.%%d') = '%s' AND TgbZtr = '1'",
                                                  pnr, day),
                                        found);
                  });
}

[[nodiscard]] int SQL_Qvx327Tag_HasPresence(const std::string& pnr, const std::string& day) {
  return ServedOr([&](int& st) { return BatchHasPresence(pnr, day, st); },
                  [&] {
                    std::string found;
                    return SqlSelectOne(SqlFormat("SELECT TagOne FROM Qvx327Tag"
                                                  " WHERE TagPnr = '%s' AND date_format(TagVon, '%%Y.%%m.%%d') = '%s'"
                                                  " AND (TagOne = 1 OR TagKom = 1 OR TagGeh = 1)",
                                                  pnr, day),
                                        found);
                  });
}

// Days with bookings on attendance accounts (Lu1Sts 102).
[[nodiscard]] int SQL_Qvx331Zkb_OpenTage102(DayCursor& tage102, const std::string& pnr, const std::string& von,
                                            const std::string& bis, const std::string& akr) {
  if (tage102.Serve(BatchTage(pnr, von, bis, akr, 102, tage102.Rows))) return 0;
  return SqlOpen(tage102.Sql, SqlFormat("SELECT DISTINCT date_format(ZkbDtm, '%%Y.%%m.%%d')"
                                        " FROM Qvx331Zkb, Qvx171Lu1, O1001AbrKreis"
                                        " WHERE ZkbPnr = '%s'"
                                        " AND date_format(ZkbDtm, '%%Y.%%m.%%d') >= '%s'"
                                        " AND date_format(ZkbDtm, '%%Y.%%m.%%d') <= '%s'"
                                        " AND ((ZkbStd > 0) or (Lu1Art = '1'))"
                                        " AND ZkbZtr = 1 AND ZkbZkt = Lu1Ztk AND Lu1sts = 102"
                                        " AND Lu1Num = AkrLug AND AkrNum = '%s' ORDER BY ZkbDtm",
                                        pnr, von, bis, akr));
}
[[nodiscard]] int SQL_Qvx331Zkb_FetchTage102(DayCursor& tage102, std::string& day) { return tage102.Fetch(day); }
[[nodiscard]] int SQL_Qvx331Zkb_CloseTage102(DayCursor& tage102) { return tage102.Close(); }

[[nodiscard]] int SQL_Qvx171Lu1_IsAbsence(StatisticsAnswers& answers, const std::string& akr, const std::string& code) {
  std::string key = CacheKey({akr, code});
  auto it = answers.Absence.find(key);
  if (it != answers.Absence.end()) return it->second;
  std::string ztk;
  int st = SqlSelectOne(SqlFormat("SELECT Lu1Ztk FROM Qvx171Lu1, O1001AbrKreis, Qvx131Fcd"
                                  " WHERE (Lu1Sts = 105 OR Lu1Sts = 106 OR Lu1Sts = 107 OR Lu1Sts = 108"
                                  " OR Lu1Sts = 109) AND Lu1Num = AkrLug AND AkrNum = '%s'"
                                  " AND Lu1Ztk = FcdZkt AND FcdNum = '%s'",
                                  akr, code),
                        ztk);
  if (st == 0 || st == kSqlNoMoreRows) answers.Absence.emplace(key, st);
  return st;
}

// ---------------------------------------------------------------------------
// Steps
// ---------------------------------------------------------------------------

// Number of days delivered by the day cursor of one Lu1Sts code.
double CountTage(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& akr,
                 int16_t code) {
  double days = 0;
  DayCursor tage;
  RequireRead(SQL_Qvx331Zkb_OpenTage(tage, pnr, von, bis, akr, code), "Qvx331Zkb");
  std::string day;
  int st;
  while ((st = SQL_Qvx331Zkb_FetchTage(tage, day)) == 0) days += 1;
  if (st == -1) AbortRun(60);
  (void)SQL_Qvx331Zkb_CloseTage(tage);
  return days;
}

// One special balance record ("SFR", "RUL", "GLT", "MGF", "RZT"). A second
// employment row of the employee writes the same record again: the duplicate
// is dropped silently.
void WriteSonderSatz(const RunContext& ctx, CalcState& calc, const BsvRow& row, const std::string& lu1Stz,
                     const std::string& lu1Ztk, const std::string& lu1Lna, double value) {
  Zk1Record r;
  r.Abr = ctx.Abrnr;
  r.Lfn = ctx.Lfn;
  r.Stz = lu1Stz;
  r.Bdt = calc.Zk1Bdt;
  r.Pnr = row.BsvPnr;
  r.Zkt = lu1Ztk;
  r.Lna = lu1Lna;
  r.Lgr = " ";
  r.Kst = calc.Home.ZuoKst;
  r.Ktr = calc.Home.ZuoKtr;
  r.Krt = calc.Home.ZuoKrt;
  r.Std = value;
  r.Von = ctx.AbrVon;
  r.Bis = ctx.AbrBis;
  r.Upn = row.Zk1Upn;
  calc.Written = true;
  WriteZk1Record(r, false, [](int st) {
    if (st != kSqlDuplicate) ReportStatus(st, "Insert 331Zk1_Status %d", st);
  });
}

void SonderSaetze(const RunContext& ctx, CalcState& calc, const BsvRow& row, StatisticsAnswers& answers) {
  const std::string& pnr = row.BsvPnr;
  const std::string& lugLug = ctx.Lug.LugLug;
  std::string lna, ztk, stz;
  auto lookup = [&](const char* group) {
    lna.clear();
    ztk.clear();
    stz.clear();
    std::string key = CacheKey({lugLug, group, ctx.AbrVon, ctx.AbrBis});
    auto it = answers.Lgr.find(key);
    if (it == answers.Lgr.end()) {
      LgrAnswer a;
      a.Status = SQL_Qvx171Lu1_GetLgr(lugLug, group, ctx.AbrVon, ctx.AbrBis, a.Lna, a.Ztk, a.Stz);
      if (a.Status != 0 && a.Status != kSqlNoMoreRows) {
        lna = a.Lna;
        ztk = a.Ztk;
        stz = a.Stz;
        return a.Status;
      }
      it = answers.Lgr.emplace(key, a).first;
    }
    lna = it->second.Lna;
    ztk = it->second.Ztk;
    stz = it->second.Stz;
    return it->second.Status;
  };

  // Special-leave balance: (entitlement - (granted - taken over) * model factor)
  // in minutes, kept in 16 bits as the payroll interface has always had it.
  if (lookup("SFR") == 0) {
    int16_t ant = 0, gen = 0, gvv = 0;
    int sfz = SQL_Qvx332Sfz_Get(pnr, ctx.AbrBis, ant, gen, gvv);
    RequireRead(sfz, "Qvx332Sfz");
    if (sfz == 0 && !row.BsvSfr.empty()) {
      int16_t anz = 0;
      RequireRead(SQL_Qvx155Sfr_GetAnz(answers, row.BsvSfr, anz), "Qvx155Sfr");
      int16_t value = static_cast<int16_t>((ant - (gen - gvv) * anz) * 60);
      WriteSonderSatz(ctx, calc, row, stz, ztk, lna, value);
    }
  }

  // Remaining leave; PSYBR adds the days carried over.
  double rtg = 0, vtg = 0;
  // no row is a balance of 0; a read that failed must not hand over 0
  RequireRead(SQL_Qvx332Utg_Get(pnr, ctx.AbrBis, rtg, vtg), "QVX332UTG");
  if (lookup("RUL") == 0) WriteSonderSatz(ctx, calc, row, stz, ztk, lna, IsPsybr(ctx) ? rtg + vtg : rtg);

  int32_t sa = 0, vt = 0;
  RequireRead(SQL_Qvx320Tgb_GetSaldo1(pnr, ctx.AbrBis, ctx.AbrVon, sa, vt), "Qvx320Tgb");
  if (lookup("GLT") == 0) WriteSonderSatz(ctx, calc, row, stz, ztk, lna, static_cast<double>(sa) + vt);

  sa = vt = 0;
  RequireRead(SQL_Qvx320Tgb_GetSaldo2(pnr, ctx.AbrBis, sa, vt), "Qvx320Tgb");
  if (lookup("MGF") == 0) WriteSonderSatz(ctx, calc, row, stz, ztk, lna, static_cast<double>(sa) + vt);

  sa = vt = 0;
  RequireRead(SQL_Qvx320Tgb_GetSaldo3(pnr, ctx.AbrBis, sa, vt), "Qvx320Tgb");
  if (lookup("RZT") == 0) WriteSonderSatz(ctx, calc, row, stz, ztk, lna, static_cast<double>(sa) + vt);
}

// PSYBR: days of the working-time model without a target-time day record
// count as target and presence days; days with one count as presence days
// when there is no presence mark but a booking on a presence account.
void PsybrSolltage(CalcState& calc, const std::string& pnr, const std::string& von, const std::string& bis,
                   const std::string& akr) {
  StatAccu& s = calc.Stat;
  ZtgCursor ztg;
  RequireRead(SQL_Qvx329Ztg_Open(ztg, pnr, von, bis), "Qvx329Ztg");
  std::string day;
  double azvSol = 0;
  int st;
  while ((st = SQL_Qvx329Ztg_Fetch(ztg, day, azvSol)) == 0) {
    if (SQL_Qvx320Tgb_HasSoll(pnr, day) != 0) {
      s.Bzt += 1;
      s.Slt += 1;
      s.Sln += azvSol;
    } else if (SQL_Qvx327Tag_HasPresence(pnr, day) == 0 && SQL_Qvx331Zkb_HasBooking103(pnr, day, akr) != 0) {
      s.Bzt += 1;
    }
  }
  if (st != kSqlNoMoreRows) { ReportStatus(st, "SQL-Error bei Ermittlung Solltage: %d", st); }
  (void)SQL_Qvx329Ztg_Close(ztg);
}

// Rounded to two decimals the way the figures have always been rounded: the
// "%.2f" text read back.
double Round2(double v) { return std::strtod(Format("%.2f", v).c_str(), nullptr); }

}  // namespace
[[nodiscard]] int SQL_Qvx311Zuo_Get(const std::string& pnr, const std::string& von, const std::string& bis,
                                    HomeCost& home) {
  return ServedOr([&](int& st) { return BatchHome(pnr, von, bis, st, home); },
                  [&] {
                    return SqlSelectOne(SqlFormat("SELECT ZuoKst, ZuoKtr, ZuoKrt FROM QVX311ZUO"
                                                  " WHERE ZuoPnr = '%s' AND date_format(ZuoGvo, '%%Y.%%m.%%d') <= '%s'"
                                                  " AND (date_format(ZuoGbi, '%%Y.%%m.%%d') >= '%s' OR ZuoGbi IS NULL)",
                                                  pnr, bis, von),
                                        home.ZuoKst, home.ZuoKtr, home.ZuoKrt);
                  });
}

[[nodiscard]] int SQL_Qvx327Tag_GetCodes(const std::string& pnr, const std::string& day, std::string& tagTgb,
                                         std::string& tagHtv, std::string& tagHtn) {
  tagTgb.clear();
  tagHtv.clear();
  tagHtn.clear();
  int st = ServedOr([&](int& served) { return BatchTagCodes(pnr, day, served, tagTgb, tagHtv, tagHtn); },
                    [&] {
                      return SqlSelectOne(
                          SqlFormat("SELECT TagTgb, TagHtv, TagHtn FROM Qvx327Tag"
                                    " WHERE TagPnr = '%s' AND date_format(TagTag, '%%Y.%%m.%%d') = '%s'"
                                    " AND ((TagTgb IS NOT NULL) OR (TagHtv IS NOT NULL) OR (TagHtn IS NOT NULL))",
                                    pnr, day),
                          tagTgb, tagHtv, tagHtn);
                    });
  RTrim(tagTgb);
  RTrim(tagHtv);
  RTrim(tagHtn);
  return st;
}

double CountAnwesenheit(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& akr,
                        StatisticsAnswers& answers) {
  double result = 0;
  DayCursor tage102;
  RequireRead(SQL_Qvx331Zkb_OpenTage102(tage102, pnr, von, bis, akr), "Qvx331Zkb");
  std::string day, tgb, htv, htn;
  while (SQL_Qvx331Zkb_FetchTage102(tage102, day) == 0) {
    result += 10;
    if (SQL_Qvx327Tag_GetCodes(pnr, day, tgb, htv, htn) == 0) {
      if (!tgb.empty() && SQL_Qvx171Lu1_IsAbsence(answers, akr, tgb) == 0) result -= 10;
      if (!htv.empty() && SQL_Qvx171Lu1_IsAbsence(answers, akr, htv) == 0) result -= 5;
      if (!htn.empty() && SQL_Qvx171Lu1_IsAbsence(answers, akr, htn) == 0) result -= 5;
    }
  }
  (void)SQL_Qvx331Zkb_CloseTage102(tage102);
  return result;
}

void CalcStatistik(const RunContext& ctx, CalcState& calc, const BsvRow& row, const std::string& akr,
                   StatisticsAnswers& answers) {
  const std::string& pnr = row.BsvPnr;
  StatAccu& s = calc.Stat;

  // 1. Statistics range: the part of the period the employment row covers.
  // An end date of 0001-01-01 stands for an open end.
  s = StatAccu{};
  s.Stt = 30;
  std::string statVon = row.BsvGvo > ctx.AbrVon ? row.BsvGvo : ctx.AbrVon;
  std::string statBis = ctx.AbrBis;
  if (!row.BsvGbi.empty() && row.BsvGbi != "0001-01-01" && row.BsvGbi != "0001.01.01" && row.BsvGbi < ctx.AbrBis)
    statBis = row.BsvGbi;
  if (statVon != ctx.AbrVon || statBis != ctx.AbrBis) {
    double days = 0;
    if (SQL_Qvx133Bak_CountDays(answers, statVon, statBis, days) == 0) s.Stt = days;
  }

  // 2. The employment rows of one employee count 30 days at most together.
  calc.CalendarDays += s.Stt;
  if (calc.CalendarDays > 30) {
    s.Stt -= calc.CalendarDays - 30;
    calc.CalendarDays = 30;
  }

  // 3. Days with target time and their target minutes.
  RequireRead(SQL_Qvx320Tgb_GetSoll(pnr, statVon, statBis, s.Slt, s.Sln), "Qvx320Tgb");

  // 4. Maximum of the period-start record. It belongs to the employee, not to
  // the employment row: an older row of the same employee must not add it a
  // second time to the statistics row.
  if (!IsPsybr(ctx) && calc.FirstRow) RequireRead(SQL_Qvx320Tgb_GetMax(pnr, ctx.AbrVon, s.Zes), "Qvx320Tgb");

  // 5. Home cost assignment. The interface key of the circle is the one the
  // employee loop holds for this circle (ctx.Lug), so it is not read again.
  // The fields are cleared first so that a failed read never leaves the
  // previous employee's cost centre behind.
  calc.Home = HomeCost{};
  if (SQL_Qvx311Zuo_Get(pnr, ctx.AbrVon, ctx.AbrBis, calc.Home) == kSqlNoMoreRows)
    Log("Keine Stammkostenstelle für PNR %s", pnr);

  // 6. Special balance records.
  SonderSaetze(ctx, calc, row, answers);

  // 7.-11. Attendance, presence and absence days, unpaid hours.
  s.Ant = CountAnwesenheit(pnr, statVon, statBis, akr, answers);
  s.Bzt = CountTage(pnr, statVon, statBis, akr, 103);
  if (IsPsybr(ctx)) PsybrSolltage(calc, pnr, statVon, statBis, akr);
  s.Unt = CountTage(pnr, statVon, statBis, akr, 104);
  RequireRead(SQL_Qvx331Zkb_SumUns(akr, pnr, statVon, statBis, s.Uns), "Qvx331Zkb");

  // 12. Interruptions, once per employee.
  if (calc.FirstRow && calc.Interruption.Exists) CountUnterbrechungen(ctx, calc, pnr);
}

void WriteStatistik(const RunContext& ctx, CalcState& calc, const BsvRow& row) {
  Zk2Record z;
  z.Abr = ctx.Abrnr;
  z.Pnr = row.BsvPnr;
  z.Bdt = ctx.AbrVon;
  z.Rre = 0;
  if (ctx.InterimFlag == 0) {
    const StatAccu& s = calc.Stat;
    z.Stt = Round2(s.Stt);
    z.Svt = Round2(s.Stt - s.SvkSum * 0.1);
    z.Slt = Round2(s.Slt);
    z.Ant = Round2(s.Ant);
    z.Sln = Round2(s.Sln * (1.0 / 60));
    z.Uns = Round2(s.Uns * (1.0 / 60));
    z.Zes = Round2(s.Zes * (1.0 / 60));
    z.Bzt = Round2(s.Bzt);
    z.Unt = Round2(s.Unt);
  }
  WriteZk2Record(z,
                 [pnr = row.BsvPnr](int st) { ReportStatus(st, "Insert Qvx331Zk2-Status: %d, Pnrnr: %s", st, pnr); });
}
