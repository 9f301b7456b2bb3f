#include "calc/retro_records.h"

#include <utility>

#include "run/db.h"
#include "run/write_batch.h"

namespace {

constexpr char kZk3Columns[] =
    "INSERT INTO Qvx331Zk3  (Zk3Key, Zk3Abr, Zk3Lfn, Zk3Stz, Zk3Bdt, Zk3Pnr, Zk3Zkt,"
    "   Zk3Lna, Zk3Lgr, Zk3Kst, Zk3Ktr, Zk3Krt, Zk3Std, Zk3Tge,"
    "   Zk3Stg, Zk3Von, Zk3Bis, Zk3Sts, Zk3Upn, Zk3Inf)"
    "  VALUES ";

std::string Zk3Insert(const Zk3Record& r, bool nextMonth) {
  const char* bdt = nextMonth ? "date_add('%s', interval 1 month)" : "'%s'";
  std::string fmt = std::string(kZk3Columns) + "('%s', %ld, %d, '%s', " + std::string(bdt) +
                    ",  '%s', '%s', '%s', '%s', '%s', '%s', '%s', %ld, %ld, %ld,"
                    "  '%s', '%s', %d, '%s', %d)";
  return SqlFormat(fmt, r.Key, r.Abr, r.Lfn, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst, r.Ktr, r.Krt, r.Std,
                   r.Tge, r.Stg, r.Von, r.Bis, r.Sts, r.Upn, r.Inf);
}

// The accumulation key Zk3Ident is the identity the single add names, so the
// batch adds to the same stored record with the same arithmetic.
WriteBatch g_zk3Batch("Qvx331Zk3", kZk3Columns,
                      " ON DUPLICATE KEY UPDATE Zk3Krt = VALUES(Zk3Krt), Zk3Std = Zk3Std + VALUES(Zk3Std),"
                      " Zk3Tge = Zk3Tge + VALUES(Zk3Tge), Zk3Stg = Zk3Stg + VALUES(Zk3Stg)");

}  // namespace

void WriteZk3Record(const Zk3Record& r, bool nextMonth, std::function<void(int)> onStatus) {
  g_zk3Batch.Add(Zk3Insert(r, nextMonth), [r, nextMonth, onStatus = std::move(onStatus)]() {
    int st = nextMonth ? SQL_Qvx331Zk3_InsertNextMonth(r) : SQL_Qvx331Zk3_Insert(r);
    if (st == kSqlDuplicate) st = nextMonth ? SQL_Qvx331Zk3_AddNextMonth(r) : SQL_Qvx331Zk3_Add(r);
    if (st != 0) onStatus(st);
  });
}

Zk3Record Zk3FromTransfer(const Zk1Record& r, const std::string& key) {
  Zk3Record z;
  z.Key = key;
  z.Abr = r.Abr;
  z.Lfn = r.Lfn;
  z.Stz = r.Stz;
  z.Bdt = r.Bdt;
  z.Pnr = r.Pnr;
  z.Zkt = r.Zkt;
  z.Lna = r.Lna;
  z.Lgr = r.Lgr;
  z.Kst = r.Kst;
  z.Ktr = r.Ktr;
  z.Krt = r.Krt;
  z.Std = static_cast<int32_t>(r.Std);
  z.Tge = r.Tge;
  z.Stg = r.Stg;
  z.Von = r.Von;
  z.Bis = r.Bis;
  z.Sts = r.Sts;
  z.Upn = r.Upn;
  z.Inf = r.Inf;
  return z;
}

[[nodiscard]] int SQL_Qvx331Zk3_Insert(const Zk3Record& r) { return SqlWrite(Zk3Insert(r, false)); }

[[nodiscard]] int SQL_Qvx331Zk3_InsertNextMonth(const Zk3Record& r) { return SqlWrite(Zk3Insert(r, true)); }

[[nodiscard]] int SQL_Qvx331Zk3_Add(const Zk3Record& r) {
  return SqlWrite(
      SqlFormat("UPDATE Qvx331Zk3  SET Zk3Krt = '%s', Zk3Std = Zk3Std + %ld,"
                " Zk3Tge = Zk3Tge + %ld, Zk3Stg = Zk3Stg + %ld"
                " WHERE Zk3Key = '%s' AND Zk3Abr = %ld AND Zk3Lfn = %d AND Zk3Stz = '%s'"
                " AND date_format(Zk3Bdt, '%%Y.%%m.%%d') = '%s' AND Zk3Pnr = '%s'"
                " AND Zk3Zkt = '%s' AND Zk3Lna = '%s' AND Zk3Lgr = '%s'"
                " AND Zk3Kst = '%s' AND Zk3Ktr = '%s'",
                r.Krt, r.Std, r.Tge, r.Stg, r.Key, r.Abr, r.Lfn, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst,
                r.Ktr));
}

[[nodiscard]] int SQL_Qvx331Zk3_AddNextMonth(const Zk3Record& r) {
  return SqlWrite(
      SqlFormat("UPDATE Qvx331Zk3  SET Zk3Krt = '%s', Zk3Std = Zk3Std + %ld,"
                " Zk3Tge = Zk3Tge + %ld, Zk3Stg = Zk3Stg + %ld"
                " WHERE Zk3Key = '%s' AND Zk3Abr = %ld AND Zk3Lfn = %d AND Zk3Stz = '%s'"
                " AND Zk3Bdt = date_add('%s', interval 1 month) AND Zk3Pnr = '%s'"
                " AND Zk3Zkt = '%s' AND Zk3Lna = '%s' AND Zk3Lgr = '%s'"
                " AND Zk3Kst = '%s' AND Zk3Ktr = '%s'",
                r.Krt, r.Std, r.Tge, r.Stg, r.Key, r.Abr, r.Lfn, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst,
                r.Ktr));
}

[[nodiscard]] int SQL_Qvx331Zk3_DeleteRun(const std::string& key) {
  return SqlWrite(SqlFormat("DELETE FROM Qvx331Zk3  WHERE Zk3Key = '%s' ", key));
}
