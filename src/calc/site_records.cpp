#include "calc/site_records.h"

#include <cmath>
#include <utility>
#include <vector>

#include "calc/transfer_records.h"
#include "calc/batch/employee_batch.h"
#include "calc/retro_records.h"
#include "run/context.h"
#include "run/db.h"
#include "run/run_log.h"

namespace {

// Site values of the employee in the period.
using ZksCursor = BatchCursor<std::pair<std::string, double>>;

// Served from the batch of employees read ahead when it covers the employee.
[[nodiscard]] int SQL_Qvx331Zks_Open(ZksCursor& zks, const std::string& pnr, const std::string& von,
                                     const std::string& bis) {
  if (zks.Serve(BatchZks(pnr, von, bis, zks.Rows))) return 0;
  return SqlOpen(zks.Sql, SqlFormat("SELECT ZksTxt, ZksWrt FROM Qvx331Zks"
                                    " WHERE ZksPnr = '%s'"
                                    " AND date_format(ZksDtm, '%%Y.%%m.%%d') >= '%s'"
                                    " AND date_format(ZksDtm, '%%Y.%%m.%%d') <= '%s'"
                                    " ORDER BY ZksDtm, ZksTxt",
                                    pnr, von, bis));
}
[[nodiscard]] int SQL_Qvx331Zks_Fetch(ZksCursor& zks, std::string& txt, double& wrt) { return zks.Fetch(txt, wrt); }
[[nodiscard]] int SQL_Qvx331Zks_Close(ZksCursor& zks) { return zks.Close(); }

// A value in hundredths, rounded on the magnitude so that negative values are
// rounded like positive ones (-7.5 gives -750, not -749), with a margin far
// below a hundredth against the binary representation of decimal values
// (1.005 gives 101). Values beyond the 32-bit range are held at its limits.
int32_t LsHundertstel(double value) {
  double n = std::floor(std::fabs(value) * 100.0 + 0.5 + 1e-6);
  if (!(n < 2147483647.0)) n = 2147483647.0;  // NaN too
  return static_cast<int32_t>(value < 0 ? -n : n);
}

}  // namespace

void WriteLsSaetze(const RunContext& ctx, const std::string& pnr, const std::string& upn, const std::string& von,
                   const std::string& bis, const std::string& kst, const std::string& ktr, const std::string& bdt,
                   int mode) {
  if (ctx.MndSto != "02272" || ctx.Lfn == 2) return;

  ZksCursor zks;
  int st = SQL_Qvx331Zks_Open(zks, pnr, von, bis);
  if (st != 0) {
    ReportStatus(st, "      Fehler Öffnen Tab.Qvx331Zks: %d", st);
    return;
  }
  std::string txt;
  double wrt = 0;
  for (;;) {
    txt.clear();
    wrt = 0;
    if ((st = SQL_Qvx331Zks_Fetch(zks, txt, wrt)) != 0) break;
    int32_t n = LsHundertstel(wrt);
    Zk1Record r;
    r.Abr = ctx.Abrnr;
    r.Lfn = ctx.Lfn;
    r.Stz = "LS";
    r.Bdt = bdt;
    r.Pnr = pnr;
    r.Zkt = txt;
    r.Lna = txt;
    r.Lgr = " ";
    r.Kst = kst;
    r.Ktr = ktr;
    r.Krt = "0";
    r.Std = n;
    r.Von = von;
    r.Bis = bis;
    r.Rre = 1;
    r.Upn = upn;
    if (mode == 0) {
      int ws = SQL_Qvx331Zk1_Insert(r);
      if (ws != 0) ReportStatus(ws, "      Fehler Schreiben Zk1: %d", ws);
    } else {
      int ws = SQL_Qvx331Zk3_Insert(Zk3FromTransfer(r, ctx.RunKey));
      if (ws != 0 && ws != kSqlDuplicate) ReportStatus(ws, "      Fehler Schreiben Zk3: %d", ws);
    }
  }
  if (st != kSqlNoMoreRows) { ReportStatus(st, "      Fehler Lesen Tab.Qvx331Zks: %d", st); }
  (void)SQL_Qvx331Zks_Close(zks);
}
