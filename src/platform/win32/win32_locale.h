// The user's locale on Windows (GetLocaleInfoW of the user default locale):
// the Windows date and time pictures ("dd.MM.yyyy", "HH:mm:ss", "h:mm:ss tt")
// are translated into the pattern language of the date formatter
// ("dd.mm.yyyy", "hh:nn:ss", "h:nn:ss ampm"); names, separators and the first
// day of the week (LOCALE_IFIRSTDAYOFWEEK, 0 = Monday) come as the locale
// gives them.
#pragma once

#include <string>

#include "platform/locale.h"

namespace brenvik {

class Win32Locale : public Locale {
 public:
  LocaleInfo Current() override;
  // CompareStringW of the user default locale.
  int CompareText(const std::string& a, const std::string& b) override;
};

// A Windows date or time picture in the formatter's pattern language: d and
// M for day and month, y for the year (one or two letters: two digits), h and
// H for the hour, m for minutes, s, t and tt for the AM/PM marker, text in
// single quotes ('' is a quote); the era (g) is left out, other letters are
// kept as literal text.
std::string WindowsPictureToPattern(const std::string& picture);

}  // namespace brenvik
