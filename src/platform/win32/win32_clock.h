// The clock on Windows: GetLocalTime and GetSystemTime for now, the time-zone
// rules (GetTimeZoneInformation, SystemTimeToTzSpecificLocalTime) for the
// local-minus-UTC offset and for UTC moments, the performance counter for the
// system uptime, GetTickCount, and GetLastInputInfo for the last input.
#pragma once

#include "platform/clock.h"

namespace brenvik {

class Win32Clock : public Clock {
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

}  // namespace brenvik
