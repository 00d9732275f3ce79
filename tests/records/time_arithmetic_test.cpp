#include "records/time_arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "base/errors.h"
#include "support/fakes.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

CalendarSpanParts Span(int y, int mo, int d, int h, int mi, int s) {
  return CalendarSpanParts{static_cast<std::uint16_t>(y),  static_cast<std::uint16_t>(mo),
                           static_cast<std::uint16_t>(d),  static_cast<std::uint16_t>(h),
                           static_cast<std::uint16_t>(mi), static_cast<std::uint16_t>(s)};
}

TEST(DateTimeValue, OriginAndMarkersAreDistinct) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), ZeroDateTime);
  EXPECT_EQ(EncodeDate(1900, 1, 1), NullDate);
  const DateParts parts = DecodeDate(At(2013, 4, 30, 17, 5, 9));
  EXPECT_EQ(parts.year, 2013);
  EXPECT_EQ(parts.month, 4);
  EXPECT_EQ(parts.day, 30);
  EXPECT_EQ(DecodeTime(At(2013, 4, 30, 17, 5, 9)).second, 9);
  EXPECT_EQ(DayOfWeek(At(2013, 4, 30)), 3);  // a Tuesday
}

TEST(SecondsBetween, DropsFractionsAndIgnoresOrder) {
  const DateTime x = At(2013, 1, 1, 10, 0, 0);
  EXPECT_EQ(SecondsBetween(x, x), 0);
  EXPECT_EQ(SecondsBetween(At(2013, 1, 1, 10, 0, 0, 900), At(2013, 1, 1, 10, 0, 1, 100)), 0);
  EXPECT_EQ(SecondsBetween(At(2013, 1, 1, 23, 59, 59, 999), At(2013, 1, 2)), 0);
  const DateTime a = At(2013, 1, 1, 23, 59, 50);
  const DateTime b = At(2013, 1, 2, 0, 0, 10);
  EXPECT_EQ(SecondsBetween(a, b), 20);
  EXPECT_EQ(SecondsBetween(b, a), 20);
  EXPECT_EQ(SecondsBetween(At(2013, 1, 1), At(2014, 1, 1)), 365 * 86400);
}

TEST(SecondsBetween, WrapsLikeThirtyTwoBitArithmetic) {
  // 70 years are more seconds than a signed 32-bit count holds.
  const auto days = static_cast<std::int64_t>(EncodeDate(2020, 1, 1) - EncodeDate(1950, 1, 1));
  const std::int64_t exact = days * 86400;
  const std::int64_t wrapped = SecondsBetween(At(1950, 1, 1), At(2020, 1, 1));
  EXPECT_NE(wrapped, exact);
  EXPECT_EQ(wrapped, static_cast<std::int32_t>(static_cast<std::uint32_t>(exact)));
}

TEST(CompareMoments, ToleratesLessThanOneMillisecond) {
  const DateTime x = At(2013, 1, 1, 10, 0, 0);
  EXPECT_EQ(CompareMoments(x, x + 0.9 * kOneMillisecond), 0);
  EXPECT_EQ(CompareMoments(x, x + 1.1 * kOneMillisecond), -1);
  EXPECT_EQ(CompareMoments(x + 1.1 * kOneMillisecond, x), 1);
  EXPECT_TRUE(MomentInRange(x, x + 0.5 * kOneMillisecond, x + 1));
  EXPECT_FALSE(MomentInRange(x, x + 2 * kOneMillisecond, x + 1));
  EXPECT_TRUE(MomentInRange(x + 1, x, x + 1));
}

TEST(AddSeconds, DropsMillisecondsBeforeAndAfter) {
  EXPECT_EQ(AddSeconds(At(2013, 1, 1, 10, 0, 0, 700), 5), At(2013, 1, 1, 10, 0, 5));
  EXPECT_EQ(AddSeconds(At(2013, 1, 1, 0, 0, 3), -10), At(2012, 12, 31, 23, 59, 53));
  EXPECT_EQ(AddSeconds(At(2013, 1, 1), 10LL * 365 * 86400), At(2022, 12, 30));
}

