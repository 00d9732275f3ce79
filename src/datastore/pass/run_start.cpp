#include "datastore/pass/run_start.h"

#include <cstdint>

#include "records/time_arithmetic.h"

namespace brenvik {

DateTime RunStartFromUptime(Clock& clock) {
  const std::int64_t counter = clock.PerformanceCounter();
  const std::int64_t frequency = clock.PerformanceFrequency();
  const std::int64_t seconds = counter == 0 || frequency == 0 ? 0 : counter / frequency;
  const auto days = static_cast<std::int32_t>(seconds / 86400);
  const auto hours = static_cast<std::int32_t>(seconds % 86400 / 3600);
  const auto minutes = static_cast<std::int32_t>(seconds % 3600 / 60);
  const auto secs = static_cast<std::int32_t>(seconds % 60);
  return DropMilliseconds(
      AddTimeParts(NowWholeSeconds(clock), -(days * 24 + hours), -minutes, -secs, 0));
}

}  // namespace brenvik
