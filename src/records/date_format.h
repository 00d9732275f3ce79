// Date-time formatting in the pattern language used throughout the program:
//   d dd ddd dddd       day, two-digit day, short and long day name
//   ddddd dddddd        the short / long date format
//   m mm mmm mmmm       month (minutes when it follows h or hh), names
//   yy yyyy             year
//   h hh n nn s ss      hour, minute, second; z zzz milliseconds
//   t tt                short / long time format; c short date + long time
//   am/pm a/p ampm      12-hour clock markers
//   / :                 the date and time separators
//   "..." '...'         literal text
// AppFormatSettings() is the program's own settings: the locale's with
// "yyyy-mm-dd" dates and "hh:nn:ss" times, giving 2013-04-30 17:05:09.
#pragma once

#include <string>

#include "platform/locale.h"
#include "records/date_time.h"

namespace brenvik {

using FormatSettings = LocaleInfo;

std::string FormatDateTime(const std::string& pattern, DateTime value,
                           const FormatSettings& settings);

// The default date-time form: short date, a space, long time; the time is
// left out when the value is exactly midnight.
std::string DateTimeToString(DateTime value, const FormatSettings& settings);
std::string DateToString(DateTime value, const FormatSettings& settings);
std::string TimeToString(DateTime value, const FormatSettings& settings);

// The locale's settings with the program's overrides applied.
FormatSettings MakeAppFormatSettings(const LocaleInfo& locale);

// Process-wide settings: filled at window creation; until then the defaults
// with the overrides.
const FormatSettings& AppFormatSettings();
void InitAppFormatSettings(const LocaleInfo& locale);

}  // namespace brenvik
