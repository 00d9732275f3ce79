#include "records/date_format.h"

#include <gtest/gtest.h>

namespace brenvik {
namespace {

TEST(AppFormatSettings, WritesIsoDatesAndTwentyFourHourTimes) {
  LocaleInfo german;
  german.shortDateFormat = "dd.mm.yyyy";
  german.dateSeparator = ".";
  german.longTimeFormat = "hh:nn:ss";
  const FormatSettings app = MakeAppFormatSettings(german);
  EXPECT_EQ(DateTimeToString(EncodeDateTime(2013, 4, 30, 17, 5, 9), app), "2013-04-30 17:05:09");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", EncodeDate(2013, 4, 30), app), "2013-04-30");
  EXPECT_EQ(FormatDateTime("hh:nn:ss", EncodeDateTime(2013, 4, 30, 7, 5, 9), app), "07:05:09");
}

TEST(DateTimeToString, LeavesOutTheTimeAtExactlyMidnight) {
  const FormatSettings app = MakeAppFormatSettings(LocaleInfo{});
  EXPECT_EQ(DateTimeToString(EncodeDate(2013, 4, 30), app), "2013-04-30");
  EXPECT_EQ(DateTimeToString(EncodeDateTime(2013, 4, 30, 0, 0, 1), app), "2013-04-30 00:00:01");
}

TEST(FormatDateTime, FollowsTheLocaleForDisplay) {
  LocaleInfo us;
  us.shortDateFormat = "m/d/yyyy";
  us.dateSeparator = "/";
  us.longTimeFormat = "h:nn:ss ampm";
  const DateTime value = EncodeDateTime(2013, 4, 3, 17, 5, 9);
  EXPECT_EQ(DateTimeToString(value, us), "4/3/2013 5:05:09 PM");
  EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", value, us), "20130403170509");
  EXPECT_EQ(FormatDateTime("dddd d mmmm yy", value, us), "Wednesday 3 April 13");
  EXPECT_EQ(FormatDateTime("ddd mmm", value, us), "Wed Apr");
  EXPECT_EQ(FormatDateTime("\"at\" h:mm", value, us), "at 17:05");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", value + 0.25 / 86400, us), "17:05:09.250");
}

}  // namespace
}  // namespace brenvik
