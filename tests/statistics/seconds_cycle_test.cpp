#include "statistics/seconds_cycle.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

TickInputs OnUptimePage(std::uint32_t idleSeconds = 5) {
  return TickInputs{true, false, true, idleSeconds};
}

// Runs ticks until the 30th (which looks for idleness) and returns its decision.
TickDecision TickThirtyTimes(SecondsCycleState& state, const TickInputs& inputs) {
  TickDecision last;
  for (int i = 0; i < kTicksPerIdleCheck; ++i) last = DecideTick(state, inputs);
  return last;
}

TEST(DecideTick, LooksForIdlenessOnlyEveryThirtyTicks) {
  SecondsCycleState state;
  for (int i = 0; i < kTicksPerIdleCheck - 1; ++i) {
    EXPECT_FALSE(DecideTick(state, OnUptimePage()).refresh);
  }
  const TickDecision thirtieth = DecideTick(state, OnUptimePage());
  EXPECT_TRUE(thirtieth.refresh);
  EXPECT_TRUE(thirtieth.writeFigures);
  EXPECT_EQ(state.secondsSinceIdleCheck, 0);
  EXPECT_FALSE(state.refreshDue);
  EXPECT_FALSE(DecideTick(state, OnUptimePage()).refresh);
}

TEST(DecideTick, BusyUserAtTheLookWaitsThirtyMoreTicks) {
  SecondsCycleState state;
  EXPECT_FALSE(TickThirtyTimes(state, OnUptimePage(0)).refresh);
  EXPECT_FALSE(state.refreshDue);
  // Idle right after the look does not matter until the next look.
  for (int i = 0; i < kTicksPerIdleCheck - 1; ++i) {
    EXPECT_FALSE(DecideTick(state, OnUptimePage(10)).refresh);
  }
  EXPECT_TRUE(DecideTick(state, OnUptimePage(10)).refresh);
}

TEST(DecideTick, HiddenWindowWithoutTrayOnlyCounts) {
  SecondsCycleState state;
  const TickInputs hidden{false, false, true, 7};
  const TickDecision d = TickThirtyTimes(state, hidden);
  EXPECT_FALSE(d.refresh);
  EXPECT_FALSE(d.writeFigures);
  EXPECT_FALSE(d.writeTrayHint);
  EXPECT_TRUE(state.refreshDue);  // flagged, waiting for the page
}

TEST(DecideTick, FlaggedRefreshWaitsForTheUptimePage) {
  SecondsCycleState state;
  const TickInputs inTray{false, true, false, 7};
  TickDecision d = TickThirtyTimes(state, inTray);
  EXPECT_FALSE(d.refresh);
  EXPECT_FALSE(d.writeFigures);
  EXPECT_TRUE(d.writeTrayHint);
  const TickInputs otherPage{true, true, false, 7};
  d = DecideTick(state, otherPage);
  EXPECT_FALSE(d.refresh);
  EXPECT_FALSE(d.writeFigures);
  EXPECT_TRUE(d.writeTrayHint);
  // Still pending at the next look: it is not looked for again.
  TickThirtyTimes(state, TickInputs{true, true, false, 0});
  EXPECT_TRUE(state.refreshDue);
  d = DecideTick(state, OnUptimePage(0));
  EXPECT_TRUE(d.refresh);
  EXPECT_FALSE(state.refreshDue);
}

TEST(SecondsSinceLastInput, CountsWholeSecondsAcrossTheTickWrap) {
  auto fake = test::MakeFakePlatform();
  fake.clock->tick = 2500;
  fake.clock->lastInputTick = 0xFFFFFF00U;  // 256 ms before the wrap
  EXPECT_EQ(SecondsSinceLastInput(*fake.clock), 2U);
  fake.clock->lastInputTick = 2000;
  EXPECT_EQ(SecondsSinceLastInput(*fake.clock), 0U);
}

