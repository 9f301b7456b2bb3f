// Account transfer: the bookings of one employee in the calculated period
// become month-account records (one per period sum), day-account records (one
// per booking day) and day-run records (one per run of consecutive days).
//
// The rules are written once. Where the values go is a parameter: the
// settlement writes transfer records (Qvx331Zk1); the retro-calculation passes
// a destination of its own that writes retro records.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "calc/batch/bookings.h"
#include "calc/batch/served.h"
#include "calc/calc_state.h"
#include "calc/transfer_records.h"
#include "run/db_key.h"

// The account transfer's cursors, served from the bookings read ahead for a
// batch of employees when it holds them (calc/batch/bookings.h).
using MonatCursor = BatchCursor<ZkbMonat>;
using TagCursor = BatchCursor<ZkbTag>;
using PruefCursor = BatchCursor<PruefRow>;

// Wage-type line of an interface (Qvx171Lu1), the 22 columns in read order.
struct Lu1Row {
  std::string Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Lgr, Lu1Gvo, Lu1Gbi;
  int16_t Lu1Rre = 0, Lu1Tgw = 0, Lu1Kst = 0, Lu1Ktr = 0, Lu1Krt = 0, Lu1Tge = 0, Lu1Sol = 0, Lu1Svk = 0, Lu1Flg = 0,
          Lu1Lfn = 0, Lu1Sts = 0, Lu1Fkt = 0, Lu1Ztr = 0;
  double Lu1Mog = 0;
  int32_t Lu1Sta = 0;
  // Keys of Lu1Stz, Lu1Ztk and Lu1Lna as the server compares them (DbKey).
  std::string KeyStz, KeyZtk, KeyLna;
};

// Where the account transfer puts its values. The record comes with every
// column filled as for a transfer record (Zk1Abr = Abrnr, Zk1Lfn = Lfn).
struct TransferDest {
  // A month-account (Sta 1) or day-account (Sta 2) value; a value that meets
  // a stored record of the same identity is added to it.
  void (*WriteValue)(const RunContext& ctx, const Zk1Record& r);
  // A day run; nextMonth: the booking date is one month after r.Bdt.
  void (*WriteRun)(const RunContext& ctx, const Zk1Record& r, bool nextMonth);
  // Only wage-type lines marked for retro-calculation (Lu1Rre 1) take part.
  bool RetroLinesOnly;
  // The day counts go into the statistics (SvkSum) and into the run log.
  bool FeedsStatistics;
  // A value written marks the employee's row as having data (CalcState's
  // Written).
  bool MarksWritten;
};

// Transfer records of the run (Qvx331Zk1); sets the written flag.
extern const TransferDest kTransferRecords;
// The account transfer's values as retro records under the run's key, the
// accounting number and Lfn of the record.
extern const TransferDest kRetroRecords;
// Day runs of the final settlement after interim settlements as retro records,
// all other values as transfer records.
const TransferDest& ZwischenTransferDest();

// Wage-type lines, next calendar days and the accounts of day codes do not
// change during a run; each is read once per settlement call instead of once
// per employee and booking. Texts of the database are matched by the keys the
// server gives them (run/db_key.h); dates are the program's own texts. Every
// settlement call begins with answers of its own; the retro-calculations
// that follow it go on with them.
struct FcdAnswer {
  int Status = 0;
  std::string Zkt, ZktKey;
};
struct TransferAnswers {
  std::map<DbKey, std::vector<Lu1Row>> Lu1;
  std::map<std::string, std::string> NextDay;
  std::map<DbKey, FcdAnswer> Fcd;
  std::vector<Lu1Row> Failed;  // the lines of a read that failed, until the next one
};

// One account transfer of the current employee.
struct TransferCall {
  const BsvRow* Bsv = nullptr;
  std::string Akr;               // circle whose interface (the context's Lug) is in force
  int16_t FolgeNr = 0;           // Lu1Flg of a following-month call
  int16_t Folgemonat = 0;        // 0 main call, 1 following-month call
  std::string MainVon, MainBis;  // period of the main call
  std::string* Bdt = nullptr;    // booking date of month accounts; set anew in following-month calls
  const TransferDest* Dest = &kTransferRecords;
  TransferAnswers* Answers = nullptr;   // of the settlement call (never null)
  CalcState* Calc = nullptr;            // of the settlement (never null): record types, statistics, written flag
  const RunContext* Context = nullptr;  // of the run (never null)
};

// The settlement's account transfer for the period AbrVon..AbrBis of RunContext.
void TransferZeitkonten(RunContext& ctx, CalcState& calc, const BsvRow& row, const std::string& akr, int16_t folgeNr,
                        int16_t folgemonat, TransferAnswers& answers);
