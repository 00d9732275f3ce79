#include "statistics/win_statistics.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "records/time_arithmetic.h"
#include "support/fakes.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

HistorySummaryRow WindowsRow(DateTime start, DateTime end, bool closedOk = true,
                             bool incomplete = false, std::int32_t idle = 0,
                             std::int32_t active = -1) {
  HistorySummaryRow row;
  row.start = start;
  row.end = end;
  row.isWindows = true;
  row.closedOk = closedOk;
  row.incomplete = incomplete;
  row.uptimeSeconds = static_cast<std::int32_t>(SecondsBetween(start, end));
  row.idleSeconds = idle;
  row.activeSeconds = active < 0 ? row.uptimeSeconds : active;
  return row;
}

// The processing pass as the refresh sees it: it may fail to reach the
// service (counting down), write a start date, or throw.
class FakeProcessing : public StatisticsProcessing {
 public:
  bool serviceDown = false;
  DateTime writtenStart = NullDate;
  bool fail = false;
  std::vector<std::string>* events = nullptr;
  DateTime ProcessTransactions(std::int32_t& failureCount, DateTime, DateTime) override {
    if (events) events->push_back("process");
    if (serviceDown) failureCount -= 1;
    if (fail) throw std::runtime_error("pass failed");
    return writtenStart;
  }
};

class FakeHistory : public WindowsHistorySource {
 public:
  std::vector<HistorySummaryRow> rows;
  std::vector<HistorySummaryRow> WindowsRows() override { return rows; }
};

class FakeHost : public StatisticsHost {
 public:
  std::vector<std::string> events;
  void BeginBusy(const std::string& caption) override { events.push_back("busy:" + caption); }
  void EndBusy() override { events.push_back("idle"); }
  void ShowMessage(const std::string& text) override { events.push_back("message:" + text); }
  void UptimeReportOutOfDate() override { events.push_back("report closed"); }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& e : events) n += e.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

class WinStatisticsTest : public ::testing::Test {
 protected:
  WinStatisticsTest() {
    fake_.clock->local = now_;
    processing_.events = &host_.events;
    locale_.shortDateFormat = "dd.mm.yyyy";
    locale_.dateSeparator = ".";
  }
  StatisticsServices Services() {
    return StatisticsServices{*fake_.clock, processing_, history_, host_, locale_};
  }
  void Refresh() { RefreshWinStats(stats_, Services()); }

  test::FakePlatform fake_ = test::MakeFakePlatform();
  DateTime now_ = At(2013, 5, 15, 12, 0, 0);
  FakeProcessing processing_;
  FakeHistory history_;
  FakeHost host_;
  LocaleInfo locale_;
  WinStatistics stats_;
};

TEST_F(WinStatisticsTest, OnlyTheRunningEntryMakesTheCurrentRunTheRecord) {
  const DateTime boot = AddSeconds(now_, -7200);
  processing_.writtenStart = boot;
  history_.rows = {WindowsRow(boot, now_, true, true, 100, 7000)};
  Refresh();
  EXPECT_EQ(stats_.runStart, boot);
  EXPECT_EQ(stats_.captions.turnedOnCount, "1");
  EXPECT_EQ(stats_.captions.turnedOffCount, "0");
  EXPECT_EQ(stats_.captions.crashedCount, "0");
  EXPECT_EQ(stats_.totalStart, boot);
  EXPECT_EQ(stats_.firstBootDate, boot);
  EXPECT_EQ(stats_.recordSeconds, -1);
  EXPECT_EQ(stats_.recordStart, boot);
  EXPECT_TRUE(stats_.recordSetInCurrentRun);
  EXPECT_EQ(stats_.idleSeconds, 100 + 200);  // idle plus the time without a login
  EXPECT_EQ(stats_.idleSecondsTotal, 300);
  EXPECT_EQ(stats_.lastRunEnd, NullDate);
  EXPECT_EQ(stats_.captions.lastTurnedOff, kImportNowCaption);
  EXPECT_EQ(stats_.captions.lastTurnedOffHint, kImportNowHint);
  EXPECT_EQ(stats_.captions.lastTurnedOn, "<b>15.05.2013 - 10:00:00</b>");
  EXPECT_EQ(stats_.captions.trackingSince, "<b>15.05.2013</b>");
}

