// Several circles of one schema at once: four circles, each with its own
// accounting numbers and employees, settle the same month at the same moment
// (their sessions' time pinned to the same second). The result is what the
// same four runs give one after the other: every row of every table, every
// file of the transfer folder byte for byte.
//
// Circle 01 hands over to DATEV (file), 02 to LODAS (files, memo records read
// by the run's key), 03 and 04 to sage (one staging table and one file for
// both; 03 clears the interface, 04 does not). For 03 and 04 "one after the
// other" is either order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "run/db.h"
#include "driver.h"
#include "testdb.h"

namespace fs = std::filesystem;

namespace {

struct Circle {
  const char* Akr;
  const char* Lug;  // interface
  const char* Lgp;  // payroll system
  int Ssl;          // interface clearing
  int FirstAbr;     // accounting numbers FirstAbr .. FirstAbr + 2: December to February
  char Letter;      // first letter of its personnel numbers
  int Employees;
};

const Circle kCircles[] = {
    {"01", "LA", "DATEV", 0, 1, 'A', 24},
    {"02", "LB", "LODAS", 0, 11, 'B', 30},
    {"03", "LC", "sage", 1, 21, 'C', 36},
    {"04", "LD", "sage", 0, 31, 'D', 28},
};

// The session time of the runs under test, the same second for all four.
const char* kNow = "2026-03-02 07:00:00";

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

// The circles with their interfaces, periods, employees and bookings of
// December 2025 to February 2026: month values, day values, day counts and a
// following-month wage type, as the fault tests' circle has them.
std::string Fixture(const std::string& schema) {
  std::string sql = "INSERT INTO Darvonix.Qvx112Mnd (MndSch, MndSto) VALUES ('" + Upper(schema) +
                    "', '00001');"
                    "INSERT INTO Qvx170Lg1 (Lg1Num, Lg1Stz) VALUES ('DATEV', 'S1'), ('LODAS', 'S1'), ('sage', 'S1');";
  std::string bsv, zuo, zkb;
  int index = 0;
  for (const Circle& c : kCircles) {
    ++index;
    const std::string akr = c.Akr, lug = c.Lug;
    sql += "INSERT INTO O1001AbrKreis (AkrNum, AkrLug, AkrSsl, AkrAdt, AkrRrm) VALUES ('" + akr + "', '" + lug + "', " +
           std::to_string(c.Ssl) + ", 0, 0);";
    sql += "INSERT INTO Qvx171Lug (LugLug, LugLgp, LugFir, LugAkr) VALUES ('" + lug + "', '" + c.Lgp + "', '2987" +
           std::to_string(index) + "', '0004" + std::to_string(index) + "');";
    sql += "INSERT INTO Qvx330Abr (AbrAkr, AbrNum, AbrVon, AbrBis) VALUES ('" + akr + "', " +
           std::to_string(c.FirstAbr) + ", '2025-12-01', '2025-12-31'), ('" + akr + "', " +
           std::to_string(c.FirstAbr + 1) + ", '2026-01-01', '2026-01-31'), ('" + akr + "', " +
           std::to_string(c.FirstAbr + 2) + ", '2026-02-01', '2026-02-28');";
    sql +=
        "INSERT INTO Qvx171Lu1 (Lu1Num, Lu1Stz, Lu1Ztk, Lu1Lna, Lu1Gvo, Lu1Rre, Lu1Tgw, Lu1Ztr, Lu1Tge, Lu1Flg,"
        " Lu1Sts, Lu1Kst, Lu1Ktr) VALUES ('" +
        lug +
        "', 'S1', 'Z1', '100', '2020-01-01', 1, 0, 0, 0, 0, 5, 1, 1),"
        " ('" +
        lug +
        "', 'S1', 'Z2', '200', '2020-01-01', 1, 1, 0, 0, 0, 6, 1, 1),"
        " ('" +
        lug +
        "', 'S1', 'Z3', '300', '2020-01-01', 1, 0, 1, 1, 0, 7, 1, 1),"
        " ('" +
        lug + "', 'S1', 'Z5', '500', '2020-01-01', 1, 0, 0, 0, 1, 9, 1, 1);";
    for (int i = 1; i <= c.Employees; ++i) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "'%c%03d'", c.Letter, i);
      const std::string pnr = buf;
      const std::string kst = "'K" + std::to_string(i % 3) + "'", ktr = "'T" + std::to_string(i % 2) + "'";
      const std::string cost = kst + ", " + ktr + ", 'A'";
      bsv += std::string(bsv.empty() ? "" : ",") + "(" + pnr + ", '" + akr + "', '2020-01-01', NULL, '" +
             std::to_string(index * 1000 + i) + "')";
      zuo += std::string(zuo.empty() ? "" : ",") + "(" + pnr + ", " + kst + ", " + ktr + ", 'A', '2020-01-01')";
      auto add = [&](int ztr, const char* day, const char* zkt, int minutes) {
        zkb += std::string(zkb.empty() ? "" : ",") + "(" + pnr + ", " + std::to_string(ztr) + ", '" + day + "', " +
               cost + ", '" + zkt + "', " + std::to_string(minutes) + ")";
      };
      add(3, "2025-12-31", "Z1", 100 + i);
      add(3, "2025-12-31", "Z5", 90);
      add(1, "2025-12-15", "Z2", 60 + 5 * (i % 7));
      add(3, "2026-01-31", "Z1", 200 + 10 * (i % 4));
      add(3, "2026-01-31", "Z2", 300);
      add(3, "2026-01-31", "Z5", 45);
      add(1, "2026-01-05", "Z2", 100);
      add(1, "2026-01-06", "Z2", 200);
      add(1, "2026-01-05", "Z3", 480);
      add(1, "2026-01-06", "Z3", 480);
      add(1, "2026-01-07", "Z3", 480);
      add(3, "2026-02-28", "Z1", 75 + i);
      add(1, "2026-02-03", "Z2", 125);
      add(3, "2026-02-28", "Z5", 30);
    }
  }
  sql += "INSERT INTO Qvx310Bsv (BsvPnr, BsvAkr, BsvGvo, BsvGbi, BsvLug) VALUES " + bsv + ";";
  sql += "INSERT INTO QVX311ZUO (ZuoPnr, ZuoKst, ZuoKtr, ZuoKrt, ZuoGvo) VALUES " + zuo + ";";
  sql += "INSERT INTO Qvx331Zkb (ZkbPnr, ZkbZtr, ZkbDtm, ZkbKst, ZkbKtr, ZkbKrt, ZkbZkt, ZkbStd) VALUES " + zkb;
  return sql;
}

