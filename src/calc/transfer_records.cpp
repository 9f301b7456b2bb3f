#include "calc/transfer_records.h"

#include <unordered_set>

#include "run/db.h"
#include "run/write_batch.h"

namespace {

bool g_loga2 = false;
int64_t g_loga2Last = 0;  // number last given out
constexpr int64_t kLoga2Limit = 999999999999LL;

constexpr char kZk1Columns[] =
    "INSERT INTO Qvx331Zk1 (Zk1Abr, Zk1Lfn, Zk1Stz, Zk1Bdt, Zk1Pnr, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr,"
    " Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, Zk1Von, Zk1Bis, Zk1Sts, Zk1Rre, Zk1Sta, Zk1Dat, Zk1Upn, Zk1Inf, Zk1Su1)";

}  // namespace

void SetLoga2Numbering(bool on) { g_loga2 = on; }

void ResetLoga2Sequence(int64_t last) { g_loga2Last = last; }

double NextZk1Su1(int16_t sts) {
  if (!g_loga2 || sts <= 0) return 0;
  ++g_loga2Last;
  if (g_loga2Last >= kLoga2Limit) g_loga2Last = 1;
  return static_cast<double>(g_loga2Last);
}

[[nodiscard]] int SQL_Qvx331Zk1_Delete(int32_t abrnr, int16_t lfn, const std::string& pnrFilter) {
  if (pnrFilter.empty())
    return SqlWrite(SqlFormat("DELETE FROM Qvx331Zk1 WHERE Zk1Abr = %ld AND Zk1Lfn = %d", abrnr, lfn));
  return SqlWrite(
      SqlFormat("DELETE FROM Qvx331Zk1 WHERE Zk1Abr = %ld AND Zk1Lfn = %d AND Zk1Pnr = '%s'", abrnr, lfn, pnrFilter));
}

[[nodiscard]] int SQL_Qvx331Zk2_Delete(int32_t abrnr, const std::string& pnrFilter) {
  if (pnrFilter.empty()) return SqlWrite(SqlFormat("DELETE FROM Qvx331Zk2 WHERE Zk2Abr = %ld", abrnr));
  return SqlWrite(SqlFormat("DELETE FROM Qvx331Zk2 WHERE Zk2Abr = %ld AND Zk2Pnr = '%s'", abrnr, pnrFilter));
}

namespace {

std::string Zk1InsertStatement(const Zk1Record& r, bool nextMonth, double su1) {
  if (!nextMonth)
    return SqlFormat(std::string(kZk1Columns) +
                         " VALUES (%ld, %d, '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', %f, %ld, %d,"
                         " '%s', '%s', %d, %d, %d, sysdate(), '%s', %d, %f)",
                     r.Abr, r.Lfn, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst, r.Ktr, r.Krt, r.Std, r.Tge, r.Stg,
                     r.Von, r.Bis, r.Sts, r.Rre, r.Sta, r.Upn, r.Inf, su1);
  return SqlFormat(std::string(kZk1Columns) +
                       " VALUES (%ld, %d, '%s', date_add('%s', interval 1 month), '%s', '%s', '%s', '%s',"
                       " '%s', '%s', '%s', %ld, %ld, %d, '%s', '%s', %d, %d, %d, sysdate(), '%s', %d, %f)",
                   r.Abr, r.Lfn, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna, r.Lgr, r.Kst, r.Ktr, r.Krt,
                   static_cast<int32_t>(r.Std), r.Tge, r.Stg, r.Von, r.Bis, r.Sts, r.Rre, r.Sta, r.Upn, r.Inf, su1);
}

// A text as the server compares it in the accumulation key, as far as the
// program can tell without asking: trailing blanks do not count. Texts that
// differ otherwise but are equal to the server (case, accents) are taken as
// different; such a record makes its batch fail with 1062, and the batch is
// written again row by row, which adds it as a single statement would.
std::string KeyPart(const std::string& s) {
  size_t n = s.find_last_not_of(' ');
  return n == std::string::npos ? std::string() : s.substr(0, n + 1);
}

std::string Zk1Identity(const Zk1Record& r, bool nextMonth) {
  std::string k = std::to_string(r.Abr) + '|' + std::to_string(r.Lfn) + '|' + (nextMonth ? "+" : "") + r.Bdt;
  for (const std::string* s : {&r.Stz, &r.Pnr, &r.Zkt, &r.Lna, &r.Lgr, &r.Kst, &r.Ktr, &r.Von, &r.Bis})
    k += '\x1f' + KeyPart(*s);
  return k;
}

WriteBatch g_zk1Batch("Qvx331Zk1", std::string(kZk1Columns) + " VALUES ", "");
// Identities of the records written for the employee of the last record: a
// record that meets one of them is added to the stored one, which the
// multi-row insert cannot report; it is written on its own.
std::string g_zk1Employee;
std::unordered_set<std::string> g_zk1Written;

constexpr char kZk2Columns[] =
    "INSERT INTO Qvx331Zk2 (Zk2Abr, Zk2Pnr, Zk2Bdt, Zk2Stt, Zk2Svt, Zk2Slt, Zk2Ant, Zk2Sln, Zk2Uns, Zk2Zes,"
    " Zk2Bzt, Zk2Unt, Zk2Rre)";

std::string Zk2InsertStatement(const Zk2Record& r) {
  return SqlFormat(std::string(kZk2Columns) + " VALUES (%ld, '%s', '%s', %f, %f, %f, %f, %f, %f, %f, %f, %f, %d)",
                   r.Abr, r.Pnr, r.Bdt, r.Stt, r.Svt, r.Slt, r.Ant, r.Sln, r.Uns, r.Zes, r.Bzt, r.Unt, r.Rre);
}

// The figures are rounded to two decimals before they are written, so adding
// the stored value of the inserted row gives what adding the figure gives.
WriteBatch g_zk2Batch("Qvx331Zk2", std::string(kZk2Columns) + " VALUES ",
                      " ON DUPLICATE KEY UPDATE Zk2Stt = Zk2Stt + VALUES(Zk2Stt), Zk2Svt = Zk2Svt + VALUES(Zk2Svt),"
                      " Zk2Slt = Zk2Slt + VALUES(Zk2Slt), Zk2Ant = Zk2Ant + VALUES(Zk2Ant),"
                      " Zk2Sln = Zk2Sln + VALUES(Zk2Sln), Zk2Uns = Zk2Uns + VALUES(Zk2Uns),"
                      " Zk2Zes = Zk2Zes + VALUES(Zk2Zes), Zk2Bzt = Zk2Bzt + VALUES(Zk2Bzt),"
                      " Zk2Unt = Zk2Unt + VALUES(Zk2Unt)");

}  // namespace

