// The clock on Linux: the C library's local time and time zone, CLOCK_BOOTTIME
// for the uptime counter and the tick count, and the X11 screen-saver
// extension (loaded at run time when a display offers it) for the last input.
#pragma once

#include <optional>

#include "platform/clock.h"

namespace brenvik {

class PosixClock : public Clock {
 public:
  DateTime LocalNow() override;
  DateTime UtcNow() override;
  std::int32_t UtcOffsetSeconds() override;
  DateTime UtcToLocal(DateTime utc) override;
  std::int64_t PerformanceCounter() override;
  std::int64_t PerformanceFrequency() override;
  std::uint32_t TickCount() override;
  std::uint32_t LastInputTick() override;
  void Sleep(int milliseconds) override;
};

// Milliseconds since the last input on the X11 display, or nothing when no
// display is reachable or it cannot tell.
std::optional<long long> DisplayIdleMilliseconds();

// Conversions between Unix time and the day count.
DateTime UnixSecondsToDateTime(double unixSeconds);
double DateTimeToUnixSeconds(DateTime value);

}  // namespace brenvik
