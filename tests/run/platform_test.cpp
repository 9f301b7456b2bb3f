#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/platform.h"

namespace fs = std::filesystem;

TEST(Platform, Windows1252RoundTrip) {
  EXPECT_EQ("\xC4\xD6\xDC\xE4\xF6\xFC\xDF", Cp1252("ÄÖÜäöüß"));
  EXPECT_EQ("\x80", Cp1252("€"));
  EXPECT_EQ("\x84\x93", Cp1252("„“"));
  EXPECT_EQ("?", Cp1252("😀"));
  EXPECT_EQ("?", Cp1252("Ā"));  // no Windows-1252 code
  EXPECT_EQ("ÄÖÜäöüß€", Utf8(Cp1252("ÄÖÜäöüß€")));
  EXPECT_EQ("plain", Cp1252("plain"));
}

TEST(Platform, NativePath) {
#ifdef _WIN32
  EXPECT_EQ("..\\Transfer\\Lohn und Gehalt\\Export\\S1", NativePath("..\\Transfer\\Lohn und Gehalt\\Export\\S1"));
  EXPECT_EQ("..\\Transfer\\Lohn- und Gehaltsübergabe\\README.TXT",
            NativePath(Cp1252("..\\Transfer\\Lohn- und Gehaltsübergabe\\README.TXT")));
#else
  EXPECT_EQ("../Transfer/Lohn und Gehalt/Export/S1", NativePath("..\\Transfer\\Lohn und Gehalt\\Export\\S1"));
  EXPECT_EQ("../Transfer/Lohn- und Gehaltsübergabe/README.TXT",
            NativePath(Cp1252("..\\Transfer\\Lohn- und Gehaltsübergabe\\README.TXT")));
#endif
}

// Names with umlauts: created, written, renamed and removed by their
// Windows-1252 name, found again by their UTF-8 name.
TEST(Platform, FileNamesWithUmlauts) {
  fs::path base = fs::temp_directory_path() / ("lugumlaut" + std::to_string(getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  std::string dir = base.string() + Cp1252("\\Lohn- und Gehaltsübergabe");
  ASSERT_EQ(0, MakeDir(dir));
  EXPECT_EQ(EEXIST, MakeDir(dir));
  TextFile f;
  ASSERT_TRUE(f.Open(dir + Cp1252("\\Übergabe.txt"), "w"));
  EXPECT_TRUE(f.Write("a\n"));
  EXPECT_TRUE(f.Close());
  fs::path utf8Dir = base / fs::path(u8"Lohn- und Gehaltsübergabe");
  EXPECT_TRUE(fs::exists(utf8Dir / fs::path(u8"Übergabe.txt")));
  EXPECT_EQ(0, RenameFile(dir + Cp1252("\\Übergabe.txt"), dir + Cp1252("\\Größe.txt")));
  EXPECT_FALSE(fs::exists(utf8Dir / fs::path(u8"Übergabe.txt")));
  EXPECT_TRUE(fs::exists(utf8Dir / fs::path(u8"Größe.txt")));
  EXPECT_EQ(0, RemoveFile(dir + Cp1252("\\Größe.txt")));
  EXPECT_FALSE(fs::exists(utf8Dir / fs::path(u8"Größe.txt")));
  EXPECT_EQ(ENOENT, RemoveFile(dir + Cp1252("\\Größe.txt")));
  fs::remove_all(base);
}

TEST(Platform, TextFileWritesCrLfAndDirectories) {
  fs::path dir = fs::temp_directory_path() / ("lugplat" + std::to_string(getpid()));
  fs::remove_all(dir);
  EXPECT_EQ(0, MakeDir(dir.string()));
  EXPECT_EQ(EEXIST, MakeDir(dir.string()));
  EXPECT_NE(0, MakeDir((dir / "no" / "such").string()));
  TextFile f;
  ASSERT_TRUE(f.Open((dir / "a.txt").string(), "w"));
  EXPECT_TRUE(f.Write("x\ny\n\n"));
  EXPECT_EQ(8, f.Position());
  EXPECT_TRUE(f.Close());
  {
    // closed before its folder is removed (Windows keeps open files)
    std::ifstream in(dir / "a.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ("x\r\ny\r\n\r\n", ss.str());
  }
  fs::remove_all(dir);
}

TEST(Platform, FullDiskIsReported) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /dev/full of a POSIX system";
#endif
  TextFile f;
  if (!f.Open("/dev/full", "w")) GTEST_SKIP() << "/dev/full not available";
  std::string big(1 << 16, 'x');
  f.Write(big);
  EXPECT_FALSE(f.Close());
  EXPECT_TRUE(f.Failed());
}
