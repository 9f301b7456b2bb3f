// The account transfer's cursors served from the bookings read ahead for a
// batch of employees give the rows of the single statements: for personnel
// numbers, accounts and cost centres that the database holds in another case
// or with trailing blanks, for NULL and empty day codes, for days and
// employees outside the batch, and under another interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "calc/batch/bookings.h"
#include "calc/account_transfer.h"
#include "run/db_key.h"
#include "calc/statistics_fixture.h"

namespace {

class Bookings : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    Fixture(
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Ztr, Lu1Art) VALUES"
        " ('L1', 'S1', 'Z1', 'L100', '2020-01-01', 0, 0), ('L1', 'S1', 'Z2', 'L200', '2020-01-01', 1, 1),"
        " ('L1', 'S1', 'Z3', 'L300', '2020-01-01', 1, 0);"
        "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge) VALUES"
        " ('e1', 3, '2026-03-02', 'k1', 'T1', 'KA', 'z1', 30, 0), ('E1 ', 3, '2026-03-20', 'K1 ', 'T1', 'KB', 'Z1', 20, 1),"
        " ('e1', 3, '2026-04-02', 'K1', 'T1', 'KA', 'Z1', 99, 0),"
        " ('e1', 1, '2026-03-02', 'K1', 'T1', 'KA', 'Z2', 60, 0), ('E1', 1, '2026-03-03', 'k1', 't1', 'KA', 'z2', 0, 0),"
        " ('e1', 1, '2026-03-03', 'K1', 'T1', 'KB', 'Z2', 15, 0), ('e1', 1, '2026-03-04', 'K2', 'T1', 'KA', 'Z2', -5, 0),"
        " ('e1', 1, '2026-03-05', 'K1', 'T1', 'KA', 'Z3', 0, 0), ('e1', 1, '2026-03-06', 'K1', 'T1', 'KA', 'Z3', 40, 0),"
        " ('P2', 1, '2026-03-02', 'K1', 'T1', 'KA', 'Z2', 10, 0);"
        "INSERT INTO Qvx327Tag (TagPnr, TagTag, TagVon, TagTgb, TagHtv, TagHtn) VALUES"
        " ('e1', '2026-03-02', '2026-03-02', NULL, 'u', NULL), ('E1 ', '2026-03-02', '2026-03-02', NULL, 'U', NULL),"
        " ('e1', '2026-03-03', '2026-03-03', NULL, '', NULL), ('e1', '2026-03-03', '2026-03-03', NULL, NULL, NULL),"
        " ('e1', '2026-03-05', '2026-03-05', 'K', NULL, 'HU'), ('e1', '2026-03-06', '2026-03-06', NULL, NULL, NULL),"
        " ('P2', '2026-03-02', '2026-03-02', NULL, 'u', NULL)");
  }
  ~Bookings() override { ClearBookingBatch(); }

  // kept, so that asking for a key sends no statement the second time
  std::string Key(const std::string& text) {
    auto it = keys_.find(text);
    if (it != keys_.end()) return it->second;
    std::string key;
    EXPECT_EQ(0,
              SqlSelectOne("SELECT " + SqlKeyColumn("CONVERT('" + text + "' USING latin1) COLLATE latin1_swedish_ci"),
                           key));
    return keys_[text] = key;
  }
  std::map<std::string, std::string> keys_;
  int16_t follow_ = 0;  // following-month number of the settlement call

  std::string Monat(const std::string& pnr, const std::string& von, const std::string& bis, const std::string& lug) {
    MonatCursor monat;
    std::string out = std::to_string(SQL_Qvx331Zkb_OpenMonat(Ctx, monat, pnr, von, bis, Ctx.Lfn, lug, follow_)) + ":";
    ZkbMonat m;
    int st;
    while ((st = SQL_Qvx331Zkb_FetchMonat(monat, m)) == 0) {
      out += Format("%s|%d|%s|%s|%s|%s|%ld|%ld|%s", m.ZkbPnr, m.ZkbZtr, m.ZkbKst, m.ZkbKtr, m.ZkbKrt, m.ZkbZkt,
                    m.ZkbStd, m.ZkbTge, m.KeyZkt);
      if (m.ZkbStg != 0 || m.ZkbSta != 0) out += Format("|%d|%d", m.ZkbStg, m.ZkbSta);
      out += ";";
      m = ZkbMonat{};
    }
    return out + std::to_string(st) + ":" + std::to_string(SQL_Qvx331Zkb_CloseMonat(monat));
  }
  static std::string Tag(const ZkbTag& d) {
    return Format("%s|%s|%s|%s|%s|%s|%ld;", d.ZkbPnr, d.ZkbDtm, d.ZkbKst, d.ZkbKtr, d.ZkbKrt, d.ZkbZkt, d.ZkbStd);
  }
  std::string Tage(const std::string& pnr, const std::string& zkt, const std::string& von, const std::string& bis) {
    std::string key = Key(zkt);
    TagCursor tag;
    std::string out = std::to_string(SQL_Qvx331Zkb_OpenTag(tag, pnr, zkt, von, bis, &key)) + ":";
    ZkbTag d;
    int st;
    while ((st = SQL_Qvx331Zkb_FetchTag(tag, d)) == 0) {
      out += Tag(d);
      d = ZkbTag{};
    }
    return out + std::to_string(st) + ":" + std::to_string(SQL_Qvx331Zkb_CloseTag(tag));
  }
  std::string Folge(const std::string& pnr, const std::string& zkt, const std::string& kst, const std::string& ktr,
                    int16_t ztr) {
    FolgeKeys keys{Key(zkt), Key(kst), Key(ktr)};
    TagCursor folge;
    std::string out =
        std::to_string(SQL_Qvx331Zkb_OpenFolge(folge, pnr, zkt, kst, ktr, Ctx.AbrVon, Ctx.AbrBis, ztr, &keys)) + ":";
    ZkbTag d;
    int st;
    while ((st = SQL_Qvx331Zkb_FetchFolge(folge, d)) == 0) {
      out += Tag(d);
      d = ZkbTag{};
    }
    return out + std::to_string(st) + ":" + std::to_string(SQL_Qvx331Zkb_CloseFolge(folge));
  }
  // In no order, as the statement gives them.
  std::string Pruef(const std::string& pnr, const std::string& zkt, const std::string& kst, const std::string& ktr,
                    const std::string& von, const std::string& bis) {
    FolgeKeys keys{Key(zkt), Key(kst), Key(ktr)};
    PruefCursor pruef;
    std::string out = std::to_string(SQL_Qvx327Tag_OpenPruef(pruef, pnr, zkt, kst, von, bis, "01", ktr, &keys)) + ":";
    std::vector<std::string> rows;
    std::string day, htv, htn, htvKey, htnKey;
    int st;
    while ((st = SQL_Qvx327Tag_FetchPruef(pruef, day, htv, htn, htvKey, htnKey)) == 0) {
      // the spelling of a code that DISTINCT keeps is the server's choice
      rows.push_back(day + "|" + htvKey + "|" + htnKey);
      day.clear();
      htv.clear();
      htn.clear();
      htvKey.clear();
      htnKey.clear();
    }
    std::sort(rows.begin(), rows.end());
    for (const auto& r : rows) out += r + ";";
    return out + std::to_string(st) + ":" + std::to_string(SQL_Qvx327Tag_ClosePruef(pruef));
  }

  std::vector<std::string> AskAll() {
    return {Monat("e1", "2026.03.01", "2026.03.31", "L1"),
            Monat("E1", "2026.03.01", "2026.03.31", "L1"),
            Monat("e1", "2026.03.01", "2026.03.31", "L9"),  // another interface
            Monat("e1", "2026.03.01", "2026.04.30", "L1"),  // beyond the batch
            Monat("P2", "2026.03.01", "2026.03.31", "L1"),  // not in the batch
            Tage("e1", "Z2", "2026.03.01", "2026.03.31"),
            Tage("e1 ", "z2", "2026.03.03", "2026.03.03"),
            Tage("e1", "Z9", "2026.03.01", "2026.03.31"),
            Folge("e1", "Z2", "K1", "T1", 0),
            Folge("E1", "z2", "k1 ", "t1", 1),
            Folge("e1", "Z2", "K2", "T1", 0),
            Pruef("e1", "Z2", "K1", "T1", "2026.03.01", "2026.03.31"),
            Pruef("e1", "Z2", "K1", "T1", "2026.03.03", "2026.03.03"),
            Pruef("e1", "Z3", "K1", "T1", "2026.03.01", "2026.03.31"),
            Pruef("e1", "Z1", "K1", "T1", "2026.03.01", "2026.03.31"),
            Pruef("P2", "Z2", "K1", "T1", "2026.03.01", "2026.03.31")};
  }
};

