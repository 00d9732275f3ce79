#include "reports/uptime/uptime_report.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "datastore/startup/tables.h"
#include "reports/uptime/uptime_export.h"
#include "support/failing_file_system.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::AppendHistoryRow;
using test::HistoryRow;

const DateTime kDay = 41395;  // 2013-05-01
const DateTime kNow = kDay + 10.5;

class UptimeReport : public ::testing::Test {
 protected:
  UptimeReport() : table_(test::MakeHistoryTable()) {}

  Cursor& Report() {
    if (!report_) {
      report_ = std::make_unique<Cursor>(*table_);
      report_->SetCalcHandler(MakeHistoryCalcHandler(programs_.directory));
    }
    return *report_;
  }

  // Windows 08:00-18:00 (idle 1 h, active 8 h), a program 09:00-09:30
  // (crashed), another 10:00:00-10:00:05.
  void AddThreeRows() {
    AppendHistoryRow(*table_, {.user = "",
                               .start = kDay + 8 / 24.0,
                               .end = kDay + 18 / 24.0,
                               .idleSeconds = 3600,
                               .activeSeconds = 8 * 3600});
    AppendHistoryRow(*table_, {.user = "ann \"the admin\" [PC1]",
                               .exePath = "C:\\Apps\\edit.exe",
                               .start = kDay + 9 / 24.0,
                               .end = kDay + 9.5 / 24.0,
                               .idleSeconds = 60,
                               .activeSeconds = 1200,
                               .closedOk = false});
    AppendHistoryRow(*table_, {.user = "bob [PC1]",
                               .exePath = "/usr/bin/<tool>",
                               .start = kDay + 10 / 24.0,
                               .end = kDay + 10 / 24.0 + 5 / 86400.0,
                               .activeSeconds = 5});
  }

  test::ProgramsFixture programs_;
  std::unique_ptr<Table> table_;
  std::unique_ptr<Cursor> report_;
};

TEST_F(UptimeReport, CalculatedFieldsGiveDurationsAndTitles) {
  AddThreeRows();
  HistoryRow nullTimes;
  nullTimes.exePath = "C:\\Apps\\gone.exe";
  nullTimes.nullTimes = true;
  AppendHistoryRow(*table_, nullTimes);
  Cursor& report = Report();
  std::vector<std::string> rows;
  for (report.First(); !report.Eof(); report.Next())
    rows.push_back(report.AsText(history::kRecProgramTitle) + "|" +
                   report.AsText(history::kRecUptime) + "|" + report.AsText(history::kRecActTime) +
                   "|" + report.AsText(history::kRecIdleTime));
  EXPECT_EQ(rows, (std::vector<std::string>{"Windows|10:00:00|08:00:00|01:00:00",
                                            "edit.exe|00:30:00|00:20:00|00:01:00",
                                            "<tool>|00:00:05|00:00:05|00:00:00", "gone.exe|||"}));
  report.First();
  report.Next();
  EXPECT_EQ(RowBackground(report), kCrashColour);
  report.First();
  EXPECT_EQ(RowBackground(report), std::nullopt);
  EXPECT_EQ(ProgramTitleImageIndex(report, programs_.directory), 1);
  report.Next();
  EXPECT_EQ(ProgramTitleImageIndex(report, programs_.directory), -1);  // not cached
  programs_.directory.CacheEntry("C:\\APPS\\EDIT.EXE");
  EXPECT_EQ(ProgramTitleImageIndex(report, programs_.directory), 0);
}

TEST_F(UptimeReport, ASpanIsEmptyOnlyWhenTheStartOrItsOwnFieldIsNull) {
  AppendHistoryRow(
      *table_,
      {.user = "", .start = kDay, .idleSeconds = 60, .activeSeconds = 120, .nullEnd = true});
  AppendHistoryRow(*table_, {.user = "", .start = kDay, .end = kDay + 1 / 24.0, .nullSpans = true});
  Cursor& report = Report();
  std::vector<std::string> rows;
  for (report.First(); !report.Eof(); report.Next())
    rows.push_back(report.AsText(history::kRecUptime) + "|" + report.AsText(history::kRecActTime) +
                   "|" + report.AsText(history::kRecIdleTime));
  EXPECT_EQ(rows, (std::vector<std::string>{"|00:02:00|00:01:00", "01:00:00||"}));
}

