#include "reports/chart/history_chart.h"

#include <algorithm>
#include <cmath>

#include "datastore/startup/tables.h"
#include "records/date_format.h"
#include "reports/chart/report_timeline.h"
#include "statistics/uptime_hint.h"

namespace brenvik {
namespace {

std::string IsoDate(DateTime at) { return FormatDateTime("yyyy-mm-dd", at, LocaleInfo{}); }
std::string IsoMoment(DateTime at) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss", at, LocaleInfo{});
}

std::string BucketName(const PeriodFigures& bucket, BucketSize size, const LocaleInfo& locale) {
  const DateTime from = BucketFrom(bucket);
  switch (size) {
    case BucketSize::Day:
      return FormatDateTime("dddd", from, locale) + " " + IsoDate(from);
    case BucketSize::Week:
      return "Week " + IsoDate(from) + " to " + IsoDate(BucketTo(bucket) - 1);
    case BucketSize::Month:
      return FormatDateTime("mmmm yyyy", from, locale);
  }
  return IsoDate(from);
}

// The moment of a switch-on or -off: its time within a day, else the date too.
std::string MomentText(DateTime at, BucketSize size, const LocaleInfo& locale) {
  return size == BucketSize::Day ? TimeToString(at, locale) : DateTimeToString(at, locale);
}

}  // namespace

std::vector<RunSpan> ReportRunSpans(Cursor& report) {
  const TableStore& rows = report.Rows();
  // Program runs are kept only until the first run of the computer turns up.
  std::vector<RunSpan> windows;
  std::vector<RunSpan> programs;
  report.ForEachViewRow([&](std::size_t row) {
    if (rows.IsNull(row, history::kDateTimeStart) || rows.IsNull(row, history::kDateTimeEnd))
      return;
    const bool isWindows = rows.BooleanAt(row, history::kIsWindows);
    if (!isWindows && !windows.empty()) return;
    RunSpan run;
    run.start = rows.DateTimeAt(row, history::kDateTimeStart);
    run.end = rows.DateTimeAt(row, history::kDateTimeEnd);
    run.idleSeconds = rows.LargeintAt(row, history::kIdleSeconds);
    run.activeSeconds = rows.LargeintAt(row, history::kActiveSeconds);
    run.isWindows = isWindows;
    run.closedOk = rows.BooleanAt(row, history::kClosedOk);
    run.running = rows.BooleanAt(row, history::kRecIncomplete);
    if (isWindows && windows.empty()) std::vector<RunSpan>().swap(programs);
    (isWindows ? windows : programs).push_back(run);
  });
  return windows.empty() ? programs : windows;
}

HistoryChartData BuildHistoryChartData(Cursor& report, int firstDayOfWeek, BucketSize size) {
  const std::vector<RunSpan> runs = ReportRunSpans(report);
  HistoryChartData data;
  data.size = size;
  data.buckets = BucketDays(BuildDayFigures(runs, DaysOfRuns(runs)), size, firstDayOfWeek);
  return data;
}

HistoryChartData BuildHistoryChartData(Cursor& report, int firstDayOfWeek) {
  const std::vector<RunSpan> runs = ReportRunSpans(report);
  const DayRange range = DaysOfRuns(runs);
  HistoryChartData data;
  data.size = BucketSizeFor(range);
  data.buckets = BucketDays(BuildDayFigures(runs, range), data.size, firstDayOfWeek);
  return data;
}

DateTime BucketFrom(const PeriodFigures& bucket) { return ComposeDateTime(bucket.firstDay, 0); }
DateTime BucketTo(const PeriodFigures& bucket) { return ComposeDateTime(bucket.lastDay + 1, 0); }

std::string BucketLabel(const PeriodFigures& bucket, BucketSize size) {
  const std::string date = IsoDate(BucketFrom(bucket));
  return size == BucketSize::Month ? date.substr(0, 7) : date;
}

