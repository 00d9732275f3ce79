#include "reports/chart/chart_svg.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "reports/html_text.h"

namespace brenvik {
namespace {

std::string Hex(ChartRgb rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb.red & 0xFF, rgb.green & 0xFF,
                rgb.blue & 0xFF);
  return text;
}

// The edge of an outlined box: its colour darkened.
ChartRgb Darker(ChartRgb rgb) { return {rgb.red * 3 / 5, rgb.green * 3 / 5, rgb.blue * 3 / 5}; }

std::string RectAttributes(const ChartRect& rect) {
  return "x=\"" + SvgNumber(rect.x) + "\" y=\"" + SvgNumber(rect.y) + "\" width=\"" +
         SvgNumber(rect.width) + "\" height=\"" + SvgNumber(rect.height) + "\"";
}

std::string Box(const ChartBox& box) {
  std::string svg =
      "<rect " + RectAttributes(box.rect) + " fill=\"" + Hex(ChartColour(box.ink)) + "\"";
  if (box.outlined)
    svg += " stroke=\"" + Hex(Darker(ChartColour(box.ink))) + "\" stroke-width=\"0.5\"";
  return svg + "/>";
}

std::string Line(const ChartLine& line) {
  return "<line x1=\"" + SvgNumber(line.x1) + "\" y1=\"" + SvgNumber(line.y1) + "\" x2=\"" +
         SvgNumber(line.x2) + "\" y2=\"" + SvgNumber(line.y2) + "\" stroke=\"" +
         Hex(ChartColour(line.ink)) + "\" stroke-width=\"1\"/>";
}

std::string Label(const ChartLabel& label) {
  static const char* anchors[] = {"start", "middle", "end"};
  std::string svg = "<text x=\"" + SvgNumber(label.x) + "\" y=\"" + SvgNumber(label.y) +
                    "\" text-anchor=\"" + anchors[static_cast<int>(label.anchor)] + "\"";
  if (label.bold) svg += " font-weight=\"bold\"";
  return svg + ">" + HtmlEscape(label.text) + "</text>";
}

std::string Hit(const ChartHit& hit) {
  return "<rect " + RectAttributes(hit.rect) + " fill=\"transparent\"><title>" +
         HtmlEscape(hit.hover) + "</title></rect>";
}

}  // namespace

std::string SvgNumber(double value) {
  if (!std::isfinite(value)) value = 0;
  const double rounded = std::round(value * 10) / 10;
  char text[32];
  const bool whole = rounded == std::floor(rounded);
  const auto result =
      whole ? std::to_chars(text, text + sizeof text, static_cast<long long>(rounded))
            : std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, 1);
  return std::string(text, result.ptr);
}

std::string ChartSvg(const ChartPicture& picture) {
  const std::string w = SvgNumber(picture.width);
  const std::string h = SvgNumber(picture.height);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
                    "\" viewBox=\"0 0 " + w + " " + h +
                    "\" role=\"img\" font-family=\"Tahoma, "
                    "Verdana, sans-serif\" font-size=\"" +
                    SvgNumber(kChartFontPixels) + "\">";
  svg += "<title>" + HtmlEscape(picture.title) + "</title>";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>";
  for (const bool background : {true, false}) {
    for (const ChartBox& box : picture.boxes)
      if (IsBackground(box.ink) == background) svg += Box(box);
    for (const ChartLine& line : picture.lines)
      if (IsBackground(line.ink) == background) svg += Line(line);
  }
  for (const ChartLabel& label : picture.labels) svg += Label(label);
  if (!picture.message.empty()) {
    svg += Label({picture.width / 2, picture.height / 2 + 4, picture.message, TextAnchor::Middle});
  }
  for (const ChartHit& hit : picture.hits) svg += Hit(hit);
  return svg + "</svg>";
}

}  // namespace brenvik