TEST_F(UptimeReport, SummaryOfAnEmptyReport) {
  const UptimeSummary s = ShowSummary(Report(), "\r\nfilters\r\n", "<i>f</i>", kNow);
  EXPECT_EQ(s.plain,
            "___Summary___\r\nUptime entries: 0\r\nTotal uptime: 00:00:00\r\nActive: 00:00:00\r\n"
            "Active, but idle: 00:00:00\r\n\r\nfilters\r\n");
  EXPECT_EQ(s.html,
            "<p class=\"default\"><b>___Summary___</b></br></br>Uptime entries: 0</br>"
            "Total uptime: 00:00:00</br>Active: 00:00:00</br>Active, but idle: 00:00:00</br>"
            "<i>f</i></p>");
}

TEST_F(UptimeReport, SummaryOfThreeRowsWithOneCrash) {
  AddThreeRows();
  const UptimeSummary s = ShowSummary(Report(), "", "", kNow);
  EXPECT_EQ(s.plain,
            "___Summary___\r\nUptime entries: 3\r\nCrashed: 1 times\r\nTotal uptime: 10:30:05\r\n"
            "Active: 08:20:05\r\nActive, but idle: 01:01:00\r\n");
  EXPECT_EQ(s.html,
            "<p class=\"default\"><b>___Summary___</b></br></br>Uptime entries: 3</br>"
            "Crashed: 1 times </br>Total uptime: 10:30:05</br>Active: 08:20:05</br>"
            "Active, but idle: 01:01:00</br></p>");
}

TEST_F(UptimeReport, OutOfDateClosesOnlyAnOpenReport) {
  UptimeReportState state;
  ResetUptimeHistory(state, UptimeReportReset::OutOfDate);
  EXPECT_FALSE(state.noticeVisible);
  state = {true, true, false, "summary", "<p>"};
  ResetUptimeHistory(state, UptimeReportReset::OutOfDate);
  EXPECT_FALSE(state.reportOpen);
  EXPECT_FALSE(state.dataSourceEnabled);
  EXPECT_TRUE(state.noticeVisible);
  EXPECT_EQ(state.summaryText, "");
  EXPECT_EQ(state.summaryHtml, "");
  ResetUptimeHistory(state, UptimeReportReset::BrowseBegins);
  EXPECT_FALSE(state.noticeVisible);
}

TEST_F(UptimeReport, TitleClicksSortDurationsByTheirSeconds) {
  AddThreeRows();
  Cursor& report = Report();
  const auto order = [&] {
    std::vector<std::int64_t> seconds;
    for (report.First(); !report.Eof(); report.Next())
      seconds.push_back(report.AsLargeint(history::kUptimeSeconds));
    return seconds;
  };
  ASSERT_TRUE(SortReportByColumn(report, "cdsHistoryRecUptime"));
  EXPECT_EQ(report.IndexName(), "cdsHistoryRecUptime__IdxA");
  EXPECT_EQ(order(), (std::vector<std::int64_t>{5, 1800, 36000}));
  SortReportByColumn(report, "cdsHistoryRecUptime");
  EXPECT_EQ(report.IndexName(), "cdsHistoryRecUptime__IdxD");
  EXPECT_EQ(order(), (std::vector<std::int64_t>{36000, 1800, 5}));
  SortReportByColumn(report, "cdsHistoryRecUptime");
  EXPECT_EQ(order(), (std::vector<std::int64_t>{5, 1800, 36000}));
  EXPECT_EQ(SortKeyFields("cdsHistoryRecProgramTitle"),
            std::vector<std::string>{"cdsHistoryExePath"});
  EXPECT_EQ(SortKeyFields("cdsHistoryComputerUser"),
            std::vector<std::string>{"cdsHistoryComputerUser"});
}

TEST(GridRangeSelection, ShiftClickAfterAPlainClickSelectsTheRowsBetween) {
  GridRangeSelection selection;
  selection.Click(5, true, false);  // no previous plain click: only the anchor
  EXPECT_EQ(selection.Selected().size(), 0u);
  selection.Click(2, false, false);
  selection.Click(5, true, false);
  EXPECT_EQ(selection.Selected(), (std::set<std::size_t>{2, 3, 4, 5}));
  selection.Click(1, true, false);  // the anchor stays while Shift is held
  EXPECT_EQ(selection.Selected(), (std::set<std::size_t>{1, 2, 3, 4, 5}));
  selection.Click(4, false, true);
  EXPECT_EQ(selection.Selected(), (std::set<std::size_t>{1, 2, 3, 5}));
  selection.Click(3, false, false);
  EXPECT_EQ(selection.Selected(), std::set<std::size_t>{3});
}