TEST(FigureRow, ForcesMonthsAndDaysOnlyBehindAShownLargerUnit) {
  using Row = FigureRowTexts;
  EXPECT_EQ(FigureRow(CalendarSpanParts{0, 0, 5, 0, 7, 0}), (Row{"", "", "5", "0", "7", "0"}));
  EXPECT_EQ(FigureRow(CalendarSpanParts{1, 0, 0, 0, 0, 0}), (Row{"1", "0", "0", "0", "0", "0"}));
  EXPECT_EQ(FigureRow(CalendarSpanParts{0, 1, 0, 2, 0, 0}), (Row{"", "1", "0", "2", "0", "0"}));
  EXPECT_EQ(FigureRow(CalendarSpanParts{}), (Row{"", "", "", "0", "0", "0"}));
  EXPECT_EQ(ResetUptimeLabels().recordUptime, FigureRow(CalendarSpanParts{}));
}

WinStatistics RunningStatistics(DateTime now) {
  WinStatistics stats;
  stats.runStart = AddSeconds(now, -3600);
  stats.totalStart = AddSeconds(now, -40 * 86400);
  stats.firstBootDate = AddSeconds(stats.totalStart, -86400 - 60);
  stats.idleSeconds = 65;
  stats.idleSecondsTotal = 2 * 3600;
  stats.recordSeconds = 3601;  // an earlier run, one second longer
  return stats;
}

TEST(UptimeFigures, DerivesEveryRowFromTheStartDates) {
  const DateTime now = At(2013, 5, 15, 12, 0, 0);
  WinStatistics stats = RunningStatistics(now);
  const UptimeFigureTexts f = UptimeFigures(stats, now);
  EXPECT_EQ(f.currentUptime, (FigureRowTexts{"", "", "", "1", "0", "0"}));
  EXPECT_EQ(f.totalUptime, (FigureRowTexts{"", "1", "10", "0", "0", "0"}));
  EXPECT_EQ(f.totalDowntime, (FigureRowTexts{"", "", "1", "0", "1", "0"}));
  EXPECT_EQ(f.currentIdle, (FigureRowTexts{"", "", "", "0", "1", "5"}));
  EXPECT_EQ(f.totalIdle, (FigureRowTexts{"", "", "", "2", "0", "0"}));
  EXPECT_EQ(f.recordUptime, (FigureRowTexts{"", "", "", "1", "0", "1"}));
}

TEST(UptimeFigures, RecordSwitchesToTheCurrentRunWhenReachedButKeepsTheSessionFlag) {
  const DateTime now = At(2013, 5, 15, 12, 0, 0);
  WinStatistics stats = RunningStatistics(now);
  const DateTime oneSecondLater = AddSeconds(now, 1);
  const UptimeFigureTexts f = UptimeFigures(stats, oneSecondLater);
  EXPECT_EQ(stats.recordSeconds, -1);
  EXPECT_EQ(stats.recordStart, stats.runStart);
  EXPECT_FALSE(stats.recordSetInCurrentRun);
  EXPECT_EQ(f.recordUptime, f.currentUptime);
}

TEST(UptimeFigures, DowntimeIsBlankWhileTheFirstBootIsUnknown) {
  const DateTime now = At(2013, 5, 15, 12, 0, 0);
  WinStatistics stats = RunningStatistics(now);
  stats.firstBootDate = NullDate;
  EXPECT_EQ(UptimeFigures(stats, now).totalDowntime, BlankFigureRow());
}

TEST(RunSecondsTick, RefreshesBeforeWritingAndAlwaysWritesTheTrayHint) {
  const DateTime now = At(2013, 5, 15, 12, 0, 0);
  WinStatistics stats = RunningStatistics(now);
  SecondsCycleState state;
  state.secondsSinceIdleCheck = kTicksPerIdleCheck - 1;
  int refreshes = 0;
  const TickOutput out = RunSecondsTick(state, OnUptimePage(), stats, now, [&] {
    ++refreshes;
    stats.runStart = AddSeconds(now, -120);  // what the refresh found
  });
  EXPECT_EQ(refreshes, 1);
  ASSERT_TRUE(out.figuresWritten);
  EXPECT_EQ(out.figures.currentUptime, (FigureRowTexts{"", "", "", "0", "2", "0"}));
  EXPECT_EQ(out.trayHint, "Computer Uptime - 2 minutes ");

  const TickOutput hidden =
      RunSecondsTick(state, TickInputs{false, true, true, 0}, stats, now, [&] { ++refreshes; });
  EXPECT_FALSE(hidden.figuresWritten);
  EXPECT_TRUE(hidden.trayHintWritten);
  EXPECT_EQ(refreshes, 1);
}

}  // namespace
}  // namespace brenvik