TEST_F(WinStatisticsTest, CountsTurnedOnOffAndCrashedOverTheWindowsEntries) {
  const DateTime boot = AddSeconds(now_, -600);
  processing_.writtenStart = boot;
  history_.rows = {WindowsRow(At(2013, 5, 1, 8), At(2013, 5, 1, 18)),
                   WindowsRow(At(2013, 5, 2, 8), At(2013, 5, 2, 9), false),
                   WindowsRow(At(2013, 5, 3, 8), At(2013, 5, 3, 20)),
                   WindowsRow(boot, now_, true, true)};
  Refresh();
  EXPECT_EQ(stats_.captions.turnedOnCount, "4");
  EXPECT_EQ(stats_.captions.turnedOffCount, "2");
  EXPECT_EQ(stats_.captions.crashedCount, "1");
  EXPECT_EQ(stats_.lastRunEnd, At(2013, 5, 3, 20));
  EXPECT_EQ(stats_.captions.lastTurnedOff, "<b>03.05.2013 - 20:00:00</b>");
  EXPECT_EQ(stats_.captions.lastTurnedOffHint, kCopyStatisticsHint);
  EXPECT_EQ(stats_.recordSetDate, At(2013, 5, 3, 8));
  EXPECT_EQ(stats_.recordSeconds, 12 * 3600);
  EXPECT_FALSE(stats_.recordSetInCurrentRun);
  EXPECT_EQ(stats_.recordStart, AddSeconds(now_, -12 * 3600));
  const std::int64_t total = 10 * 3600 + 3600 + 12 * 3600 + 600;
  EXPECT_EQ(stats_.totalStart, AddSeconds(now_, -total));
}

TEST_F(WinStatisticsTest, EqualRecordLengthsKeepTheFirstEntry) {
  history_.rows = {WindowsRow(At(2013, 5, 1, 8), At(2013, 5, 1, 18)),
                   WindowsRow(At(2013, 5, 2, 8), At(2013, 5, 2, 18)),
                   WindowsRow(At(2013, 5, 3, 8), At(2013, 5, 3, 9))};
  WinStatistics stats;
  const SummaryTotals totals = LoadSummary(history_.rows, stats);
  EXPECT_EQ(totals.secMax, 36000);
  EXPECT_EQ(stats.recordSetDate, At(2013, 5, 1, 8));
}

TEST_F(WinStatisticsTest, SnapsDerivedStartsExactlyOneSecondFromTheRunStart) {
  const DateTime boot = AddSeconds(now_, -1000);
  processing_.writtenStart = boot;
  // Row start one second before the boot, uptime one second longer.
  history_.rows = {WindowsRow(AddSeconds(boot, -1), now_, true, true)};
  Refresh();
  EXPECT_EQ(stats_.firstBootDate, boot);
  EXPECT_EQ(stats_.totalStart, boot);

  WinStatistics twoOff;
  history_.rows = {WindowsRow(AddSeconds(boot, -2), now_, true, true)};
  RefreshWinStats(twoOff, Services());
  EXPECT_EQ(twoOff.firstBootDate, AddSeconds(boot, -2));
  EXPECT_EQ(twoOff.totalStart, AddSeconds(boot, -2));
}

TEST_F(WinStatisticsTest, ServiceMessageAppearsOnlyWhenTheCounterReachesMinusFive) {
  processing_.serviceDown = true;
  stats_.serviceFailureCount = -3;
  Refresh();
  EXPECT_EQ(host_.Count("message:"), 0);
  Refresh();  // -4 -> -5
  EXPECT_EQ(host_.Count("message:"), 1);
  EXPECT_EQ(host_.events.back(), "idle");
  Refresh();  // -5 -> -6
  EXPECT_EQ(host_.Count("message:"), 1);
  EXPECT_EQ(stats_.serviceFailureCount, -6);
}

TEST_F(WinStatisticsTest, StepsRunInOrderInsideTheBusyNotice) {
  processing_.serviceDown = true;
  stats_.serviceFailureCount = -4;
  Refresh();
  const std::vector<std::string> expected = {std::string("busy:") + kLoadingPanelCaption, "process",
                                             std::string("message:") + kServiceNotRunningMessage,
                                             "report closed", "idle"};
  EXPECT_EQ(host_.events, expected);
}

TEST_F(WinStatisticsTest, FailingPassStillEndsTheBusyNotice) {
  processing_.fail = true;
  EXPECT_THROW(Refresh(), std::runtime_error);
  EXPECT_EQ(host_.Count("busy:"), 1);
  EXPECT_EQ(host_.events.back(), "idle");
}

