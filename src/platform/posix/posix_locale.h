// The user's locale on Linux, from the process environment's LC_TIME
// (nl_langinfo): the strftime date and time formats are translated into the
// pattern language of the date formatter.
#pragma once

#include <string>

#include "platform/locale.h"

namespace brenvik {

class PosixLocale : public Locale {
 public:
  LocaleInfo Current() override;
  // strcoll of the environment's LC_COLLATE.
  int CompareText(const std::string& a, const std::string& b) override;
};

// "%d.%m.%Y" -> "dd.mm.yyyy", "%H:%M:%S" -> "hh:nn:ss", "%I:%M:%S %p" ->
// "hh:nn:ss ampm"; the first separator found is reported in separator.
std::string StrftimeToPattern(const std::string& format, std::string& separator);

}  // namespace brenvik
