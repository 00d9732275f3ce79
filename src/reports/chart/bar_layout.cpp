#include "reports/chart/bar_layout.h"

#include <algorithm>
#include <cmath>

namespace brenvik {
namespace {

constexpr double kLeft = 48;
constexpr double kRight = 10;
constexpr double kTop = 22;
constexpr double kBottom = 20;
constexpr double kCrashMark = 5;

struct Plot {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  double slot = 0;      // pixels per bar
  double topValue = 1;  // seconds at the top of the plot
  double Y(double seconds) const { return top + height - seconds / topValue * height; }
};

std::string HoursText(double seconds) {
  const double hours = seconds / 3600;
  if (hours >= 24 && std::fmod(hours, 24) == 0)
    return std::to_string(static_cast<long long>(hours / 24)) + " d";
  return std::to_string(static_cast<long long>(std::llround(hours))) + " h";
}

// Hour steps, a line every 28 pixels at most.
ChartScale BarScale(std::int64_t highest, double plotHeight) {
  static const std::vector<double> steps = {1800,  3600,  7200,   10800,  21600,
                                            43200, 86400, 172800, 604800, 2592000};
  const int maxTicks = std::max(1, static_cast<int>(plotHeight / 28));
  return NiceScale(static_cast<double>(std::max<std::int64_t>(highest, 3600)), steps, maxTicks);
}

void AddScale(ChartPicture& picture, const Plot& plot, const ChartScale& scale) {
  for (double value = 0; value <= scale.top + 1e-6; value += scale.step) {
    const double y = plot.Y(value);
    picture.lines.push_back({plot.left, y, plot.left + plot.width, y, ChartInk::Grid});
    picture.labels.push_back({plot.left - 5, y + 4, HoursText(value), TextAnchor::End});
  }
}

void AddBar(ChartPicture& picture, const Plot& plot, const ChartBar& bar, std::size_t index,
            bool selected) {
  const double x = plot.left + static_cast<double>(index) * plot.slot;
  if (selected)
    picture.boxes.push_back({{x, plot.top, plot.slot, plot.height}, ChartInk::Selected});
  const double gap = plot.slot >= 4 ? std::max(1.0, plot.slot * 0.15) : 0;
  const double barX = x + gap / 2;
  const double barWidth = std::max(plot.slot - gap, 1.0);
  const BarParts parts = SplitBar(bar);
  double base = 0;
  for (const auto& [seconds, ink] :
       {std::pair{parts.active, ChartInk::Active}, std::pair{parts.idle, ChartInk::Idle},
        std::pair{parts.rest, ChartInk::Inactive}}) {
    if (seconds <= 0) continue;
    const double y1 = plot.Y(base + static_cast<double>(seconds));
    picture.boxes.push_back({{barX, y1, barWidth, plot.Y(base) - y1}, ink});
    base += static_cast<double>(seconds);
  }
  if (bar.crashes > 0) {
    const double y = std::max(plot.Y(base) - kCrashMark - 1, plot.top - kCrashMark - 1);
    picture.boxes.push_back({{barX, y, barWidth, kCrashMark}, ChartInk::Crash, true});
  }
  picture.hits.push_back({{x, plot.top - kCrashMark - 1, plot.slot, plot.height + kCrashMark + 1},
                          HitKind::Bar,
                          static_cast<long long>(index),
                          bar.hover});
}

// Labels under every n-th bar, n chosen so that they keep apart; the first
// starts at its bar, and a label that would still meet the one before it
// (or run past the plot) is left out.
void AddBarLabels(ChartPicture& picture, const Plot& plot, const std::vector<ChartBar>& bars) {
  double widest = 0;
  for (const ChartBar& bar : bars) widest = std::max(widest, LabelWidth(bar.label));
  const auto every =
      static_cast<std::size_t>(std::max(1.0, std::ceil((widest + 8) / std::max(plot.slot, 0.01))));
  const double y = plot.top + plot.height + 14;
  double freeFrom = plot.left;
  for (std::size_t i = 0; i < bars.size(); i += every) {
    const double width = LabelWidth(bars[i].label);
    const double middle = plot.left + (static_cast<double>(i) + 0.5) * plot.slot;
    const double from = i == 0 ? plot.left : middle - width / 2;
    if (from < freeFrom || from + width > plot.left + plot.width + 8) continue;
    picture.labels.push_back({i == 0 ? from : middle, y, bars[i].label,
                              i == 0 ? TextAnchor::Start : TextAnchor::Middle});
    freeFrom = from + width + 8;
  }
}

}  // namespace

BarParts SplitBar(const ChartBar& bar) {
  BarParts parts;
  const std::int64_t uptime = std::max<std::int64_t>(bar.uptimeSeconds, 0);
  parts.idle = std::clamp<std::int64_t>(bar.idleSeconds, 0, uptime);
  const std::int64_t active = std::clamp<std::int64_t>(bar.activeSeconds, parts.idle, uptime);
  parts.active = active - parts.idle;
  parts.rest = uptime - active;
  return parts;
}

ChartPicture LayOutBars(const BarChartInput& input, double width, double height) {
  ChartPicture picture;
  picture.width = width;
  picture.height = height;
  picture.title = input.title;
  picture.labels.push_back({4, 13, input.title, TextAnchor::Start, true});
  if (input.bars.empty()) {
    picture.message = input.emptyMessage;
    return picture;
  }
  Plot plot;
  plot.left = kLeft;
  plot.top = kTop + kCrashMark + 2;
  plot.width = std::max(width - kLeft - kRight, 10.0);
  plot.height = std::max(height - plot.top - kBottom, 10.0);
  plot.slot = plot.width / static_cast<double>(input.bars.size());
  std::int64_t highest = 0;
  for (const ChartBar& bar : input.bars) highest = std::max(highest, bar.uptimeSeconds);
  const ChartScale scale = BarScale(highest, plot.height);
  plot.topValue = scale.top;
  AddScale(picture, plot, scale);
  for (std::size_t i = 0; i < input.bars.size(); ++i) {
    AddBar(picture, plot, input.bars[i], i, static_cast<int>(i) == input.selected);
  }
  const double bottom = plot.top + plot.height;
  picture.lines.push_back({plot.left, bottom, plot.left + plot.width, bottom, ChartInk::Frame});
  picture.lines.push_back({plot.left, plot.top, plot.left, bottom, ChartInk::Frame});
  AddBarLabels(picture, plot, input.bars);
  return picture;
}

}  // namespace brenvik
