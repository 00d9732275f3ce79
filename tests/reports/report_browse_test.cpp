#include "reports/report_browse.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "reports/date_ranges.h"
#include "statistics/win_statistics.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const DateTime kDay = 41395;  // 2013-05-01

// A browse over a prepared history whose "pass" appends one more program
// row and lets the service fail once more each time.
class UptimeBrowse : public ::testing::Test {
 protected:
  UptimeBrowse()
      : table_(test::MakeHistoryTable()),
        report_(*table_),
        store_(*programs_.fake.files, dir_.path(), *programs_.fake.clock, LocaleInfo{},
               programs_.directory, PeriodItems(0)) {
    programs_.fake.clock->local = kDay + 0.5;
    report_.SetCalcHandler(MakeHistoryCalcHandler(programs_.directory));
    test::AppendHistoryRow(*table_, {.user = "", .start = kDay + 0.25, .end = kDay + 0.3});
    hooks_.processTransactions = [this](bool buildTree, std::int32_t& failures, DateTime) {
      EXPECT_FALSE(buildTree);
      --failures;
      ++passes_;
      const std::string path = "C:\\p" + std::to_string(passes_) + ".exe";
      test::AppendHistoryRow(
          *table_, {.user = "ann [PC1]", .exePath = path, .start = kDay + 0.3, .end = kDay + 0.4});
      paths_.push_back(path);
      if (passes_ == 1) users_.push_back("ann [PC1]");
    };
    hooks_.historyUsers = [this] { return users_; };
    hooks_.historyPrograms = [this] { return paths_; };
    hooks_.showMessage = [this](const std::string& m) { messages_.push_back(m); };
    hooks_.beginBusy = [this] { busy_ += "["; };
    hooks_.endBusy = [this] { busy_ += "]"; };
  }

  void Browse() {
    BrowseUptimeHistory(settings_, state_, serviceStatus_,
                        UptimeBrowseParts{report_, store_, programs_.directory,
                                          *programs_.fake.clock, 0, PeriodItems(0)},
                        hooks_);
  }

  test::TempDir dir_;
  test::ProgramsFixture programs_;
  std::unique_ptr<Table> table_;
  Cursor report_;
  FilterStore store_;
  BrowseHooks hooks_;
  UptimeFilterSettings settings_;
  UptimeReportState state_;
  std::int32_t serviceStatus_ = -3;
  int passes_ = 0;
  std::vector<std::string> users_, paths_, messages_;
  std::string busy_;
};

TEST_F(UptimeBrowse, ProducesTheFilteredReportWithItsSummary) {
  settings_.sourceEnabled = true;
  settings_.sourceWindows = false;
  settings_.timeEnabled = true;  // a date range without bounds
  Browse();
  EXPECT_TRUE(state_.reportOpen);
  EXPECT_TRUE(state_.dataSourceEnabled);
  EXPECT_FALSE(settings_.timeEnabled);
  EXPECT_EQ(report_.FilterText(), "cdsHistoryIsWindows = false");
  EXPECT_EQ(report_.RecordCount(), 1u);
  EXPECT_EQ(state_.summaryText,
            "___Summary___\r\nUptime entries: 1\r\nTotal uptime: 02:24:00\r\nActive: 00:00:00\r\n"
            "Active, but idle: 00:00:00\r\n\r\n____Filters used in report____\r\n\r\n"
            "  *Source filter\r\n    Programs:\r\n\r\n"
            "Report created: Wednesday, 2013-05-01 12:00:00\r\n");
  EXPECT_TRUE(state_.summaryHtml.ends_with(
      "Active, but idle: 00:00:00</br></br><b>____Filters used in report____</b></br><b>*Source "
      "filter</b></br><b>Programs:</b></br></br><b>Report created:</b> Wednesday, 2013-05-01 "
      "12:00:00</p>"));
  const IniFile stored = store_.Load(FilterFile::LastUsed);
  EXPECT_EQ(stored.SectionNames(), std::vector<std::string>{"2013-05-01 12:00:00"});
  EXPECT_FALSE(stored.ReadBool("2013-05-01 12:00:00", "FilterCheckBoxTime", true));
  EXPECT_EQ(busy_, "[]");
}

