#include "records/compiled_date_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace brenvik {
namespace {

// Values that reach every branch of the formats: midnight (the short date
// alone), the first and last millisecond of a day, noon and the hours around
// it (12-hour clock), one-digit days, months and hours, leap days, the
// nights when clocks go forward and back in Europe and America (a date-time
// here is local wall time: those hours are ordinary values), the oldest and
// the newest years, and random values across four centuries.
std::vector<DateTime> Values() {
  std::vector<DateTime> values = {
      EncodeDate(2013, 4, 30),
      EncodeDateTime(2013, 4, 3, 0, 0, 0, 1),
      EncodeDateTime(1999, 12, 31, 23, 59, 59, 999),
      EncodeDateTime(2020, 2, 29, 12, 0, 0),
      EncodeDateTime(2020, 2, 29, 11, 59, 59),
      EncodeDateTime(2021, 1, 1, 0, 0, 5),
      EncodeDateTime(2024, 3, 31, 2, 30, 0),   // Europe, clocks forward
      EncodeDateTime(2024, 10, 27, 2, 30, 0),  // Europe, clocks back
      EncodeDateTime(2024, 3, 10, 2, 15, 7),   // America, clocks forward
      EncodeDateTime(2024, 11, 3, 1, 45, 0),   // America, clocks back
      EncodeDateTime(1, 1, 1, 5, 6, 7, 8),
      EncodeDateTime(9999, 12, 31, 23, 59, 59),
      EncodeDateTime(1899, 12, 29, 6, 0, 0),  // before the origin
  };
  std::mt19937 random(24);
  std::uniform_real_distribution<double> days(-100.0 * 365, 300.0 * 365);
  for (int i = 0; i < 2000; ++i) values.push_back(days(random));
  for (int i = 0; i < 200; ++i) values.push_back(std::floor(days(random)));  // midnights
  return values;
}

FormatSettings German() {
  FormatSettings s;
  s.shortDateFormat = "dd.mm.yyyy";
  s.longDateFormat = "dddd, d. mmmm yyyy";
  s.dateSeparator = ".";
  s.longTimeFormat = "hh:nn:ss";
  s.shortTimeFormat = "hh:nn";
  s.longMonthNames[2] = "März";  // names that are not ASCII
  s.longDayNames[0] = "Sonntag";
  return s;
}

FormatSettings American() {
  FormatSettings s;
  s.shortDateFormat = "m/d/yyyy";
  s.longDateFormat = "dddd, mmmm d, yyyy";
  s.dateSeparator = "/";
  s.longTimeFormat = "h:nn:ss ampm";
  s.shortTimeFormat = "h:nn am/pm";
  s.timeAmString = "vorm.";
  s.timePmString = "nachm.";
  return s;
}

// Locale patterns that lean on the rarer rules: quoted text, a/p, "m"
// after an hour, a pattern that names the long date in the short one, and
// one that names itself.
FormatSettings Odd() {
  FormatSettings s;
  s.shortDateFormat = "'Tag' d/m/yy (ddd) dddddd";
  s.longDateFormat = "dddddd mmm";
  s.dateSeparator = "-";
  s.timeSeparator = "h";
  s.longTimeFormat = "h:m:s a/p \"Uhr\" zzz";
  s.shortTimeFormat = "hh mm z";
  return s;
}

TEST(CompiledDateFormat, WritesWhatFormatDateTimeWritesForEveryPatternAndValue) {
  const std::vector<std::string> patterns = {"c",
                                             "t",
                                             "tt",
                                             "ddddd",
                                             "dddddd",
                                             "yyyy-mm-dd hh:nn:ss",
                                             "yymmddhhnnss.zzz",
                                             "dddd d mmmm yy",
                                             "ddd mmm",
                                             "\"at\" h:mm",
                                             "h:mm am/pm",
                                             "hh 'o''clock' AMPM x",
                                             "d/m/y h:n:s.z",
                                             "hh m ss mm",
                                             "ampm a/p am/pm a",
                                             "c t",
                                             "yyyyy mmmmm",
                                             "\"unclosed"};
  const std::vector<DateTime> values = Values();
  for (const FormatSettings& settings :
       {MakeAppFormatSettings(LocaleInfo{}), German(), American(), Odd()}) {
    for (const std::string& pattern : patterns) {
      const CompiledDateFormat compiled(pattern, settings);
      for (DateTime value : values) {
        ASSERT_EQ(compiled.Format(value), FormatDateTime(pattern, value, settings))
            << "pattern " << pattern << ", short date " << settings.shortDateFormat << ", value "
            << value;
      }
    }
  }
}

TEST(CompiledDateFormat, AppendsToWhatTheBufferHolds) {
  const CompiledDateFormat format("c", MakeAppFormatSettings(LocaleInfo{}));
  std::string out = "\"";
  format.AppendTo(out, EncodeDateTime(2013, 4, 30, 17, 5, 9));
  format.AppendTo(out, EncodeDate(2013, 5, 1));
  EXPECT_EQ(out, "\"2013-04-30 17:05:092013-05-01");
}

}  // namespace
}  // namespace brenvik
