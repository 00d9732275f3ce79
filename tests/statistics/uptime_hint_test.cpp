#include "statistics/uptime_hint.h"

#include <gtest/gtest.h>

#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

TEST(GetUptimeHint, LongFormWritesNonZeroUnitsWithPluralWords) {
  const DateTime start = At(2013, 4, 1, 10, 0, 0);
  EXPECT_EQ(GetUptimeHint(start, At(2013, 4, 2, 12, 0, 5), false), "1 days 2 hours 5 seconds");
  EXPECT_EQ(GetUptimeHint(start, At(2013, 4, 1, 10, 3, 0), false), "3 minutes ");
  EXPECT_EQ(GetUptimeHint(start, start, false), "0 seconds");
  EXPECT_EQ(GetUptimeHint(At(2012, 1, 1), At(2013, 3, 1, 0, 0, 1), false),
            "1 years 2 months 1 seconds");
  // The order of the moments does not matter.
  EXPECT_EQ(GetUptimeHint(At(2013, 4, 2, 12, 0, 5), start, false), "1 days 2 hours 5 seconds");
}

TEST(GetUptimeHint, ShortFormLeavesOutZeroDatesAndAlwaysShowsTheClock) {
  const DateTime start = At(2013, 4, 1, 10, 0, 0);
  EXPECT_EQ(GetUptimeHint(start, At(2013, 4, 3, 13, 4, 5), true), "2d 03:04:05");
  EXPECT_EQ(GetUptimeHint(At(2012, 1, 1), At(2013, 1, 5, 0, 0, 9), true), "1y 4d 00:00:09");
  EXPECT_EQ(GetUptimeHint(start, start, true), "00:00:00");
  EXPECT_EQ(GetUptimeHint(At(2013, 1, 15), At(2013, 2, 15, 1, 0, 0), true), "1m 01:00:00");
}

TEST(SecondsToUptimeHint, SumsEndAtNowSoMonthsFollowTheCalendar) {
  const std::int64_t fortyDays = 40 * 86400;
  EXPECT_EQ(SecondsToUptimeHint(fortyDays, At(2013, 4, 15, 12, 0, 0), true), "1m 9d 00:00:00");
  EXPECT_EQ(SecondsToUptimeHint(fortyDays, At(2013, 5, 15, 12, 0, 0), true), "1m 10d 00:00:00");
  EXPECT_EQ(SecondsToUptimeHint(0, At(2013, 5, 15), true), "00:00:00");
  EXPECT_EQ(SecondsToUptimeHint(-50, At(2013, 5, 15), false), "0 seconds");
}

TEST(GetTimeHint, WritesLocaleDateAndTimeWithOptionalBoldMarkup) {
  LocaleInfo locale;
  locale.shortDateFormat = "dd/mm/yyyy";
  locale.dateSeparator = ".";
  locale.longTimeFormat = "hh:nn:ss";
  const DateTime moment = At(2013, 4, 30, 17, 5, 9);
  EXPECT_EQ(GetTimeHint("", moment, false, true, locale), "<b>30.04.2013 - 17:05:09</b>");
  EXPECT_EQ(GetTimeHint("On: ", moment, false, false, locale), "On: 30.04.2013 - 17:05:09");
  EXPECT_EQ(GetTimeHint("", moment, true, true, locale), "<b>30.04.2013</b>");
  // Midnight keeps its time in a caption.
  EXPECT_EQ(GetTimeHint("", At(2013, 4, 30), false, false, locale), "30.04.2013 - 00:00:00");
}

}  // namespace
}  // namespace brenvik
