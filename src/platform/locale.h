// The user's locale for showing dates: the short date and long time patterns
// in the pattern language of the date formatter ("dd.mm.yyyy", "hh:nn:ss"),
// the separators, the day and month names, and the first day of the week.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace brenvik {

struct LocaleInfo {
  std::string shortDateFormat = "yyyy-mm-dd";
  std::string longDateFormat = "dddd, d mmmm yyyy";
  std::string shortTimeFormat = "hh:nn";
  std::string longTimeFormat = "hh:nn:ss";
  std::string dateSeparator = "-";
  std::string timeSeparator = ":";
  std::string timeAmString = "AM";
  std::string timePmString = "PM";
  // Index 0 is Sunday.
  std::array<std::string, 7> longDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  // Index 0 is January.
  std::array<std::string, 12> longMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // 0 = Monday ... 6 = Sunday, as the Windows locale value counts.
  int firstDayOfWeek = 0;
};

// <0, 0, >0 as two texts sort for the user.
using TextOrder = std::function<int(const std::string& a, const std::string& b)>;

class Locale {
 public:
  virtual ~Locale() = default;
  virtual LocaleInfo Current() = 0;
  // The system's locale-aware, case-sensitive comparison of two UTF-8 texts
  // (in en_US "ann" before "Bob"); a locale without one compares the bytes.
  virtual int CompareText(const std::string& a, const std::string& b);
  // CompareText as a function object; this locale must outlive it.
  TextOrder Order() {
    return [this](const std::string& a, const std::string& b) { return CompareText(a, b); };
  }
};

}  // namespace brenvik
