#include "records/date_time.h"

#include <cmath>
#include <string>

#include "base/errors.h"

namespace brenvik {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

DateParts CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return DateParts{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const std::int64_t kOriginFromUnix = DaysFromCivil(1899, 12, 30);

}  // namespace

namespace {

// std::llround (halves away from zero) without the library call, which the
// statistics pay several times for each of a million rows: below 2^52 a
// double converts to an integer exactly by truncation and the fraction left
// is exact too.
std::int64_t RoundHalfAway(double x) {
  if (!(std::fabs(x) < 4503599627370496.0)) return static_cast<std::int64_t>(std::llround(x));
  const auto whole = static_cast<std::int64_t>(x);
  const double fraction = x - static_cast<double>(whole);
  if (fraction >= 0.5) return whole + 1;
  if (fraction <= -0.5) return whole - 1;
  return whole;
}

}  // namespace

DayAndMs SplitDateTime(DateTime value) {
  const std::int64_t total = RoundHalfAway(value * static_cast<double>(kMsPerDay));
  const std::int64_t day = total / kMsPerDay;  // truncates toward zero
  // The magnitude as unsigned: a value far outside any date rounds to the
  // most negative integer, whose negation does not exist in int64.
  const std::uint64_t magnitude =
      total < 0 ? 0 - static_cast<std::uint64_t>(total) : static_cast<std::uint64_t>(total);
  const auto ms = static_cast<std::int64_t>(magnitude % static_cast<std::uint64_t>(kMsPerDay));
  return DayAndMs{day, ms};
}

DateTime ComposeDateTime(std::int64_t day, std::int64_t ms) {
  const double fraction = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

std::int64_t ToLinearMs(DateTime value) {
  const DayAndMs parts = SplitDateTime(value);
  // A negative value such as -1.25 means day -1 at 06:00, i.e. -0.75 days.
  return parts.day * kMsPerDay + parts.ms;
}

DateTime FromLinearMs(std::int64_t linearMs) {
  std::int64_t day = linearMs / kMsPerDay;
  std::int64_t ms = linearMs % kMsPerDay;
  if (ms < 0) {
    ms += kMsPerDay;
    day -= 1;
  }
  return ComposeDateTime(day, ms);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int length = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  return day <= length;
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
         millisecond >= 0 && millisecond < 1000;
}

DateTime EncodeDate(int year, int month, int day) {
  if (!IsValidDate(year, month, day)) {
    throw ConversionError("Invalid argument to date encode: " + std::to_string(year) + "-" +
                          std::to_string(month) + "-" + std::to_string(day));
  }
  return static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      kOriginFromUnix);
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (!IsValidTime(hour, minute, second, millisecond)) {
    throw ConversionError("Invalid argument to time encode: " + std::to_string(hour) + ":" +
                          std::to_string(minute) + ":" + std::to_string(second));
  }
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
  const DateTime date = EncodeDate(year, month, day);
  const DateTime time = EncodeTime(hour, minute, second, millisecond);
  return date >= 0 ? date + time : date - time;
}

DateParts DecodeDate(DateTime value) {
  return CivilFromDays(SplitDateTime(value).day + kOriginFromUnix);
}

TimeParts DecodeTime(DateTime value) {
  std::int64_t ms = SplitDateTime(value).ms;
  TimeParts parts;
  parts.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  parts.second = static_cast<int>(ms % 60);
  ms /= 60;
  parts.minute = static_cast<int>(ms % 60);
  parts.hour = static_cast<int>(ms / 60);
  return parts;
}

int DayOfWeek(DateTime value) {
  // 1899-12-30 was a Saturday (7).
  const std::int64_t day = SplitDateTime(value).day;
  std::int64_t index = (day + 6) % 7;  // 0 = Sunday
  if (index < 0) index += 7;
  return static_cast<int>(index) + 1;
}

DateTime DropMilliseconds(DateTime value) {
  const DayAndMs parts = SplitDateTime(value);
  return ComposeDateTime(parts.day, parts.ms - parts.ms % 1000);
}

}  // namespace brenvik
