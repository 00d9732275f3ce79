// The Windows clock: now, the time zone and the uptime counters. Under Wine
// the test runs with TZ=Europe/Berlin (set by the build), so that the zone
// has an offset and daylight-saving time; in a zone with other rules the
// fixed-zone checks are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_clock.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

// UTC+1 with an hour of summer time from March to October.
bool ZoneIsCentralEuropean() {
  TIME_ZONE_INFORMATION zone;
  if (::GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return false;
  return zone.Bias == -60 && zone.DaylightBias == -60 && zone.DaylightDate.wMonth == 3 &&
         zone.StandardDate.wMonth == 10;
}

TEST(Win32Clock, LocalAndUtcNowDifferByTheOffset) {
  Win32Clock clock;
  const DateTime utc = clock.UtcNow();
  const DateTime local = clock.LocalNow();
  const double offset = (local - utc) * 86400.0;
  EXPECT_NEAR(offset, clock.UtcOffsetSeconds(), 2.0);
  EXPECT_NEAR(clock.UtcToLocal(utc), local, 2.0 / 86400.0);
}

TEST(Win32Clock, UtcMomentsTakeTheZoneRulesOfTheirOwnDate) {
  if (!ZoneIsCentralEuropean()) GTEST_SKIP() << "needs the Central European zone";
  Win32Clock clock;
  EXPECT_EQ(SecondsBetween(clock.UtcToLocal(EncodeDateTime(2013, 1, 15, 12, 0, 0)),
                           EncodeDateTime(2013, 1, 15, 13, 0, 0)),
            0);
  EXPECT_EQ(SecondsBetween(clock.UtcToLocal(EncodeDateTime(2013, 7, 15, 12, 0, 0)),
                           EncodeDateTime(2013, 7, 15, 14, 0, 0)),
            0);
  // The night the clocks went forward: 00:59:59 UTC is 01:59:59 CET, one
  // second later it is 03:00:00 CEST.
  EXPECT_EQ(SecondsBetween(clock.UtcToLocal(EncodeDateTime(2013, 3, 31, 0, 59, 59)),
                           EncodeDateTime(2013, 3, 31, 1, 59, 59)),
            0);
  EXPECT_EQ(SecondsBetween(clock.UtcToLocal(EncodeDateTime(2013, 3, 31, 1, 0, 0)),
                           EncodeDateTime(2013, 3, 31, 3, 0, 0)),
            0);
  const std::int32_t offset = clock.UtcOffsetSeconds();
  EXPECT_TRUE(offset == 3600 || offset == 7200) << offset;
}

TEST(Win32Clock, TheCounterAndTheTickCountTellTheSameUptime) {
  Win32Clock clock;
  ASSERT_GT(clock.PerformanceFrequency(), 0);
  const double counterSeconds =
      static_cast<double>(clock.PerformanceCounter()) / clock.PerformanceFrequency();
  const double tickSeconds = clock.TickCount() / 1000.0;
  EXPECT_GT(counterSeconds, 0.0);
  EXPECT_NEAR(counterSeconds, tickSeconds, 5.0);
  EXPECT_LE(clock.LastInputTick(), clock.TickCount());
}

}  // namespace
}  // namespace brenvik
