// The charts in the HTML exports: the SVG sits between the summary and the
// table and the rest of the document is the same as without it, for the
// uptime report's file and for the login report's document; an empty report
// still gets a picture, with the plain message.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text_file.h"
#include "reports/chart/chart_svg.h"
#include "reports/chart/history_chart.h"
#include "reports/logins/login_export.h"
#include "reports/uptime/uptime_export.h"
#include "reports/uptime/uptime_report.h"
#include "support/failing_file_system.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const DateTime kDay = 41395;  // 2013-05-01

// The document with the one SVG element taken out, and that element.
std::pair<std::string, std::string> SplitOffSvg(const std::string& html) {
  const std::size_t from = html.find("<svg ");
  const std::size_t to = html.find("</svg>");
  if (from == std::string::npos || to == std::string::npos) return {html, ""};
  return {html.substr(0, from) + html.substr(to + 6), html.substr(from, to + 6 - from)};
}

class ChartExport : public ::testing::Test {
 protected:
  ChartExport() : table_(test::MakeHistoryTable()), report_(*table_) {
    report_.SetCalcHandler(MakeHistoryCalcHandler(programs_.directory));
    programs_.fake.clock->local = kDay + 3;
  }
  std::string ExportedFile() {
    test::TempDir dir;
    WriteUptimeHtmlFile(test::NativeFiles(), report_, "SUMMARY", *programs_.fake.clock,
                        LocaleInfo{}, dir.File("r.html"));
    std::string bytes = ReadFileBytes(dir.File("r.html"));
    return bytes.substr(3);  // after the byte-order mark
  }

  test::ProgramsFixture programs_;
  std::unique_ptr<Table> table_;
  Cursor report_;
};

TEST_F(ChartExport, UptimeFileCarriesTheChartAboveTheTableAndIsOtherwiseUnchanged) {
  test::AppendHistoryRow(*table_,
                         {.user = "", .start = kDay + 0.3, .end = kDay + 0.7, .closedOk = false});
  test::AppendHistoryRow(*table_, {.user = "", .start = kDay + 1.3, .end = kDay + 1.4});
  const std::string html = ExportedFile();
  const auto [rest, svg] = SplitOffSvg(html);
  ASSERT_FALSE(svg.empty());
  EXPECT_EQ(rest, UptimeHtmlDocument(report_, "SUMMARY", *programs_.fake.clock, LocaleInfo{}));
  EXPECT_NE(html.find("SUMMARY<svg "), std::string::npos);
  EXPECT_NE(html.find("</svg></br><table"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  // Two day bars, a crash mark, the timeline of the last day.
  EXPECT_NE(svg.find("<title>Wednesday 2013-05-01\n"), std::string::npos);
  EXPECT_NE(svg.find("fill=\"#f3cbaf\""), std::string::npos);
  EXPECT_NE(svg.find(">Thursday 2013-05-02</text>"), std::string::npos);
}

TEST_F(ChartExport, AnEmptyUptimeReportGetsThePlainMessage) {
  const auto [rest, svg] = SplitOffSvg(ExportedFile());
  EXPECT_NE(svg.find(std::string(">") + kEmptyChartMessage + "</text>"), std::string::npos);
  EXPECT_EQ(rest, UptimeHtmlDocument(report_, "SUMMARY", *programs_.fake.clock, LocaleInfo{}));
}

TEST(LoginChartExport, TheLoginDocumentCarriesTheTimelineBeforeItsTable) {
  TRecComputerRun run;
  run.rRunID = 3;
  run.rStartDateTime = kDay + 0.25;
  run.rEndDateTime = kDay + 0.75;
  TRecComputerRun login;
  login.rUserName = "Jörg \"admin\"";
  login.rDomain = "PC1";
  login.rStartDateTime = kDay + 0.3;
  login.rEndDateTime = kDay + 0.5;
  LoginTree tree;
  tree.AddRun(&run);
  tree.AddLogin(&login);
  const std::string svg = LoginChartSvg(tree, LocaleInfo{}, kDay + 1);
  const std::string html = LoginHtmlDocument(tree, "SUMMARY", LocaleInfo{}, kDay + 1, svg);
  EXPECT_NE(html.find("SUMMARY<svg "), std::string::npos);
  EXPECT_NE(html.find("</svg><table"), std::string::npos);
  EXPECT_EQ(SplitOffSvg(html).first, LoginHtmlDocument(tree, "SUMMARY", LocaleInfo{}, kDay + 1));
  EXPECT_NE(svg.find(">Jörg &quot;admin&quot; [PC1]</text>"), std::string::npos);
  EXPECT_NE(svg.find("<title>Computer run No.3\n"), std::string::npos);
}

}  // namespace
}  // namespace brenvik
