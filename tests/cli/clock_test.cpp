#include <gtest/gtest.h>

#include "cli/cli_clock.h"
#include "records/date_time.h"
#include "records/time_arithmetic.h"
#include "statistics/win_statistics.h"
#include "support/fakes.h"

namespace brenvik::cli {
namespace {

DateTime Noon() { return EncodeDateTime(2013, 4, 30, 12, 0, 0); }

// A zone that is two hours ahead of UTC until 2013-04-30 10:00 UTC and three
// hours ahead from then on.
class ChangingZoneClock : public test::FakeClock {
 public:
  DateTime UtcToLocal(DateTime utc) override {
    const int hours = CompareMoments(utc, EncodeDateTime(2013, 4, 30, 10, 0, 0)) < 0 ? 2 : 3;
    return AddSeconds(utc, hours * 3600);
  }
};

TEST(CommandLineClock, AGivenNowStandsStillAndUtcFollowsTheZone) {
  test::FakeClock system;
  system.offsetSeconds = 7200;
  CommandLineClock clock(system, Noon(), std::nullopt);
  system.Advance(5000);
  EXPECT_EQ(clock.LocalNow(), Noon());
  EXPECT_EQ(clock.UtcNow(), EncodeDateTime(2013, 4, 30, 10, 0, 0));
  EXPECT_EQ(clock.UtcOffsetSeconds(), 7200);
  clock.Sleep(300);
  EXPECT_EQ(system.sleptMs, 300);  // waits for the service still take time
}

TEST(CommandLineClock, TheOffsetIsTheZonesAtTheGivenMomentNotAtTheRealNow) {
  ChangingZoneClock system;
  std::int32_t offset = 0;
  system.offsetSeconds = 7200;  // the offset of the real now
  EXPECT_EQ(LocalToUtc(system, EncodeDateTime(2013, 4, 30, 14, 0, 0), offset),
            EncodeDateTime(2013, 4, 30, 11, 0, 0));
  EXPECT_EQ(offset, 10800);
  system.offsetSeconds = 10800;
  EXPECT_EQ(LocalToUtc(system, EncodeDateTime(2013, 4, 30, 8, 0, 0), offset),
            EncodeDateTime(2013, 4, 30, 6, 0, 0));
  EXPECT_EQ(offset, 7200);
}

TEST(CommandLineClock, AGivenUptimeIsThePerformanceCounter) {
  test::FakeClock system;
  CommandLineClock clock(system, Noon(), 3 * 86400 + 3661);
  EXPECT_EQ(BootMomentFromCounter(clock), EncodeDateTime(2013, 4, 27, 10, 58, 59));
  CommandLineClock zero(system, Noon(), 0);
  EXPECT_EQ(BootMomentFromCounter(zero), Noon());
}

TEST(CommandLineClock, WithoutOptionsItIsTheSystemClock) {
  test::FakeClock system;
  CommandLineClock clock(system, std::nullopt, std::nullopt);
  system.Advance(2000);
  EXPECT_EQ(clock.LocalNow(), system.local);
  EXPECT_EQ(clock.UtcNow(), system.UtcNow());
  EXPECT_EQ(clock.PerformanceCounter(), system.counter);
  EXPECT_EQ(clock.PerformanceFrequency(), system.frequency);
}

TEST(SteppingClock, SleepingMovesItsTimeOnAtOnce) {
  test::FakeClock system;
  CommandLineClock fixed(system, Noon(), std::nullopt);
  SteppingClock clock(fixed);
  clock.Sleep(500);
  clock.Sleep(500);
  EXPECT_EQ(system.sleptMs, 0);
  EXPECT_EQ(NowWholeSeconds(clock), EncodeDateTime(2013, 4, 30, 12, 0, 1));
  EXPECT_EQ(fixed.LocalNow(), Noon());
}

}  // namespace
}  // namespace brenvik::cli
