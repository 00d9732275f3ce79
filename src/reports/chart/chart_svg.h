// A chart picture as an SVG element to put inline in an HTML document: the
// same boxes, lines and labels the window paints, with each hover zone a
// transparent box whose <title> the browser shows as a tooltip, so the
// picture needs no script and prints as it is. Numbers are written with a
// dot whatever the process's locale.
#pragma once

#include <string>

#include "reports/chart/chart_picture.h"

namespace brenvik {

std::string ChartSvg(const ChartPicture& picture);

// A number with at most one decimal ("12", "12.5").
std::string SvgNumber(double value);

}  // namespace brenvik