TEST_F(WinStatisticsTest, LastTurnedOffIsComputedOncePerProgramRun) {
  history_.rows = {WindowsRow(At(2013, 5, 1, 8), At(2013, 5, 1, 18))};
  Refresh();
  EXPECT_EQ(stats_.lastRunEnd, At(2013, 5, 1, 18));
  history_.rows.push_back(WindowsRow(At(2013, 5, 2, 8), At(2013, 5, 2, 18)));
  Refresh();
  EXPECT_EQ(stats_.lastRunEnd, At(2013, 5, 1, 18));
  // The first boot is recomputed only after it is set back to NullDate.
  history_.rows.insert(history_.rows.begin(), WindowsRow(At(2012, 1, 1, 8), At(2012, 1, 1, 9)));
  Refresh();
  EXPECT_EQ(stats_.firstBootDate, At(2013, 5, 1, 8));
  stats_.firstBootDate = NullDate;
  Refresh();
  EXPECT_EQ(stats_.firstBootDate, At(2012, 1, 1, 8));
}

TEST_F(WinStatisticsTest, ProcessingWithoutAWindowsRowKeepsTheStart) {
  stats_.runStart = AddSeconds(now_, -50);
  processing_.writtenStart = NullDate;
  Refresh();
  EXPECT_EQ(stats_.runStart, AddSeconds(now_, -50));
}

TEST_F(WinStatisticsTest, EmptyHistoryGivesZerosAndNotKnownDates) {
  stats_.runStart = AddSeconds(now_, -50);
  Refresh();
  EXPECT_EQ(stats_.captions.turnedOnCount, "0");
  EXPECT_EQ(stats_.captions.turnedOffCount, "0");
  EXPECT_EQ(stats_.captions.crashedCount, "0");
  EXPECT_EQ(stats_.captions.trackingSince, "<b>N/A</b>");
  EXPECT_EQ(stats_.captions.lastTurnedOff, kImportNowCaption);
  EXPECT_EQ(stats_.firstBootDate, NullDate);
  EXPECT_EQ(stats_.totalStart, now_);
  EXPECT_EQ(stats_.recordStart, stats_.runStart);
  EXPECT_TRUE(stats_.recordSetInCurrentRun);
}

TEST_F(WinStatisticsTest, DamagedRowsNeverMakeSumsRunBackwards) {
  HistorySummaryRow backwards = WindowsRow(At(2013, 5, 2, 18), At(2013, 5, 2, 8));
  backwards.uptimeSeconds = -36000;
  backwards.activeSeconds = 50000;
  backwards.idleSeconds = -5;
  HistorySummaryRow imported = WindowsRow(At(2013, 5, 1, 8), At(2013, 5, 1, 9), true, false, 0, 0);
  history_.rows = {imported, backwards};
  Refresh();
  EXPECT_EQ(stats_.idleSecondsTotal, 3600);  // the imported hour has no login
  EXPECT_EQ(stats_.totalStart, AddSeconds(now_, -3600));
  EXPECT_EQ(stats_.lastRunEnd, At(2013, 5, 2, 8));
  EXPECT_EQ(stats_.firstBootDate, At(2013, 5, 1, 8));
}

TEST(LoadSummaryReport, SumsEveryRowAsStored) {
  HistorySummaryRow program;
  program.uptimeSeconds = 100;
  program.idleSeconds = 30;
  program.activeSeconds = 60;
  program.closedOk = false;
  const std::vector<HistorySummaryRow> rows = {
      program, WindowsRow(At(2013, 5, 1, 8), At(2013, 5, 1, 9), true, false, 10, 0)};
  const SummaryTotals t = LoadSummary(rows);
  EXPECT_EQ(t.recCount, 2);
  EXPECT_EQ(t.closedOk, 1);
  EXPECT_EQ(t.runningSec, 3700);
  EXPECT_EQ(t.activeTotal, 60);
  EXPECT_EQ(t.idleTotal, 40);
  EXPECT_EQ(LoadSummary(std::vector<HistorySummaryRow>{}).recCount, 0);
}

TEST(BootMomentFromCounter, GoesBackByTheSystemUptime) {
  auto fake = test::MakeFakePlatform();
  fake.clock->local = At(2013, 5, 15, 12, 0, 0) + 0.4 / 86400;  // 400 ms past
  fake.clock->frequency = 1000;
  fake.clock->counter = (2 * 86400 + 3 * 3600 + 4 * 60 + 5) * 1000LL + 999;
  EXPECT_EQ(BootMomentFromCounter(*fake.clock), At(2013, 5, 13, 8, 55, 55));
  fake.clock->frequency = 0;
  EXPECT_EQ(BootMomentFromCounter(*fake.clock), At(2013, 5, 15, 12, 0, 0));
}

}  // namespace
}  // namespace brenvik
