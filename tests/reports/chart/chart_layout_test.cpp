// The chart layouts without a toolkit: bar heights against the scale, the
// crash mark, hover zones and their texts, labels that keep apart, spans cut
// at the stretch's edges, and the SVG form of a picture.
#include <gtest/gtest.h>

#include <algorithm>

#include "reports/chart/bar_layout.h"
#include "reports/chart/chart_svg.h"
#include "reports/chart/timeline_layout.h"

namespace brenvik {
namespace {

std::vector<ChartBox> BoxesOf(const ChartPicture& picture, ChartInk ink) {
  std::vector<ChartBox> found;
  for (const ChartBox& box : picture.boxes)
    if (box.ink == ink) found.push_back(box);
  return found;
}

BarChartInput TwoDays() {
  BarChartInput input;
  input.title = "Uptime per day";
  // 10 h up, 8 h active of which 1 h idle; 5 h up and a crash.
  input.bars.push_back({"2013-05-01", 10 * 3600, 8 * 3600, 3600, 0, "first"});
  input.bars.push_back({"2013-05-02", 5 * 3600, 0, 0, 1, "second"});
  return input;
}

TEST(BarLayout, SplitsUptimeIntoActiveIdleAndRestWithoutNegativeParts) {
  const BarParts parts = SplitBar({"", 100, 80, 10, 0, ""});
  EXPECT_EQ(parts.active, 70);
  EXPECT_EQ(parts.idle, 10);
  EXPECT_EQ(parts.rest, 20);
  // Figures out of order are clamped into the uptime.
  const BarParts odd = SplitBar({"", 100, 5, 30, 0, ""});
  EXPECT_EQ(odd.active, 0);
  EXPECT_EQ(odd.idle, 30);
  EXPECT_EQ(odd.rest, 70);
  const BarParts over = SplitBar({"", 100, 500, 500, 0, ""});
  EXPECT_EQ(over.active + over.idle + over.rest, 100);
}

TEST(BarLayout, BarsStandOnTheBaseAndTheirPartsAreProportional) {
  const ChartPicture picture = LayOutBars(TwoDays(), 400, 200);
  const auto active = BoxesOf(picture, ChartInk::Active);
  const auto idle = BoxesOf(picture, ChartInk::Idle);
  const auto rest = BoxesOf(picture, ChartInk::Inactive);
  ASSERT_EQ(active.size(), 1u);
  ASSERT_EQ(idle.size(), 1u);
  ASSERT_EQ(rest.size(), 2u);  // the first day's 2 h, the second day's 5 h
  EXPECT_NEAR(active[0].rect.height, 7 * idle[0].rect.height, 0.01);
  EXPECT_NEAR(rest[1].rect.height, 2.5 * rest[0].rect.height, 0.01);
  // Active at the bottom, idle on it, the rest on top.
  EXPECT_NEAR(idle[0].rect.y + idle[0].rect.height, active[0].rect.y, 0.01);
  EXPECT_NEAR(rest[0].rect.y + rest[0].rect.height, idle[0].rect.y, 0.01);
  // Both bars end on the same base line.
  EXPECT_NEAR(active[0].rect.y + active[0].rect.height, rest[1].rect.y + rest[1].rect.height, 0.01);
  // The second bar lies right of the first.
  EXPECT_GT(rest[1].rect.x, active[0].rect.x + active[0].rect.width);
}

TEST(BarLayout, ACrashedDayCarriesTheCrashColourAboveItsBar) {
  const ChartPicture picture = LayOutBars(TwoDays(), 400, 200);
  const auto crash = BoxesOf(picture, ChartInk::Crash);
  ASSERT_EQ(crash.size(), 1u);
  const auto rest = BoxesOf(picture, ChartInk::Inactive);
  EXPECT_NEAR(crash[0].rect.x, rest[1].rect.x, 0.01);
  EXPECT_LE(crash[0].rect.y + crash[0].rect.height, rest[1].rect.y);
  EXPECT_EQ(ChartColour(ChartInk::Crash), (ChartRgb{243, 203, 175}));
}

TEST(BarLayout, HoveringAColumnGivesItsBucketAndText) {
  const ChartPicture picture = LayOutBars(TwoDays(), 400, 200);
  ASSERT_EQ(picture.hits.size(), 2u);
  const ChartRect& second = picture.hits[1].rect;
  // Even above a short bar the column answers.
  const ChartHit* hit = HitAt(picture, second.x + second.width / 2, second.y + 2);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->kind, HitKind::Bar);
  EXPECT_EQ(hit->item, 1);
  EXPECT_EQ(hit->hover, "second");
  EXPECT_EQ(HitAt(picture, 2, 2), nullptr);  // the title's corner
}

TEST(BarLayout, TheSelectedBarGetsABackgroundAndTheScaleCoversTheHighestBar) {
  BarChartInput input = TwoDays();
  input.selected = 1;
  const ChartPicture picture = LayOutBars(input, 400, 200);
  const auto selected = BoxesOf(picture, ChartInk::Selected);
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_NEAR(selected[0].rect.x, picture.hits[1].rect.x, 0.01);
  // Scale labels in hours; the top one at or above 10 h.
  std::vector<std::string> hours;
  for (const ChartLabel& label : picture.labels)
    if (label.anchor == TextAnchor::End) hours.push_back(label.text);
  ASSERT_FALSE(hours.empty());
  EXPECT_EQ(hours.front(), "0 h");
  EXPECT_GE(std::stoi(hours.back()), 10);
}

TEST(BarLayout, AYearOfDaysLabelsOnlyBarsWhoseLabelsKeepApart) {
  BarChartInput input;
  for (int i = 0; i < 365; ++i) input.bars.push_back({"2013-05-01", 3600, 0, 0, 0, ""});
  const ChartPicture picture = LayOutBars(input, 800, 200);
  std::vector<const ChartLabel*> dates;
  for (const ChartLabel& label : picture.labels)
    if (label.text == "2013-05-01") dates.push_back(&label);
  ASSERT_GT(dates.size(), 3u);
  EXPECT_LT(dates.size(), 365u);
  for (std::size_t i = 2; i < dates.size(); ++i)
    EXPECT_GE(dates[i]->x - dates[i - 1]->x, LabelWidth("2013-05-01"));
  EXPECT_EQ(picture.hits.size(), 365u);
}

TEST(BarLayout, NoBarsGiveThePlainMessageAndNoZones) {
  BarChartInput input;
  input.emptyMessage = "Nothing to draw.";
  const ChartPicture picture = LayOutBars(input, 400, 200);
  EXPECT_EQ(picture.message, "Nothing to draw.");
  EXPECT_TRUE(picture.hits.empty());
  EXPECT_TRUE(BoxesOf(picture, ChartInk::Active).empty());
}

TimelineInput OneDay() {
  TimelineInput input;
  input.lanes = {"Computer", "editor"};
  input.from = 41395;  // 2013-05-01
  input.to = 41396;
  // From the evening before to 06:00, 12:00-12:00:01, 22:00 into the next day.
  input.spans.push_back({0, 41394.75, 41395.25, ChartInk::Active, 7, "night"});
  input.spans.push_back({1, 41395.5, 41395.5 + 1 / 86400.0, ChartInk::Program, 8, "blink"});
  input.spans.push_back({0, 41395 + 22 / 24.0, 41396.5, ChartInk::Crash, 9, "late"});
  return input;
}

TEST(TimelineLayout, SpansAreCutAtTheStretchsEdges) {
  const ChartPicture picture = LayOutTimeline(OneDay(), 600);
  std::vector<ChartBox> spans;
  for (const ChartBox& box : picture.boxes)
    if (box.outlined) spans.push_back(box);
  ASSERT_EQ(spans.size(), 3u);
  const double left = spans[0].rect.x;
  const double right = spans[2].rect.x + spans[2].rect.width;
  const double plot = right - left;
  EXPECT_NEAR(spans[0].rect.width, plot / 4, 0.01);     // 00:00-06:00
  EXPECT_NEAR(spans[2].rect.width, plot / 12, 0.01);    // 22:00-24:00
  EXPECT_NEAR(spans[1].rect.x - left, plot / 2, 0.01);  // at noon
  EXPECT_EQ(spans[1].rect.width, 1);                    // a second still shows
  EXPECT_GT(spans[1].rect.y, spans[0].rect.y);          // second lane
  EXPECT_EQ(spans[2].ink, ChartInk::Crash);
}

TEST(TimelineLayout, ThinSpansStillAnswerTheMouseWithTheirItems) {
  const ChartPicture picture = LayOutTimeline(OneDay(), 600);
  ASSERT_EQ(picture.hits.size(), 3u);
  const ChartRect& blink = picture.hits[1].rect;
  EXPECT_GE(blink.width, 3);
  const ChartHit* hit = HitAt(picture, blink.x + 1, blink.y + 1);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->kind, HitKind::Span);
  EXPECT_EQ(hit->item, 8);
  EXPECT_EQ(hit->hover, "blink");
}