std::string BucketHover(const PeriodFigures& bucket, BucketSize size, const LocaleInfo& locale,
                        DateTime now) {
  const auto duration = [&](std::int64_t s) { return SecondsToUptimeHint(s, now, true); };
  std::string text = BucketName(bucket, size, locale);
  if (bucket.firstOn) text += "\nFirst on: " + MomentText(*bucket.firstOn, size, locale);
  if (bucket.running) {
    text += "\nLast off: running";
  } else if (bucket.lastOff) {
    text += "\nLast off: " + MomentText(*bucket.lastOff, size, locale);
  }
  text += "\nUptime: " + duration(bucket.uptimeSeconds) +
          "\nActive: " + duration(bucket.activeSeconds) + "\nIdle: " + duration(bucket.idleSeconds);
  text +=
      "\nBoots: " + std::to_string(bucket.boots) + "\nCrashes: " + std::to_string(bucket.crashes);
  return text;
}

BarChartInput HistoryBarsInput(const HistoryChartData& data, int selected, const LocaleInfo& locale,
                               DateTime now) {
  static const char* titles[] = {"Uptime per day", "Uptime per week", "Uptime per month"};
  BarChartInput input;
  input.title = titles[static_cast<int>(data.size)];
  input.selected = selected;
  input.emptyMessage = kEmptyChartMessage;
  input.bars.reserve(data.buckets.size());
  for (const PeriodFigures& bucket : data.buckets) {
    input.bars.push_back({BucketLabel(bucket, data.size), bucket.uptimeSeconds,
                          bucket.activeSeconds, bucket.idleSeconds, bucket.crashes,
                          BucketHover(bucket, data.size, locale, now)});
  }
  return input;
}

ChartPicture HistoryChartPicture(Cursor& report, const HistoryChartData& data, int selected,
                                 double width, const LocaleInfo& locale, DateTime now,
                                 bool beside) {
  const bool shown = selected >= 0 && selected < static_cast<int>(data.buckets.size());
  const double barsWidth = beside && shown ? std::floor(width * 0.6) : width;
  ChartPicture picture = LayOutBars(HistoryBarsInput(data, selected, locale, now), barsWidth,
                                    beside ? kHistoryBarsHeightBeside : kHistoryBarsHeight);
  if (!shown) return picture;
  const PeriodFigures& bucket = data.buckets[static_cast<std::size_t>(selected)];
  TimelineInput timeline =
      ReportTimeline(report, BucketFrom(bucket), BucketTo(bucket), locale, now);
  timeline.title = BucketName(bucket, data.size, locale);
  const ChartPicture spans = LayOutTimeline(timeline, beside ? width - barsWidth : width);
  if (beside) {
    PlaceBeside(picture, spans);
  } else {
    StackBelow(picture, spans);
  }
  return picture;
}

int DefaultSelectedBucket(const HistoryChartData& data) {
  return static_cast<int>(data.buckets.size()) - 1;
}

std::set<std::size_t> BucketRecNos(Cursor& report, const PeriodFigures& bucket) {
  return RecNosBetween(report, BucketFrom(bucket), BucketTo(bucket));
}

std::string HistoryChartCsv(const HistoryChartData& data) {
  std::string csv =
      "First day\tLast day\tFirst on\tLast off\tUptime (sec)\tActive (sec)\tIdle (sec)\tBoots\t"
      "Crashes\r\n";
  for (const PeriodFigures& bucket : data.buckets) {
    csv += IsoDate(BucketFrom(bucket)) + "\t" + IsoDate(BucketTo(bucket) - 1) + "\t";
    csv += (bucket.firstOn ? IsoMoment(*bucket.firstOn) : "") + "\t";
    csv += (bucket.running   ? std::string("running")
            : bucket.lastOff ? IsoMoment(*bucket.lastOff)
                             : "") +
           "\t";
    csv += std::to_string(bucket.uptimeSeconds) + "\t" + std::to_string(bucket.activeSeconds) +
           "\t" + std::to_string(bucket.idleSeconds) + "\t" + std::to_string(bucket.boots) + "\t" +
           std::to_string(bucket.crashes) + "\r\n";
  }
  return csv;
}

}  // namespace brenvik
