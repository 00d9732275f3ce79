#include "platform/posix/posix_locale.h"

#include <langinfo.h>
#include <locale.h>
#include <string.h>

namespace brenvik {
namespace {

// The locale's first day of the week, 0 = Monday. glibc names it as a count
// from the week's base day (1 = the base day), and the base day as a date:
// 19971130 (a Sunday, the usual one) or 19971201 (a Monday). Its items are
// enumerators, not macros, so the C library is tested instead.
int FirstDayOfWeek(locale_t loc, int fallback) {
#ifdef __GLIBC__
  const int first = static_cast<unsigned char>(nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, loc)[0]);
  if (first < 1 || first > 7) return fallback;
  union {
    const char* string;
    unsigned int word;
  } base{};
  base.string = nl_langinfo_l(_NL_TIME_WEEK_1STDAY, loc);
  const int baseSunday0 = base.word == 19971201u ? 1 : 0;  // 0 = Sunday
  const int sunday0 = (baseSunday0 + first - 1) % 7;
  return (sunday0 + 6) % 7;
#else
  (void)loc;
  return fallback;
#endif
}

// The pattern of one conversion, or nothing for conversions we leave out.
std::string Conversion(char c, bool& known) {
  known = true;
  switch (c) {
    case 'd':
      return "dd";
    case 'e':
      return "d";
    case 'm':
      return "mm";
    case 'y':
      return "yy";
    case 'Y':
      return "yyyy";
    case 'b':
    case 'h':
      return "mmm";
    case 'B':
      return "mmmm";
    case 'a':
      return "ddd";
    case 'A':
      return "dddd";
    case 'H':
    case 'I':
      return "hh";
    case 'k':
    case 'l':
      return "h";
    case 'M':
      return "nn";
    case 'S':
      return "ss";
    case 'p':
      return "ampm";
    case 'D':
      return "mm/dd/yy";
    case 'F':
      return "yyyy-mm-dd";
    case 'T':
      return "hh:nn:ss";
    case 'R':
      return "hh:nn";
    case 'r':
      return "hh:nn:ss ampm";
    default:
      known = false;
      return {};
  }
}

std::string Quote(char c) {
  if (c == '/' || c == ':' || c == ' ' || c == '.' || c == '-' || c == ',')
    return std::string(1, c);
  return std::string("\"") + c + "\"";
}

std::string LangInfo(locale_t loc, nl_item item, const char* fallback) {
  const char* value = loc ? nl_langinfo_l(item, loc) : nullptr;
  return value && *value ? value : fallback;
}

}  // namespace

std::string StrftimeToPattern(const std::string& format, std::string& separator) {
  std::string pattern;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      if (separator.empty() && format[i] != ' ') separator = std::string(1, format[i]);
      // Separators go in as themselves, except the formatter's own / and :,
      // which would be replaced by the locale's separator anyway.
      pattern += Quote(format[i]);
      continue;
    }
    ++i;
    while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' ||
                                 format[i] == 'E' || format[i] == 'O')) {
      ++i;
    }
    if (i >= format.size()) break;
    bool known = false;
    pattern += Conversion(format[i], known);
  }
  return pattern;
}

LocaleInfo PosixLocale::Current() {
  LocaleInfo info;
  locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (!loc) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  std::string dateSeparator;
  info.shortDateFormat = StrftimeToPattern(LangInfo(loc, D_FMT, "%m/%d/%y"), dateSeparator);
  if (!dateSeparator.empty()) info.dateSeparator = dateSeparator;
  std::string timeSeparator;
  info.longTimeFormat = StrftimeToPattern(LangInfo(loc, T_FMT, "%H:%M:%S"), timeSeparator);
  if (!timeSeparator.empty()) info.timeSeparator = timeSeparator;
  std::string unused;
  info.shortTimeFormat = "hh" + info.timeSeparator + "nn";
  info.longDateFormat = StrftimeToPattern(LangInfo(loc, D_T_FMT, "%a %b %e %H:%M:%S %Y"), unused);
  info.timeAmString = LangInfo(loc, AM_STR, "AM");
  info.timePmString = LangInfo(loc, PM_STR, "PM");
  for (int d = 0; d < 7; ++d) {
    info.longDayNames[static_cast<std::size_t>(d)] =
        LangInfo(loc, static_cast<nl_item>(DAY_1 + d),
                 info.longDayNames[static_cast<std::size_t>(d)].c_str());
    info.shortDayNames[static_cast<std::size_t>(d)] =
        LangInfo(loc, static_cast<nl_item>(ABDAY_1 + d),
                 info.shortDayNames[static_cast<std::size_t>(d)].c_str());
  }
  for (int m = 0; m < 12; ++m) {
    info.longMonthNames[static_cast<std::size_t>(m)] =
        LangInfo(loc, static_cast<nl_item>(MON_1 + m),
                 info.longMonthNames[static_cast<std::size_t>(m)].c_str());
    info.shortMonthNames[static_cast<std::size_t>(m)] =
        LangInfo(loc, static_cast<nl_item>(ABMON_1 + m),
                 info.shortMonthNames[static_cast<std::size_t>(m)].c_str());
  }
  if (loc) info.firstDayOfWeek = FirstDayOfWeek(loc, info.firstDayOfWeek);
  if (loc) freelocale(loc);
  return info;
}

int PosixLocale::CompareText(const std::string& a, const std::string& b) {
  locale_t loc = newlocale(LC_COLLATE_MASK, "", static_cast<locale_t>(nullptr));
  if (!loc) return Locale::CompareText(a, b);
  const int order = strcoll_l(a.c_str(), b.c_str(), loc);
  freelocale(loc);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace brenvik