TEST_F(Bookings, CursorsEqualTheSingleStatements) {
  std::vector<std::string> single = AskAll();
  // spot checks of the single statements: both spellings of e1 are one employee
  EXPECT_EQ(
      "0:e1|3|k1|T1|KA|z1|30|0|5A31;E1 |3|K1 |T1|KB|Z1|20|1|5A31;e1|1|K1|T1|KA|Z2|60|0|5A32;"
      "e1|1|K1|T1|KB|Z2|15|0|5A32;e1|1|K2|T1|KA|Z2|-5|0|5A32;e1|1|K1|T1|KA|Z3|40|0|5A33;1032:0",
      single[0]);
  ReadBookingBatch(Ctx, {{"e1", Key("e1")}, {"E1", Key("E1")}, {"e1 ", Key("e1 ")}}, "2026.03.01", "2026.03.31");
  long before = dbStatementCount();
  std::vector<std::string> batched = AskAll();
  for (size_t i = 0; i < single.size(); ++i) EXPECT_EQ(single[i], batched[i]) << i;
  // another interface, a period beyond the batch and P2 (twice) go to the
  // database; the day codes and the circle's accounts are read once, when
  // first needed (the bookings came with the batch)
  EXPECT_EQ(6, dbStatementCount() - before);
}

// The month sums formed from the batch's bookings are those of the
// statement: bookings that differ only in case or trailing blanks are one
// group with the texts of its first booking (by day), groups of period
// bookings follow their last day before the cost type, ZkbStg and ZkbSta
// make groups of their own, and only the kinds the wage-type lines take part
// (in a TOPAS interim run every daily booking).
TEST_F(Bookings, MonthSumsAreGroupedAsByTheServer) {
  Fixture(
      "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd, ZkbTge, ZkbStg,"
      " ZkbSta) VALUES"
      " ('P3', 3, '2026-03-31', 'K1', 'T1', 'KA', 'Z1', 10, 0, 0, 0),"
      " ('p3 ', 3, '2026-03-10', 'k1 ', 't1', 'ka', 'z1', 5, 1, 0, 0),"
      " ('P3', 3, '2026-03-05', 'K1', 'T1', 'KB', 'Z1', 3, 0, 0, 0),"
      " ('P3', 3, '2026-03-20', 'K1', 'T1', 'KA', 'Z1', 4, 0, 1, 0),"
      " ('P3', 3, '2026-03-21', 'K1', 'T1', 'KA', 'Z1', -6, 0, 0, 2),"
      " ('P3', 3, '2026-03-15', 'K2', 'T1', 'KA', 'Z1', 7, 0, 0, 0),"
      " ('P3', 1, '2026-03-03', 'k1', 'T1', 'ka', 'z2', 30, 0, 0, 0),"
      " ('P3', 1, '2026-03-02', 'K1', 'T1', 'KA', 'Z2', 60, 0, 0, 0),"
      " ('P3', 1, '2026-03-02', 'K1', 'T1', 'KA', 'Z1', 8, 0, 0, 0),"
      " ('P3', 3, '2026-03-31', 'K1', 'T1', 'KA', 'Z2', 9, 0, 0, 0),"
      " ('P3', 3, '2026-03-31', 'K1', 'T1', 'KA', 'Z9', 11, 0, 0, 0),"
      " ('P3', 1, '2026-03-04', 'K1', 'T1', 'KA', 'Z9', 12, 0, 0, 0)");
  // which spelling of a group the server shows depends on its plan (on a
  // table this small it reads in the order of insertion); the groups, sums
  // and order must be the same
  auto folded = [](std::string text) {
    std::string out;
    for (char c : text) out += c == ' ' ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t at; (at = out.find(std::string(1, '\0') + "|")) != std::string::npos;) out.erase(at, 1);
    return out;
  };
  std::vector<std::string> batched;
  for (bool topas : {false, true}) {
    Ctx.TopasFlag = topas ? 1 : 0;
    Ctx.Lfn = topas ? 2 : 0;
    const std::string single = Monat("P3", "2026.03.01", "2026.03.31", "L1");
    ReadBookingBatch(Ctx, {{"P3", Key("P3")}}, "2026.03.01", "2026.03.31");
    long before = dbStatementCount();
    batched.push_back(Monat("P3", "2026.03.01", "2026.03.31", "L1"));
    EXPECT_EQ(folded(single), folded(batched.back())) << topas;
    EXPECT_EQ(0, dbStatementCount() - before);
    ClearBookingBatch();
  }
  // the batch shows the spelling of the group's first booking by day
  EXPECT_EQ(
      "0:P3|3|K1|T1|KB|Z1|3|0|5A31;P3|3|K1|T1|KA|Z1|4|0|5A31|1|0;P3|3|K1|T1|KA|Z1|-6|0|5A31|0|2;"
      "p3 |3|k1 |t1|ka|z1|15|1|5A31;P3|3|K2|T1|KA|Z1|7|0|5A31;P3|1|K1|T1|KA|Z2|90|0|5A32;1032:0",
      batched[0]);
  EXPECT_EQ("0:P3|1|K1|T1|KA|Z1|8|0|5A31;P3|1|K1|T1|KA|Z2|90|0|5A32;P3|1|K1|T1|KA|Z9|12|0|5A39;1032:0", batched[1]);
  Ctx.TopasFlag = 0;
  Ctx.Lfn = 0;
}

