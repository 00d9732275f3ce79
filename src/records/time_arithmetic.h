// The exact time arithmetic every uptime figure rests on: whole seconds with
// the milliseconds of both ends dropped, comparisons with a tolerance of one
// millisecond, and calendar spans computed by borrow rules rather than by
// floating-point division. The integer widths (32-bit sums, 16-bit calendar
// counters) are part of the behaviour and are kept deliberately.
#pragma once

#include <cstdint>
#include <string>

#include "records/date_time.h"

namespace brenvik {

class Clock;

// Whole seconds between a and b, never negative (32-bit arithmetic, widened).
std::int64_t SecondsBetween(DateTime a, DateTime b);

// -1 when a < b, 0 when less than one millisecond apart, +1 when a > b.
int CompareMoments(DateTime a, DateTime b);

// from <= x <= to, with the millisecond tolerance of CompareMoments.
bool MomentInRange(DateTime x, DateTime from, DateTime to);

// x with milliseconds dropped, plus n seconds, milliseconds dropped again.
DateTime AddSeconds(DateTime x, std::int64_t n);

// The clock's local now with milliseconds dropped.
DateTime NowWholeSeconds(Clock& clock);

// Midnight of x's day (truncation toward zero).
DateTime DateOnly(DateTime x);

// x + (h div 24) days + ((h mod 24)*3600000 + m*60000 + s*1000 + ms) / 86400000
// days, the millisecond sum in 32-bit arithmetic; a result below 0 gets 1 added.
DateTime AddTimeParts(DateTime x, std::int32_t h, std::int32_t m, std::int32_t s, std::int32_t ms);

struct CalendarSpanParts {
  std::uint16_t years = 0;
  std::uint16_t months = 0;
  std::uint16_t days = 0;
  std::uint16_t hours = 0;
  std::uint16_t minutes = 0;
  std::uint16_t seconds = 0;
  bool operator==(const CalendarSpanParts&) const = default;
};

struct DateSpanParts {
  std::uint16_t years = 0;
  std::uint16_t months = 0;
  std::uint16_t days = 0;
  bool operator==(const DateSpanParts&) const = default;
};

CalendarSpanParts CalendarSpan(DateTime a, DateTime b);
DateSpanParts DateSpan(DateTime a, DateTime b);

int MonthLength(int year, int month);

// Reads year, month, day and optionally hour, minute, second as runs of digits
// separated by one character each; ConversionError on an empty text, a missing
// run or an impossible date or time.
DateTime StringToDateTime(const std::string& text);

}  // namespace brenvik