[[nodiscard]] int SQL_Qvx331Zk1_Insert(const Zk1Record& r) {
  return SqlWrite(Zk1InsertStatement(r, false, NextZk1Su1(r.Sts)));
}

[[nodiscard]] int SQL_Qvx331Zk1_InsertFolgemonat(const Zk1Record& r) {
  return SqlWrite(Zk1InsertStatement(r, true, NextZk1Su1(r.Sts)));
}

void WriteZk1Record(const Zk1Record& r, bool nextMonth, std::function<void(int)> onStatus) {
  std::string single = Zk1InsertStatement(r, nextMonth, NextZk1Su1(r.Sts));
  std::string employee = KeyPart(r.Pnr);
  if (employee != g_zk1Employee) {
    g_zk1Written.clear();
    g_zk1Employee = employee;
  }
  if (!g_zk1Written.insert(Zk1Identity(r, nextMonth)).second) {
    // meets a record written before: the stored record is added to at once
    g_zk1Batch.Flush();
    int st = SqlWrite(std::move(single));
    if (st != 0) onStatus(st);
    return;
  }
  g_zk1Batch.Add(single, [single, onStatus = std::move(onStatus)]() {
    int st = SqlWrite(single);
    if (st != 0) onStatus(st);
  });
}

void WriteZk2Record(const Zk2Record& r, std::function<void(int)> onStatus) {
  g_zk2Batch.Add(Zk2InsertStatement(r), [r, onStatus = std::move(onStatus)]() {
    int st = SQL_Qvx331Zk2_Write(r);
    if (st != 0) onStatus(st);
  });
}

// The WHERE clause names every column of the record's identity with "=": the
// update must add to the one record that refused the insert and to no other.
[[nodiscard]] int SQL_Qvx331Zk1_Update(const Zk1Record& r, bool nextMonth) {
  std::string bdt = nextMonth ? "DATE_FORMAT(date_add('%s', interval 1 month), '%%Y.%%m.%%d')" : "'%s'";
  int st = SqlWrite(
      SqlFormat("UPDATE Qvx331Zk1 SET Zk1Krt = '%s', Zk1Std = Zk1Std + %ld, Zk1Tge = Zk1Tge + %ld, Zk1Stg = Zk1Stg + %d"
                " WHERE Zk1Abr = %ld AND Zk1Lfn = %d AND Zk1Stz = '%s' AND DATE_FORMAT(Zk1Bdt, '%%Y.%%m.%%d') = " +
                    bdt +
                    " AND Zk1Pnr = '%s' AND Zk1Zkt = '%s' AND Zk1Lna = '%s' AND Zk1Lgr = '%s' AND Zk1Kst = '%s'"
                    " AND Zk1Ktr = '%s' AND DATE_FORMAT(Zk1Von, '%%Y.%%m.%%d') = '%s'"
                    " AND DATE_FORMAT(Zk1Bis, '%%Y.%%m.%%d') = '%s'",
                r.Krt, static_cast<int32_t>(r.Std), r.Tge, r.Stg, r.Abr, r.Lfn, r.Stz, r.Bdt, r.Pnr, r.Zkt, r.Lna,
                r.Lgr, r.Kst, r.Ktr, r.Von, r.Bis));
  if (st != 0) return st;
  // the values went into the stored record of the identity; no row changed
  // means it was not found again (nothing to add changes nothing either)
  if (dbAffectedRows() > 0 || (r.Std == 0 && r.Tge == 0 && r.Stg == 0)) return 0;
  return kSqlNoMoreRows;
}

[[nodiscard]] int SQL_Qvx331Zk2_Write(const Zk2Record& r) {
  int st = SqlWrite(Zk2InsertStatement(r));
  if (st != kSqlDuplicate) return st;
  return SqlWrite(
      SqlFormat("UPDATE Qvx331Zk2 SET Zk2Stt = Zk2Stt + %f, Zk2Svt = Zk2Svt + %f, Zk2Slt = Zk2Slt + %f,"
                " Zk2Ant = Zk2Ant + %f, Zk2Sln = Zk2Sln + %f, Zk2Uns = Zk2Uns + %f, Zk2Zes = Zk2Zes + %f,"
                " Zk2Bzt = Zk2Bzt + %f, Zk2Unt = Zk2Unt + %f"
                " WHERE Zk2Abr = %ld AND Zk2Pnr = '%s' AND DATE_FORMAT(Zk2Bdt, '%%Y.%%m.%%d') = '%s' AND Zk2Rre = %d",
                r.Stt, r.Svt, r.Slt, r.Ant, r.Sln, r.Uns, r.Zes, r.Bzt, r.Unt, r.Abr, r.Pnr, r.Bdt, r.Rre));
}