// A following month takes only the accounts with a wage-type line of its
// number: the batch holds the month sums of those accounts (here z1, whose
// line is stored as 'z1 ') and serves no other call.
TEST_F(Bookings, FollowingMonthHoldsOnlyItsAccounts) {
  Fixture(
      "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Ztr, Lu1Art, Lu1Flg) VALUES"
      " ('L1', 'S2', 'z1 ', 'L110', '2020-01-01', 0, 0, 1)");
  const std::string all = Monat("e1", "2026.03.01", "2026.03.31", "L1");
  ReadBookingBatch(Ctx, {{"e1", Key("e1")}, {"E1", Key("E1")}}, "2026.03.01", "2026.03.31", 1);
  long before = dbStatementCount();
  follow_ = 1;
  EXPECT_EQ("0:e1|3|k1|T1|KA|z1|30|0|5A31;E1 |3|K1 |T1|KB|Z1|20|1|5A31;1032:0",
            Monat("E1", "2026.03.01", "2026.03.31", "L1"));
  EXPECT_EQ(0, dbStatementCount() - before);
  // the main call and another following month ask the database
  for (int16_t f : {0, 3}) {
    follow_ = f;
    EXPECT_EQ(all, Monat("e1", "2026.03.01", "2026.03.31", "L1")) << f;
  }
  EXPECT_EQ(2, dbStatementCount() - before);
  // a following month without accounts has no month sums
  ReadBookingBatch(Ctx, {{"e1", Key("e1")}}, "2026.03.01", "2026.03.31", 2);
  follow_ = 2;
  EXPECT_EQ("0:1032:0", Monat("e1", "2026.03.01", "2026.03.31", "L1"));
}

TEST_F(Bookings, FailingBatchLeavesTheCursorsToTheDatabase) {
  std::vector<std::string> single = AskAll();
  EXPECT_EQ(1, dbCommit());
  admin.Exec("ALTER TABLE Qvx327Tag RENAME TO Qvx327TagX");
  ReadBookingBatch(Ctx, {{"e1", Key("e1")}}, "2026.03.01", "2026.03.31");
  EXPECT_EQ(1, dbCommit());
  admin.Exec("ALTER TABLE Qvx327TagX RENAME TO Qvx327Tag");
  std::vector<std::string> batched = AskAll();
  for (size_t i = 0; i < single.size(); ++i) EXPECT_EQ(single[i], batched[i]) << i;
}

}  // namespace
