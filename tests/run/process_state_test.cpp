// The run's data is passed down, not kept in objects of the whole process.
// Every mutable object at namespace scope (or a function's static) of the
// core library is listed in process_state.txt with the reason it is one; a
// new one fails here until it is passed down instead or its reason is
// written there, and one that is gone must leave the list too, so that the
// list stays the count of what is left.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#ifndef _WIN32
namespace {

// "file.o symbol" of every object in the library's writable data (sections
// .data and .bss; .data.rel.ro is written only by the loader), as nm names
// them (demangled). The compiler's and the standard library's own are left
// aside.
std::set<std::string> MutableObjects(bool& read) {
  std::set<std::string> found;
  std::string command = std::string("nm -C --defined-only -f sysv \"") + LUG_CORE_LIBRARY + "\" 2>/dev/null";
  FILE* nm = popen(command.c_str(), "r");
  read = nm != nullptr;
  if (!nm) return found;
  std::string object;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, nm)) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    // "Symbols from lib.a[file.o]:"
    if (line.rfind("Symbols from ", 0) == 0) {
      size_t open = line.rfind('['), close = line.rfind(']');
      object = open != std::string::npos && close > open ? line.substr(open + 1, close - open - 1) : "";
      continue;
    }
    // "name|value|class|type|size|line|section"
    size_t bar = line.find('|');
    size_t lastBar = line.rfind('|');
    if (bar == std::string::npos || lastBar == bar) continue;
    std::string name = line.substr(0, bar);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string section = line.substr(lastBar + 1);
    const bool writable =
        section.rfind(".bss", 0) == 0 || (section.rfind(".data", 0) == 0 && section.rfind(".data.rel.ro", 0) != 0 &&
                                          section.find("DW.ref") == std::string::npos);
    if (!writable || line.find("OBJECT") == std::string::npos) continue;
    if (name.rfind("std::", 0) == 0 || name.rfind("__", 0) == 0 || name.rfind('.', 0) == 0 ||
        name.find("guard variable") != std::string::npos)
      continue;
    found.insert(object + " " + name);
  }
  read = pclose(nm) == 0 && read;
  return found;
}

// The list: "file.o symbol" per line, each under a comment giving its reason.
std::set<std::string> Listed() {
  std::set<std::string> listed;
  std::ifstream in(std::string(LUG_SOURCE_DIR) + "/tests/run/process_state.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    listed.insert(line);
  }
  return listed;
}

}  // namespace
#endif

TEST(ProcessState, EveryMutableObjectOfTheProcessIsListedWithItsReason) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the library with nm";
#else
  bool read = false;
  std::set<std::string> found = MutableObjects(read);
  if (!read || found.empty()) GTEST_SKIP() << "nm cannot read " << LUG_CORE_LIBRARY;
  std::set<std::string> listed = Listed();
  for (const std::string& f : found) EXPECT_TRUE(listed.count(f)) << "not listed in process_state.txt: " << f;
  for (const std::string& l : listed) EXPECT_TRUE(found.count(l)) << "listed but gone: " << l;
  std::printf("mutable objects of the process: %zu\n", found.size());
#endif
}
