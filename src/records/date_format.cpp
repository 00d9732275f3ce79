#include "records/date_format.h"

#include <cctype>
#include <utility>

#include "records/text_helpers.h"

namespace brenvik {
namespace {

class Formatter {
 public:
  Formatter(DateTime value, const FormatSettings& settings)
      : date_(DecodeDate(value)), time_(DecodeTime(value)), value_(value), settings_(settings) {}

  void Append(const std::string& pattern, int depth) {
    if (depth > 2) return;  // a locale pattern that names itself
    std::size_t i = 0;
    while (i < pattern.size()) i = Token(pattern, i, depth);
  }

  std::string Result() { return std::move(out_); }

 private:
  static std::size_t Run(const std::string& p, std::size_t i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
    std::size_t n = 0;
    while (i + n < p.size() && std::tolower(static_cast<unsigned char>(p[i + n])) == c) ++n;
    return n;
  }

  static bool StartsWithNoCase(const std::string& p, std::size_t i, const char* word) {
    for (std::size_t k = 0; word[k]; ++k) {
      if (i + k >= p.size() || std::tolower(static_cast<unsigned char>(p[i + k])) != word[k]) {
        return false;
      }
    }
    return true;
  }

  int Hour12() const {
    const int h = time_.hour % 12;
    return h == 0 ? 12 : h;
  }

  std::size_t Token(const std::string& p, std::size_t i, int depth) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
    const std::size_t n = Run(p, i);
    switch (c) {
      case '"':
      case '\'': {
        const std::size_t end = p.find(p[i], i + 1);
        out_ += p.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
        return end == std::string::npos ? p.size() : end + 1;
      }
      case 'y':
        out_ += n <= 2 ? PadInt(date_.year % 100, 2, '0') : PadInt(date_.year, 4, '0');
        return i + n;
      case 'm':
        Month(n);
        return i + n;
      case 'd':
        Day(n, depth);
        return i + n;
      case 'h':
        afterHour_ = true;
        out_ += Number(useAmPm(p, i) ? Hour12() : time_.hour, n);
        return i + n;
      case 'n':
        out_ += Number(time_.minute, n);
        return i + n;
      case 's':
        out_ += Number(time_.second, n);
        return i + n;
      case 'z':
        out_ += n >= 3 ? PadInt(time_.millisecond, 3, '0') : std::to_string(time_.millisecond);
        return i + n;
      case 't':
        Append(n >= 2 ? settings_.longTimeFormat : settings_.shortTimeFormat, depth + 1);
        return i + n;
      case 'c':
        Append(settings_.shortDateFormat, depth + 1);
        if (SplitDateTime(value_).ms != 0) {
          out_ += ' ';
          Append(settings_.longTimeFormat, depth + 1);
        }
        return i + n;
      case 'a':
        return AmPm(p, i);
      case '/':
        out_ += settings_.dateSeparator;
        return i + 1;
      case ':':
        out_ += settings_.timeSeparator;
        return i + 1;
      default:
        out_ += p[i];
        afterHour_ = afterHour_ && (c == ' ' || c == ':');
        return i + 1;
    }
  }

  static std::string Number(int value, std::size_t digits) {
    return digits >= 2 ? PadInt(value, 2, '0') : std::to_string(value);
  }

  void Month(std::size_t n) {
    if (afterHour_ && n <= 2) {
      out_ += Number(time_.minute, n);
    } else if (n <= 2) {
      out_ += Number(date_.month, n);
    } else if (n == 3) {
      out_ += settings_.shortMonthNames[static_cast<std::size_t>(date_.month - 1)];
    } else {
      out_ += settings_.longMonthNames[static_cast<std::size_t>(date_.month - 1)];
    }
    afterHour_ = false;
  }

  void Day(std::size_t n, int depth) {
    const auto weekday = static_cast<std::size_t>(DayOfWeek(value_) - 1);
    if (n <= 2) {
      out_ += Number(date_.day, n);
    } else if (n == 3) {
      out_ += settings_.shortDayNames[weekday];
    } else if (n == 4) {
      out_ += settings_.longDayNames[weekday];
    } else if (n == 5) {
      Append(settings_.shortDateFormat, depth + 1);
    } else {
      Append(settings_.longDateFormat, depth + 1);
    }
    afterHour_ = false;
  }

  static bool useAmPm(const std::string& p, std::size_t from) {
    for (std::size_t k = from; k < p.size(); ++k) {
      if (StartsWithNoCase(p, k, "am/pm") || StartsWithNoCase(p, k, "a/p") ||
          StartsWithNoCase(p, k, "ampm")) {
        return true;
      }
    }
    return false;
  }

  std::size_t AmPm(const std::string& p, std::size_t i) {
    const bool pm = time_.hour >= 12;
    if (StartsWithNoCase(p, i, "am/pm")) {
      out_ += pm ? "pm" : "am";
      return i + 5;
    }
    if (StartsWithNoCase(p, i, "a/p")) {
      out_ += pm ? "p" : "a";
      return i + 3;
    }
    if (StartsWithNoCase(p, i, "ampm")) {
      out_ += pm ? settings_.timePmString : settings_.timeAmString;
      return i + 4;
    }
    out_ += p[i];
    return i + 1;
  }

  DateParts date_;
  TimeParts time_;
  DateTime value_;
  const FormatSettings& settings_;
  std::string out_;
  bool afterHour_ = false;
};

FormatSettings& ProcessAppSettings() {
  static FormatSettings settings = MakeAppFormatSettings(LocaleInfo{});
  return settings;
}

}  // namespace

std::string FormatDateTime(const std::string& pattern, DateTime value,
                           const FormatSettings& settings) {
  Formatter formatter(value, settings);
  formatter.Append(pattern, 0);
  return formatter.Result();
}

std::string DateTimeToString(DateTime value, const FormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

std::string DateToString(DateTime value, const FormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}

std::string TimeToString(DateTime value, const FormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}

FormatSettings MakeAppFormatSettings(const LocaleInfo& locale) {
  FormatSettings settings = locale;
  settings.dateSeparator = "-";
  settings.timeSeparator = ":";
  settings.shortDateFormat = "yyyy-mm-dd";
  settings.longDateFormat = "yyyy-mm-dd";
  settings.shortTimeFormat = "hh:nn:ss";
  settings.longTimeFormat = "hh:nn:ss";
  return settings;
}

const FormatSettings& AppFormatSettings() { return ProcessAppSettings(); }

void InitAppFormatSettings(const LocaleInfo& locale) {
  ProcessAppSettings() = MakeAppFormatSettings(locale);
}

}  // namespace brenvik