TEST(TimelineLayout, ADayIsScaledInHoursAndAYearInDays) {
  EXPECT_LT(TimelineStepSeconds(86400, 600), 86400);
  EXPECT_GE(TimelineStepSeconds(365 * 86400.0, 600), 86400);
  const ChartPicture picture = LayOutTimeline(OneDay(), 600);
  const bool hasHour = std::any_of(picture.labels.begin(), picture.labels.end(),
                                   [](const ChartLabel& l) { return l.text == "12:00"; });
  EXPECT_TRUE(hasHour);
  // Past a day, midnight shows the date.
  TimelineInput twoDays = OneDay();
  twoDays.to += 1;
  const ChartPicture longer = LayOutTimeline(twoDays, 600);
  EXPECT_TRUE(std::any_of(longer.labels.begin(), longer.labels.end(),
                          [](const ChartLabel& l) { return l.text == "05-02"; }));
  // Two lanes make the picture taller than one.
  TimelineInput one = OneDay();
  one.lanes.pop_back();
  EXPECT_GT(picture.height, LayOutTimeline(one, 600).height);
}

TEST(TimelineLayout, LongLaneNamesAreCutWithAnEllipsis) {
  TimelineInput input = OneDay();
  input.lanes[1] = std::string(200, 'x');
  const ChartPicture picture = LayOutTimeline(input, 600);
  const auto name = std::find_if(picture.labels.begin(), picture.labels.end(),
                                 [](const ChartLabel& l) { return l.text.starts_with("xxx"); });
  ASSERT_NE(name, picture.labels.end());
  EXPECT_TRUE(name->text.ends_with("..."));
  EXPECT_LE(LabelWidth(name->text), 600 / 4.0);
}

