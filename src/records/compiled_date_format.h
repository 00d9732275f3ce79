// A date-time pattern read once into a list of steps, for writers that put
// many values in one form (the exports write two date-times a row): each
// value is then written straight into the caller's buffer, with no pattern
// parsing and no temporary strings. The text is the one FormatDateTime
// gives for the same pattern and settings (date_format.h has the language).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/date_format.h"

namespace brenvik {

class CompiledDateFormat {
 public:
  CompiledDateFormat(const std::string& pattern, const FormatSettings& settings);

  // Appends the text of value to out.
  void AppendTo(std::string& out, DateTime value) const;
  std::string Format(DateTime value) const;

 private:
  enum class Op : std::uint8_t {
    Text,         // literal text
    Year2,        // yy
    Year4,        // yyyy
    Month,        // m (width 1) or mm (width 2)
    MonthShort,   // mmm
    MonthLong,    // mmmm
    Day,          // d, dd
    DayShort,     // ddd
    DayLong,      // dddd
    Hour,         // h, hh
    Hour12,       // h, hh with a 12-hour marker later in the pattern
    Minute,       // n, nn, and m, mm after an hour
    Second,       // s, ss
    Millisecond,  // z (width 1), zzz (width 3)
    AmPmLower,    // am/pm
    AmPmLetter,   // a/p
    AmPmLocale,   // ampm
  };
  struct Step {
    Op op = Op::Text;
    int width = 0;
    std::string text;
  };
  class Reader;

  // The short date with the time ("c" shows the time only when the value
  // is not exactly midnight, so the pattern is read once for each case).
  std::vector<Step> withTime_;
  std::vector<Step> atMidnight_;
  FormatSettings settings_;
};

}  // namespace brenvik
