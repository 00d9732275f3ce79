// The charts of the reports over real tables and records: the timeline of a
// stretch of the uptime report (lanes, colours, the rows' places as items,
// runs across midnight), the rows a bar covers, the bars' hover texts and
// the chart's CSV from the day figures, and the login timelines.
#include <gtest/gtest.h>

#include <algorithm>

#include "datastore/startup/tables.h"
#include "reports/chart/history_chart.h"
#include "reports/chart/login_timeline.h"
#include "reports/chart/report_timeline.h"
#include "reports/uptime/uptime_report.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"

namespace brenvik {
namespace {

using test::AppendHistoryRow;

const DateTime kDay = 41395;  // 2013-05-01, a Wednesday
const DateTime kNow = kDay + 10.5;

class ReportChart : public ::testing::Test {
 protected:
  ReportChart() : table_(test::MakeHistoryTable()) {}

  Cursor& Report() {
    if (!report_) {
      report_ = std::make_unique<Cursor>(*table_);
      report_->SetCalcHandler(MakeHistoryCalcHandler(programs_.directory));
    }
    return *report_;
  }

  // Windows from 22:00 the day before to a crash at 18:00 (8 h active, 1 h
  // idle), a program run 09:00-09:30, Windows again from 20:00 still running
  // at 23:00, and a run two days later.
  void AddRows() {
    AppendHistoryRow(*table_, {.user = "",
                               .start = kDay - 2 / 24.0,
                               .end = kDay + 18 / 24.0,
                               .idleSeconds = 3600,
                               .activeSeconds = 8 * 3600,
                               .closedOk = false});
    AppendHistoryRow(*table_, {.user = "ann [PC1]",
                               .exePath = "C:\\Apps\\edit.exe",
                               .start = kDay + 9 / 24.0,
                               .end = kDay + 9.5 / 24.0,
                               .activeSeconds = 1800});
    AppendHistoryRow(
        *table_,
        {.user = "", .start = kDay + 20 / 24.0, .end = kDay + 23 / 24.0, .incomplete = true});
    AppendHistoryRow(*table_,
                     {.user = "", .start = kDay + 2 + 8 / 24.0, .end = kDay + 2 + 9 / 24.0});
  }

