// brenvik-cli as a user runs it: the reports over a data tree whose fake
// service hands over two Windows runs (the first ending in a crash) with a
// login in each and one run of a tracked program.
#include <gtest/gtest.h>

#include "cli_process.h"

namespace brenvik::test {
namespace {

// UTC times; the first start line says Windows had been up 60 s, the second
// 30 s. The heartbeat is the last line before the second start, so the first
// run ends there.
const char* const kTwoRuns =
    "2013-04-29 08:00:00;0;PC1|ann;1;;60\r\n"
    "2013-04-29 08:01:00;0;PC1|ann;5;0;\r\n"
    "2013-04-29 09:00:00;0;PC1|ann;3;/opt/tool/tool;4242\r\n"
    "2013-04-29 10:30:00;0;PC1|ann;4;/opt/tool/tool;4242\r\n"
    "2013-04-29 17:00:00;0;PC1|ann;8;;\r\n"
    "2013-04-30 09:00:00;0;PC1|ann;1;;30\r\n"
    "2013-04-30 09:01:00;0;PC1|ann;5;0;\r\n";

// The same activity seen from a zone three hours ahead of UTC: the same
// local moments, logged three hours earlier in UTC with the zone's offset.
const char* const kTwoRunsAtPlusThree =
    "2013-04-29 05:00:00;10800;PC1|ann;1;;60\r\n"
    "2013-04-29 05:01:00;10800;PC1|ann;5;0;\r\n"
    "2013-04-29 06:00:00;10800;PC1|ann;3;/opt/tool/tool;4242\r\n"
    "2013-04-29 07:30:00;10800;PC1|ann;4;/opt/tool/tool;4242\r\n"
    "2013-04-29 14:00:00;10800;PC1|ann;8;;\r\n"
    "2013-04-30 06:00:00;10800;PC1|ann;1;;30\r\n"
    "2013-04-30 06:01:00;10800;PC1|ann;5;0;\r\n";

const char* const kNoon = "2013-04-30 12:00:00";

// At noon the second run has been up since 08:59:30 (10830 s).
const char* const kNoonReport =
    "Uptime report at: 04/30/13 12:00:00\r\n"
    "\r\n"
    "Current\r\n"
    "   Uptime: 3 hours 30 seconds\r\n"
    "   Idle time: 1 minutes 30 seconds\r\n"
    "\r\n"
    "Total\r\n"
    "   Uptime: 12 hours 1 minutes 30 seconds\r\n"
    "   Idle time: 1 minutes 30 seconds\r\n"
    "   Downtime: 15 hours 59 minutes 30 seconds\r\n"
    "\r\n"
    "Highest Uptime (record)\r\n"
    "   9 hours 1 minutes [Date set 04/29/13]\r\n"
    "\r\n"
    "Turned on 2 times\r\n"
    "Turned off 0 times\r\n"
    "Crashed 1 times\r\n"
    "\r\n"
    "Last time was turned on at 04/30/13 08:59:30\r\n"
    "Last time was turned off at 04/29/13 17:00:00\r\n"
    "\r\n"
    "Counting uptime since 04/29/13\r\n";

class CliReports : public ::testing::Test {
 protected:
  CliReports() { tree_.Service().PrepareHandOver(kTwoRuns); }

  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--now", kNoon});
    CliResult result = tree_.Run(args);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    return result;
  }

