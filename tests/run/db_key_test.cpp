#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "program_fixture.h"
#include "run/db_key.h"

namespace {

class DbKeys : public ProgramDbTest {
 protected:
  void SetUp() override {
    OpenSchema("tkey");
    // a text column as the schema defines them (its default collation)
    Fixture("CREATE TABLE T (I INT NOT NULL PRIMARY KEY, S VARCHAR(20) NOT NULL) ENGINE=InnoDB DEFAULT CHARSET=latin1");
  }

  std::map<int, std::string> Keys() {
    std::map<int, std::string> keys;
    SqlCursor c;
    EXPECT_EQ(0, SqlOpen(c, "SELECT I, " + SqlKeyColumn("S") + " FROM T"));
    int32_t i = 0;
    std::string k;
    while (SqlFetchInto(c, i, k) == 0) keys[i] = k;
    return keys;
  }
};

}  // namespace

// Every byte value, alone, with trailing blanks and behind a letter: two texts
// have the same key exactly when the server's "=" finds them equal.
TEST_F(DbKeys, EqualExactlyWhenTheServerFindsTextsEqual) {
  std::vector<std::string> texts = {""};
  for (int b = 0; b < 256; ++b) {
    std::string c(1, static_cast<char>(b));
    texts.push_back(c);
    texts.push_back(c + " ");
    texts.push_back(c + "  ");
    texts.push_back("a" + c);
    texts.push_back(c + "A");
  }
  for (size_t i = 0; i < texts.size(); ++i)
    ASSERT_EQ(0, SqlWrite(SqlFormat("INSERT INTO T (I, S) VALUES (%d, '%s')", static_cast<int>(i), texts[i])));
  ASSERT_EQ(1, dbCommit());

  std::map<int, std::string> keys = Keys();
  ASSERT_EQ(texts.size(), keys.size());
  std::set<std::pair<int, int>> equal;
  for (const auto& row :
       admin.Query("SELECT a.I, b.I FROM `" + schema + "`.T a JOIN `" + schema + "`.T b ON a.S = b.S"))
    equal.emplace(std::stoi(row[0]), std::stoi(row[1]));
  int mismatches = 0;
  for (const auto& [i, ki] : keys) {
    for (const auto& [j, kj] : keys) {
      bool server = equal.count({i, j}) != 0;
      if (server != (ki == kj) && ++mismatches <= 10)
        ADD_FAILURE() << "texts " << i << " and " << j << ": server " << server << ", keys " << ki << " / " << kj;
    }
  }
  EXPECT_EQ(0, mismatches);
  // the server's collation is more than case
  EXPECT_GT(equal.size(), keys.size() + 256);
}

TEST_F(DbKeys, CasesOfTheCollation) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"verw", "VERW", true}, {"KS ", "KS", true},      {"\xE4", "\xC4", true},  // ä Ä
      {"\xDC", "Y", true},    {"\xE9", "E", true},      {"KS", " KS", false},
      {"a\xA0", "a", false},  {"L100", "L1000", false},
  };
  int i = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(0, SqlWrite(SqlFormat("INSERT INTO T VALUES (%d, '%s'), (%d, '%s')", i, c.a, i + 1, c.b)));
    i += 2;
  }
  ASSERT_EQ(1, dbCommit());
  std::map<int, std::string> keys = Keys();
  i = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(c.same, keys[i] == keys[i + 1]) << c.a << " / " << c.b;
    i += 2;
  }
}

TEST(DbKey, PartsNeverRunTogether) {
  EXPECT_NE(DbKey().Add("AB").Add("C"), DbKey().Add("A").Add("BC"));
  EXPECT_NE(DbKey().Add("41"), DbKey().AddExact("41"));
  EXPECT_EQ(DbKey().Add("41").AddExact("2026.01.01"), DbKey().Add("41").AddExact("2026.01.01"));
  EXPECT_EQ("HEX(WEIGHT_STRING(RTRIM(Zk1Kst)))", SqlKeyColumn("Zk1Kst"));
}