  test::ProgramsFixture programs_;
  std::unique_ptr<Table> table_;
  std::unique_ptr<Cursor> report_;
};

TEST_F(ReportChart, TimelineOfADayHasALaneForTheComputerAndOnePerProgram) {
  AddRows();
  Cursor& report = Report();
  report.MoveToRecNo(4);
  const TimelineInput day = ReportTimeline(report, kDay, kDay + 1, LocaleInfo{}, kNow);
  EXPECT_EQ(report.RecNo(), 4u);  // the cursor's row is kept
  EXPECT_EQ(day.lanes, (std::vector<std::string>{"Computer", "edit.exe"}));
  ASSERT_EQ(day.spans.size(), 3u);
  EXPECT_EQ(day.spans[0].item, 1);
  EXPECT_EQ(day.spans[0].ink, ChartInk::Crash);
  EXPECT_EQ(day.spans[1].lane, 1);
  EXPECT_EQ(day.spans[1].ink, ChartInk::Program);
  EXPECT_EQ(day.spans[2].ink, ChartInk::Running);
  EXPECT_EQ(day.spans[2].item, 3);
  EXPECT_EQ(day.spans[1].hover,
            "edit.exe\nStart: 2013-05-01 09:00:00\nEnd: 2013-05-01 09:30:00\nUptime: 00:30:00\n"
            "Active: 00:30:00\nIdle: 00:00:00");
  EXPECT_TRUE(day.spans[0].hover.ends_with("\nCrashed"));
  EXPECT_NE(day.spans[2].hover.find("\nEnd: running\n"), std::string::npos);
}

TEST_F(ReportChart, ItemsFollowTheReportsSortOrder) {
  AddRows();
  Cursor& report = Report();
  ASSERT_TRUE(SortReportByColumn(report, "cdsHistoryDateTimeStart"));
  ASSERT_TRUE(SortReportByColumn(report, "cdsHistoryDateTimeStart"));  // descending
  const TimelineInput day = ReportTimeline(report, kDay, kDay + 1, LocaleInfo{}, kNow);
  ASSERT_EQ(day.spans.size(), 3u);
  EXPECT_EQ(day.spans[0].item, 2);  // the run of the evening, second from the top
  report.MoveToRecNo(static_cast<std::size_t>(day.spans[0].item));
  EXPECT_TRUE(report.AsBoolean(history::kRecIncomplete));
}

TEST_F(ReportChart, RowsOfAStretchAreThoseOverlappingIt) {
  AddRows();
  Cursor& report = Report();
  EXPECT_EQ(RecNosBetween(report, kDay, kDay + 1), (std::set<std::size_t>{1, 2, 3}));
  EXPECT_EQ(RecNosBetween(report, kDay - 1, kDay), (std::set<std::size_t>{1}));
  EXPECT_EQ(RecNosBetween(report, kDay + 1, kDay + 2), (std::set<std::size_t>{}));
  // A run ending exactly where the stretch begins is not in it.
  EXPECT_EQ(RecNosBetween(report, kDay + 18 / 24.0, kDay + 19 / 24.0), (std::set<std::size_t>{}));
}

// The bars of a report with Windows rows count the computer's runs only, so
// that a program's time is not added to the computer's.
TEST_F(ReportChart, DayBucketsCarryTheDayFiguresAndSelectTheirRows) {
  AddRows();
  Cursor& report = Report();
  const HistoryChartData data = BuildHistoryChartData(report, 0);
  EXPECT_EQ(data.size, BucketSize::Day);
  ASSERT_EQ(data.buckets.size(), 4u);  // 30 April to 3 May, 2 May without a run
  EXPECT_EQ(BucketLabel(data.buckets[1], data.size), "2013-05-01");
  EXPECT_EQ(data.buckets[2].uptimeSeconds, 0);
  EXPECT_EQ(BucketRecNos(report, data.buckets[1]), (std::set<std::size_t>{1, 2, 3}));
  EXPECT_EQ(BucketHover(data.buckets[1], data.size, LocaleInfo{}, kNow),
            "Wednesday 2013-05-01\nFirst on: 00:00:00\nLast off: running\nUptime: 21:00:00\n"
            "Active: 07:12:00\nIdle: 00:54:00\nBoots: 1\nCrashes: 1");
  EXPECT_EQ(DefaultSelectedBucket(data), 3);
}

TEST_F(ReportChart, AReportOfProgramsAddsUpTheProgramRuns) {
  AppendHistoryRow(*table_,
                   {.user = "", .exePath = "/opt/a", .start = kDay + 0.25, .end = kDay + 0.5});
  AppendHistoryRow(*table_,
                   {.user = "", .exePath = "/opt/b", .start = kDay + 0.25, .end = kDay + 0.375});
  const HistoryChartData data = BuildHistoryChartData(Report(), 0);
  ASSERT_EQ(data.buckets.size(), 1u);
  EXPECT_EQ(data.buckets[0].uptimeSeconds, 9 * 3600);
  EXPECT_EQ(data.buckets[0].boots, 2);
}

TEST_F(ReportChart, AReportOfMonthsIsDrawnInWeeks) {
  for (int day = 0; day < 200; day += 3) {
    AppendHistoryRow(*table_, {.user = "", .start = kDay + day + 0.3, .end = kDay + day + 0.6});
  }
  const HistoryChartData data = BuildHistoryChartData(Report(), 0);
  EXPECT_EQ(data.size, BucketSize::Week);
  // The first week begins with the report, the next ones on Mondays.
  EXPECT_EQ(BucketLabel(data.buckets[0], data.size), "2013-05-01");
  EXPECT_EQ(BucketLabel(data.buckets[1], data.size), "2013-05-06");
  const BarChartInput bars = HistoryBarsInput(data, -1, LocaleInfo{}, kNow);
  EXPECT_EQ(bars.title, "Uptime per week");
  EXPECT_EQ(bars.bars.size(), data.buckets.size());
}

TEST_F(ReportChart, ChartCsvHasOneLinePerBucket) {
  AddRows();
  const HistoryChartData data = BuildHistoryChartData(Report(), 0);
  const std::string csv = HistoryChartCsv(data);
  EXPECT_EQ(
      csv,
      "First day\tLast day\tFirst on\tLast off\tUptime (sec)\tActive (sec)\tIdle (sec)\t"
      "Boots\tCrashes\r\n"
      "2013-04-30\t2013-04-30\t2013-04-30 22:00:00\t2013-05-01 00:00:00\t7200\t2880\t360\t1\t0\r\n"
      "2013-05-01\t2013-05-01\t2013-05-01 00:00:00\trunning\t75600\t25920\t3240\t1\t1\r\n"
      "2013-05-02\t2013-05-02\t\t\t0\t0\t0\t0\t0\r\n"
      "2013-05-03\t2013-05-03\t2013-05-03 08:00:00\t2013-05-03 09:00:00\t3600\t0\t0\t1\t0\r\n");
}

TEST_F(ReportChart, ThePictureShowsTheBarsAndTheSelectedDaysTimeline) {
  AddRows();
  Cursor& report = Report();
  const HistoryChartData data = BuildHistoryChartData(report, 0);
  const ChartPicture picture = HistoryChartPicture(report, data, 1, 700, LocaleInfo{}, kNow);
  EXPECT_GT(picture.height, kHistoryBarsHeight);
  const auto bars = std::count_if(picture.hits.begin(), picture.hits.end(),
                                  [](const ChartHit& h) { return h.kind == HitKind::Bar; });
  const auto spans = std::count_if(picture.hits.begin(), picture.hits.end(),
                                   [](const ChartHit& h) { return h.kind == HitKind::Span; });
  EXPECT_EQ(bars, 4);
  EXPECT_EQ(spans, 3);
  // The timeline lies under the bars, as wide as they are: the evening's
  // run ends at 23:00, near the right edge.
  for (const ChartHit& hit : picture.hits)
    if (hit.kind == HitKind::Span) {
      EXPECT_GE(hit.rect.y, kHistoryBarsHeight);
    }
  EXPECT_GT(picture.hits.back().rect.x + picture.hits.back().rect.width, 700 * 0.85);
}

TEST_F(ReportChart, BesideTheBarsTheTimelineTakesTheRightTwoFifths) {
  AddRows();
  Cursor& report = Report();
  const HistoryChartData data = BuildHistoryChartData(report, 0);
  const ChartPicture picture = HistoryChartPicture(report, data, 1, 1000, LocaleInfo{}, kNow, true);
  EXPECT_EQ(picture.width, 1000);
  EXPECT_EQ(picture.height, kHistoryBarsHeightBeside);
  for (const ChartHit& hit : picture.hits) {
    const double right = hit.rect.x + hit.rect.width;
    EXPECT_TRUE(hit.kind == HitKind::Bar ? right <= 600.01 : hit.rect.x >= 600) << hit.hover;
  }
}

TEST_F(ReportChart, AnEmptyReportGivesAPlainMessage) {
  const HistoryChartData data = BuildHistoryChartData(Report(), 0);
  EXPECT_TRUE(data.buckets.empty());
  const ChartPicture picture = HistoryChartPicture(Report(), data, -1, 700, LocaleInfo{}, kNow);
  EXPECT_EQ(picture.message, kEmptyChartMessage);
  EXPECT_TRUE(picture.hits.empty());
  EXPECT_EQ(HistoryChartCsv(data).find("\r\n") + 2, HistoryChartCsv(data).size());
}

std::unique_ptr<TRecComputerRun> Record(std::int32_t id, DateTime start, DateTime end, int level,
                                        const std::string& user = "") {
  auto record = std::make_unique<TRecComputerRun>();
  record->rRunID = id;
  record->rStartDateTime = start;
  record->rEndDateTime = end;
  record->rUserName = user;
  record->rDomain = user.empty() ? "" : "PC1";
  record->rRecordIncomplete = false;
  record->Level = level;
  return record;
}

TEST(LoginTimeline, ARunHasItsOwnLaneAndOneLanePerUser) {
  auto run = Record(57, kDay + 0.25, kDay + 0.75, 0);
  run->rClosedOk = false;
  auto ann = Record(57, kDay + 0.26, kDay + 0.4, 1, "ann");
  auto bob = Record(57, kDay + 0.41, kDay + 0.5, 1, "bob");
  auto annAgain = Record(57, kDay + 0.6, kDay + 0.7, 1, "ann");
  annAgain->rLoginActive = true;
  LoginTree tree;
  tree.AddRun(run.get());
  for (auto* login : {ann.get(), bob.get(), annAgain.get()}) tree.AddLogin(login);
  const TimelineInput timeline = RunLoginsTimeline(tree.Runs()[0], LocaleInfo{}, kNow);
  EXPECT_EQ(timeline.lanes, (std::vector<std::string>{"No.57", "ann [PC1]", "bob [PC1]"}));
  EXPECT_EQ(timeline.from, kDay + 0.25);
  EXPECT_EQ(timeline.to, kDay + 0.75);
  ASSERT_EQ(timeline.spans.size(), 4u);
  EXPECT_EQ(timeline.spans[0].ink, ChartInk::Crash);
  EXPECT_EQ(timeline.spans[0].item, -1);
  EXPECT_EQ(timeline.spans[3].lane, 1);
  EXPECT_EQ(timeline.spans[3].item, 2);
  EXPECT_EQ(timeline.spans[3].ink, ChartInk::Running);
  EXPECT_EQ(timeline.spans[2].ink, ChartInk::Login);
  EXPECT_TRUE(timeline.spans[1].hover.starts_with("ann [PC1]\nStart: 2013-05-01 06:14:24"));
  EXPECT_EQ(DefaultTimelineRun(tree), 0);
}

TEST(LoginTimeline, TheOverviewSpansEveryRunOfTheReport) {
  auto first = Record(1, kDay + 0.25, kDay + 0.5, 0);
  auto login = Record(1, kDay + 0.3, kDay + 0.4, 1, "ann");
  auto second = Record(2, kDay + 3, kDay + 3.5, 0);
  LoginTree tree;
  tree.AddRun(first.get());
  tree.AddLogin(login.get());
  tree.AddRun(second.get());
  const TimelineInput overview = LoginsOverviewTimeline(tree, LocaleInfo{}, kNow);
  EXPECT_EQ(overview.from, kDay + 0.25);
  EXPECT_EQ(overview.to, kDay + 3.5);
  EXPECT_EQ(overview.lanes.size(), 2u);
  ASSERT_EQ(overview.spans.size(), 3u);
  EXPECT_EQ(overview.spans[2].item, 1);
  EXPECT_TRUE(LoginsOverviewTimeline(LoginTree{}, LocaleInfo{}, kNow).spans.empty());
  EXPECT_EQ(DefaultTimelineRun(LoginTree{}), -1);
}

}  // namespace
}  // namespace brenvik