TEST(AddTimeParts, GoesBackAnHourAndAMinute) {
  const DateTime x = At(2013, 3, 1, 0, 30, 0);
  EXPECT_EQ(DropMilliseconds(AddTimeParts(x, -1, 0, 0, 0)), At(2013, 2, 28, 23, 30, 0));
  EXPECT_EQ(DropMilliseconds(AddTimeParts(x, 0, -1, 0, 0)), At(2013, 3, 1, 0, 29, 0));
  EXPECT_EQ(DropMilliseconds(AddTimeParts(x, -48, 0, 0, 0)), At(2013, 2, 27, 0, 30, 0));
  EXPECT_EQ(DropMilliseconds(AddTimeParts(x, 25, 30, 0, 0)), At(2013, 3, 2, 2, 0, 0));
}

TEST(AddTimeParts, AddsADayToAResultBelowZero) {
  EXPECT_DOUBLE_EQ(AddTimeParts(0.25, -12, 0, 0, 0), 0.75);
}

TEST(DateOnly, TruncatesToMidnight) {
  EXPECT_EQ(DateOnly(At(2013, 4, 30, 17, 5, 9)), At(2013, 4, 30));
}

TEST(NowWholeSeconds, DropsTheClocksMilliseconds) {
  auto fake = test::MakeFakePlatform();
  fake.clock->local = At(2013, 4, 30, 17, 5, 9, 640);
  EXPECT_EQ(NowWholeSeconds(*fake.clock), At(2013, 4, 30, 17, 5, 9));
}

TEST(CalendarSpan, BorrowsOnTheLaterMoment) {
  EXPECT_EQ(CalendarSpan(At(2013, 1, 1, 23, 59, 50), At(2013, 1, 2, 0, 0, 10)),
            Span(0, 0, 0, 0, 0, 20));
  EXPECT_EQ(CalendarSpan(At(2012, 2, 29, 12, 0, 0), At(2013, 3, 1, 11, 0, 0)),
            Span(0, 11, 28, 23, 0, 0));
  EXPECT_EQ(CalendarSpan(At(2013, 3, 1, 11, 0, 0), At(2012, 2, 29, 12, 0, 0)),
            Span(0, 11, 28, 23, 0, 0));
  const DateTime x = At(2013, 5, 5, 5, 5, 5, 500);
  EXPECT_EQ(CalendarSpan(x, x), Span(0, 0, 0, 0, 0, 0));
  EXPECT_EQ(CalendarSpan(At(2012, 1, 1), At(2013, 1, 5, 0, 0, 9)), Span(1, 0, 4, 0, 0, 9));
}

TEST(DateSpan, BorrowsTheEarlierDatesMonth) {
  EXPECT_EQ(DateSpan(At(2013, 1, 31), At(2013, 3, 1)), (DateSpanParts{0, 1, 1}));
  EXPECT_EQ(DateSpan(At(2013, 1, 31), At(2013, 2, 28)), (DateSpanParts{0, 0, 28}));
  EXPECT_EQ(DateSpan(At(2012, 3, 15), At(2013, 3, 14)), (DateSpanParts{0, 11, 30}));
  EXPECT_EQ(DateSpan(At(2013, 3, 14), At(2012, 3, 15)), (DateSpanParts{0, 11, 30}));
}

TEST(MonthLength, KnowsLeapYears) {
  EXPECT_EQ(MonthLength(2012, 2), 29);
  EXPECT_EQ(MonthLength(1900, 2), 28);
  EXPECT_EQ(MonthLength(2000, 2), 29);
  EXPECT_EQ(MonthLength(2013, 4), 30);
  EXPECT_EQ(MonthLength(2013, 12), 31);
}

TEST(StringToDateTime, AcceptsAnySeparatorAndOptionalTime) {
  EXPECT_EQ(StringToDateTime("2013-04-30 17:05:09"), At(2013, 4, 30, 17, 5, 9));
  EXPECT_EQ(StringToDateTime("2013.04.30T17:05:09"), At(2013, 4, 30, 17, 5, 9));
  EXPECT_EQ(StringToDateTime("2013/4/30"), At(2013, 4, 30));
  EXPECT_EQ(DecodeDate(StringToDateTime("13-4-30")).year, 13);
}

TEST(StringToDateTime, TakesRunsOfUpToNineDigits) {
  EXPECT_EQ(StringToDateTime("000002013-04-30"), At(2013, 4, 30));
  EXPECT_THROW(StringToDateTime("0000002013-04-30"), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-04-30 17:05:0000000009"), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-04-"), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-04-30 17:05:"), ConversionError);
}