// Bookings of December and January that change after they were settled, in
// every circle; February then recalculates both months (AkrRrm 2).
const char* kChanges =
    "UPDATE Qvx331Zkb SET ZkbStd = 60 WHERE ZkbZkt = 'Z5' AND ZkbDtm = '2025-12-31'"
    " AND MOD(CAST(SUBSTRING(ZkbPnr, 2) AS UNSIGNED), 2) = 0;"
    "UPDATE Qvx331Zkb SET ZkbStd = ZkbStd + 30 WHERE ZkbZkt = 'Z2' AND ZkbDtm = '2025-12-15'"
    " AND MOD(CAST(SUBSTRING(ZkbPnr, 2) AS UNSIGNED), 5) = 2;"
    "UPDATE Qvx331Zkb SET ZkbStd = 250 WHERE ZkbZkt = 'Z2' AND ZkbDtm = '2026-01-06'"
    " AND MOD(CAST(SUBSTRING(ZkbPnr, 2) AS UNSIGNED), 3) = 0;"
    "DELETE FROM Qvx331Zkb WHERE ZkbZkt = 'Z3' AND ZkbDtm = '2026-01-06'"
    " AND MOD(CAST(SUBSTRING(ZkbPnr, 2) AS UNSIGNED), 4) = 0;"
    "UPDATE Qvx331Zkb SET ZkbStd = -120 WHERE ZkbZkt = 'Z1' AND ZkbDtm = '2026-01-31'"
    " AND MOD(CAST(SUBSTRING(ZkbPnr, 2) AS UNSIGNED), 5) = 1;"
    "UPDATE O1001AbrKreis SET AkrRrm = 2";

// What the runs leave: AkrAdt of every circle, the rows of every table (the
// run key of the memo records left out), the files of the transfer folder.
struct Outputs {
  std::map<std::string, std::string> Adt;
  std::map<std::string, std::string> Tables;
  std::map<std::string, std::string> Files;
};