// The same rules for any destination.
void TransferZeitkontenTo(const TransferCall& call);
// Day runs of one account and cost assignment (Kst, Ktr of the month row) for one wage-type line.
void BuildTagesfolgen(const TransferCall& call, const ZkbMonat& monat, const Lu1Row& lu1);

// Days of an account in tenths, counted over the day codes of the days in
// [von, bis] with qualifying bookings of the account under (kst, ktr). Uses
// Lu1Sol and Lu1Sts of the wage-type line. zktKey, kstKey, ktrKey: the keys
// of account, cost centre and unit as the server compares them; the account's
// is matched with the accounts of the day codes.
int32_t CountPrueftage(TransferAnswers& answers, const std::string& pnr, const std::string& von, const std::string& bis,
                       const std::string& zkt, const std::string& zktKey, const std::string& kst,
                       const std::string& krt, const std::string& ktr, const std::string& akr, const Lu1Row& lu1,
                       const std::string& kstKey, const std::string& ktrKey);

// followNr: the following-month number of the call (0 for the main call);
// the caller skips accounts without a wage-type line of that number, so rows
// of those may be left out.
[[nodiscard]] int SQL_Qvx331Zkb_OpenMonat(const RunContext& ctx, MonatCursor& monat, const std::string& pnr,
                                          const std::string& von, const std::string& bis, int16_t lfn,
                                          const std::string& lugLug, int16_t followNr);
[[nodiscard]] int SQL_Qvx331Zkb_FetchMonat(MonatCursor& monat, ZkbMonat& m);
[[nodiscard]] int SQL_Qvx331Zkb_CloseMonat(MonatCursor& monat);
[[nodiscard]] int SQL_Qvx171Lu1_Open(SqlCursor& lu1, const std::string& lugLug, const std::string& stz,
                                     const std::string& zkt, const std::string& von, const std::string& bis);
[[nodiscard]] int SQL_Qvx171Lu1_Fetch(SqlCursor& lu1, Lu1Row& l);
[[nodiscard]] int SQL_Qvx171Lu1_Close(SqlCursor& lu1);
// The cursors below are served from the bookings read ahead for a batch of
// employees (calc/batch/bookings.h) when the batch holds them and the keys of the
// texts are given; else the statement is sent.
[[nodiscard]] int SQL_Qvx331Zkb_OpenTag(TagCursor& tag, const std::string& pnr, const std::string& zkt,
                                        const std::string& von, const std::string& bis,
                                        const std::string* zktKey = nullptr);
[[nodiscard]] int SQL_Qvx331Zkb_FetchTag(TagCursor& tag, ZkbTag& d);
[[nodiscard]] int SQL_Qvx331Zkb_CloseTag(TagCursor& tag);
struct FolgeKeys {
  std::string Zkt, Kst, Ktr;
};
[[nodiscard]] int SQL_Qvx331Zkb_OpenFolge(TagCursor& folge, const std::string& pnr, const std::string& zkt,
                                          const std::string& kst, const std::string& ktr, const std::string& von,
                                          const std::string& bis, int16_t ztr, const FolgeKeys* keys = nullptr);
[[nodiscard]] int SQL_Qvx331Zkb_FetchFolge(TagCursor& folge, ZkbTag& d);
[[nodiscard]] int SQL_Qvx331Zkb_CloseFolge(TagCursor& folge);
[[nodiscard]] int SQL_Qvx320Tgb_GetSol(const std::string& pnr, const std::string& day, int32_t& sol);
[[nodiscard]] int SQL_Qvx133Bak_NextDay(const std::string& day, std::string& next);
[[nodiscard]] int SQL_Qvx327Tag_OpenPruef(PruefCursor& pruef, const std::string& pnr, const std::string& zkt,
                                          const std::string& kst, const std::string& von, const std::string& bis,
                                          const std::string& akr, const std::string& ktr,
                                          const FolgeKeys* keys = nullptr);
// htvKey, htnKey: the codes' keys as the server compares them.
[[nodiscard]] int SQL_Qvx327Tag_FetchPruef(PruefCursor& pruef, std::string& day, std::string& htv, std::string& htn,
                                           std::string& htvKey, std::string& htnKey);
[[nodiscard]] int SQL_Qvx327Tag_ClosePruef(PruefCursor& pruef);
// zktKey: the account's key as the server compares it.
[[nodiscard]] int SQL_Qvx131Fcd_GetZkt(const std::string& code, std::string& zkt, std::string& zktKey);