// Splitting rounds to the millisecond as std::llround does, halves away from
// zero, on both sides of the origin and far from it.
TEST(SplitDateTime, RoundsLikeLlround) {
  const double kMs = static_cast<double>(kMsPerDay);
  std::uint64_t seed = 88172645463325252ull;
  const auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
  };
  std::vector<double> values = {
      0.0,        -0.0,      0.5 / kMs,           -0.5 / kMs, 1.5 / kMs,
      -1.5 / kMs, 2.5 / kMs, 41394.5 + 0.5 / kMs, -693593.25, 2958465.99999999,
      1e300,      -1e300};
  for (int i = 0; i < 20000; ++i) {
    const double whole =
        static_cast<double>(static_cast<std::int64_t>(next() % 6000000000000ull) - 3000000000000);
    const double half = (next() % 4 == 0) ? 0.5 : static_cast<double>(next() % 1000) / 1000.0;
    values.push_back((whole + half) / kMs);
  }
  for (double v : values) {
    const auto total = static_cast<std::int64_t>(std::llround(v * kMs));
    const DayAndMs parts = SplitDateTime(v);
    ASSERT_EQ(parts.day, total / kMsPerDay) << v;
    const std::uint64_t magnitude =
        total < 0 ? 0 - static_cast<std::uint64_t>(total) : static_cast<std::uint64_t>(total);
    ASSERT_EQ(parts.ms, static_cast<std::int64_t>(magnitude % kMsPerDay)) << v;
  }
}

TEST(StringToDateTime, RejectsEmptyIncompleteAndImpossibleTexts) {
  EXPECT_THROW(StringToDateTime(""), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-02-30"), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-04"), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-04-30 17"), ConversionError);
  EXPECT_THROW(StringToDateTime("2013-04-30 25:00:00"), ConversionError);
  EXPECT_THROW(StringToDateTime("x2013-04-30"), ConversionError);
}

// The span as the minute, hour and day steps take it, one date-time a step:
// the whole-number form must give the same parts for every pair of moments.
CalendarSpanParts SpanByTimeSteps(DateTime a, DateTime b) {
  const auto minus = [](DateTime x, int h, int m) {
    return DropMilliseconds(AddTimeParts(x, h, m, 0, 0));
  };
  a = DropMilliseconds(a);
  b = DropMilliseconds(b);
  if (a > b) std::swap(a, b);
  const TimeParts t1 = DecodeTime(a);
  CalendarSpanParts span;
  int sec2 = DecodeTime(b).second;
  if (sec2 < t1.second) sec2 += 60, b = minus(b, 0, -1);
  span.seconds = static_cast<std::uint16_t>(sec2 - t1.second);
  int min2 = DecodeTime(b).minute;
  if (min2 < t1.minute) min2 += 60, b = minus(b, -1, 0);
  span.minutes = static_cast<std::uint16_t>(min2 - t1.minute);
  int hour2 = DecodeTime(b).hour;
  if (hour2 < t1.hour) hour2 += 24, b = minus(b, -24, 0);
  span.hours = static_cast<std::uint16_t>(hour2 - t1.hour);
  const DateSpanParts dates = DateSpan(b, a);
  span.years = dates.years;
  span.months = dates.months;
  span.days = dates.days;
  return span;
}

TEST(CalendarSpan, IsTheSpanOfTheTimeStepsForRandomMoments) {
  std::mt19937 random(15);
  std::uniform_int_distribution<std::int64_t> second(86400, 300LL * 365 * 86400);
  std::uniform_int_distribution<int> choice(0, 3);
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t first = second(random);
    // Spans of seconds, of about a day, of months and of decades; some end
    // at the same second of the day as they start, or a second before it.
    const std::int64_t lengths[] = {second(random) % 120, 86400 - 1 + second(random) % 3,
                                    second(random) % (90LL * 86400), second(random)};
    const std::int64_t later = first + lengths[choice(random)];
    const DateTime a = FromLinearMs(first * 1000 + second(random) % 1000);
    const DateTime b = FromLinearMs(later * 1000 + second(random) % 1000);
    ASSERT_EQ(CalendarSpan(a, b), SpanByTimeSteps(a, b)) << a << " " << b;
    ASSERT_EQ(CalendarSpan(b, a), SpanByTimeSteps(a, b)) << a << " " << b;
  }
}

}  // namespace
}  // namespace brenvik
