// The units behind brenvik-cli daily, metrics and --format: their options,
// the days a report covers, the table, the metric texts and the file.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "cli/cli_daily.h"
#include "cli/cli_json.h"
#include "cli/cli_metrics.h"
#include "cli/cli_options.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik::cli {
namespace {

DateTime At(int mo, int d, int h = 0, int mi = 0) { return EncodeDateTime(2026, mo, d, h, mi, 0); }
std::int64_t Day(int mo, int d) { return SplitDateTime(At(mo, d)).day; }

std::string UsageProblem(const std::vector<std::string>& args) {
  try {
    ParseCommandLine(args);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(ReportOptions, DailyMetricsAndFormatAreReadWhereTheyBelong) {
  const CommandLine daily = ParseCommandLine({"daily", "--period", "2", "--format", "json"});
  EXPECT_EQ(daily.command, Command::Daily);
  EXPECT_EQ(daily.daily.time.period, 2);
  EXPECT_EQ(daily.format, OutputFormat::Json);
  EXPECT_EQ(ParseCommandLine({"history", "--format=json"}).format, OutputFormat::Json);
  EXPECT_EQ(ParseCommandLine({"logins"}).format, OutputFormat::Text);
  EXPECT_EQ(ParseCommandLine({"metrics", "--output", "a.prom"}).metrics.outputFile, "a.prom");

  EXPECT_EQ(UsageProblem({"daily", "--period", "1", "--after", "2026-03-01 00:00:00"}),
            "--period cannot be combined with --after or --before");
  EXPECT_EQ(UsageProblem({"history", "--format", "xml"}),
            "--format wants text or json, not \"xml\"");
  EXPECT_EQ(UsageProblem({"metrics", "--format", "json"}), "unknown option --format");
  EXPECT_EQ(UsageProblem({"metrics", "--output", ""}), "--output needs a file");
  EXPECT_EQ(UsageProblem({"daily", "--output", "x"}), "unknown option --output");
}

TEST(DailyDays, FollowsThePeriodOrTheBoundsUpToToday) {
  RunSpan run;
  run.start = At(3, 2, 8);
  run.end = At(3, 5, 9);
  const std::vector<RunSpan> runs{run};
  const DateTime now = At(3, 10, 12);
  TimeOptions none;
  EXPECT_EQ(DailyDays(none, runs, now, 0).first, Day(3, 2));
  EXPECT_EQ(DailyDays(none, runs, now, 0).last, Day(3, 5));

  TimeOptions thisMonth;
  thisMonth.period = 5;
  const DayRange month = DailyDays(thisMonth, runs, now, 0);
  EXPECT_EQ(month.first, Day(3, 1));
  EXPECT_EQ(month.last, Day(3, 10));  // not the days still to come

  TimeOptions bounds;
  bounds.after = At(3, 3, 15);
  bounds.before = At(3, 5);  // midnight: the 4th is the last day
  EXPECT_EQ(DailyDays(bounds, runs, now, 0).first, Day(3, 3));
  EXPECT_EQ(DailyDays(bounds, runs, now, 0).last, Day(3, 4));
  TimeOptions afterOnly;
  afterOnly.after = At(3, 4);
  EXPECT_EQ(DailyDays(afterOnly, runs, now, 0).last, Day(3, 10));
  EXPECT_TRUE(DailyDays(none, {}, now, 0).Empty());
  // A damaged row far ahead does not stretch the report past today.
  RunSpan future = run;
  future.end = EncodeDateTime(9999, 1, 1, 0, 0, 0);
  EXPECT_EQ(DailyDays(none, {future}, now, 0).last, Day(3, 10));
  TimeOptions farBefore;
  farBefore.before = EncodeDateTime(9999, 1, 1, 0, 0, 0);
  EXPECT_EQ(DailyDays(farBefore, runs, now, 0).last, Day(3, 10));
}

TEST(DailyReportText, WithoutDaysStillEndsWithAZeroTotal) {
  LocaleInfo locale;
  EXPECT_EQ(DailyReportText({}, locale),
            "Day-by-day report: no days\r\n\r\n"
            "Date   First on  Last off  Uptime    Active    Idle      Boots  Crashes\r\n"
            "Total                      00:00:00  00:00:00  00:00:00  0      0\r\n");
}

TEST(MetricsText, EscapesLabelsByTheFormatsRules) {
  EXPECT_EQ(EscapeLabelValue("C:\\Apps\\\"x\"\n\xC3\xB8"), "C:\\\\Apps\\\\\\\"x\\\"\\n\xC3\xB8");
  MetricsFigures figures;
  figures.programs.push_back(ProgramMetrics{"a\"b", 5, true});
  const std::string text = MetricsText(figures);
  EXPECT_NE(text.find("brenvik_program_uptime_seconds_total{path=\"a\\\"b\"} 5\n"),
            std::string::npos);
  EXPECT_NE(text.find("brenvik_program_running{path=\"a\\\"b\"} 1\n"), std::string::npos);
}

TEST(MetricsText, AnEmptyHistoryGivesEveryFamilyWithZeros) {
  const std::string text = MetricsText(MetricsFigures{});
  for (const char* sample : {"brenvik_system_uptime_seconds 0\n", "brenvik_boots_total 0\n",
                             "brenvik_clean_shutdowns_total 0\n", "brenvik_crashes_total 0\n",
                             "brenvik_uptime_seconds_total 0\n", "brenvik_idle_seconds 0\n",
                             "brenvik_idle_seconds_total 0\n"})
    EXPECT_NE(text.find(sample), std::string::npos) << sample;
  EXPECT_EQ(text.find("brenvik_program"), std::string::npos);  // no family without samples
}

TEST(ProgramFigures, SumsTheRunsOfEachWatchedPathIgnoringLetterCase) {
  RunSpan windows;
  windows.start = At(3, 1, 8);
  windows.end = At(3, 1, 12);
  RunSpan ended = windows;
  ended.isWindows = false;
  ended.program = "C:\\Apps\\Tool.exe";
  ended.end = At(3, 1, 9);
  RunSpan open = ended;
  open.program = "c:\\apps\\tool.EXE";
  open.start = At(3, 1, 10);
  open.end = At(3, 1, 12);
  open.running = true;
  const std::vector<ProgramMetrics> programs =
      ProgramFigures({"C:\\Apps\\Tool.exe", "C:\\Apps\\Idle.exe"}, {windows, ended, open});
  ASSERT_EQ(programs.size(), 2U);
  EXPECT_EQ(programs[0].uptimeSeconds, 3 * 3600);
  EXPECT_TRUE(programs[0].running);
  EXPECT_EQ(programs[1].path, "C:\\Apps\\Idle.exe");
  EXPECT_EQ(programs[1].uptimeSeconds, 0);
  EXPECT_FALSE(programs[1].running);
}

TEST(WriteMetricsFile, ReplacesTheFileReadableForAllAndKeepsItWhenItCannot) {
  test::TempDir dir;
  const std::string file = dir.path() + "brenvik.prom";
  WriteMetricsFile(test::NativeFiles(), file, "old\n");
  WriteMetricsFile(test::NativeFiles(), file, "new\n");
  EXPECT_EQ(ReadFileBytes(file), "new\n");
#ifndef _WIN32
  const auto perms = std::filesystem::status(ToFsPath(file)).permissions();
  EXPECT_NE(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
#endif
  EXPECT_THROW(WriteMetricsFile(test::NativeFiles(), file + PathSeparator() + "x.prom", "x\n"),
               FileError);
  EXPECT_EQ(ReadFileBytes(file), "new\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ToFsPath(dir.path())),
                          std::filesystem::directory_iterator()),
            1);  // nothing staged is left
}

TEST(IsoMoment, WritesTheLocalTimeWithItsOffsetAndNullForAnUnsetMoment) {
  test::FakeClock clock;
  clock.offsetSeconds = -(5 * 3600 + 30 * 60);
  EXPECT_EQ(IsoMoment(At(3, 1, 23, 59), clock), "2026-03-01T23:59:00-05:30");
  clock.offsetSeconds = 7200;
  EXPECT_EQ(IsoMoment(At(3, 1), clock), "2026-03-01T00:00:00+02:00");
  EXPECT_TRUE(IsoMoment(NullDate, clock).is_null());
  EXPECT_EQ(IsoDate(Day(3, 1)), "2026-03-01");
  // Bytes that are not UTF-8 are replaced rather than failing the document.
  EXPECT_EQ(DumpJson(Json("a\xFF\"")), "\"a\xEF\xBF\xBD\\\"\"\n");
}

}  // namespace
}  // namespace brenvik::cli
