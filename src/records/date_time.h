// The date-time value of Brenvik: a 64-bit floating day count since
// 1899-12-30, the fraction being the time of day (0.5 is noon). Values are
// decoded to whole milliseconds by rounding, so float noise never shows as a
// lost second. ZeroDateTime (0) and NullDate (1900-01-01) are distinct markers.
#pragma once

#include <cstdint>

namespace brenvik {

using DateTime = double;

inline constexpr DateTime ZeroDateTime = 0.0;
// 1900-01-01 00:00:00: "no date is known yet".
inline constexpr DateTime NullDate = 2.0;

inline constexpr std::int64_t kMsPerDay = 86'400'000;
inline constexpr double kOneMillisecond = 1.0 / 86'400'000.0;

struct DateParts {
  int year = 0;
  int month = 0;
  int day = 0;
};

struct TimeParts {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The calendar day number (days since 1899-12-30) and milliseconds since
// midnight of a value. For values before the origin the day number is the
// integer part and the fraction counts forward from that day's midnight.
struct DayAndMs {
  std::int64_t day = 0;
  std::int64_t ms = 0;
};
DayAndMs SplitDateTime(DateTime value);
DateTime ComposeDateTime(std::int64_t day, std::int64_t ms);

// Milliseconds on one continuous scale (day * kMsPerDay + ms of the day as
// counted by SplitDateTime), and back; for arithmetic in whole units.
std::int64_t ToLinearMs(DateTime value);
DateTime FromLinearMs(std::int64_t linearMs);

bool IsLeapYear(int year);
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int millisecond);

// Encoding raises ConversionError for impossible dates or times.
DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond);
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond = 0);

DateParts DecodeDate(DateTime value);
TimeParts DecodeTime(DateTime value);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(DateTime value);

// The value with its millisecond part set to 0, all other parts kept.
DateTime DropMilliseconds(DateTime value);

}  // namespace brenvik
