#include "records/compiled_date_format.h"

#include <cctype>

#include "records/text_helpers.h"

namespace brenvik {

// Reads a pattern into steps, following the same rules as FormatDateTime:
// nested formats are read in place (three levels at most), "m" after an
// hour is minutes, and the 12-hour clock is chosen when a marker follows.
class CompiledDateFormat::Reader {
 public:
  Reader(const FormatSettings& settings, bool withTime, std::vector<Step>& steps)
      : settings_(settings), withTime_(withTime), steps_(steps) {}

  void Read(const std::string& p, int depth) {
    if (depth > 2) return;  // a locale pattern that names itself
    std::size_t i = 0;
    while (i < p.size()) i = Token(p, i, depth);
  }

 private:
  static char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }

  static std::size_t Run(const std::string& p, std::size_t i) {
    const char c = Lower(p[i]);
    std::size_t n = 0;
    while (i + n < p.size() && Lower(p[i + n]) == c) ++n;
    return n;
  }

  static bool StartsWithNoCase(const std::string& p, std::size_t i, const char* word) {
    for (std::size_t k = 0; word[k]; ++k) {
      if (i + k >= p.size() || Lower(p[i + k]) != word[k]) return false;
    }
    return true;
  }

  static bool UsesAmPm(const std::string& p, std::size_t from) {
    for (std::size_t k = from; k < p.size(); ++k) {
      if (StartsWithNoCase(p, k, "am/pm") || StartsWithNoCase(p, k, "a/p") ||
          StartsWithNoCase(p, k, "ampm")) {
        return true;
      }
    }
    return false;
  }

  void Text(const std::string& text) {
    if (text.empty()) return;
    if (!steps_.empty() && steps_.back().op == Op::Text) {
      steps_.back().text += text;
    } else {
      steps_.push_back({Op::Text, 0, text});
    }
  }
  void Add(Op op, int width = 0) { steps_.push_back({op, width, {}}); }
  static int Width(std::size_t n) { return n >= 2 ? 2 : 1; }

  std::size_t Token(const std::string& p, std::size_t i, int depth) {
    const char c = Lower(p[i]);
    const std::size_t n = Run(p, i);
    switch (c) {
      case '"':
      case '\'': {
        const std::size_t end = p.find(p[i], i + 1);
        Text(p.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1));
        return end == std::string::npos ? p.size() : end + 1;
      }
      case 'y':
        Add(n <= 2 ? Op::Year2 : Op::Year4);
        return i + n;
      case 'm':
        Month(n);
        return i + n;
      case 'd':
        Day(n, depth);
        return i + n;
      case 'h':
        afterHour_ = true;
        Add(UsesAmPm(p, i) ? Op::Hour12 : Op::Hour, Width(n));
        return i + n;
      case 'n':
        Add(Op::Minute, Width(n));
        return i + n;
      case 's':
        Add(Op::Second, Width(n));
        return i + n;
      case 'z':
        Add(Op::Millisecond, n >= 3 ? 3 : 1);
        return i + n;
      case 't':
        Read(n >= 2 ? settings_.longTimeFormat : settings_.shortTimeFormat, depth + 1);
        return i + n;
      case 'c':
        Read(settings_.shortDateFormat, depth + 1);
        if (withTime_) {
          Text(" ");
          Read(settings_.longTimeFormat, depth + 1);
        }
        return i + n;
      case 'a':
        return AmPm(p, i);
      case '/':
        Text(settings_.dateSeparator);
        return i + 1;
      case ':':
        Text(settings_.timeSeparator);
        return i + 1;
      default:
        Text(std::string(1, p[i]));
        afterHour_ = afterHour_ && (c == ' ' || c == ':');
        return i + 1;
    }
  }

  void Month(std::size_t n) {
    if (afterHour_ && n <= 2) {
      Add(Op::Minute, Width(n));
    } else if (n <= 2) {
      Add(Op::Month, Width(n));
    } else {
      Add(n == 3 ? Op::MonthShort : Op::MonthLong);
    }
    afterHour_ = false;
  }

  void Day(std::size_t n, int depth) {
    if (n <= 2) {
      Add(Op::Day, Width(n));
    } else if (n == 3) {
      Add(Op::DayShort);
    } else if (n == 4) {
      Add(Op::DayLong);
    } else {
      Read(n == 5 ? settings_.shortDateFormat : settings_.longDateFormat, depth + 1);
    }
    afterHour_ = false;
  }

  std::size_t AmPm(const std::string& p, std::size_t i) {
    if (StartsWithNoCase(p, i, "am/pm")) {
      Add(Op::AmPmLower);
      return i + 5;
    }
    if (StartsWithNoCase(p, i, "a/p")) {
      Add(Op::AmPmLetter);
      return i + 3;
    }
    if (StartsWithNoCase(p, i, "ampm")) {
      Add(Op::AmPmLocale);
      return i + 4;
    }
    Text(std::string(1, p[i]));
    return i + 1;
  }

  const FormatSettings& settings_;
  bool withTime_;
  std::vector<Step>& steps_;
  bool afterHour_ = false;
};

