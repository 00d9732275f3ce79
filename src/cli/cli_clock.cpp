#include "cli/cli_clock.h"

#include "base/errors.h"
#include "records/time_arithmetic.h"

namespace brenvik::cli {
namespace {

constexpr double kMsPerDay = 86'400'000.0;

// Local minus UTC in whole seconds at a UTC moment, by the zone's rules.
std::int32_t OffsetAt(Clock& system, DateTime utc) {
  const DateTime local = DropMilliseconds(system.UtcToLocal(utc));
  const std::int64_t seconds = SecondsBetween(local, utc);
  return static_cast<std::int32_t>(CompareMoments(local, utc) < 0 ? -seconds : seconds);
}

}  // namespace

DateTime LocalToUtc(Clock& system, DateTime local, std::int32_t& offset) {
  local = DropMilliseconds(local);
  offset = system.UtcOffsetSeconds();
  try {
    // The offset at the guessed moment decides the next guess; around a
    // change of the zone's offset two rounds settle on a moment.
    for (int round = 0; round < 3; ++round) {
      const std::int32_t next = OffsetAt(system, AddSeconds(local, -offset));
      if (next == offset) break;
      offset = next;
    }
  } catch (const PlatformError&) {
    offset = system.UtcOffsetSeconds();
  }
  return AddSeconds(local, -offset);
}

CommandLineClock::CommandLineClock(Clock& system, std::optional<DateTime> localNow,
                                   std::optional<std::int64_t> uptimeSeconds)
    : system_(system), localNow_(localNow), uptimeSeconds_(uptimeSeconds) {
  if (localNow_) {
    localNow_ = DropMilliseconds(*localNow_);
    utcNow_ = LocalToUtc(system_, *localNow_, offsetSeconds_);
  }
}

DateTime CommandLineClock::LocalNow() { return localNow_ ? *localNow_ : system_.LocalNow(); }

DateTime CommandLineClock::UtcNow() { return localNow_ ? utcNow_ : system_.UtcNow(); }

std::int32_t CommandLineClock::UtcOffsetSeconds() {
  return localNow_ ? offsetSeconds_ : system_.UtcOffsetSeconds();
}

// The given uptime is counted in seconds: a counter of that many ticks at
// one tick a second.
std::int64_t CommandLineClock::PerformanceCounter() {
  return uptimeSeconds_ ? *uptimeSeconds_ : system_.PerformanceCounter();
}

std::int64_t CommandLineClock::PerformanceFrequency() {
  return uptimeSeconds_ ? 1 : system_.PerformanceFrequency();
}

void SteppingClock::Sleep(int milliseconds) {
  if (milliseconds > 0) steppedMs_ += milliseconds;
}

DateTime SteppingClock::Stepped() const { return static_cast<double>(steppedMs_) / kMsPerDay; }

}  // namespace brenvik::cli
