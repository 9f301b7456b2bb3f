#include <gtest/gtest.h>

#include <filesystem>

#include "scenario.h"

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, Run) {
  if (std::string why = PosixOnlyReason(GetParam()); !why.empty()) GTEST_SKIP() << why;
  std::string failures = RunScenario(GetParam());
  EXPECT_TRUE(failures.empty()) << failures;
}

INSTANTIATE_TEST_SUITE_P(Whole, Scenario, ::testing::ValuesIn(ScenarioFiles()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                           std::string n = std::filesystem::path(p.param).stem().string();
                           for (char& c : n) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return n;
                         });