TEST_F(UptimeBrowse, GrownListsAreRebuiltKeepingTheirTicks) {
  Browse();
  ASSERT_EQ(settings_.programs.Size(), 1u);
  settings_.programs.ClickRow(0, false);
  settings_.sourceEnabled = true;
  settings_.sourceWindows = false;
  programs_.fake.clock->Advance(2000);
  Browse();
  EXPECT_EQ(settings_.programs.TickedKeys(), std::vector<std::string>{"C:\\p1.exe"});
  EXPECT_EQ(settings_.programs.Size(), 2u);
  EXPECT_EQ(settings_.users.Size(), 1u);
  // One of two ticked is a tie: the exclusion form.
  EXPECT_EQ(report_.FilterText(),
            "cdsHistoryIsWindows = false and ( cdsHistoryExePath <>'C:\\p2.exe')");
  EXPECT_EQ(report_.RecordCount(), 1u);
}

TEST_F(UptimeBrowse, TheServiceMessageComesOnceAtTheFifthFailure) {
  Browse();
  EXPECT_TRUE(messages_.empty());  // -4
  programs_.fake.clock->Advance(2000);
  Browse();
  EXPECT_EQ(messages_, std::vector<std::string>{kServiceNotRunningMessage});
  programs_.fake.clock->Advance(2000);
  Browse();
  EXPECT_EQ(messages_.size(), 1u);  // -6
}

TEST_F(UptimeBrowse, AFailingPassLeavesTheReportDetached) {
  hooks_.processTransactions = [](bool, std::int32_t&, DateTime) { throw TableError("broken"); };
  EXPECT_THROW(Browse(), TableError);
  EXPECT_FALSE(state_.dataSourceEnabled);
  EXPECT_EQ(busy_, "[]");
  EXPECT_EQ(store_.Load(FilterFile::LastUsed).SectionCount(), 0u);
}

TEST(SeeUptimeHistory, TicksExactlyThatProgram) {
  UptimeFilterSettings s;
  s.timeEnabled = s.eventEnabled = s.userEnabled = true;
  for (const char* path : {"C:\\a.exe", "C:\\A.exe", "C:\\b.exe"})
    s.programs.Append(PickRow{path, path, "", 0, true});
  PrepareSeeUptimeHistory(s, "C:\\A.exe");
  EXPECT_TRUE(s.sourceEnabled);
  EXPECT_FALSE(s.sourceWindows || s.timeEnabled || s.eventEnabled || s.userEnabled);
  EXPECT_EQ(s.programs.TickedKeys(), std::vector<std::string>{"C:\\A.exe"});
}

TEST(LoginBrowse, EmptiesTheTreeBeforeThePassAndClosesTheUptimeReport) {
  auto fake = test::MakeFakePlatform();
  fake.clock->local = kDay + 0.5;
  TArrRecComputerRun runs;
  LoginTree tree;
  LoginReportSettings settings;
  settings.runsFilterEnabled = true;  // a date range without bounds
  UptimeReportState uptime{true, true, false, "summary", "<p>"};
  std::int32_t status = 0;
  std::vector<std::string> users;
  BrowseHooks hooks;
  hooks.processTransactions = [&](bool buildTree, std::int32_t&, DateTime now) {
    EXPECT_TRUE(buildTree);
    EXPECT_TRUE(tree.Runs().empty());
    EXPECT_EQ(now, kDay + 0.5);
    auto run = std::make_unique<TRecComputerRun>();
    run->rRunID = 1;
    run->rStartDateTime = kDay + 0.25;
    run->rEndDateTime = kDay + 0.4;
    auto login = std::make_unique<TRecComputerRun>();
    login->rUserName = "ann";
    login->rDomain = "PC1";
    login->rStartDateTime = kDay + 0.3;
    login->rEndDateTime = kDay + 0.35;
    login->rUptimeSeconds = 4320;
    run->rArrOfLogins.push_back(std::move(login));
    runs.push_back(std::move(run));
    users = {"ann [PC1]"};
  };
  hooks.historyUsers = [&] { return users; };
  hooks.uptimeReportOutOfDate = [&] { ResetUptimeHistory(uptime, UptimeReportReset::OutOfDate); };
  LoginReportContext context;
  context.periodItems = PeriodItems(0);
  const LoginBrowseResult result =
      BrowseLoginHistory(settings, runs, tree, status, *fake.clock, context, hooks);
  EXPECT_FALSE(uptime.reportOpen);
  EXPECT_TRUE(uptime.noticeVisible);
  EXPECT_FALSE(settings.runsFilterEnabled);
  EXPECT_EQ(settings.users.Size(), 1u);
  ASSERT_EQ(tree.Runs().size(), 1u);
  EXPECT_TRUE(result.plain.starts_with("Report about: ann [PC1]\r\n"));
  EXPECT_TRUE(result.html.ends_with("Report created: Wednesday, 2013-05-01 12:00:00</p>"));
}

}  // namespace
}  // namespace brenvik
