// The employment cursor: the employment rows (Qvx310Bsv) of a circle that
// overlap a period, per employee newest first. The settlement and the
// retro-calculation read their employees with it.
#pragma once

#include <string>

#include "calc/calc_state.h"
#include "run/db.h"

// The cursor reads its rows page by page, each page the rows of whole
// employees: about this many rows, so that memory is bounded by a page and not
// by the circle.
inline constexpr int kEmploymentPageRows = 4000;
// Test seam: another page size (at least 1 row).
void SetEmploymentPageRows(int rows);

class EmploymentCursor {
 public:
  // Rows of the circle akr overlapping [von, bis]. lugOnly: only rows with a
  // payroll personnel number (BsvLug). withSfr: the settlement reads the
  // special-leave model (BsvSfr) too; the retro-calculation has no use for it.
  [[nodiscard]] int Open(const std::string& akr, const std::string& bis, const std::string& von, bool lugOnly,
                         bool withSfr);
  // Also derives Zk1Upn: BsvLug, or BsvPnr when BsvLug is empty and the run
  // is not LuG-only. At the end of a page the next one is read here.
  [[nodiscard]] int Fetch(BsvRow& row);
  [[nodiscard]] int Close();

 private:
  SqlCursor sql_;
  bool lugOnly_ = false;
  bool withSfr_ = false;
};

// The personnel numbers of the row's key columns pnrColumn (BsvPnr) and
// lugColumn (BsvLug) of the fetched employment cursor, refused when
// Windows-1252 cannot hold them (BsvRow::RefusedField).
void NoteRefusedPnr(const SqlCursor& cursor, int pnrColumn, int lugColumn, BsvRow& row);
