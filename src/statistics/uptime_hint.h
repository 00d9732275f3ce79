// The texts in which durations and moments are shown: GetUptimeHint turns the
// span between two moments into "1 days 2 hours 5 seconds" (long form) or
// "2d 03:04:05" (short form); GetTimeHint writes a date caption such as
// "<b>30.04.2013 - 17:05:09</b>" in the user's locale. Both are pure: the
// caller passes the moments and the locale.
#pragma once

#include <cstdint>
#include <string>

#include "platform/locale.h"
#include "records/date_time.h"

namespace brenvik {

// The span between date1 and date2 (order irrelevant, milliseconds ignored).
// Long form: every non-zero unit of years, months, days, hours and minutes as
// number, space, plural unit word and space, then non-zero seconds without a
// trailing space; "0 seconds" when the span is empty. Short form: non-zero
// years, months and days as "1y ", "2m ", "3d ", then always hh:nn:ss.
std::string GetUptimeHint(DateTime date1, DateTime date2, bool shortForm);

// The duration of a number of seconds as the span ending at now (milliseconds
// dropped) that starts that many seconds earlier, so its months follow the
// calendar around now. Negative counts are shown as zero.
std::string SecondsToUptimeHint(std::int64_t seconds, DateTime now, bool shortForm);

// s, then the date of aDate in the locale's short date format and, unless
// omitTime, " - " and the time in its long time format. With html the part
// after s is wrapped in <b> and </b>.
std::string GetTimeHint(const std::string& s, DateTime aDate, bool omitTime, bool html,
                        const LocaleInfo& locale);

}  // namespace brenvik
