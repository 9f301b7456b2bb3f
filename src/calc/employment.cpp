#include "calc/employment.h"

#include "run/db_key.h"

namespace {
constexpr int kPnrColumn = 0, kLugColumn = 4;
int g_pageRows = kEmploymentPageRows;
}  // namespace

void SetEmploymentPageRows(int rows) { g_pageRows = rows > 0 ? rows : 1; }

// Read page by page by BsvPnr (SqlOpenPaged): each page the rows of whole
// employees, in the order of one statement over the circle.
int EmploymentCursor::Open(const std::string& akr, const std::string& bis, const std::string& von, bool lugOnly,
                           bool withSfr) {
  lugOnly_ = lugOnly;
  withSfr_ = withSfr;
  sql_.KeyColumns = 1u << kPnrColumn | 1u << kLugColumn;
  return SqlOpenPaged(sql_,
                      SqlFormat(std::string("SELECT trim(BsvPnr), trim(BsvAkr), date_format(BsvGvo, '%%Y.%%m.%%d'),"
                                            " date_format(BsvGbi, '%%Y.%%m.%%d'), trim(BsvLug), ") +
                                    (withSfr ? "trim(BsvSfr), " : "") + SqlKeyColumn("BsvPnr") + ", " +
                                    SqlKeyColumn("trim(BsvPnr)") +
                                    " FROM Qvx310Bsv WHERE BsvAkr = '%s'"
                                    " AND date_format(BsvGvo, '%%Y.%%m.%%d') <= '%s'"
                                    " AND (BsvGbi IS NULL OR date_format(BsvGbi, '%%Y.%%m.%%d') >= '%s')" +
                                    (lugOnly ? " AND NOT BsvLug IS NULL AND BsvLug > '0'" : "") +
                                    " ORDER BY BsvPnr, BsvGvo DESC",
                                akr, bis, von),
                      g_pageRows);
}

int EmploymentCursor::Fetch(BsvRow& row) {
  row = BsvRow{};
  int st = withSfr_ ? SqlFetchInto(sql_, row.BsvPnr, row.BsvAkr, row.BsvGvo, row.BsvGbi, row.BsvLug, row.BsvSfr,
                                   row.PnrKey, row.StmtKey)
                    : SqlFetchInto(sql_, row.BsvPnr, row.BsvAkr, row.BsvGvo, row.BsvGbi, row.BsvLug, row.PnrKey,
                                   row.StmtKey);
  if (st == 0) {
    NoteRefusedPnr(sql_, kPnrColumn, kLugColumn, row);
    if (!row.BsvLug.empty()) row.Zk1Upn = row.BsvLug;
    else if (!lugOnly_) row.Zk1Upn = row.BsvPnr;
  }
  return st;
}

int EmploymentCursor::Close() { return dbClose(sql_); }

void NoteRefusedPnr(const SqlCursor& cursor, int pnrColumn, int lugColumn, BsvRow& row) {
  if (const std::string* text = dbRefusedText(cursor, pnrColumn)) {
    row.RefusedField = "Personalnummer";
    row.RefusedText = *text;
  } else if (const std::string* lug = dbRefusedText(cursor, lugColumn)) {
    row.RefusedField = "PersNr-LuG";
    row.RefusedText = *lug;
  }
}
