#include "reports/chart/timeline_layout.h"

#include <algorithm>
#include <cmath>

#include "records/date_format.h"

namespace brenvik {
namespace {

constexpr double kLaneGap = 3;
constexpr double kRight = 10;
constexpr double kBottom = 6;
constexpr long long kDaySeconds = 86400;

double LaneNamesWidth(const std::vector<std::string>& lanes, double width) {
  double widest = 0;
  for (const std::string& name : lanes) widest = std::max(widest, LabelWidth(name));
  return std::clamp(widest + 12, 60.0, std::max(60.0, width / 4));
}

// A lane name cut to the space it has, with an ellipsis; whole characters only.
std::string FitName(const std::string& name, double space) {
  if (LabelWidth(name) <= space) return name;
  const double room = space - LabelWidth("...");
  std::string out;
  std::size_t i = 0;
  while (i < name.size()) {
    std::size_t next = i + 1;
    while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
    const std::string character = name.substr(i, next - i);
    if (LabelWidth(out + character) > room) break;
    out += character;
    i = next;
  }
  return out + "...";
}

// Hours, with the month and day at midnight when the stretch goes past a
// day; dates for steps of days.
std::string TickText(DateTime at, long long step, bool manyDays) {
  const LocaleInfo plain;
  if (step >= kDaySeconds) return FormatDateTime("yyyy-mm-dd", at, plain);
  const bool midnight = DecodeTime(at).hour == 0 && DecodeTime(at).minute == 0;
  return FormatDateTime(manyDays && midnight ? "mm-dd" : "hh:nn", at, plain);
}

// The ticks: multiples of the step counted from the midnight before from.
void AddScale(ChartPicture& picture, const TimelineInput& input, double left, double plotWidth,
              double bottom) {
  const double seconds = (input.to - input.from) * kDaySeconds;
  const long long step = TimelineStepSeconds(seconds, plotWidth);
  const double midnight = std::floor(input.from);
  const double offset = (input.from - midnight) * kDaySeconds;
  long long first = static_cast<long long>(std::ceil(offset / static_cast<double>(step) - 1e-9));
  for (long long k = first;; ++k) {
    const double at = static_cast<double>(k * step);
    if (at > offset + seconds + 1e-6) break;
    const double x = left + (at - offset) / seconds * plotWidth;
    picture.lines.push_back({x, kTimelineTop - 6, x, bottom, ChartInk::Grid});
    const std::string text = TickText(midnight + at / kDaySeconds, step, seconds > kDaySeconds);
    // A label at the right end ends there rather than running out of the picture.
    const bool atEnd = x + LabelWidth(text) / 2 > left + plotWidth + 4;
    picture.labels.push_back(
        {x, kTimelineTop - 9, text, atEnd ? TextAnchor::End : TextAnchor::Middle});
  }
}

void AddSpan(ChartPicture& picture, const TimelineSpan& span, const TimelineInput& input,
             double left, double plotWidth) {
  const double length = input.to - input.from;
  const double start = std::max(span.start, input.from);
  const double end = std::min(std::max(span.end, span.start), input.to);
  if (end < start) return;
  const double x1 = left + (start - input.from) / length * plotWidth;
  const double x2 = left + (end - input.from) / length * plotWidth;
  const double y = kTimelineTop + span.lane * kTimelineLaneHeight + kLaneGap;
  const ChartRect rect{x1, y, std::max(x2 - x1, 1.0), kTimelineLaneHeight - 2 * kLaneGap};
  picture.boxes.push_back({rect, span.ink, true});
  // A span too thin to point at gets a zone of three pixels.
  ChartRect zone = rect;
  if (zone.width < 3) zone = {x1 - 1, y, 3, rect.height};
  picture.hits.push_back({zone, HitKind::Span, span.item, span.hover});
}

}  // namespace

long long TimelineStepSeconds(double stretchSeconds, double plotWidth) {
  static const std::vector<double> steps = {900,   1800,  3600,   7200,   10800,   21600,
                                            43200, 86400, 172800, 604800, 1209600, 2419200};
  const int maxTicks = std::max(1, static_cast<int>(plotWidth / 70));
  return static_cast<long long>(NiceScale(stretchSeconds, steps, maxTicks).step);
}

ChartPicture LayOutTimeline(const TimelineInput& input, double width) {
  ChartPicture picture;
  picture.width = width;
  picture.title = input.title;
  const double lanes = static_cast<double>(std::max<std::size_t>(input.lanes.size(), 1));
  picture.height = kTimelineTop + lanes * kTimelineLaneHeight + kBottom;
  picture.labels.push_back({4, 12, input.title, TextAnchor::Start, true});
  if (input.spans.empty() || !(input.to > input.from)) {
    picture.message = input.emptyMessage;
    return picture;
  }
  const double left = LaneNamesWidth(input.lanes, width);
  const double plotWidth = std::max(width - left - kRight, 10.0);
  const double bottom = kTimelineTop + lanes * kTimelineLaneHeight;
  for (std::size_t i = 0; i < input.lanes.size(); ++i) {
    const double y = kTimelineTop + static_cast<double>(i) * kTimelineLaneHeight;
    if (i % 2 == 1)
      picture.boxes.push_back({{left, y, plotWidth, kTimelineLaneHeight}, ChartInk::Stripe});
    picture.labels.push_back({left - 6, y + kTimelineLaneHeight - 5,
                              FitName(input.lanes[i], left - 10), TextAnchor::End});
  }
  AddScale(picture, input, left, plotWidth, bottom);
  for (const TimelineSpan& span : input.spans) AddSpan(picture, span, input, left, plotWidth);
  picture.lines.push_back({left, bottom, left + plotWidth, bottom, ChartInk::Frame});
  picture.lines.push_back({left, kTimelineTop, left, bottom, ChartInk::Frame});
  return picture;
}

}  // namespace brenvik
