// How the calculation's rules ask a per-employee read: the batch of employees
// read ahead answers when it holds the employee and the days, else the single
// statement goes to the database. The rule files read the same either way;
// the batch gives exactly the answer the statement would.
#pragma once

#include <cstddef>
#include <tuple>
#include <vector>

#include "run/db.h"

// The status of a single-row read: lookup(status) asks the batch and returns
// true when it answered (status then as the statement would give it); else
// single() sends the statement.
template <class Lookup, class Single>
[[nodiscard]] int ServedOr(Lookup lookup, Single single) {
  int status = 0;
  if (lookup(status)) return status;
  return single();
}

// A cursor of a single statement whose rows the batch of employees may give
// instead: served rows come with the statuses of a fetch (0 for each row,
// then kSqlNoMoreRows), else the statement's own cursor is read.
template <class Row>
class BatchCursor {
 public:
  SqlCursor Sql;
  std::vector<Row> Rows;  // the rows to serve, filled by the batch

  // Serving Rows begins when served is true; returns served.
  bool Serve(bool served) {
    served_ = served;
    next_ = 0;
    if (!served) Rows.clear();
    return served;
  }
  bool Served() const { return served_; }
  // The next row served.
  int Next(Row& row) {
    if (next_ >= Rows.size()) return kSqlNoMoreRows;
    row = Rows[next_++];
    return 0;
  }
  // The next row into the fields (one field, or one per member of a pair).
  template <class... T>
  int Fetch(T&... out) {
    if (!served_) return SqlFetchInto(Sql, out...);
    if (next_ >= Rows.size()) return kSqlNoMoreRows;
    if constexpr (sizeof...(T) == 1) ((out = Rows[next_]), ...);
    else std::tie(out...) = Rows[next_];
    ++next_;
    return 0;
  }
  int Close() {
    if (!served_) return dbClose(Sql);
    served_ = false;
    Rows.clear();
    return 0;
  }

 private:
  bool served_ = false;
  size_t next_ = 0;
};