  CliTree tree_;
};

TEST_F(CliReports, UptimeReportIsTheClipboardTextWithALineBreak) {
  EXPECT_EQ(Run({"--uptime", "10830", "uptime-report"}).out, kNoonReport);
}

// The start of the running Windows row comes from the log; the uptime given
// counts only until the first pass has written that row.
TEST_F(CliReports, TheGivenUptimeStartsTheRunUntilTheLogSaysOtherwise) {
  tree_.Service().PrepareHandOver("");
  const std::string report = Run({"--uptime", "3600", "uptime-report"}).out;
  EXPECT_NE(report.find("   Uptime: 1 hours\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("Last time was turned on at 04/30/13 11:00:00\r\n"), std::string::npos);
}

TEST_F(CliReports, HistoryCsvHasTheDefaultColumnsAndTheFiveExportColumns) {
  const std::string csv = tree_.File("history.csv");
  const CliResult result = Run({"history", "--csv", csv});
  EXPECT_EQ(ReadFileBytes(csv),
            "Computer user\tProgram title\tStart date and time\tClosing date and time\tTotal "
            "uptime\tActive\tIdle\tTotal uptime(sec)\tIdle(sec)\tActive(sec)\tClosed normally\r\n"
            "\"ann [PC1]\"\t\"tool\"\t\"04/29/13 09:00:00\"\t\"04/29/13 10:30:00\"\t\"01:30:00\"\t"
            "\"01:30:00\"\t\"00:00:00\"\t\"5400\"\t\"0\"\t\"5400\"\t\"True\"\t\r\n"
            "\"\"\t\"Windows\"\t\"04/29/13 07:59:00\"\t\"04/29/13 17:00:00\"\t\"09:01:00\"\t"
            "\"09:01:00\"\t\"00:00:00\"\t\"32460\"\t\"0\"\t\"32460\"\t\"False\"\t\r\n"
            "\"\"\t\"Windows\"\t\"04/30/13 08:59:30\"\t\"04/30/13 12:00:00\"\t\"03:00:30\"\t"
            "\"02:59:00\"\t\"00:00:00\"\t\"10830\"\t\"0\"\t\"10740\"\t\"True\"\t\r\n");
  EXPECT_EQ(result.out,
            "___Summary___\r\n"
            "Uptime entries: 3\r\n"
            "Crashed: 1 times\r\n"
            "Total uptime: 13:31:30\r\n"
            "Active: 13:30:00\r\n"
            "Active, but idle: 00:00:00\r\n"
            "\r\n"
            "____Filters used in report____\r\n"
            "\r\n"
            "Report created: Tuesday, 04/30/13 12:00:00\r\n");
}

TEST_F(CliReports, HistoryFiltersNarrowTheRowsAndAreDescribed) {
  const std::string csv = tree_.File("crashed.csv");
  const CliResult crashed =
      Run({"history", "--source", "windows", "--closed", "crashed", "--csv", csv});
  EXPECT_NE(crashed.out.find("Uptime entries: 1\r\nCrashed: 1 times\r\nTotal uptime: 09:01:00\r\n"),
            std::string::npos)
      << crashed.out;
  EXPECT_NE(crashed.out.find("  *Source filter\r\n    Windows (My Computer)\r\n\r\n"
                             "  *Event type filter\r\n    Crashed\r\n"),
            std::string::npos)
      << crashed.out;
  EXPECT_EQ(ReadFileBytes(csv).find("tool"), std::string::npos);

  const CliResult tool = Run({"history", "--source", "programs", "--program", "/opt/tool/tool",
                              "--after", "2013-04-29 10:30:00"});
  EXPECT_NE(tool.out.find("Uptime entries: 1\r\nTotal uptime: 01:30:00\r\n"), std::string::npos)
      << tool.out;
  EXPECT_NE(tool.out.find("  *Source filter\r\n    Programs:\r\n      tool\r\n"),
            std::string::npos);
  EXPECT_NE(tool.out.find("  *Time filter\r\n      After: 04/29/13 10:30:00\r\n"),
            std::string::npos);

  // One second later the program's run lies before the bound.
  const CliResult none = Run({"history", "--source", "programs", "--after", "2013-04-29 10:30:01"});
  EXPECT_NE(none.out.find("Uptime entries: 0\r\n"), std::string::npos) << none.out;
}

TEST_F(CliReports, HistoryHtmlHoldsTheSummaryAndOneRowPerEntry) {
  const std::string html = tree_.File("history.html");
  Run({"history", "--source", "windows", "--html", html});
  const std::string document = ReadFileBytes(html);
  EXPECT_TRUE(
      document.starts_with("\xEF\xBB\xBF<!DOCTYPE HTML><html><head><title>Brenvik Uptime "
                           "History Report</title>"));
  EXPECT_NE(document.find("Uptime entries: 2</br>Crashed: 1 times </br>"), std::string::npos);
  EXPECT_NE(document.find(">04/29/13 07:59:00</td><td class=\"normalborder\" height=\"18px\" "
                          "align=\"left\">09:01:00</td>"),
            std::string::npos);
  EXPECT_NE(document.find(">04/30/13 08:59:30<"), std::string::npos);
  EXPECT_EQ(document.find(">tool<"), std::string::npos);
  EXPECT_TRUE(document.ends_with("</table></body></html>"));
}

TEST_F(CliReports, LoginCsvHasOneLinePerLoginWithItsRun) {
  const std::string csv = tree_.File("logins.csv");
  const CliResult result = Run({"logins", "--csv", csv});
  EXPECT_EQ(
      ReadFileBytes(csv),
      "\xEF\xBB\xBF"
      "Computer Run\tRun Start Date and Time\tRun End Date and Time\tCrashed\tComputer User "
      "Name\tComputer Name\tLogin Date and Time\tLogoff Date and Time\tLogin Duration "
      "(sec)\tActive Session (sec)\tActive Session, but Idle (sec)\tLocked Session (sec)\t\r\n"
      "\"1\"\t\"04/29/13 07:59:00\"\t\"04/29/13 17:00:00\"\t\"True\"\t\"ann\"\t\"PC1\"\t"
      "\"04/29/13 07:59:00\"\t\"04/29/13 17:00:00\"\t\"32460\"\t\"32460\"\t\"0\"\t\"0\"\t\r\n"
      "\"2\"\t\"04/30/13 08:59:30\"\t\"04/30/13 12:00:00\"\t\"False\"\t\"ann\"\t\"PC1\"\t"
      "\"04/30/13 09:01:00\"\t\"04/30/13 12:00:00\"\t\"10740\"\t\"10740\"\t\"0\"\t\"0\"\t");
  EXPECT_EQ(result.out,
            "Report about: ann [PC1]\r\n"
            "Computer was run: 2 times\r\n"
            "Computer crashed: 1 times\r\n"
            "Logged in: 2 times\r\n"
            "\r\n"
            "_____Summary_____\r\n"
            "Login duration:\t12:00:00\r\n"
            "Active: \t\t12:00:00\r\n"
            "Active, but Idle: \t00:00:00\r\n"
            "Locked: \t\t00:00:00\r\n"
            "\r\n"
            "Report created: Tuesday, 04/30/13 12:00:00\r\n");
}

TEST_F(CliReports, LoginRunNumbersCountBackFromTheLastRun) {
  const std::string csv = tree_.File("last.csv");
  const CliResult result = Run({"logins", "--runs", "1", "--user", "ann [PC1]", "--csv", csv});
  EXPECT_NE(result.out.find("Computer was run: 1 times\r\nComputer crashed: 0 times\r\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("   *Last Runs: 1"), std::string::npos) << result.out;
  const std::string lines = ReadFileBytes(csv);
  EXPECT_EQ(lines.find("\r\n\"1\""), std::string::npos);
  EXPECT_NE(lines.find("\r\n\"2\""), std::string::npos);
}

// The browse's own pass finds a new user, which rebuilds the user list; the
// user asked for stays the one reported.
TEST_F(CliReports, AUserAskedForStaysTickedWhenTheBrowseFindsNewUsers) {
  tree_.Service().QueueHandOver("2013-04-30 10:00:00;0;PC1|bob;5;0;\r\n");
  const CliResult result = Run({"logins", "--user", "ann [PC1]"});
  EXPECT_TRUE(result.out.starts_with("Report about: ann [PC1]\r\n")) << result.out;
  EXPECT_NE(result.out.find("   *Computer User Filter\r\n      ann [PC1]\r\n"), std::string::npos);
  EXPECT_NE(Run({"logins"}).out.find("bob [PC1]  logged in: 1 times"), std::string::npos);
}

// A zone ahead of UTC: the running rows end at the given local now (UTC now
// plus the zone's offset, which the log's lines carry too), so every figure
// equals that of the same local moments in UTC.
TEST(CliTimeZone, AZoneAheadOfUtcGivesTheSameLocalReport) {
  CliTree tree;
  tree.env["TZ"] = "<+03>-3";
  tree.Service().PrepareHandOver(kTwoRunsAtPlusThree);
  const CliResult result = tree.Run({"--now", kNoon, "--uptime", "10830", "uptime-report"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, kNoonReport);
  const std::string csv = tree.File("history.csv");
  ASSERT_EQ(tree.Run({"--now", kNoon, "history", "--source", "windows", "--csv", csv}).status, 0);
  EXPECT_NE(ReadFileBytes(csv).find("\"04/30/13 08:59:30\"\t\"04/30/13 12:00:00\"\t\"03:00:30\""),
            std::string::npos);
}

}  // namespace
}  // namespace brenvik::test
