// The time limits of both history reports: the nine predefined periods of the
// period combos with their exact first and last seconds, the locale-free
// date-time text of a bound (2013-05-01 08:00:00), and GetDateRangeString,
// which turns a period or an After/Before range into the time term of a
// report's row predicate over cdsHistoryDateTimeStart and
// cdsHistoryDateTimeEnd. All functions are pure; "now" is passed in.
//
// Weeks begin on the locale's first day of the week (0 = Monday ... 6 =
// Sunday, as LocaleInfo counts), and the week-days label of the week items
// names the same days, so the label always describes the computed period.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/date_time.h"

namespace brenvik {

enum class ReportPeriod {
  Today,
  Yesterday,
  Last7Days,
  ThisWeek,
  PreviousWeek,
  ThisMonth,
  PreviousMonth,
  ThisYear,
  PreviousYear
};

// The item selected in a period combo at start-up ("D)  This Week...").
inline constexpr int kDefaultPeriodIndex = 3;

// "(Mon-Sun)" for a week beginning on Monday ... "(Sun-Sat)" for Sunday; an
// out-of-range value counts as Monday.
std::string WeekDaysLabel(int firstDayOfWeek);

// The nine items of a period combo, in order, "A)  Today" to "I)  Previous Year".
std::vector<std::string> PeriodItems(int firstDayOfWeek);

// The period named anywhere in an item text; nothing when none is named.
std::optional<ReportPeriod> RecognisePeriod(std::string_view itemText);

struct PeriodBounds {
  DateTime first = ZeroDateTime;  // 00:00:00 of the first day
  DateTime last = ZeroDateTime;   // 23:59:59 of the last day
};

PeriodBounds GetPeriodBounds(ReportPeriod period, DateTime now, int firstDayOfWeek);

// YYYY-MM-DD HH:MM:SS of the date of datePart and the time of day of
// timePart (milliseconds dropped); the time is written also at midnight.
std::string FilterDateTimeText(DateTime datePart, DateTime timePart);
inline std::string FilterDateTimeText(DateTime moment) {
  return FilterDateTimeText(moment, moment);
}

// What a report's time controls say; the trailing comments name the
// parameters of the design's GetDateRangeString.
struct DateRangeRequest {
  bool predefinedPeriod = false;      // isPreDefPeriod, else a date range
  std::string periodItem;             // selPerItem: the text of the selected period item
  bool afterTicked = false;           // chkAfter: the range has a lower bound
  bool beforeTicked = false;          // chkBefore: the range has an upper bound
  DateTime dateAfter = ZeroDateTime;  // only the date is read
  DateTime timeAfter = ZeroDateTime;  // only the time of day is read
  DateTime dateBefore = ZeroDateTime;
  DateTime timeBefore = ZeroDateTime;
};

struct DateRange {
  std::string term;  // empty when there is no time limit
  // A period's first and last second; in range mode the request's dates.
  DateTime dateAfter = ZeroDateTime;
  DateTime dateBefore = ZeroDateTime;
};

// The time term. A predefined period admits every row that overlaps it; a
// range admits rows ending at or after After and starting at or before Before.
DateRange GetDateRangeString(const DateRangeRequest& request, DateTime now, int firstDayOfWeek);

}  // namespace brenvik
