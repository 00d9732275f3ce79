// The timeline: lanes one above the other (the computer, each program, each
// user) over a stretch of time, every run or session a span from its start
// to its end, cut at the stretch's edges. Above the lanes a time scale with
// hours for a day or two, days beyond. The layout gives a ChartPicture
// whose hits are the spans, carrying the item and tooltip each span was
// given.
#pragma once

#include <string>
#include <vector>

#include "records/date_time.h"
#include "reports/chart/chart_picture.h"

namespace brenvik {

struct TimelineSpan {
  int lane = 0;
  DateTime start = 0;
  DateTime end = 0;
  ChartInk ink = ChartInk::Active;
  long long item = -1;
  std::string hover;
};

struct TimelineInput {
  std::string title;               // drawn above the scale
  std::vector<std::string> lanes;  // lane names, top to bottom
  std::vector<TimelineSpan> spans;
  DateTime from = 0;  // the stretch shown
  DateTime to = 0;
  std::string emptyMessage;  // when there is no span
};

inline constexpr double kTimelineLaneHeight = 18;
inline constexpr double kTimelineTop = 34;  // title and scale labels

// The picture at the given width; its height follows from the lanes.
ChartPicture LayOutTimeline(const TimelineInput& input, double width);

// The scale's step in seconds for a stretch drawn over plotWidth pixels: a
// quarter hour up to four weeks, so that labels keep apart.
long long TimelineStepSeconds(double stretchSeconds, double plotWidth);

}  // namespace brenvik
