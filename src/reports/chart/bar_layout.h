// The bar chart: one bar per bucket of time (a day, a week or a month), as
// high as the bucket's uptime and split from the bottom into active time,
// idle time and the rest of the uptime (up without an active session); a
// bucket with crashed runs carries a mark in the crash colour on its bar,
// and the selected bucket a light background. A scale in hours on the left,
// the buckets' labels underneath, as many as fit. Every bar's column is a
// hit carrying the bucket's index and its tooltip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/chart/chart_picture.h"

namespace brenvik {

struct ChartBar {
  std::string label;  // under the bar, when there is room
  std::int64_t uptimeSeconds = 0;
  std::int64_t activeSeconds = 0;  // idle time included
  std::int64_t idleSeconds = 0;
  int crashes = 0;
  std::string hover;
};

struct BarChartInput {
  std::string title;
  std::vector<ChartBar> bars;
  int selected = -1;
  std::string emptyMessage;  // when there is no bar
};

// The picture in the given size.
ChartPicture LayOutBars(const BarChartInput& input, double width, double height);

// The three parts of a bar from the bottom, in seconds: active and not idle,
// idle, and the rest of the uptime; none below zero, together the uptime.
struct BarParts {
  std::int64_t active = 0;
  std::int64_t idle = 0;
  std::int64_t rest = 0;
};
BarParts SplitBar(const ChartBar& bar);

}  // namespace brenvik
