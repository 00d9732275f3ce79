// brenvik-cli daily, --format json and metrics as a user or a script runs
// them, over a data tree whose fake service hands over four days: a run
// across midnight that ends in a crash, a run during which the clock was set
// an hour forward, a day without a run, and a run still going on, with a
// tracked program whose path holds a quote, a back-slash and a non-ASCII
// letter. The JSON documents are checked against the schema in docs/ with
// python3-jsonschema, the metrics with promtool.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "cli_process.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

using Json = nlohmann::json;

// UTC lines (the tree runs in UTC unless a test says otherwise).
//   Run 1: up since 03-01 20:00:00 (60 s before its line); the heartbeat at
//          03-02 02:00 is its last line, so it crashed then: 6 h, 4 h of them
//          on the 1st and 2 h on the 2nd.
//   Run 2: up since 03-02 08:00:00; at 10:00 the clock is set to 11:00, which
//          moves the run's start to 09:00, so it lasts the 4 h it really ran
//          and shows as 09:00 to 13:00. The program ran 08:30 to 09:30.
//   03-03: no run.
//   Run 3: up since 03-04 07:59:00 and still going at noon (4 h 1 min); the
//          program has run since 09:00 (3 h).
const std::string kProgram = "/opt/Tool \"q\"\\\xC3\xB8/tool";
const std::string kFourDays =
    "2026-03-01 20:01:00;0;PC1|ann;1;;60\r\n"
    "2026-03-02 02:00:00;0;PC1|ann;8;;\r\n"
    "2026-03-02 08:00:30;0;PC1|ann;1;;30\r\n"
    "2026-03-02 08:30:00;0;PC1|ann;3;" +
    kProgram +
    ";77\r\n"
    "2026-03-02 09:30:00;0;PC1|ann;4;" +
    kProgram +
    ";77\r\n"
    "2026-03-02 10:00:00;0;PC1|ann;7;2026-03-02 11:00:00;\r\n"
    "2026-03-02 13:00:00;0;PC1|ann;2;;\r\n"
    "2026-03-04 08:00:00;0;PC1|ann;1;;60\r\n"
    "2026-03-04 09:00:00;0;PC1|ann;3;" +
    kProgram + ";78\r\n";
const char* const kNoon = "2026-03-04 12:00:00";

const char* const kDailyText =
    "Day-by-day report: 03/01/26 - 03/04/26\r\n"
    "\r\n"
    "Date      First on  Last off  Uptime    Active    Idle      Boots  Crashes\r\n"
    "03/01/26  20:00:00  24:00:00  04:00:00  00:00:00  00:00:00  1      0\r\n"
    "03/02/26  00:00:00  13:00:00  06:00:00  00:00:00  00:00:00  1      1\r\n"
    "03/03/26  -         -         00:00:00  00:00:00  00:00:00  0      0\r\n"
    "03/04/26  07:59:00  running   04:01:00  00:00:00  00:00:00  1      0\r\n"
    "Total                         14:01:00  00:00:00  00:00:00  3      1\r\n";

// A validator's run: status and what it printed.
CliResult RunTool(const std::string& command, const std::string& scratch) {
  const std::string out = scratch + "tool.txt";
  const int status = std::system((command + " > '" + out + "' 2>&1").c_str());
  CliResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFileBytes(out);
  return result;
}

// The document, after the schema's validator has accepted it.
Json SchemaValidJson(const std::string& text, const CliTree& tree) {
  const std::string file = tree.File("document.json");
  WriteFileAtomic(test::NativeFiles(), file, text);
  const CliResult check = RunTool(
      "python3 -c 'import json, sys, jsonschema; "
      "jsonschema.validate(json.load(open(sys.argv[1])),"
      " json.load(open(sys.argv[2])))' '" +
          file + "' '" BRENVIK_SOURCE_DIR "/docs/brenvik-cli.schema.json'",
      tree.File(""));
  EXPECT_EQ(check.status, 0) << check.out << text;
  return Json::parse(text);
}

class CliDailyMetrics : public ::testing::Test {
 protected:
  CliDailyMetrics() { tree_.Service().PrepareHandOver(kFourDays); }

  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--now", kNoon});
    CliResult result = tree_.Run(args);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    return result;
  }

  Json ValidJson(const std::string& text) { return SchemaValidJson(text, tree_); }

  void ExpectPromtoolAccepts(const std::string& text) {
    const std::string file = tree_.File("metrics.prom");
    WriteFileAtomic(test::NativeFiles(), file, text);
    const CliResult check = RunTool("promtool check metrics < '" + file + "'", tree_.File(""));
    EXPECT_EQ(check.status, 0) << check.out << text;
  }

  CliTree tree_;
};

TEST_F(CliDailyMetrics, DailySplitsAtMidnightAndShowsTheDayWithoutARun) {
  EXPECT_EQ(Run({"daily"}).out, kDailyText);
}

