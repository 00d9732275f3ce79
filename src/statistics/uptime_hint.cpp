#include "statistics/uptime_hint.h"

#include <algorithm>

#include "records/date_format.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

std::string LongForm(const CalendarSpanParts& span) {
  const std::pair<std::uint16_t, const char*> units[] = {{span.years, "years"},
                                                         {span.months, "months"},
                                                         {span.days, "days"},
                                                         {span.hours, "hours"},
                                                         {span.minutes, "minutes"}};
  std::string text;
  for (const auto& [value, word] : units) {
    if (value != 0) text += std::to_string(value) + " " + word + " ";
  }
  if (span.seconds != 0) text += std::to_string(span.seconds) + " seconds";
  return text.empty() ? "0 seconds" : text;
}

void AppendNumber(std::string& text, unsigned value) {
  char digits[8];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) text += digits[--n];
}

void AppendTwoDigits(std::string& text, unsigned value) {
  text += static_cast<char>('0' + value / 10 % 10);
  text += static_cast<char>('0' + value % 10);
}

// "1y 2m 3d 04:05:06", the units that are 0 before the hours left out;
// written into one string, as the grid and the exports ask for it per row.
std::string ShortForm(const CalendarSpanParts& span) {
  std::string text;
  text.reserve(24);
  const std::pair<std::uint16_t, char> units[] = {
      {span.years, 'y'}, {span.months, 'm'}, {span.days, 'd'}};
  for (const auto& [value, unit] : units) {
    if (value == 0) continue;
    AppendNumber(text, value);
    text += unit;
    text += ' ';
  }
  AppendTwoDigits(text, span.hours);
  text += ':';
  AppendTwoDigits(text, span.minutes);
  text += ':';
  AppendTwoDigits(text, span.seconds);
  return text;
}

}  // namespace

std::string GetUptimeHint(DateTime date1, DateTime date2, bool shortForm) {
  const CalendarSpanParts span = CalendarSpan(date1, date2);
  return shortForm ? ShortForm(span) : LongForm(span);
}

std::string SecondsToUptimeHint(std::int64_t seconds, DateTime now, bool shortForm) {
  const DateTime end = DropMilliseconds(now);
  return GetUptimeHint(AddSeconds(end, -std::max<std::int64_t>(seconds, 0)), end, shortForm);
}

std::string GetTimeHint(const std::string& s, DateTime aDate, bool omitTime, bool html,
                        const LocaleInfo& locale) {
  std::string moment = DateToString(aDate, locale);
  if (!omitTime) moment += " - " + TimeToString(aDate, locale);
  return html ? s + "<b>" + moment + "</b>" : s + moment;
}

}  // namespace brenvik
