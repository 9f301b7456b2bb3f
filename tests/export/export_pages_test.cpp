// The exporters read the transfer records of a run page by page. Every
// scenario run with pages that end inside the records (of one or three
// records: a person's records on both sides of a page's size, personnel
// numbers that the server takes for one in different spellings, numbers that
// Windows-1252 cannot hold) writes every file, row and log line as with one
// page over the run, and every read of the records is paged (those in the
// order of the personnel number; an order by the payroll's number, which no
// index leads, is read in one piece).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export/transfer_record.h"
#include "run/db.h"
#include "scenario.h"

namespace {

class ExportPages : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { SetExportPageRows(GetParam()); }
  void TearDown() override { SetExportPageRows(kExportPageRows); }
};

TEST_P(ExportPages, ScenariosAsWithOnePage) {
  for (const std::string& file : ScenarioFiles()) {
    if (!PosixOnlyReason(file).empty()) continue;
    const std::string name = std::filesystem::path(file).stem().string();
    const long unpaged = dbUnpagedReads();
    std::string failures = RunScenario(file);
    EXPECT_TRUE(failures.empty()) << name << " with pages of " << GetParam() << " records:\n" << failures;
    // the interim rule of TOPAS joins the records with their sums: one read
    if (name.find("topas") == std::string::npos) {
      EXPECT_EQ(unpaged, dbUnpagedReads()) << name << ": a read of the records not paged";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExportPages, ::testing::Values(1, 3));

}  // namespace
