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

std::string ShortForm(const CalendarSpanParts& span) {
  std::string text;
  if (span.years != 0) text += std::to_string(span.years) + "y ";
  if (span.months != 0) text += std::to_string(span.months) + "m ";
  if (span.days != 0) text += std::to_string(span.days) + "d ";
  return text + PadInt(span.hours, 2, '0') + ":" + PadInt(span.minutes, 2, '0') + ":" +
         PadInt(span.seconds, 2, '0');
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