CompiledDateFormat::CompiledDateFormat(const std::string& pattern, const FormatSettings& settings)
    : settings_(settings) {
  Reader(settings_, true, withTime_).Read(pattern, 0);
  Reader(settings_, false, atMidnight_).Read(pattern, 0);
}

namespace {

// The last `width` digits of a value, zero-padded as PadInt does;
// width 1 writes every digit.
void AppendDigits(std::string& out, int value, int width) {
  if (value < 0) {  // not met with decoded parts; written as FormatDateTime does
    out += width > 1 ? PadInt(value, width, '0') : std::to_string(value);
    return;
  }
  char digits[12];
  int n = 0;
  auto v = static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (width > 1) {
    while (n < width) digits[n++] = '0';
    n = width;
  }
  while (n > 0) out += digits[--n];
}

}  // namespace

void CompiledDateFormat::AppendTo(std::string& out, DateTime value) const {
  const bool midnight = SplitDateTime(value).ms == 0;
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  for (const Step& step : midnight ? atMidnight_ : withTime_) {
    switch (step.op) {
      case Op::Text:
        out += step.text;
        break;
      case Op::Year2:
        AppendDigits(out, date.year % 100, 2);
        break;
      case Op::Year4:
        AppendDigits(out, date.year, 4);
        break;
      case Op::Month:
        AppendDigits(out, date.month, step.width);
        break;
      case Op::MonthShort:
        out += settings_.shortMonthNames[static_cast<std::size_t>(date.month - 1)];
        break;
      case Op::MonthLong:
        out += settings_.longMonthNames[static_cast<std::size_t>(date.month - 1)];
        break;
      case Op::Day:
        AppendDigits(out, date.day, step.width);
        break;
      case Op::DayShort:
        out += settings_.shortDayNames[static_cast<std::size_t>(DayOfWeek(value) - 1)];
        break;
      case Op::DayLong:
        out += settings_.longDayNames[static_cast<std::size_t>(DayOfWeek(value) - 1)];
        break;
      case Op::Hour:
        AppendDigits(out, time.hour, step.width);
        break;
      case Op::Hour12:
        AppendDigits(out, time.hour % 12 == 0 ? 12 : time.hour % 12, step.width);
        break;
      case Op::Minute:
        AppendDigits(out, time.minute, step.width);
        break;
      case Op::Second:
        AppendDigits(out, time.second, step.width);
        break;
      case Op::Millisecond:
        AppendDigits(out, time.millisecond, step.width);
        break;
      case Op::AmPmLower:
        out += time.hour >= 12 ? "pm" : "am";
        break;
      case Op::AmPmLetter:
        out += time.hour >= 12 ? "p" : "a";
        break;
      case Op::AmPmLocale:
        out += time.hour >= 12 ? settings_.timePmString : settings_.timeAmString;
        break;
    }
  }
}

std::string CompiledDateFormat::Format(DateTime value) const {
  std::string out;
  AppendTo(out, value);
  return out;
}

}  // namespace brenvik
