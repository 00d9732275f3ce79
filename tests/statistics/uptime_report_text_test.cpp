#include "statistics/uptime_report_text.h"

#include <gtest/gtest.h>

#include "records/time_arithmetic.h"
#include "support/fakes.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

LocaleInfo GermanLikeLocale() {
  LocaleInfo locale;
  locale.shortDateFormat = "dd/mm/yyyy";
  locale.dateSeparator = ".";
  locale.longTimeFormat = "hh:nn:ss";
  return locale;
}

WinStatistics PreparedStatistics(DateTime now) {
  WinStatistics s;
  s.runStart = At(2013, 5, 13, 8, 50, 0);    // 2 days 3 hours 10 minutes
  s.totalStart = At(2013, 3, 10, 12, 0, 0);  // 2 months 5 days
  s.firstBootDate = At(2013, 1, 1, 9, 0, 0);
  s.lastRunEnd = At(2013, 5, 12, 23, 0, 0);
  s.idleSeconds = 180;
  s.idleSecondsTotal = 3 * 86400 + 1;
  s.recordSeconds = 5 * 86400;
  s.recordStart = AddSeconds(now, -5 * 86400);
  s.recordSetDate = At(2013, 2, 4, 7, 30, 0);
  s.recordSetInCurrentRun = false;
  s.captions.turnedOnCount = "12";
  s.captions.turnedOffCount = "9";
  s.captions.crashedCount = "2";
  return s;
}

TEST(UptimeReportText, IsWrittenExactlyWithCrLfAndNoFinalBreak) {
  const DateTime now = At(2013, 5, 15, 12, 0, 5);
  const std::string expected =
      "Uptime report at: 15.05.2013 12:00:05\r\n\r\n"
      "Current\r\n"
      "   Uptime: 2 days 3 hours 10 minutes 5 seconds\r\n"
      "   Idle time: 3 minutes\r\n\r\n"
      "Total\r\n"
      "   Uptime: 2 months 5 days 5 seconds\r\n"
      "   Idle time: 3 days 1 seconds\r\n"
      "   Downtime: 2 months 9 days 3 hours\r\n\r\n"
      "Highest Uptime (record)\r\n"
      "   5 days [Date set 04.02.2013]\r\n\r\n"
      "Turned on 12 times\r\n"
      "Turned off 9 times\r\n"
      "Crashed 2 times\r\n\r\n"
      "Last time was turned on at 13.05.2013 08:50:00\r\n"
      "Last time was turned off at 12.05.2013 23:00:00\r\n\r\n"
      "Counting uptime since 01.01.2013";
  EXPECT_EQ(BuildUptimeReportText(PreparedStatistics(now), now, GermanLikeLocale()), expected);
}

TEST(UptimeReportText, NamesTheCurrentSessionAndUnknownDates) {
  const DateTime now = At(2013, 5, 15, 0, 0, 0);
  WinStatistics s = PreparedStatistics(now);
  s.recordSetInCurrentRun = true;
  s.lastRunEnd = NullDate;
  s.firstBootDate = NullDate;
  const std::string text = BuildUptimeReportText(s, now, GermanLikeLocale());
  EXPECT_NE(text.find("Uptime report at: 15.05.2013\r\n"), std::string::npos);  // midnight
  EXPECT_NE(text.find(" [Current session]\r\n\r\n"), std::string::npos);
  EXPECT_NE(text.find("Last time was turned off at N/A\r\n\r\n"), std::string::npos);
  EXPECT_NE(text.find("   Downtime: N/A\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 25), "Counting uptime since N/A");
}

TEST(UptimeBalloon, KeepsTheTrailingSpaceOfTheLongForm) {
  WinStatistics s;
  s.runStart = At(2013, 5, 15, 11, 57, 0);
  const BalloonText b = UptimeBalloon(s, At(2013, 5, 15, 12, 0, 0), GermanLikeLocale());
  EXPECT_EQ(b.title, "Computer Uptime");
  EXPECT_EQ(b.text, "3 minutes \r\n\r\nComputer turned on: 15.05.2013 - 11:57:00");
  EXPECT_EQ(b.timeoutMs, 9000);
}

TEST(TurnedOffCaptionClickAction, CopiesOnlyAfterTheImportRan) {
  auto fake = test::MakeFakePlatform();
  EXPECT_EQ(TurnedOffCaptionClickAction(*fake.registry), TurnedOffClickAction::OpenOptionsPage);
  auto key = fake.registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  key->WriteBool("WindowsImportExecuted", false);
  EXPECT_EQ(TurnedOffCaptionClickAction(*fake.registry), TurnedOffClickAction::OpenOptionsPage);
  key->WriteBool("WindowsImportExecuted", true);
  EXPECT_EQ(TurnedOffCaptionClickAction(*fake.registry), TurnedOffClickAction::CopyReport);
}

}  // namespace
}  // namespace brenvik
