// The chart of the uptime report: the report's rows added up per day (or per
// week or month when the report spans more than a few months) by the day
// figures, drawn as bars, with the timeline of the selected bucket beneath;
// the rows a bucket covers, for a click on its bar; and the chart's data as
// a CSV text. The window paints the picture, the HTML export writes it as
// SVG; the data is built once per report and the picture per size.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "datastore/tables/table.h"
#include "platform/locale.h"
#include "reports/chart/bar_layout.h"
#include "reports/chart/chart_picture.h"
#include "reports/daily/day_figures.h"

namespace brenvik {

struct HistoryChartData {
  BucketSize size = BucketSize::Day;
  std::vector<PeriodFigures> buckets;
};

// The runs the bars add up, as the day figures take them: the report's rows
// of the computer when it holds any (a program's time is not the
// computer's), else its program rows; in view order, rows without start or
// end left out.
std::vector<RunSpan> ReportRunSpans(Cursor& report);

// Buckets of the size that keeps the chart readable.
HistoryChartData BuildHistoryChartData(Cursor& report, int firstDayOfWeek);
// Buckets of the size given.
HistoryChartData BuildHistoryChartData(Cursor& report, int firstDayOfWeek, BucketSize size);

// The stretch of a bucket: from its first midnight to the midnight after it.
DateTime BucketFrom(const PeriodFigures& bucket);
DateTime BucketTo(const PeriodFigures& bucket);

// "2013-04-30", "2013-04-29" (a week, by its first day) or "2013-04".
std::string BucketLabel(const PeriodFigures& bucket, BucketSize size);
// The tooltip of a bar: the bucket, the first switch-on, the last switch-off
// (or "running"), uptime, active and idle time, boots and crashes.
std::string BucketHover(const PeriodFigures& bucket, BucketSize size, const LocaleInfo& locale,
                        DateTime now);

inline constexpr const char* kEmptyChartMessage =
    "No uptime history in this report: nothing to draw.";
inline constexpr double kHistoryBarsHeight = 190;
inline constexpr double kHistoryBarsHeightBeside = 160;

BarChartInput HistoryBarsInput(const HistoryChartData& data, int selected, const LocaleInfo& locale,
                               DateTime now);

// The bars and, beneath them, the timeline of the selected bucket (none when
// selected is outside the buckets); beside: the timeline right of the bars
// instead (a wide and low place, such as the window's), the bars taking
// three fifths of the width.
ChartPicture HistoryChartPicture(Cursor& report, const HistoryChartData& data, int selected,
                                 double width, const LocaleInfo& locale, DateTime now,
                                 bool beside = false);

// The bucket shown when none is chosen: the last one (-1 without buckets).
int DefaultSelectedBucket(const HistoryChartData& data);

// The report's rows (RecNo) whose runs overlap the bucket.
std::set<std::size_t> BucketRecNos(Cursor& report, const PeriodFigures& bucket);

// The chart's data: a title line, then one line per bucket with its first
// and last day, first switch-on, last switch-off ("running" while a run goes
// on), uptime, active and idle seconds, boots and crashes; tab-separated,
// lines ended by CR LF, times as yyyy-mm-dd hh:nn:ss.
std::string HistoryChartCsv(const HistoryChartData& data);

}  // namespace brenvik