// Lines of a and b that the other has not, at most `limit` of each side.
std::string Difference(const std::string& a, const std::string& b, size_t limit = 8) {
  auto lines = [](const std::string& text) {
    std::multiset<std::string> out;
    size_t p = 0;
    for (size_t nl; (nl = text.find('\n', p)) != std::string::npos; p = nl + 1) out.insert(text.substr(p, nl - p));
    if (p < text.size()) out.insert(text.substr(p));
    return out;
  };
  std::multiset<std::string> la = lines(a), lb = lines(b);
  std::string out;
  size_t onlyA = 0, onlyB = 0;
  for (const auto& l : la) {
    auto it = lb.find(l);
    if (it != lb.end()) {
      lb.erase(it);
      continue;
    }
    if (onlyA++ < limit) out += "  - " + l + "\n";
  }
  for (const auto& l : lb)
    if (onlyB++ < limit) out += "  + " + l + "\n";
  return "  " + std::to_string(onlyA) + " line(s) only expected, " + std::to_string(onlyB) + " line(s) only found:\n" +
         out;
}

class Circles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(admin.Connected()) << admin.Error();
    schema = "tcirc" + std::to_string(getpid());
    snap = schema + "s";
    admin.CreateSchema(schema);
    tree = MakeInstallTree(schema);
    admin.Exec(Fixture(schema));
    // December and January settled, circle after circle
    for (const Circle& c : kCircles) {
      ASSERT_EQ(1, Run(c, c.FirstAbr, "2026-01-02 07:00:00")) << c.Akr;
      ASSERT_EQ(1, Run(c, c.FirstAbr + 1, "2026-02-02 07:00:00")) << c.Akr;
    }
    admin.Use(schema);
    admin.Exec(kChanges);
    // the state before the runs under test, to start each try from
    tables = SnapshotTables(admin, schema, snap);
    fs::copy(TransferDir(), fs::path(tree) / "Transfer.before", fs::copy_options::recursive);
  }

  void TearDown() override {
    dbSetSessionInit("");
    if (!schema.empty()) {
      admin.DropSchema(schema);
      admin.Exec("DROP DATABASE IF EXISTS " + snap);
    }
    if (!tree.empty()) fs::remove_all(tree);
  }

  fs::path TransferDir() { return fs::path(tree) / "Transfer"; }

  int Run(const Circle& c, int abrnr, const std::string& now = kNow) {
    dbSetSessionInit("SET TIMESTAMP = UNIX_TIMESTAMP('" + now + "')");
    int code = RunWithConsole({"lugtransfer", "x", schema, c.Akr, std::to_string(abrnr), "0"}, U8Path(tree + "/bin"),
                              U8Path(tree + "/stdout" + c.Akr + ".txt"));
    dbSetSessionInit("");
    return code;
  }

  void Restore() {
    RestoreTables(admin, schema, snap, tables);
    fs::remove_all(TransferDir());
    fs::copy(fs::path(tree) / "Transfer.before", TransferDir(), fs::copy_options::recursive);
  }

  Outputs Read() {
    Outputs o;
    for (const auto& r : admin.Query("SELECT AkrNum, AkrAdt FROM " + schema + ".O1001AbrKreis")) o.Adt[r[0]] = r[1];
    for (const auto& t : tables) {
      if (t == "o1001abrkreis") continue;  // its AkrAdt is judged by itself
      std::string select = "SELECT * FROM " + schema + "." + t;
      // the run key of a memo record is the run's own; the rows are the same
      if (t == "qvx331zk5") {
        std::string columns;
        for (const auto& c :
             admin.Query("SELECT column_name FROM information_schema.columns WHERE table_schema = '" + schema +
                         "' AND table_name = 'qvx331zk5' AND column_name <> 'Zk5Key'"
                         " ORDER BY ordinal_position"))
          columns += (columns.empty() ? "" : ", ") + c[0];
        select = "SELECT " + columns + " FROM " + schema + "." + t;
      }
      o.Tables[t] = SortedRowsText(admin, select);
    }
    for (const auto& e : fs::recursive_directory_iterator(TransferDir()))
      if (e.is_regular_file())
        o.Files[fs::relative(e.path(), TransferDir()).generic_string()] = ReadFileBytes(e.path().string());
    return o;
  }

  std::string Log() {
    fs::path p = fs::path(tree) / "Quantivel_php/log/log#lug.txt";
    return fs::exists(p) ? ReadFileBytes(p.string()) : std::string();
  }

  // The four runs one after the other, in the order given.
  Outputs OneAfterTheOther(const std::vector<int>& order) {
    Restore();
    for (int i : order) {
      const Circle& c = kCircles[i];
      EXPECT_EQ(1, Run(c, c.FirstAbr + 2)) << "circle " << c.Akr << " alone";
    }
    return Read();
  }

  // What differs between the expected and the found outputs; empty when
  // nothing does.
  static std::string Compare(const Outputs& expected, const Outputs& found) {
    std::string out;
    for (const auto& [t, rows] : expected.Tables) {
      auto it = found.Tables.find(t);
      std::string other = it == found.Tables.end() ? std::string() : it->second;
      if (rows != other) out += "table " + t + ":\n" + Difference(rows, other);
    }
    for (const auto& [name, bytes] : expected.Files) {
      auto it = found.Files.find(name);
      if (it == found.Files.end()) out += "file " + name + " missing\n";
      else if (it->second != bytes) out += "file " + name + " differs:\n" + Difference(bytes, it->second);
    }
    for (const auto& [name, bytes] : found.Files)
      if (!expected.Files.count(name)) out += "file " + name + " not expected\n";
    return out;
  }

  TestDb admin;
  std::string schema, snap, tree;
  std::vector<std::string> tables;
};

