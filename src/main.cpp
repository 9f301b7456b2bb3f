#include <string>
#include <vector>

#include "run/driver.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  return RunMain(args);
}
