#include "reports/daily/day_figures.h"

#include <gtest/gtest.h>

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

std::int64_t Day(int y, int mo, int d) { return SplitDateTime(At(y, mo, d)).day; }

RunSpan Span(DateTime start, DateTime end, std::int64_t active = 0, std::int64_t idle = 0) {
  RunSpan run;
  run.start = start;
  run.end = end;
  run.activeSeconds = active;
  run.idleSeconds = idle;
  return run;
}

TEST(SplitAtMidnights, CutsARunAcrossTwoMidnightsIntoThreeDays) {
  // 22:00 on the 1st to 02:00 on the 3rd: 2 h, 24 h, 2 h.
  const RunSpan run = Span(At(2026, 3, 1, 22), At(2026, 3, 3, 2), 28'800, 14'400);
  const std::vector<DaySegment> parts = SplitAtMidnights(run);
  ASSERT_EQ(parts.size(), 3U);
  EXPECT_EQ(parts[0].day, Day(2026, 3, 1));
  EXPECT_EQ(parts[0].seconds, 7'200);
  EXPECT_EQ(parts[1].seconds, 86'400);
  EXPECT_EQ(parts[2].seconds, 7'200);
  EXPECT_EQ(parts[1].start, At(2026, 3, 2));
  EXPECT_EQ(parts[1].end, At(2026, 3, 3));
  EXPECT_TRUE(parts[0].runStartsHere);
  EXPECT_FALSE(parts[1].runStartsHere || parts[1].runEndsHere);
  EXPECT_TRUE(parts[2].runEndsHere);
  // Active and idle shared by length: 28,800 over 100,800 seconds.
  EXPECT_EQ(parts[0].activeSeconds + parts[1].activeSeconds + parts[2].activeSeconds, 28'800);
  EXPECT_EQ(parts[0].activeSeconds, 2'057);  // 28,800 * 7,200 / 100,800 rounded down
  EXPECT_EQ(parts[0].idleSeconds + parts[1].idleSeconds + parts[2].idleSeconds, 14'400);
}

TEST(SplitAtMidnights, EndingExactlyAtMidnightStaysOnOneDay) {
  const std::vector<DaySegment> parts = SplitAtMidnights(Span(At(2026, 3, 1, 20), At(2026, 3, 2)));
  ASSERT_EQ(parts.size(), 1U);
  EXPECT_EQ(parts[0].seconds, 14'400);
  EXPECT_TRUE(parts[0].runEndsHere);
}

TEST(SplitAtMidnights, EmptyOrBackwardRunIsOneEmptySegment) {
  const DateTime t = At(2026, 3, 1, 9);
  for (DateTime end : {t, At(2026, 3, 1, 8)}) {
    const std::vector<DaySegment> parts = SplitAtMidnights(Span(t, end, 50, 50));
    ASSERT_EQ(parts.size(), 1U);
    EXPECT_EQ(parts[0].seconds, 0);
    EXPECT_EQ(parts[0].activeSeconds, 0);  // figures above the length are capped
    EXPECT_EQ(parts[0].start, t);
    EXPECT_EQ(parts[0].end, t);
  }
}

TEST(SplitAtMidnights, SharesOutTheFiguresOfARunSpanningCenturiesExactly) {
  // A damaged row of 500 years: the shares must neither overflow nor lose a
  // second.
  const RunSpan run = Span(At(1900, 1, 1), At(2400, 1, 1), 10'000'000'000, 1);
  std::int64_t active = 0, idle = 0;
  for (const DaySegment& part : SplitAtMidnights(run)) {
    ASSERT_GE(part.activeSeconds, 0);
    active += part.activeSeconds;
    idle += part.idleSeconds;
  }
  EXPECT_EQ(active, 10'000'000'000);
  EXPECT_EQ(idle, 1);
}

TEST(BuildDayFigures, GivesEveryDayOfTheRangeWithFirstOnLastOffBootsAndCrashes) {
  RunSpan crashed = Span(At(2026, 3, 1, 8), At(2026, 3, 1, 12), 3'600, 600);
  crashed.closedOk = false;
  const RunSpan evening = Span(At(2026, 3, 1, 18), At(2026, 3, 2, 1), 25'200, 0);
  RunSpan current = Span(At(2026, 3, 4, 7, 30), At(2026, 3, 4, 9, 45));
  current.running = true;
  const std::vector<RunSpan> runs{crashed, evening, current};

  const DayRange range = DaysOfRuns(runs);
  EXPECT_EQ(range.first, Day(2026, 3, 1));
  EXPECT_EQ(range.last, Day(2026, 3, 4));
  const std::vector<DayFigures> days = BuildDayFigures(runs, range);
  ASSERT_EQ(days.size(), 4U);

  EXPECT_EQ(days[0].firstOn, At(2026, 3, 1, 8));
  EXPECT_EQ(days[0].lastOff, At(2026, 3, 2));  // the evening run goes on past midnight
  EXPECT_EQ(days[0].uptimeSeconds, 4 * 3'600 + 6 * 3'600);
  EXPECT_EQ(days[0].activeSeconds, 3'600 + 21'600);
  EXPECT_EQ(days[0].idleSeconds, 600);
  EXPECT_EQ(days[0].boots, 2);
  EXPECT_EQ(days[0].crashes, 1);

  EXPECT_EQ(days[1].firstOn, At(2026, 3, 2));
  EXPECT_EQ(days[1].lastOff, At(2026, 3, 2, 1));
  EXPECT_EQ(days[1].uptimeSeconds, 3'600);
  EXPECT_EQ(days[1].boots, 0);

  DayFigures empty;  // a day with no run
  empty.day = Day(2026, 3, 3);
  EXPECT_EQ(days[2], empty);

  EXPECT_TRUE(days[3].running);
  EXPECT_EQ(days[3].crashes, 0);
  EXPECT_EQ(days[3].uptimeSeconds, 8'100);
}

TEST(BuildDayFigures, LeavesOutWhatLiesOutsideTheRange) {
  const std::vector<RunSpan> runs{Span(At(2026, 3, 1, 22), At(2026, 3, 3, 2))};
  const std::vector<DayFigures> days =
      BuildDayFigures(runs, DayRange{Day(2026, 3, 2), Day(2026, 3, 2)});
  ASSERT_EQ(days.size(), 1U);
  EXPECT_EQ(days[0].uptimeSeconds, 86'400);
  EXPECT_EQ(days[0].boots, 0);
  EXPECT_EQ(days[0].crashes, 0);
  EXPECT_TRUE(BuildDayFigures({}, DaysOfRuns({})).empty());
}

TEST(BuildDayFigures, ARunStillGoingOnMarksTheDayRunningEvenBesideOneEndingWithIt) {
  RunSpan program = Span(At(2026, 3, 4, 8), At(2026, 3, 4, 10));
  RunSpan windows = Span(At(2026, 3, 4, 7), At(2026, 3, 4, 10));
  windows.running = true;
  const std::vector<DayFigures> days =
      BuildDayFigures({windows, program}, DayRange{Day(2026, 3, 4), Day(2026, 3, 4)});
  EXPECT_TRUE(days[0].running);
  EXPECT_EQ(days[0].lastOff, At(2026, 3, 4, 10));
}

TEST(BucketDays, GroupsByLocaleWeekAndByMonthKeepingSums) {
  // 2026-03-01 is a Sunday.
  std::vector<RunSpan> runs;
  for (int d = 1; d <= 31; ++d) runs.push_back(Span(At(2026, 3, d, 9), At(2026, 3, d, 10)));
  runs.push_back(Span(At(2026, 4, 1, 9), At(2026, 4, 1, 11)));
  const std::vector<DayFigures> days = BuildDayFigures(runs, DaysOfRuns(runs));

  const std::vector<PeriodFigures> mondayWeeks = BucketDays(days, BucketSize::Week, 0);
  ASSERT_EQ(mondayWeeks.size(), 6U);  // Sunday alone, then weeks from Monday
  EXPECT_EQ(mondayWeeks[0].firstDay, Day(2026, 3, 1));
  EXPECT_EQ(mondayWeeks[0].lastDay, Day(2026, 3, 1));
  EXPECT_EQ(mondayWeeks[1].firstDay, Day(2026, 3, 2));
  EXPECT_EQ(mondayWeeks[1].boots, 7);
  const std::vector<PeriodFigures> sundayWeeks = BucketDays(days, BucketSize::Week, 6);
  EXPECT_EQ(sundayWeeks[0].lastDay, Day(2026, 3, 7));

  const std::vector<PeriodFigures> months = BucketDays(days, BucketSize::Month, 0);
  ASSERT_EQ(months.size(), 2U);
  EXPECT_EQ(months[0].uptimeSeconds, 31 * 3'600);
  EXPECT_EQ(months[0].firstOn, At(2026, 3, 1, 9));
  EXPECT_EQ(months[0].lastOff, At(2026, 3, 31, 10));
  EXPECT_EQ(months[1].uptimeSeconds, 7'200);

  const PeriodFigures total = SumDays(days);
  EXPECT_EQ(total.uptimeSeconds, 33 * 3'600);
  EXPECT_EQ(total.boots, 32);
}

TEST(BucketSizeFor, PicksDaysWeeksOrMonthsByTheLengthOfTheRange) {
  EXPECT_EQ(BucketSizeFor(DayRange{0, 119}), BucketSize::Day);
  EXPECT_EQ(BucketSizeFor(DayRange{0, 120}), BucketSize::Week);
  EXPECT_EQ(BucketSizeFor(DayRange{0, 839}), BucketSize::Week);
  EXPECT_EQ(BucketSizeFor(DayRange{0, 840}), BucketSize::Month);
}

}  // namespace
}  // namespace brenvik
