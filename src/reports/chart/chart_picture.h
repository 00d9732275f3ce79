// A chart as plain shapes in pixel coordinates: boxes, lines and labels in
// the order they are drawn, with the hover zones that say which item lies
// under a point and what its tooltip reads. The layouts of the bar chart and
// of the timeline produce it; the window paints it with QPainter and the
// HTML exports write it as SVG, so both show the same picture and every
// position, scale and hover text can be checked without a toolkit.
#pragma once

#include <string>
#include <vector>

namespace brenvik {

// What a shape is drawn with; the colours live in one place (ChartColour).
enum class ChartInk {
  Frame,     // the plot's frame and axis lines
  Grid,      // scale lines
  Stripe,    // every second lane of a timeline
  Text,      // labels
  Active,    // active time (not idle)
  Idle,      // active, but idle
  Inactive,  // up without an active session
  Crash,     // a crashed run: the grid's crash colour
  Running,   // a run still going on
  Program,   // a program run
  Selected,  // the background of the selected bar
  Login,     // a login session
};

struct ChartRgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const ChartRgb&) const = default;
};
ChartRgb ChartColour(ChartInk ink);

struct ChartRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  bool Contains(double px, double py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
  bool operator==(const ChartRect&) const = default;
};

struct ChartBox {
  ChartRect rect;
  ChartInk ink = ChartInk::Active;
  bool outlined = false;  // drawn with a darker edge
};

struct ChartLine {
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  ChartInk ink = ChartInk::Frame;
};

enum class TextAnchor { Start, Middle, End };

// A label's y is its baseline.
struct ChartLabel {
  double x = 0;
  double y = 0;
  std::string text;
  TextAnchor anchor = TextAnchor::Start;
  bool bold = false;
};

// A zone that answers the mouse: what it stands for (a bar and its bucket,
// a span and its item, such as a report row) and the tooltip, whose lines
// are separated by '\n'.
enum class HitKind { Bar, Span };
struct ChartHit {
  ChartRect rect;
  HitKind kind = HitKind::Bar;
  long long item = -1;
  std::string hover;
};

// Drawing order: background boxes (stripes, the selected bar), grid lines,
// the other boxes, the other lines, the labels, and the message.
bool IsBackground(ChartInk ink);

struct ChartPicture {
  double width = 0;
  double height = 0;
  std::string title;    // what the picture shows, for readers and tooltips
  std::string message;  // shown alone when there is nothing to draw
  std::vector<ChartBox> boxes;
  std::vector<ChartLine> lines;
  std::vector<ChartLabel> labels;
  std::vector<ChartHit> hits;
};

// The hit under a point (the last one laid out wins), or null.
const ChartHit* HitAt(const ChartPicture& picture, double x, double y);

// Appends below to the bottom of top (shifted down by top's height); the
// widths are the larger of the two, and a message of either is kept.
void StackBelow(ChartPicture& top, const ChartPicture& below);
// Appends right to the right of left (shifted by left's width); the heights
// are the larger of the two.
void PlaceBeside(ChartPicture& left, const ChartPicture& right);

// Font size of the labels, and the width a label of n characters is given
// when the layouts space labels (a generous average, so labels do not meet).
inline constexpr double kChartFontPixels = 11;
// The width of the charts in the HTML exports.
inline constexpr double kExportChartWidth = 900;
inline constexpr double kChartCharWidth = 6.5;
double LabelWidth(const std::string& text);

// A scale of whole steps from 0 up to at least maxValue with at most
// maxTicks steps, the step taken from the given ascending list (the last one
// is multiplied by whole numbers when the list is too short).
struct ChartScale {
  double step = 1;
  double top = 1;
};
ChartScale NiceScale(double maxValue, const std::vector<double>& steps, int maxTicks);

}  // namespace brenvik
