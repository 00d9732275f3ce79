#include "reports/chart/chart_picture.h"

#include <algorithm>
#include <cmath>

namespace brenvik {

ChartRgb ChartColour(ChartInk ink) {
  switch (ink) {
    case ChartInk::Frame:
      return {96, 96, 96};
    case ChartInk::Grid:
      return {220, 220, 220};
    case ChartInk::Stripe:
      return {246, 246, 246};
    case ChartInk::Text:
      return {0, 0, 0};
    case ChartInk::Active:
      return {58, 120, 190};
    case ChartInk::Idle:
      return {150, 190, 230};
    case ChartInk::Inactive:
      return {205, 210, 218};
    case ChartInk::Crash:
      return {243, 203, 175};  // the report grid's crashed rows
    case ChartInk::Running:
      return {112, 178, 96};
    case ChartInk::Program:
      return {140, 110, 180};
    case ChartInk::Selected:
      return {255, 244, 190};
    case ChartInk::Login:
      return {230, 150, 60};
  }
  return {};
}

bool IsBackground(ChartInk ink) {
  return ink == ChartInk::Stripe || ink == ChartInk::Selected || ink == ChartInk::Grid;
}

const ChartHit* HitAt(const ChartPicture& picture, double x, double y) {
  for (auto hit = picture.hits.rbegin(); hit != picture.hits.rend(); ++hit) {
    if (hit->rect.Contains(x, y)) return &*hit;
  }
  return nullptr;
}

namespace {

// Adds the shapes of from to into, moved by dx and dy.
void AddMoved(ChartPicture& into, const ChartPicture& from, double dx, double dy) {
  for (ChartBox box : from.boxes) {
    box.rect.x += dx;
    box.rect.y += dy;
    into.boxes.push_back(box);
  }
  for (ChartLine line : from.lines) {
    line.x1 += dx;
    line.x2 += dx;
    line.y1 += dy;
    line.y2 += dy;
    into.lines.push_back(line);
  }
  for (ChartLabel label : from.labels) {
    label.x += dx;
    label.y += dy;
    into.labels.push_back(std::move(label));
  }
  for (ChartHit hit : from.hits) {
    hit.rect.x += dx;
    hit.rect.y += dy;
    into.hits.push_back(std::move(hit));
  }
  if (into.message.empty()) into.message = from.message;
}

}  // namespace

void StackBelow(ChartPicture& top, const ChartPicture& below) {
  AddMoved(top, below, 0, top.height);
  top.height += below.height;
  top.width = std::max(top.width, below.width);
}

void PlaceBeside(ChartPicture& left, const ChartPicture& right) {
  AddMoved(left, right, left.width, 0);
  left.width += right.width;
  left.height = std::max(left.height, right.height);
}

double LabelWidth(const std::string& text) {
  // UTF-8 continuation bytes do not start a character.
  double chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) == 0x80 ? 0 : 1;
  return chars * kChartCharWidth;
}

ChartScale NiceScale(double maxValue, const std::vector<double>& steps, int maxTicks) {
  if (maxTicks < 1) maxTicks = 1;
  if (!(maxValue > 0))
    return {steps.empty() ? 1 : steps.front(), steps.empty() ? 1 : steps.front()};
  for (double step : steps) {
    if (maxValue / step <= maxTicks) return {step, std::ceil(maxValue / step) * step};
  }
  const double last = steps.empty() ? 1 : steps.back();
  const double step = std::ceil(maxValue / last / maxTicks) * last;
  return {step, std::ceil(maxValue / step) * step};
}

}  // namespace brenvik
