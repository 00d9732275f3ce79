#include "records/time_arithmetic.h"

#include <cmath>

#include "base/errors.h"
#include "platform/clock.h"
#include "records/text_helpers.h"

namespace brenvik {
namespace {

// 32-bit signed arithmetic with wrap-around, as the stored figures use it.
std::int32_t Wrap32(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

DateTime MinusMinute(DateTime b) { return DropMilliseconds(AddTimeParts(b, 0, -1, 0, 0)); }
DateTime MinusHour(DateTime b) { return DropMilliseconds(AddTimeParts(b, -1, 0, 0, 0)); }
DateTime MinusDay(DateTime b) { return DropMilliseconds(AddTimeParts(b, -24, 0, 0, 0)); }

}  // namespace

std::int64_t SecondsBetween(DateTime a, DateTime b) {
  DayAndMs first = SplitDateTime(a);
  DayAndMs second = SplitDateTime(b);
  if (first.day > second.day || (first.day == second.day && first.ms > second.ms)) {
    std::swap(first, second);
  }
  if (first.ms > second.ms) {
    second.ms += kMsPerDay;
    second.day -= 1;
  }
  const std::int32_t msPart = Wrap32((second.ms - first.ms) / 1000);
  const std::int32_t dayPart = Wrap32(Wrap32(second.day - first.day) * std::int64_t{86400});
  return Wrap32(std::int64_t{msPart} + dayPart);
}

int CompareMoments(DateTime a, DateTime b) {
  if (std::fabs(a - b) < kOneMillisecond) return 0;
  return a < b ? -1 : 1;
}

bool MomentInRange(DateTime x, DateTime from, DateTime to) {
  return CompareMoments(from, x) != 1 && CompareMoments(to, x) >= 0;
}

DateTime AddSeconds(DateTime x, std::int64_t n) {
  return FromLinearMs(ToLinearMs(DropMilliseconds(x)) + n * 1000);
}

DateTime NowWholeSeconds(Clock& clock) { return DropMilliseconds(clock.LocalNow()); }

DateTime DateOnly(DateTime x) { return std::trunc(x); }

DateTime AddTimeParts(DateTime x, std::int32_t h, std::int32_t m, std::int32_t s, std::int32_t ms) {
  const std::int32_t hourMs = Wrap32(std::int64_t{h % 24} * 3'600'000);
  const std::int32_t sum = Wrap32(std::int64_t{hourMs} + Wrap32(std::int64_t{m} * 60'000) +
                                  Wrap32(std::int64_t{s} * 1000) + ms);
  const std::int32_t wholeDays = h / 24;  // the hours past a day are in sum
  DateTime result = x + static_cast<double>(wholeDays) +
                    static_cast<double>(sum) / static_cast<double>(kMsPerDay);
  if (result < 0) result += 1;
  return result;
}

DateSpanParts DateSpan(DateTime a, DateTime b) {
  if (a > b) std::swap(a, b);
  const DateParts earlier = DecodeDate(a);
  const DateParts later = DecodeDate(b);
  std::uint16_t years = static_cast<std::uint16_t>(later.year - earlier.year);
  std::uint16_t months = 0;
  std::uint16_t days = 0;
  if (later.month < earlier.month) {
    months = static_cast<std::uint16_t>(months + 12);
    years = static_cast<std::uint16_t>(years - 1);
  }
  months = static_cast<std::uint16_t>(months + later.month - earlier.month);
  if (later.day < earlier.day) {
    days = static_cast<std::uint16_t>(days + MonthLength(earlier.year, earlier.month));
    if (months == 0) {
      years = static_cast<std::uint16_t>(years - 1);
      months = 11;
    } else {
      months = static_cast<std::uint16_t>(months - 1);
    }
  }
  days = static_cast<std::uint16_t>(days + later.day - earlier.day);
  return DateSpanParts{years, months, days};
}

namespace {

// CalendarSpan for two moments from the second day of the calendar on, in
// whole numbers: the seconds of the day borrow from the later day exactly as
// the minute, hour and day steps below do, without a date-time computed for
// each step (the grid and the exports ask for three spans a row).
CalendarSpanParts WholeSecondsSpan(DayAndMs a, DayAndMs b) {
  const std::int64_t secondA = a.ms / 1000;
  std::int64_t secondB = b.ms / 1000;
  std::int64_t dayB = b.day;
  if (secondB < secondA) {
    secondB += 86400;
    dayB -= 1;
  }
  const std::int64_t diff = secondB - secondA;
  CalendarSpanParts span;
  span.hours = static_cast<std::uint16_t>(diff / 3600);
  span.minutes = static_cast<std::uint16_t>(diff / 60 % 60);
  span.seconds = static_cast<std::uint16_t>(diff % 60);
  const DateSpanParts dates = DateSpan(static_cast<DateTime>(a.day), static_cast<DateTime>(dayB));
  span.years = dates.years;
  span.months = dates.months;
  span.days = dates.days;
  return span;
}

}  // namespace

CalendarSpanParts CalendarSpan(DateTime a, DateTime b) {
  a = DropMilliseconds(a);
  b = DropMilliseconds(b);
  if (a > b) std::swap(a, b);
  // Before the second day the steps' arithmetic wraps (AddTimeParts keeps
  // results at zero or above), which the whole-number form does not copy.
  if (a >= 1.0) return WholeSecondsSpan(SplitDateTime(a), SplitDateTime(b));
  const TimeParts t1 = DecodeTime(a);
  CalendarSpanParts span;

  int sec2 = DecodeTime(b).second;
  if (sec2 < t1.second) {
    sec2 += 60;
    b = MinusMinute(b);
  }
  span.seconds = static_cast<std::uint16_t>(sec2 - t1.second);

  int min2 = DecodeTime(b).minute;
  if (min2 < t1.minute) {
    min2 += 60;
    b = MinusHour(b);
  }
  span.minutes = static_cast<std::uint16_t>(min2 - t1.minute);

  int hour2 = DecodeTime(b).hour;
  if (hour2 < t1.hour) {
    hour2 += 24;
    b = MinusDay(b);
  }
  span.hours = static_cast<std::uint16_t>(hour2 - t1.hour);

  const DateSpanParts dates = DateSpan(b, a);
  span.years = dates.years;
  span.months = dates.months;
  span.days = dates.days;
  return span;
}

int MonthLength(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

namespace {

// The run of digits at the 1-based pos as a number, pos moved past it; a run
// that is empty or longer than nine digits makes text no date and time.
int DigitRun(const std::string& text, int& pos) {
  const auto start = static_cast<std::size_t>(pos - 1);
  std::size_t end = start;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == start || end - start > 9) {
    throw ConversionError("'" + text + "' is not a valid date and time");
  }
  int value = 0;
  for (std::size_t i = start; i < end; ++i) value = value * 10 + (text[i] - '0');
  pos = static_cast<int>(end) + 1;
  return value;
}

bool DigitAt(const std::string& text, int pos) {
  const auto at = static_cast<std::size_t>(pos - 1);
  return at < text.size() && text[at] >= '0' && text[at] <= '9';
}

}  // namespace

DateTime StringToDateTime(const std::string& text) {
  if (text.empty()) throw ConversionError("'' is not a valid date and time");
  int pos = 1;
  int parts[6] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    parts[i] = DigitRun(text, pos);
    ++pos;
  }
  if (DigitAt(text, pos)) {
    parts[3] = DigitRun(text, pos);
    for (int i = 4; i < 6; ++i) {
      ++pos;
      parts[i] = DigitRun(text, pos);
    }
  }
  if (!IsValidDate(parts[0], parts[1], parts[2]) || !IsValidTime(parts[3], parts[4], parts[5], 0)) {
    throw ConversionError("'" + text + "' is not a valid date and time");
  }
  return EncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], 0);
}

}  // namespace brenvik
