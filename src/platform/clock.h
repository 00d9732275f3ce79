// Time as the operating system tells it: local and UTC now, the time zone,
// the high-resolution counter that gives the system uptime, the millisecond
// tick count and the tick of the last user input, and sleeping. Tests hand in
// a fixed clock that sleeps by advancing itself.
#pragma once

#include <cstdint>

#include "records/date_time.h"

namespace brenvik {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime LocalNow() = 0;
  virtual DateTime UtcNow() = 0;
  // Seconds to add to UTC to get local time at this moment.
  virtual std::int32_t UtcOffsetSeconds() = 0;
  // The local time of a UTC moment, with the time-zone rules of that moment.
  virtual DateTime UtcToLocal(DateTime utc) = 0;
  // The counter runs since boot (suspended time included); 0 when unknown.
  virtual std::int64_t PerformanceCounter() = 0;
  virtual std::int64_t PerformanceFrequency() = 0;
  // Milliseconds since boot, wrapping at 32 bits.
  virtual std::uint32_t TickCount() = 0;
  // The tick count at the user's last input (equal to TickCount when the
  // system cannot tell, which reads as "not idle").
  virtual std::uint32_t LastInputTick() = 0;
  virtual void Sleep(int milliseconds) = 0;
};

}  // namespace brenvik
