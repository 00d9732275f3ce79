#include "reports/date_ranges.h"

#include <array>
#include <cstdio>
#include <utility>

#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

constexpr std::int64_t kLastSecondOfDay = 86'399;
constexpr std::int64_t kLastSecondOfWeek = 7 * 86'400 - 1;
// Going back this far from the 1st of a month or year always lands in the
// one before, whatever the clock does around midnight.
constexpr std::int64_t kStepBackSeconds = 90'000;

constexpr std::array<const char*, 7> kWeekDaysLabels = {
    "(Mon-Sun)", "(Tue-Mon)", "(Wed-Tue)", "(Thu-Wed)", "(Fri-Thu)", "(Sat-Fri)", "(Sun-Sat)"};

// Names in the order in which they are looked for.
const std::array<std::pair<const char*, ReportPeriod>, 9> kPeriodNames = {{
    {"Yesterday", ReportPeriod::Yesterday},
    {"Today", ReportPeriod::Today},
    {"Last 7 Days", ReportPeriod::Last7Days},
    {"This Week", ReportPeriod::ThisWeek},
    {"Previous Week", ReportPeriod::PreviousWeek},
    {"This Month", ReportPeriod::ThisMonth},
    {"Previous Month", ReportPeriod::PreviousMonth},
    {"This Year", ReportPeriod::ThisYear},
    {"Previous Year", ReportPeriod::PreviousYear},
}};

int WeekStartIndex(int firstDayOfWeek) {
  return firstDayOfWeek >= 0 && firstDayOfWeek <= 6 ? firstDayOfWeek : 0;
}

DateTime DaysBefore(DateTime day, int days) {
  return AddSeconds(day, -std::int64_t{days} * 86'400);
}

DateTime FirstOfMonth(DateTime moment) {
  const DateParts d = DecodeDate(moment);
  return EncodeDate(d.year, d.month, 1);
}

DateTime FirstOfYear(DateTime moment) { return EncodeDate(DecodeDate(moment).year, 1, 1); }

DateTime EndOfMonth(DateTime first) {
  const DateParts d = DecodeDate(first);
  return AddSeconds(EncodeDate(d.year, d.month, MonthLength(d.year, d.month)), kLastSecondOfDay);
}

DateTime EndOfYear(DateTime first) {
  return AddSeconds(EncodeDate(DecodeDate(first).year, 12, 31), kLastSecondOfDay);
}

DateTime WeekStart(DateTime today, int firstDayOfWeek) {
  const int mondayBased = (DayOfWeek(today) + 5) % 7;  // 0 = Monday
  return DaysBefore(today, (mondayBased - WeekStartIndex(firstDayOfWeek) + 7) % 7);
}

PeriodBounds Span(DateTime first, std::int64_t lastSecond) {
  return PeriodBounds{first, AddSeconds(first, lastSecond)};
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string OverlapTerm(const std::string& first, const std::string& last) {
  return " not((cdsHistoryDateTimeStart>" + Quoted(last) + ")or(cdsHistoryDateTimeEnd<" +
         Quoted(first) + "))";
}

std::string RangeTerm(const DateRangeRequest& r) {
  const std::string after = FilterDateTimeText(r.dateAfter, r.timeAfter);
  const std::string before = FilterDateTimeText(r.dateBefore, r.timeBefore);
  if (r.afterTicked && r.beforeTicked) return OverlapTerm(after, before);
  if (r.afterTicked) return "(cdsHistoryDateTimeEnd >= " + Quoted(after) + ")";
  if (r.beforeTicked) return "(cdsHistoryDateTimeStart <= " + Quoted(before) + ")";
  return "";
}

}  // namespace

std::string WeekDaysLabel(int firstDayOfWeek) {
  return kWeekDaysLabels[static_cast<std::size_t>(WeekStartIndex(firstDayOfWeek))];
}

std::vector<std::string> PeriodItems(int firstDayOfWeek) {
  const std::string week = WeekDaysLabel(firstDayOfWeek);
  return {"A)  Today",
          "B)  Yesterday",
          "C)  Last 7 Days",
          "D)  This Week" + week,
          "E)  Previous Week" + week,
          "F)  This Month",
          "G)  Previous Month",
          "H)  This Year",
          "I)  Previous Year"};
}

std::optional<ReportPeriod> RecognisePeriod(std::string_view itemText) {
  for (const auto& [name, period] : kPeriodNames) {
    if (itemText.find(name) != std::string_view::npos) return period;
  }
  return std::nullopt;
}

PeriodBounds GetPeriodBounds(ReportPeriod period, DateTime now, int firstDayOfWeek) {
  const DateTime today = DateOnly(now);
  switch (period) {
    case ReportPeriod::Today:
      return Span(today, kLastSecondOfDay);
    case ReportPeriod::Yesterday:
      return Span(DaysBefore(today, 1), kLastSecondOfDay);
    case ReportPeriod::Last7Days:
      return Span(DaysBefore(today, 6), kLastSecondOfWeek);
    case ReportPeriod::ThisWeek:
      return Span(WeekStart(today, firstDayOfWeek), kLastSecondOfWeek);
    case ReportPeriod::PreviousWeek:
      return Span(DaysBefore(WeekStart(today, firstDayOfWeek), 7), kLastSecondOfWeek);
    case ReportPeriod::ThisMonth: {
      const DateTime first = FirstOfMonth(today);
      return PeriodBounds{first, EndOfMonth(first)};
    }
    case ReportPeriod::PreviousMonth: {
      const DateTime first = FirstOfMonth(AddSeconds(FirstOfMonth(today), -kStepBackSeconds));
      return PeriodBounds{first, EndOfMonth(first)};
    }
    case ReportPeriod::ThisYear: {
      const DateTime first = FirstOfYear(today);
      return PeriodBounds{first, EndOfYear(first)};
    }
    case ReportPeriod::PreviousYear: {
      const DateTime first = FirstOfYear(AddSeconds(FirstOfYear(today), -kStepBackSeconds));
      return PeriodBounds{first, EndOfYear(first)};
    }
  }
  return PeriodBounds{};
}

std::string FilterDateTimeText(DateTime datePart, DateTime timePart) {
  const DateParts d = DecodeDate(datePart);
  const TimeParts t = DecodeTime(timePart);
  char text[64];
  std::snprintf(text, sizeof text, "%.*d-%.*d-%.*d %.*d:%.*d:%.*d", 4, d.year, 2, d.month, 2, d.day,
                2, t.hour, 2, t.minute, 2, t.second);
  return text;
}

DateRange GetDateRangeString(const DateRangeRequest& request, DateTime now, int firstDayOfWeek) {
  DateRange range{"", request.dateAfter, request.dateBefore};
  if (!request.predefinedPeriod) {
    range.term = RangeTerm(request);
    return range;
  }
  const std::optional<ReportPeriod> period = RecognisePeriod(request.periodItem);
  if (!period) return range;
  const PeriodBounds bounds = GetPeriodBounds(*period, now, firstDayOfWeek);
  range.dateAfter = bounds.first;
  range.dateBefore = bounds.last;
  range.term = OverlapTerm(FilterDateTimeText(bounds.first), FilterDateTimeText(bounds.last));
  return range;
}

}  // namespace brenvik
