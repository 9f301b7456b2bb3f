// Matching texts of the database in memory.
//
// The database compares texts by the collation of their column, not byte for
// byte. On the schema of the time-management system (latin1_swedish_ci) case
// and some accents are ignored ("verw" = "VERW", "ä" = "Ä", even "Ü" = "Y"),
// and so are trailing blanks ("KS " = "KS"). Its statements, GROUP BY and
// unique keys all treat such texts as one value. Wherever the program decides
// in memory whether two texts read from the database are the same value
// (records read once and matched, caches keyed by account, wage type or code,
// "same as the previous row" tests), it must decide exactly as the server
// does: otherwise a value is reversed and booked anew under the other
// spelling, counted twice, or looked up twice.
//
// The one rule: never compare such texts themselves. Let the server produce
// the comparison key of each text together with the row, and compare keys:
//
// 1. In the SELECT that reads the row, put SqlKeyColumn("Col") beside the
//    column (or instead of it, when only the match needs it):
//        SqlFormat("SELECT Zk1Lna, " + SqlKeyColumn("Zk1Lna") + " FROM ...")
//    The key is the column's weight string under its own collation, trailing
//    blanks removed, as hex digits: equal keys if and only if the server's
//    "=" finds the texts equal (tested for every byte value against the
//    server). Within a GROUP BY the key of a grouped column is the group's.
// 2. Fetch it like any text column into a std::string (reset the field
//    before each fetch: a NULL column leaves it as it was, so that NULL
//    then counts as the empty text).
// 3. Build the match key of the columns that identify the value with DbKey,
//    in a fixed order, and use DbKey as the key of the map, set or cache
//    (std::map, or std::unordered_map with DbKeyHash):
//        DbKey k = DbKey().Add(lnaKey).Add(zktKey).AddExact(bdt);
//    AddExact takes parts that the program formats itself and that are
//    compared byte for byte anyway (date texts of date_format, numbers).
//
// Statements: the key columns travel with rows that are read anyway, so the
// rule costs no statement.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

// The select expression of the comparison key of a text column (or of any
// text expression): "HEX(WEIGHT_STRING(RTRIM(<column>)))", or, when a key
// collation is set, the weight string in that collation:
// "HEX(WEIGHT_STRING(CONVERT(RTRIM(<column>) USING utf8mb4) COLLATE <c>))".
std::string SqlKeyColumn(std::string_view column);

// The collation in which every match key is built ("" for each column's
// own). Tables whose text columns differ in character set (bookings utf8mb4,
// master tables latin1) are compared by the server in the utf8mb4 collation;
// keys in each column's own collation would never meet across them. Set by
// the start-up check of the server (run/server_check.h) for the whole run.
void SetKeyCollation(const std::string& collation);

// Key of a value identified by several columns: the key columns (and exact
// parts) in a fixed order. Equal when every part is equal.
class DbKey {
 public:
  // A key column as fetched (SqlKeyColumn).
  DbKey& Add(std::string_view serverKey);
  // A part compared byte for byte (texts the program formats itself).
  DbKey& AddExact(std::string_view text);

  // A key as Bytes() gave it (kept aside and read back).
  static DbKey FromBytes(std::string bytes) {
    DbKey k;
    k.bytes_ = std::move(bytes);
    return k;
  }

  const std::string& Bytes() const { return bytes_; }
  bool empty() const { return bytes_.empty(); }
  friend bool operator==(const DbKey& a, const DbKey& b) { return a.bytes_ == b.bytes_; }
  friend bool operator!=(const DbKey& a, const DbKey& b) { return a.bytes_ != b.bytes_; }
  friend bool operator<(const DbKey& a, const DbKey& b) { return a.bytes_ < b.bytes_; }

 private:
  std::string bytes_;
};

struct DbKeyHash {
  size_t operator()(const DbKey& k) const { return std::hash<std::string>()(k.Bytes()); }
};