TEST_F(UptimeReport, SelectionSummaryNamesOneProgramOrCountsRecords) {
  AddThreeRows();
  AppendHistoryRow(*table_, {.user = "",
                             .exePath = "C:\\apps\\EDIT.exe",
                             .start = kDay + 11 / 24.0,
                             .end = kDay + 12 / 24.0});
  Cursor& report = Report();
  EXPECT_FALSE(ProcessDBGridSelection(report, {2}, programs_.directory, kNow)->visible);

  auto summary = ProcessDBGridSelection(report, {2, 4}, programs_.directory, kNow);
  EXPECT_TRUE(summary->visible);
  EXPECT_EQ(summary->uptimeText, "Uptime: 1 hours 30 minutes ");
  EXPECT_EQ(summary->sourceText, "EDIT.exe (2)");
  EXPECT_EQ(summary->image, SelectionSummary::Image::None);  // not watched

  programs_.Watch("C:\\Apps\\edit.exe");
  summary = ProcessDBGridSelection(report, {2, 4}, programs_.directory, kNow);
  EXPECT_EQ(summary->image, SelectionSummary::Image::Program);
  EXPECT_EQ(summary->imageIndex, 0);

  summary = ProcessDBGridSelection(report, {1, 2, 3}, programs_.directory, kNow);
  EXPECT_EQ(summary->sourceText, "Selected Records (3)");
  EXPECT_EQ(summary->image, SelectionSummary::Image::Keep);
  EXPECT_EQ(report.RecNo(), 3u);

  Cursor windowsOnly(*table_);
  windowsOnly.SetFilter("cdsHistoryIsWindows = true");
  windowsOnly.SetFiltered(true);
  AppendHistoryRow(*table_, {.user = "", .start = kDay + 20 / 24.0, .end = kDay + 21 / 24.0});
  summary = ProcessDBGridSelection(windowsOnly, {1, 2}, programs_.directory, kNow);
  EXPECT_EQ(summary->sourceText, "Windows (My Computer) (2)");

  Cursor empty(*table_);
  empty.SetFilter("cdsHistoryExePath = 'none'");
  empty.SetFiltered(true);
  EXPECT_FALSE(ProcessDBGridSelection(empty, {1, 2}, programs_.directory, kNow));
}

TEST_F(UptimeReport, CsvOfAnEmptyReportHoldsTheTitleLineOnly) {
  EXPECT_EQ(UptimeCsvText(Report(), WithExportColumns(DefaultHistoryColumns()), LocaleInfo{}),
            "Computer user\tProgram title\tStart date and time\tClosing date and time\t"
            "Total uptime\tActive\tIdle\tTotal uptime(sec)\tIdle(sec)\tActive(sec)\t"
            "Closed normally\r\n");
}

TEST_F(UptimeReport, CsvQuotesValuesAndDoublesQuotes) {
  AddThreeRows();
  std::vector<GridColumn> layout = DefaultHistoryColumns();
  std::swap(layout[0], layout[2]);  // the user moved the title to the front
  layout[5].visible = false;
  test::TempDir dir;
  Cursor& report = Report();
  report.MoveToRecNo(2);
  ExportUptimeCsv(test::NativeFiles(), report, layout, LocaleInfo{}, dir.File("out.csv"));
  EXPECT_EQ(report.RecNo(), 2u);
  EXPECT_EQ(ReadFileBytes(dir.File("out.csv")),
            "Program title\tComputer user\tStart date and time\tClosing date and time\tActive\t"
            "Idle\tTotal uptime(sec)\tIdle(sec)\tActive(sec)\tClosed normally\r\n"
            "\"Windows\"\t\"\"\t\"2013-05-01 08:00:00\"\t\"2013-05-01 18:00:00\"\t\"08:00:00\"\t"
            "\"01:00:00\"\t\"36000\"\t\"3600\"\t\"28800\"\t\"True\"\t\r\n"
            "\"edit.exe\"\t\"ann \"\"the admin\"\" [PC1]\"\t\"2013-05-01 09:00:00\"\t"
            "\"2013-05-01 09:30:00\"\t\"00:20:00\"\t\"00:01:00\"\t\"1800\"\t\"60\"\t\"1200\"\t"
            "\"False\"\t\r\n"
            "\"<tool>\"\t\"bob [PC1]\"\t\"2013-05-01 10:00:00\"\t\"2013-05-01 10:00:05\"\t"
            "\"00:00:05\"\t\"00:00:00\"\t\"5\"\t\"0\"\t\"5\"\t\"True\"\t\r\n");
}

