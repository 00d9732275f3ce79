#include "platform/win32/win32_locale.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

// Characters that mean something to the formatter when they stand unquoted.
bool NeedsQuotes(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '"' || c == '\'';
}

// Literal text in quotes the formatter keeps as it is.
std::string Quoted(const std::string& text) {
  if (text.empty()) return {};
  if (text.find('"') == std::string::npos) return "\"" + text + "\"";
  if (text.find('\'') == std::string::npos) return "'" + text + "'";
  std::string out;
  for (char c : text) out += c == '"' ? std::string("'\"'") : "\"" + std::string(1, c) + "\"";
  return out;
}

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

// The pattern of a run of n equal picture letters; known is false for
// letters that are no field of a picture.
std::string Field(char letter, std::size_t n, bool& known) {
  known = true;
  switch (letter) {
    case 'd':
      return Repeat('d', n > 4 ? 4 : n);
    case 'M':
      return Repeat('m', n > 4 ? 4 : n);
    case 'y':
      return n <= 2 ? "yy" : "yyyy";
    case 'g':
      return {};
    case 'h':
    case 'H':
      return Repeat('h', n > 2 ? 2 : n);
    case 'm':
      return Repeat('n', n > 2 ? 2 : n);
    case 's':
      return Repeat('s', n > 2 ? 2 : n);
    case 't':
      return "ampm";
    default:
      known = false;
      return {};
  }
}

std::string Info(LCTYPE type, const std::string& fallback) {
  wchar_t buffer[256];
  const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 256);
  if (length <= 1) return fallback;
  return WideToUtf8(buffer, static_cast<std::size_t>(length - 1));
}

}  // namespace

std::string WindowsPictureToPattern(const std::string& picture) {
  std::string pattern;
  std::string literal;  // unquoted literal text waiting to be written
  auto flush = [&] {
    pattern += literal;
    literal.clear();
  };
  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      std::string text;
      for (++i; i < picture.size(); ++i) {
        if (picture[i] != '\'') {
          text += picture[i];
        } else if (i + 1 < picture.size() && picture[i + 1] == '\'') {
          text += '\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      flush();
      pattern += Quoted(text);
      continue;
    }
    std::size_t n = 1;
    while (i + n < picture.size() && picture[i + n] == c) ++n;
    bool known = false;
    const std::string field = Field(c, n, known);
    if (known) {
      flush();
      pattern += field;
    } else if (NeedsQuotes(c)) {
      flush();
      pattern += Quoted(picture.substr(i, n));
    } else {
      literal += picture.substr(i, n);
    }
    i += n;
  }
  flush();
  return pattern;
}

LocaleInfo Win32Locale::Current() {
  LocaleInfo info;
  info.shortDateFormat = WindowsPictureToPattern(Info(LOCALE_SSHORTDATE, "yyyy-MM-dd"));
  info.longDateFormat = WindowsPictureToPattern(Info(LOCALE_SLONGDATE, "dddd, d MMMM yyyy"));
  info.longTimeFormat = WindowsPictureToPattern(Info(LOCALE_STIMEFORMAT, "HH:mm:ss"));
  info.shortTimeFormat = WindowsPictureToPattern(Info(LOCALE_SSHORTTIME, "HH:mm"));
  info.dateSeparator = Info(LOCALE_SDATE, info.dateSeparator);
  info.timeSeparator = Info(LOCALE_STIME, info.timeSeparator);
  info.timeAmString = Info(LOCALE_S1159, info.timeAmString);
  info.timePmString = Info(LOCALE_S2359, info.timePmString);
  // The locale counts days from Monday (DAYNAME1); the settings from Sunday.
  for (int d = 0; d < 7; ++d) {
    const auto at = static_cast<std::size_t>((d + 1) % 7);
    info.longDayNames[at] = Info(LOCALE_SDAYNAME1 + d, info.longDayNames[at]);
    info.shortDayNames[at] = Info(LOCALE_SABBREVDAYNAME1 + d, info.shortDayNames[at]);
  }
  for (int m = 0; m < 12; ++m) {
    const auto at = static_cast<std::size_t>(m);
    info.longMonthNames[at] = Info(LOCALE_SMONTHNAME1 + m, info.longMonthNames[at]);
    info.shortMonthNames[at] = Info(LOCALE_SABBREVMONTHNAME1 + m, info.shortMonthNames[at]);
  }
  const std::string first = Info(LOCALE_IFIRSTDAYOFWEEK, "0");
  info.firstDayOfWeek =
      first.size() == 1 && first[0] >= '0' && first[0] <= '6' ? first[0] - '0' : 0;
  return info;
}

int Win32Locale::CompareText(const std::string& a, const std::string& b) {
  const std::wstring wa = Utf8ToWide(a);
  const std::wstring wb = Utf8ToWide(b);
  const int result = CompareStringW(LOCALE_USER_DEFAULT, 0, wa.c_str(), static_cast<int>(wa.size()),
                                    wb.c_str(), static_cast<int>(wb.size()));
  if (result == 0) return Locale::CompareText(a, b);
  return result - CSTR_EQUAL;  // CSTR_LESS_THAN, CSTR_EQUAL, CSTR_GREATER_THAN are 1, 2, 3
}

}  // namespace brenvik
