// The one processing unit of a running program: the statistics pass leaves
// the computer-runs tree alone, the login report's pass through the browse
// hooks builds it (and rebuilds the running run rather than adding it
// again), and the lists the passes fill are kept between passes.
#include "reports/session_processing.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/pass/pass_fixture.h"
#include "datastore/service_link/hand_over.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

class SessionProcessingTest : public ::testing::Test {
 protected:
  SessionProcessingTest() : fake_(MakeFakePlatform()) {
    test::NativeFiles().CreateFolders(dir_.path() + "Backup");
    fake_.servicePipe->onMessage = [this](const std::string&) {
      if (!handOver_.empty())
        WriteTextFileWithBom(test::NativeFiles(), dir_.File(kCopyForMonitorFile), handOver_);
      handOver_.clear();
    };
    OpenTables(tables_, ServiceLink{*fake_.servicePipe, *fake_.clock, *fake_.files, dir_.path()},
               messages_);
    fake_.clock->local = At(14, 0);
  }

  TempDir dir_;
  FakePlatform fake_;
  NoMessages messages_;
  std::string handOver_;
  DataTables tables_;
  DiagnosticLog diagnostics_;
  SessionProcessing processing_{*fake_.platform, tables_, dir_.path(), diagnostics_};
  std::int32_t status_ = 0;
};

TEST_F(SessionProcessingTest, OnlyTheLoginReportsPassBuildsTheTree) {
  handOver_ = Lines({{At(6, 0), 1, "", "0"},
                     {At(6, 5), 5, "0", ""},
                     {At(6, 10), 3, "C:\\Tools\\editor.exe", "7"}});
  const DateTime start = processing_.ProcessTransactions(status_, At(8, 0), At(14, 0));
  EXPECT_EQ(start, At(8, 0));  // the run's start, local
  EXPECT_TRUE(processing_.ComputerRuns().empty());
  EXPECT_EQ(processing_.HistoryUsers(), std::vector<std::string>{"ann [PC1]"});
  EXPECT_EQ(processing_.HistoryPrograms(), std::vector<std::string>{"C:\\Tools\\editor.exe"});

  DateTime startOfRun = At(8, 0);
  const BrowseHooks hooks = processing_.Hooks(startOfRun);
  hooks.processTransactions(false, status_, At(14, 0));
  EXPECT_TRUE(processing_.ComputerRuns().empty());
  for (int pass = 0; pass < 2; ++pass) {
    hooks.processTransactions(true, status_, At(14, 0));
    const TArrRecComputerRun& runs = processing_.ComputerRuns();
    ASSERT_EQ(runs.size(), 1u) << "pass " << pass;
    EXPECT_TRUE(runs[0]->rRecordIncomplete);
    ASSERT_EQ(runs[0]->rArrOfLogins.size(), 1u);
    EXPECT_EQ(runs[0]->rArrOfLogins[0]->rUserName, "ann");
    EXPECT_TRUE(runs[0]->rArrOfLogins[0]->rLoginActive);
  }
  EXPECT_EQ(hooks.historyUsers(), std::vector<std::string>{"ann [PC1]"});
  EXPECT_EQ(status_, 0);
}

TEST_F(SessionProcessingTest, AServiceThatDoesNotAnswerCountsDown) {
  fake_.servicePipe->running = false;
  processing_.ProcessTransactions(status_, At(8, 0), At(14, 0));
  const DateTime startOfRun = At(8, 0);
  processing_.Hooks(startOfRun).processTransactions(true, status_, At(14, 0));
  EXPECT_EQ(status_, -2);
}

}  // namespace
}  // namespace brenvik::test