// The export goes to its file in pieces as the rows are read: a report of
// several pieces comes out the same as the text built whole.
TEST_F(UptimeReport, ALargeCsvExportIsTheWholeTextInPieces) {
  for (int i = 0; i < 5000; ++i) {
    AppendHistoryRow(*table_, {.user = "ann [PC1]",
                               .exePath = "C:\\Apps\\edit" + std::to_string(i % 7) + ".exe",
                               .start = kDay + i / 1440.0,
                               .end = kDay + (i + 1) / 1440.0});
  }
  Cursor& report = Report();
  const std::vector<GridColumn> layout = DefaultHistoryColumns();
  const std::string whole = UptimeCsvText(report, WithExportColumns(layout), LocaleInfo{});
  ASSERT_GT(whole.size(), 2u * 256 * 1024);
  test::TempDir dir;
  ExportUptimeCsv(test::NativeFiles(), report, layout, LocaleInfo{}, dir.File("out.csv"));
  EXPECT_EQ(ReadFileBytes(dir.File("out.csv")), whole);
}

const std::string kHtmlHead =
    "<!DOCTYPE HTML><html><head><title>Brenvik Uptime History Report</title><meta "
    "http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><style type=\"text/css\">"
    ".default{font: 8pt \"Tahoma\";color:#000000;}.header{font: 8pt \"Tahoma\";color:#000000;}"
    ".noborder{border-style:none;padding-left:4px;padding-right:4px;}.normalborder "
    "{border-top:none; border-left:none; vertical-align:top;border-right:1 dotted;"
    "border-bottom:none;padding-left:4px;padding-right:4px;}table.c4 {background-color: "
    "#FFFFFF} td.c3{font: bold 8pt}tr.c2 {padding-left:4px;padding-right:4px;}th.c1 "
    "{background-color: #ECE9D8}</style></head><body>SUMMARY</br><table class=\"default c4\" "
    "caption=\"Brenvik Uptime History Report\" border=\"1\" frame=\"box\" cellspacing=\"0\" "
    "cellpadding=\"4\"><tr class=\"header c2\"><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"100px\">Computer user</th><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"100px\">Programm title</th><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"100px\">Start date and time</th><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"100px\">Total uptime</th><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"100px\">Active</th><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"126px\">Idle</th><th class=\"c1\" height=\"17px\" align=\"left\" "
    "width=\"126px\">Crashed</th></tr>";

TEST_F(UptimeReport, HtmlOfAnEmptyReportHoldsTheHeaderRowOnly) {
  EXPECT_EQ(UptimeHtmlDocument(Report(), "SUMMARY", *programs_.fake.clock, LocaleInfo{}),
            kHtmlHead + "</table></body></html>");
}

TEST_F(UptimeReport, HtmlRowsShowYesForACrashAndEscapeData) {
  AddThreeRows();
  programs_.fake.clock->local = kNow;
  const std::string cell = "</td><td class=\"normalborder\" height=\"18px\" align=\"left\">";
  const std::string row =
      "<tr class=\"default\"><td class=\"normalborder\" height=\"18px\" align=\"left\">";
  EXPECT_EQ(UptimeHtmlDocument(Report(), "SUMMARY", *programs_.fake.clock, LocaleInfo{}),
            kHtmlHead + row + cell + "Windows" + cell + "2013-05-01 08:00:00" + cell + "10:00:00" +
                cell + "08:00:00" + cell + "01:00:00" + cell + "No</td></tr>" + row +
                "ann &quot;the admin&quot; [PC1]" + cell + "edit.exe" + cell +
                "2013-05-01 09:00:00" + cell + "00:30:00" + cell + "00:20:00" + cell + "00:01:00" +
                cell + "Yes</td></tr>" + row + "bob [PC1]" + cell + "&lt;tool&gt;" + cell +
                "2013-05-01 10:00:00" + cell + "00:00:05" + cell + "00:00:05" + cell + "00:00:00" +
                cell + "No</td></tr></table></body></html>");
}

TEST_F(UptimeReport, TwoHtmlExportsInARowTakeTheNextFreeName) {
  test::TempDir dir;
  programs_.fake.systemInfo->tempFolder = dir.path();
  Platform& p = *programs_.fake.platform;
  const std::string first = ExportUptimeHtml(test::NativeFiles(), Report(), "", *p.clock,
                                             LocaleInfo{}, *p.systemInfo, *p.shell);
  const std::string second = ExportUptimeHtml(test::NativeFiles(), Report(), "", *p.clock,
                                              LocaleInfo{}, *p.systemInfo, *p.shell);
  EXPECT_EQ(first, dir.File("Brenvik0~.html"));
  EXPECT_EQ(second, dir.File("Brenvik1~.html"));
  EXPECT_EQ(programs_.fake.shell->opened, (std::vector<std::string>{first, second}));
  EXPECT_EQ(ReadFileBytes(first).substr(0, 18), "\xEF\xBB\xBF<!DOCTYPE HTML>");
}

}  // namespace
}  // namespace brenvik
