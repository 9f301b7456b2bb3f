#include "calc/employment.h"

#include <algorithm>
#include <cctype>

#include "run/db_key.h"

namespace {
constexpr int kPnrColumn = 0, kLugColumn = 4;
int g_pageRows = kEmploymentPageRows;

// Hex digits and character set names as the server gives them: nothing that
// could end the literal they are put into.
bool PlainWord(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '_'; });
}
}  // namespace

void SetEmploymentPageRows(int rows) { g_pageRows = rows > 0 ? rows : 1; }

int EmploymentCursor::Open(const std::string& akr, const std::string& bis, const std::string& von, bool lugOnly,
                           bool withSfr) {
  akr_ = akr;
  bis_ = bis;
  von_ = von;
  lugOnly_ = lugOnly;
  withSfr_ = withSfr;
  pageRows_ = g_pageRows;
  lastHex_.clear();
  lastCharset_.clear();
  sql_.KeyColumns = 1u << kPnrColumn | 1u << kLugColumn;
  return ReadPage();
}

// One page: the rows of the employees after the last one read, up to the
// employee of the pageRows_-th row, all rows of that employee included. The
// pages follow one another by BsvPnr as the server compares it (the order of
// the rows), so every row is in exactly one page, in the order one statement
// over the whole circle would give. A page with fewer rows than pageRows_ is
// the last.
int EmploymentCursor::ReadPage() {
  std::string where = SqlFormat(
      " FROM Qvx310Bsv WHERE BsvAkr = '%s' AND date_format(BsvGvo, '%%Y.%%m.%%d') <= '%s'"
      " AND (BsvGbi IS NULL OR date_format(BsvGbi, '%%Y.%%m.%%d') >= '%s')",
      akr_, bis_, von_);
  if (lugOnly_) where += " AND NOT BsvLug IS NULL AND BsvLug > '0'";
  if (!lastCharset_.empty()) {
    if (!PlainWord(lastCharset_) || !PlainWord(lastHex_)) return -1;
    where += " AND BsvPnr > _" + lastCharset_ + " X'" + lastHex_ + "'";
  }
  std::string statement =
      std::string(
          "SELECT trim(BsvPnr), trim(BsvAkr), date_format(BsvGvo, '%Y.%m.%d'),"
          " date_format(BsvGbi, '%Y.%m.%d'), trim(BsvLug), ") +
      (withSfr_ ? "trim(BsvSfr), " : "") + SqlKeyColumn("BsvPnr") + ", " + SqlKeyColumn("trim(BsvPnr)") +
      ", HEX(BsvPnr), CHARSET(BsvPnr)" + where + " AND BsvPnr <= (SELECT MAX(PagePnr) FROM (SELECT BsvPnr AS PagePnr" +
      where + " ORDER BY BsvPnr LIMIT " + std::to_string(pageRows_) + ") AS Page) ORDER BY BsvPnr, BsvGvo DESC";
  rowsInPage_ = 0;
  lastPage_ = false;
  return SqlOpen(sql_, SqlCheckLength(std::move(statement)));
}

int EmploymentCursor::Fetch(BsvRow& row) {
  row = BsvRow{};
  int st = 0;
  for (;;) {
    st = withSfr_ ? SqlFetchInto(sql_, row.BsvPnr, row.BsvAkr, row.BsvGvo, row.BsvGbi, row.BsvLug, row.BsvSfr,
                                 row.PnrKey, row.StmtKey, lastHex_, lastCharset_)
                  : SqlFetchInto(sql_, row.BsvPnr, row.BsvAkr, row.BsvGvo, row.BsvGbi, row.BsvLug, row.PnrKey,
                                 row.StmtKey, lastHex_, lastCharset_);
    if (st != kSqlNoMoreRows || lastPage_) break;
    // the page is done: a short one was the last, else the next is read
    if (rowsInPage_ < pageRows_) {
      lastPage_ = true;
      break;
    }
    if ((st = ReadPage()) != 0) return st;
  }
  if (st == 0) {
    ++rowsInPage_;
    NoteRefusedPnr(sql_, kPnrColumn, kLugColumn, row);
    if (!row.BsvLug.empty()) row.Zk1Upn = row.BsvLug;
    else if (!lugOnly_) row.Zk1Upn = row.BsvPnr;
  }
  return st;
}

int EmploymentCursor::Close() {
  lastPage_ = true;
  return dbClose(sql_);
}

void NoteRefusedPnr(const SqlCursor& cursor, int pnrColumn, int lugColumn, BsvRow& row) {
  if (const std::string* text = dbRefusedText(cursor, pnrColumn)) {
    row.RefusedField = "Personalnummer";
    row.RefusedText = *text;
  } else if (const std::string* lug = dbRefusedText(cursor, lugColumn)) {
    row.RefusedField = "PersNr-LuG";
    row.RefusedText = *lug;
  }
}