TEST(ChartSvg, WritesEveryShapeWithEscapedTextsAndTooltips) {
  BarChartInput input = TwoDays();
  input.title = "Uptime <per> day";
  input.bars[0].hover = "a \"quoted\" & <tagged>\nsecond line";
  const ChartPicture picture = LayOutBars(input, 400, 200);
  const std::string svg = ChartSvg(picture);
  EXPECT_TRUE(
      svg.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" "
                      "height=\"200\" viewBox=\"0 0 400 200\""));
  EXPECT_TRUE(svg.ends_with("</svg>"));
  EXPECT_NE(svg.find("<title>Uptime &lt;per&gt; day</title>"), std::string::npos);
  EXPECT_NE(svg.find("<title>a &quot;quoted&quot; &amp; &lt;tagged&gt;\nsecond line</title>"),
            std::string::npos);
  EXPECT_NE(svg.find("fill=\"#f3cbaf\""), std::string::npos);  // the crash mark
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  std::size_t rects = 0;
  for (std::size_t at = svg.find("<rect"); at != std::string::npos; at = svg.find("<rect", at + 1))
    ++rects;
  // The background, every box and every zone.
  EXPECT_EQ(rects, 1 + picture.boxes.size() + picture.hits.size());
}

TEST(ChartSvg, NumbersHaveAtMostOneDecimalAndADot) {
  EXPECT_EQ(SvgNumber(12), "12");
  EXPECT_EQ(SvgNumber(12.46), "12.5");
  EXPECT_EQ(SvgNumber(-3.04), "-3");
  EXPECT_EQ(SvgNumber(0.05), "0.1");
}

}  // namespace
}  // namespace brenvik
