// The clocks of the command line. CommandLineClock is the platform's clock
// with the values of --now and --uptime put in: the given local time stands
// still for the whole run (UTC follows from it by the time zone's rules), and
// the given uptime is what the performance counter reports, so the start of
// the current run is now less the uptime. Without those options it answers
// as the platform's clock does. Sleeping and the tick counts always pass
// through, so waits for the service take real time.
//
// SteppingClock is a view of a clock whose sleeps return at once and move its
// time on by the time slept. The store of last-used filters names a filter by
// the moment it was stored and waits for the clock to move when that name is
// taken; over a clock that stands still it would wait forever.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/clock.h"

namespace brenvik::cli {

class CommandLineClock : public Clock {
 public:
  // system must outlive this clock.
  CommandLineClock(Clock& system, std::optional<DateTime> localNow,
                   std::optional<std::int64_t> uptimeSeconds);

  DateTime LocalNow() override;
  DateTime UtcNow() override;
  std::int32_t UtcOffsetSeconds() override;
  DateTime UtcToLocal(DateTime utc) override { return system_.UtcToLocal(utc); }
  std::int64_t PerformanceCounter() override;
  std::int64_t PerformanceFrequency() override;
  std::uint32_t TickCount() override { return system_.TickCount(); }
  std::uint32_t LastInputTick() override { return system_.LastInputTick(); }
  void Sleep(int milliseconds) override { system_.Sleep(milliseconds); }

 private:
  Clock& system_;
  std::optional<DateTime> localNow_;
  std::optional<std::int64_t> uptimeSeconds_;
  DateTime utcNow_ = ZeroDateTime;
  std::int32_t offsetSeconds_ = 0;
};

// The UTC moment whose local time under the system's time zone is local (for
// a local time that occurs twice, one of the two); offset receives local
// minus UTC in seconds. Falls back on the current offset when the zone's
// rules cannot be read.
DateTime LocalToUtc(Clock& system, DateTime local, std::int32_t& offset);

class SteppingClock : public Clock {
 public:
  explicit SteppingClock(Clock& base) : base_(base) {}

  DateTime LocalNow() override { return base_.LocalNow() + Stepped(); }
  DateTime UtcNow() override { return base_.UtcNow() + Stepped(); }
  std::int32_t UtcOffsetSeconds() override { return base_.UtcOffsetSeconds(); }
  DateTime UtcToLocal(DateTime utc) override { return base_.UtcToLocal(utc); }
  std::int64_t PerformanceCounter() override { return base_.PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return base_.PerformanceFrequency(); }
  std::uint32_t TickCount() override { return base_.TickCount(); }
  std::uint32_t LastInputTick() override { return base_.LastInputTick(); }
  void Sleep(int milliseconds) override;

 private:
  DateTime Stepped() const;

  Clock& base_;
  std::int64_t steppedMs_ = 0;
};

}  // namespace brenvik::cli