TEST_F(CliDailyMetrics, DailyKeepsToTheDaysAskedFor) {
  const std::string out =
      Run({"daily", "--after", "2026-03-02 00:00:00", "--before", "2026-03-03 00:00:00"}).out;
  EXPECT_NE(out.find("Day-by-day report: 03/02/26 - 03/02/26\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Total                         06:00:00  00:00:00  00:00:00  1      1\r\n"),
            std::string::npos)
      << out;
  // Today only: the run still going on.
  const std::string today = Run({"daily", "--period", "0"}).out;
  EXPECT_NE(today.find("03/04/26  07:59:00  running   04:01:00"), std::string::npos) << today;
}

TEST_F(CliDailyMetrics, DailyJsonHasEveryDayWithSecondsAndMomentsWithTheirOffset) {
  const Json doc = ValidJson(Run({"daily", "--format", "json"}).out);
  EXPECT_EQ(doc["command"], "daily");
  EXPECT_EQ(doc["created"], "2026-03-04T12:00:00+00:00");
  const Json& days = doc["days"];
  ASSERT_EQ(days.size(), 4U);
  EXPECT_EQ(days[0]["date"], "2026-03-01");
  EXPECT_EQ(days[0]["first_on"], "2026-03-01T20:00:00+00:00");
  EXPECT_EQ(days[0]["last_off"], "2026-03-02T00:00:00+00:00");
  EXPECT_EQ(days[0]["uptime_seconds"], 14'400);
  EXPECT_EQ(days[1]["last_off"], "2026-03-02T13:00:00+00:00");
  EXPECT_EQ(days[1]["crashes"], 1);
  EXPECT_TRUE(days[2]["first_on"].is_null());
  EXPECT_EQ(days[2]["uptime_seconds"], 0);
  EXPECT_TRUE(days[3]["running"].get<bool>());
  EXPECT_TRUE(days[3]["last_off"].is_null());
  EXPECT_EQ(doc["total"]["uptime_seconds"], 50'460);
  EXPECT_EQ(doc["total"]["boots"], 3);
}

TEST_F(CliDailyMetrics, ReportsAsJsonCarryTheirFiguresAndEscapeTheProgramPath) {
  const Json report = ValidJson(Run({"uptime-report", "--format", "json"}).out);
  EXPECT_EQ(report["current"]["uptime_seconds"], 14'460);
  EXPECT_EQ(report["total"]["uptime_seconds"], 50'460);
  EXPECT_EQ(report["turned_on"], 3);
  EXPECT_EQ(report["turned_off"], 1);
  EXPECT_EQ(report["crashed"], 1);
  EXPECT_EQ(report["last_turned_on"], "2026-03-04T07:59:00+00:00");

  const std::string historyText = Run({"history", "--format", "json"}).out;
  EXPECT_NE(historyText.find(R"("/opt/Tool \"q\"\\)"
                             "\xC3\xB8"
                             R"(/tool")"),
            std::string::npos)
      << historyText;
  const Json history = ValidJson(historyText);
  ASSERT_EQ(history["rows"].size(), 5U);
  EXPECT_EQ(history["summary"]["entries"], 5);
  int programRuns = 0, running = 0;
  for (const Json& row : history["rows"]) {
    if (row["program"] == kProgram) ++programRuns;
    if (row["running"].get<bool>()) ++running;
  }
  EXPECT_EQ(programRuns, 2);
  EXPECT_EQ(running, 2);  // the current run and the program in it

  const Json logins = ValidJson(Run({"logins", "--format", "json"}).out);
  EXPECT_EQ(logins["command"], "logins");
  // No one logged in, so the report, as its text says, lists no run.
  EXPECT_TRUE(logins["runs"].is_array());
  EXPECT_TRUE(logins["runs"].empty());
  EXPECT_EQ(logins["summary"]["runs"], 0);
  EXPECT_EQ(logins["summary"]["login_seconds"], 0);
}

TEST_F(CliDailyMetrics, NoRowsGiveEmptyArraysAndZeros) {
  const std::string crashed =
      Run({"history", "--closed", "crashed", "--source", "programs", "--format", "json"}).out;
  const Json history = ValidJson(crashed);
  EXPECT_TRUE(history["rows"].is_array());
  EXPECT_TRUE(history["rows"].empty());
  const Json none = ValidJson(Run({"daily", "--format", "json", "--after", "2027-01-01 00:00:00",
                                   "--before", "2026-12-31 00:00:00"})
                                  .out);
  EXPECT_TRUE(none["days"].empty());
  EXPECT_EQ(none["total"]["uptime_seconds"], 0);
}

TEST_F(CliDailyMetrics, MetricsPassPromtoolWithTheFiguresAndAnEscapedLabel) {
  ASSERT_EQ(Run({"watch", "add", kProgram}).status, 0);
  // No login was active, so the runs count as idle throughout, as the
  // uptime report says too.
  EXPECT_NE(Run({"uptime-report"}).out.find("   Idle time: 4 hours 1 minutes\r\n"),
            std::string::npos);
  const std::string text = Run({"metrics"}).out;
  ExpectPromtoolAccepts(text);
  for (const char* sample : {"brenvik_system_uptime_seconds 14460\n", "brenvik_boots_total 3\n",
                             "brenvik_clean_shutdowns_total 1\n", "brenvik_crashes_total 1\n",
                             "brenvik_uptime_seconds_total 50460\n", "brenvik_idle_seconds 14460\n",
                             "brenvik_idle_seconds_total 50460\n"})
    EXPECT_NE(text.find(sample), std::string::npos) << sample << text;
  const std::string label = R"({path="/opt/Tool \"q\"\\)"
                            "\xC3\xB8"
                            R"(/tool"})";
  EXPECT_NE(text.find("brenvik_program_uptime_seconds_total" + label + " 14400\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("brenvik_program_running" + label + " 1\n"), std::string::npos) << text;
}

TEST_F(CliDailyMetrics, MetricsFileIsReplacedWholeAndKeptWhenItsFolderRefuses) {
  const std::string folder = tree_.File("textfile/");
  test::NativeFiles().CreateFolders(folder);
  const std::string file = folder + "brenvik.prom";
  ASSERT_EQ(Run({"metrics", "--output", file}).out, "");
  const std::string written = ReadFileBytes(file);
  ExpectPromtoolAccepts(written);

  // Root writes into any folder; then a path under a plain file stands in
  // for a folder that refuses, and the old file is checked beside it.
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  const std::string target = ::geteuid() == 0 ? file + "/brenvik.prom" : file;
  const CliResult refused = tree_.Run({"--now", kNoon, "metrics", "--output", target});
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("brenvik-cli: Cannot create file"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFileBytes(file), written);
}

TEST(CliLoginsJson, RunsCarryTheirLoginsWithTheCsvExportsFigures) {
  // Two runs with a login of ann each, the first ending in a crash (the
  // figures of the login report's CSV export over the same lines).
  CliTree tree;
  tree.Service().PrepareHandOver(
      "2013-04-29 08:00:00;0;PC1|ann;1;;60\r\n"
      "2013-04-29 08:01:00;0;PC1|ann;5;0;\r\n"
      "2013-04-29 17:00:00;0;PC1|ann;8;;\r\n"
      "2013-04-30 09:00:00;0;PC1|ann;1;;30\r\n"
      "2013-04-30 09:01:00;0;PC1|ann;5;0;\r\n");
  const CliResult result = tree.Run({"--now", "2013-04-30 12:00:00", "logins", "--format", "json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const Json doc = SchemaValidJson(result.out, tree);
  ASSERT_EQ(doc["runs"].size(), 2U);
  const Json& first = doc["runs"][0];
  EXPECT_EQ(first["run"], 1);
  EXPECT_FALSE(first["closed_ok"].get<bool>());
  ASSERT_EQ(first["logins"].size(), 1U);
  EXPECT_EQ(first["logins"][0]["user"], "ann");
  EXPECT_EQ(first["logins"][0]["domain"], "PC1");
  EXPECT_EQ(first["logins"][0]["start"], "2013-04-29T07:59:00+00:00");
  EXPECT_EQ(first["logins"][0]["uptime_seconds"], 32'460);
  EXPECT_TRUE(doc["runs"][1]["running"].get<bool>());
  EXPECT_EQ(doc["runs"][1]["logins"][0]["end"], "2013-04-30T12:00:00+00:00");
  EXPECT_EQ(doc["summary"]["logins"], 2);
  EXPECT_EQ(doc["summary"]["crashed"], 1);
  EXPECT_EQ(doc["summary"]["login_seconds"], 43'200);
}

TEST(CliDailyAcrossSummerTime, MomentsKeepTheOffsetOfTheirRunsStart) {
  // Berlin: 2026-03-29 02:00 CET becomes 03:00 CEST. The run starts at 21:59
  // CET and stops at 08:00 UTC, which its row keeps as 09:00 in CET.
  CliTree tree;
  tree.env["TZ"] = "Europe/Berlin";
  tree.Service().PrepareHandOver(
      "2026-03-28 21:00:00;3600;PC1|ann;1;;60\r\n"
      "2026-03-29 08:00:00;7200;PC1|ann;2;;\r\n");
  const CliResult result =
      tree.Run({"--now", "2026-03-29 12:00:00", "daily", "--format", "json", "--period", "2"});
  ASSERT_EQ(result.status, 0) << result.err;
  const Json days = Json::parse(result.out)["days"];
  ASSERT_EQ(days.size(), 7U);
  EXPECT_EQ(days[5]["first_on"], "2026-03-28T21:59:00+01:00");
  EXPECT_EQ(days[5]["uptime_seconds"], 7'260);
  EXPECT_EQ(days[6]["last_off"], "2026-03-29T09:00:00+01:00");
  EXPECT_EQ(days[6]["uptime_seconds"], 32'400);
}

}  // namespace
}  // namespace brenvik::test
