// The employment rows of a circle are read page by page. Whole runs with
// pages that end inside the data (an employee's rows on both sides of a
// page's size, personnel numbers that the server takes for one in different
// spellings, numbers that Windows-1252 cannot hold, in a utf8mb4 schema) give
// every result and log line as with one page over the circle.
#include <gtest/gtest.h>

#include <string>

#include "calc/employment.h"
#include "scenario.h"

namespace {

class EmploymentPages : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { SetEmploymentPageRows(GetParam()); }
  void TearDown() override { SetEmploymentPageRows(kEmploymentPageRows); }
};

TEST_P(EmploymentPages, RunsAsWithOnePage) {
  for (const char* name : {"employment_pages", "settle_circles", "texts_outside_windows1252", "retro_collation",
                           "mixed_collations", "retro_lodas_following"}) {
    std::string failures = RunScenario(std::string(LUG_SOURCE_DIR) + "/tests/scenarios/" + name + ".scn");
    EXPECT_TRUE(failures.empty()) << name << " with pages of " << GetParam() << " rows:\n" << failures;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, EmploymentPages, ::testing::Values(1, 2, 3));

// The reference company with pages of seven rows.
TEST(EmploymentPagesReference, PagesOfSevenRows) {
  SetEmploymentPageRows(7);
  std::string failures = RunScenario(std::string(LUG_SOURCE_DIR) + "/tests/scenarios/reference_company.scn");
  SetEmploymentPageRows(kEmploymentPageRows);
  EXPECT_TRUE(failures.empty()) << failures;
}

}  // namespace