#ifndef _WIN32
// The four circles settle February at the same moment; the results are those
// of the four runs one after the other, 04 before or after 03.
TEST_F(Circles, FourAtOnceAsOneAfterTheOther) {
  auto t0 = std::chrono::steady_clock::now();
  Outputs first34 = OneAfterTheOther({0, 1, 2, 3});
  Outputs first43 = OneAfterTheOther({0, 1, 3, 2});
  for (const Circle& c : kCircles) {
    ASSERT_EQ("98", first34.Adt[c.Akr]) << c.Akr;
    ASSERT_EQ("98", first43.Adt[c.Akr]) << c.Akr;
  }
  // the runs give records to compare: transfer records of February in every
  // circle, differences of the recalculated months, memo records of LODAS
  for (const Circle& c : kCircles) {
    std::string abr = std::to_string(c.FirstAbr + 2);
    Restore();
    EXPECT_EQ(1, Run(c, c.FirstAbr + 2));
    EXPECT_NE("0", admin.Query("SELECT COUNT(*) FROM " + schema + ".Qvx331Zk1 WHERE Zk1Abr = " + abr)[0][0]) << c.Akr;
    EXPECT_NE("0", admin.Query("SELECT COUNT(*) FROM " + schema + ".Qvx331Zk1 WHERE Zk1Abr = " + abr +
                               " AND Zk1Rre = 2")[0][0])
        << c.Akr << ": no difference records";
    if (std::string(c.Lgp) == "LODAS") {
      EXPECT_NE("0", admin.Query("SELECT COUNT(*) FROM " + schema + ".Qvx331Zk5 WHERE Zk5Abr = " + abr)[0][0])
          << c.Akr << ": no memo records";
    }
  }
  EXPECT_NE(first34.Files, first43.Files);  // the order of 03 and 04 shows in the sage file
  double alone = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  Restore();
  // the four children are started together: each waits for the pipe to close
  int gate[2];
  ASSERT_EQ(0, pipe(gate));
  pid_t pids[std::size(kCircles)];
  for (size_t i = 0; i < std::size(kCircles); ++i) {
    pids[i] = fork();
    ASSERT_NE(-1, pids[i]);
    if (pids[i] == 0) {
      close(gate[1]);
      char byte;
      while (read(gate[0], &byte, 1) > 0) {}
      _exit(Run(kCircles[i], kCircles[i].FirstAbr + 2));
    }
  }
  close(gate[0]);
  auto t1 = std::chrono::steady_clock::now();
  close(gate[1]);
  for (size_t i = 0; i < std::size(kCircles); ++i) {
    int status = 0;
    waitpid(pids[i], &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1)
        << "circle " << kCircles[i].Akr << ": " << (WIFEXITED(status) ? "exit code " : "signal ")
        << (WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
  }
  double together = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
  Outputs found = Read();
  for (const Circle& c : kCircles) EXPECT_EQ("98", found.Adt[c.Akr]) << "circle " << c.Akr;
  std::string d34 = Compare(first34, found), d43 = Compare(first43, found);
  EXPECT_TRUE(d34.empty() || d43.empty()) << "four circles at once differ from one after the other\n"
                                          << "against 03 before 04:\n"
                                          << d34 << "against 04 before 03:\n"
                                          << d43 << "log:\n"
                                          << Log();
  std::cout << "[ circles  ] four circles at once " << together << " s; twelve runs alone (three rounds) " << alone
            << " s" << std::endl;
}
#endif

}  // namespace
