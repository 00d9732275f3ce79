#include "cli/cli_daily.h"

#include <algorithm>
#include <cstdio>

#include "datastore/startup/tables.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "reports/daily/history_runs.h"
#include "reports/date_ranges.h"

namespace brenvik::cli {
namespace {

constexpr const char* kCrLf = "\r\n";

std::int64_t DayOf(DateTime moment) { return SplitDateTime(DropMilliseconds(moment)).day; }

std::string HoursMinutesSeconds(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

// The time of a moment within its day; the midnight that ends the day is 24:00:00.
std::string TimeWithinDay(DateTime moment, std::int64_t day) {
  const std::int64_t ms = ToLinearMs(moment) - day * kMsPerDay;
  return HoursMinutesSeconds(ms / 1000);
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

struct Line {
  std::string date, firstOn, lastOff, uptime, active, idle, boots, crashes;
};

Line DayLine(const DayFigures& day, const LocaleInfo& locale) {
  Line line;
  line.date = DateToString(ComposeDateTime(day.day, 0), locale);
  line.firstOn = line.lastOff = "-";
  if (day.firstOn) line.firstOn = TimeWithinDay(*day.firstOn, day.day);
  if (day.lastOff) line.lastOff = day.running ? "running" : TimeWithinDay(*day.lastOff, day.day);
  line.uptime = HoursMinutesSeconds(day.uptimeSeconds);
  line.active = HoursMinutesSeconds(day.activeSeconds);
  line.idle = HoursMinutesSeconds(day.idleSeconds);
  line.boots = std::to_string(day.boots);
  line.crashes = std::to_string(day.crashes);
  return line;
}

Line TotalLine(const PeriodFigures& total) {
  return Line{"Total",
              "",
              "",
              HoursMinutesSeconds(total.uptimeSeconds),
              HoursMinutesSeconds(total.activeSeconds),
              HoursMinutesSeconds(total.idleSeconds),
              std::to_string(total.boots),
              std::to_string(total.crashes)};
}

std::string Title(const std::vector<DayFigures>& days, const LocaleInfo& locale) {
  if (days.empty()) return "Day-by-day report: no days";
  return "Day-by-day report: " + DateToString(ComposeDateTime(days.front().day, 0), locale) +
         " - " + DateToString(ComposeDateTime(days.back().day, 0), locale);
}

std::string Table(const std::vector<Line>& lines) {
  std::size_t dateWidth = 0, durationWidth = 0;
  for (const Line& l : lines) {
    dateWidth = std::max(dateWidth, l.date.size());
    durationWidth = std::max({durationWidth, l.uptime.size(), l.active.size(), l.idle.size()});
  }
  dateWidth += 2;
  durationWidth += 2;
  std::string text;
  for (const Line& l : lines) {
    std::string row = Padded(l.date, dateWidth) + Padded(l.firstOn, 10) + Padded(l.lastOff, 10) +
                      Padded(l.uptime, durationWidth) + Padded(l.active, durationWidth) +
                      Padded(l.idle, durationWidth) + Padded(l.boots, 7) + l.crashes;
    text += row.substr(0, row.find_last_not_of(' ') + 1) + kCrLf;
  }
  return text;
}

}  // namespace

DayRange DailyDays(const TimeOptions& time, const std::vector<RunSpan>& runs, DateTime now,
                   int firstDayOfWeek) {
  const std::int64_t today = DayOf(now);
  if (time.period) {
    const PeriodBounds bounds =
        GetPeriodBounds(static_cast<ReportPeriod>(*time.period), now, firstDayOfWeek);
    return DayRange{DayOf(bounds.first), std::min(DayOf(bounds.last), today)};
  }
  // No day after today: later days hold no run, and a damaged row far in
  // the future must not make the report millions of days long.
  const DayRange ofRuns = DaysOfRuns(runs);
  if (!time.after && !time.before) return DayRange{ofRuns.first, std::min(ofRuns.last, today)};
  DayRange range{ofRuns.Empty() ? today : ofRuns.first, today};
  if (time.after) range.first = DayOf(*time.after);
  if (time.before) {
    const bool atMidnight = CompareMoments(*time.before, DateOnly(*time.before)) == 0;
    range.last = std::min(DayOf(*time.before) - (atMidnight ? 1 : 0), today);
  }
  return range;
}

std::string DailyReportText(const std::vector<DayFigures>& days, const LocaleInfo& locale) {
  std::vector<Line> lines{
      {"Date", "First on", "Last off", "Uptime", "Active", "Idle", "Boots", "Crashes"}};
  for (const DayFigures& day : days) lines.push_back(DayLine(day, locale));
  lines.push_back(TotalLine(SumDays(days)));
  return Title(days, locale) + kCrLf + kCrLf + Table(lines);
}

namespace {

// DayFigures and PeriodFigures share these members.
template <typename Figures>
Json FiguresJson(const Figures& f, Clock& clock) {
  Json json;
  json["first_on"] =
      f.firstOn ? IsoMomentInOffsetOf(*f.firstOn, f.firstOnRunStart, clock) : Json(nullptr);
  json["last_off"] = f.lastOff && !f.running
                         ? IsoMomentInOffsetOf(*f.lastOff, f.lastOffRunStart, clock)
                         : Json(nullptr);
  json["running"] = f.running;
  json["uptime_seconds"] = f.uptimeSeconds;
  json["active_seconds"] = f.activeSeconds;
  json["idle_seconds"] = f.idleSeconds;
  json["boots"] = f.boots;
  json["crashes"] = f.crashes;
  return json;
}

}  // namespace

Json DailyJson(const std::vector<DayFigures>& days, DateTime now, Clock& clock) {
  Json doc = JsonDocument("daily", now, clock);
  Json list = Json::array();
  for (const DayFigures& d : days) {
    Json day = {{"date", IsoDate(d.day)}};
    day.update(FiguresJson(d, clock));
    list.push_back(std::move(day));
  }
  const PeriodFigures t = SumDays(days);
  Json total = {{"first_date", days.empty() ? Json(nullptr) : Json(IsoDate(t.firstDay))},
                {"last_date", days.empty() ? Json(nullptr) : Json(IsoDate(t.lastDay))}};
  total.update(FiguresJson(t, clock));
  doc["days"] = std::move(list);
  doc["total"] = std::move(total);
  return doc;
}

void RunDaily(Session& session, const DailyOptions& options, OutputFormat format,
              std::ostream& out) {
  Cursor history(session.tables().DataSetHistory);
  std::vector<RunSpan> runs = ReadRunSpans(history, RunKinds::WindowsOnly);
  // A row without a start (null, or before 1900) has no place among the days.
  std::erase_if(runs, [](const RunSpan& run) { return run.start <= NullDate; });
  const DateTime now = NowWholeSeconds(session.clock());
  const DayRange range = DailyDays(options.time, runs, now, session.locale().firstDayOfWeek);
  const std::vector<DayFigures> days = BuildDayFigures(runs, range);
  if (format == OutputFormat::Json)
    out << DumpJson(DailyJson(days, now, session.clock()));
  else
    out << DailyReportText(days, session.locale());
}

}  // namespace brenvik::cli
