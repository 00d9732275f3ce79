#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "records/date_time.h"

namespace brenvik::cli {
namespace {

CommandLine Parse(const std::vector<std::string>& args) { return ParseCommandLine(args); }

std::string UsageProblem(const std::vector<std::string>& args) {
  try {
    ParseCommandLine(args);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(CommandLineOptions, GlobalOptionsGoBeforeOrAfterTheCommand) {
  const CommandLine line = Parse({"--root", "/data/", "history", "--now=2013-04-30 12:00:00",
                                  "--uptime", "90", "--events", "sys.txt", "--app-events=app.txt"});
  EXPECT_EQ(line.command, Command::History);
  EXPECT_EQ(line.global.root, "/data/");
  EXPECT_EQ(line.global.now, EncodeDateTime(2013, 4, 30, 12, 0, 0));
  EXPECT_EQ(line.global.uptime, 90);
  EXPECT_EQ(line.global.events, "sys.txt");
  EXPECT_EQ(line.global.appEvents, "app.txt");
}

TEST(CommandLineOptions, HistoryFiltersAreReadWithTheirRepeats) {
  const CommandLine line = Parse({"history", "--source", "programs", "--program", "/a", "--program",
                                  "/b", "--after", "2013-05-01 08:00:00", "--closed", "crashed",
                                  "--user", "ann [PC1]", "--csv", "h.csv"});
  const HistoryOptions& h = line.history;
  EXPECT_EQ(h.sourceWindows, false);
  EXPECT_EQ(h.programs, (std::vector<std::string>{"/a", "/b"}));
  EXPECT_EQ(h.time.after, EncodeDateTime(2013, 5, 1, 8, 0, 0));
  EXPECT_FALSE(h.time.before || h.time.period);
  EXPECT_EQ(h.closedOk, false);
  EXPECT_EQ(h.users, std::vector<std::string>{"ann [PC1]"});
  EXPECT_EQ(h.csvFile, "h.csv");
  EXPECT_FALSE(h.htmlFile);
}

TEST(CommandLineOptions, WatchCommandsTakePathsAndADoubleDashEndsTheOptions) {
  const CommandLine add = Parse({"watch", "add", "/opt/a", "--root", "/r/", "--", "--odd name"});
  EXPECT_EQ(add.command, Command::WatchAdd);
  EXPECT_EQ(add.paths, (std::vector<std::string>{"/opt/a", "--odd name"}));
  EXPECT_EQ(add.global.root, "/r/");
  EXPECT_EQ(Parse({"watch", "list"}).command, Command::WatchList);
  EXPECT_EQ(Parse({"watch", "remove", "/opt/a"}).command, Command::WatchRemove);
}

TEST(CommandLineOptions, UsageErrorsSayWhatIsWrong) {
  EXPECT_EQ(UsageProblem({}), "no command given");
  EXPECT_EQ(UsageProblem({"--root"}), "--root needs a value");
  EXPECT_EQ(UsageProblem({"--uptime", "-5", "uptime-report"}),
            "--uptime wants whole seconds, not \"-5\"");
  EXPECT_EQ(UsageProblem({"--now", "2013-04-30 12:00", "uptime-report"}),
            "--now wants \"YYYY-MM-DD HH:MM:SS\", not \"2013-04-30 12:00\"");
  EXPECT_EQ(UsageProblem({"uptime-report", "--csv", "x"}), "unknown option --csv");
  EXPECT_EQ(UsageProblem({"logins", "--source", "windows"}), "unknown option --source");
  EXPECT_EQ(UsageProblem({"history", "extra"}), "unexpected argument \"extra\"");
  EXPECT_EQ(UsageProblem({"history", "--source", "windows", "--source", "programs"}),
            "--source given twice");
  EXPECT_EQ(UsageProblem({"history", "--period", "8", "--before", "2013-01-01 00:00:00"}),
            "--period cannot be combined with --after or --before");
  EXPECT_EQ(UsageProblem({"logins", "--runs", "1", "--period", "0"}),
            "--runs cannot be combined with --period, --after or --before");
  EXPECT_EQ(UsageProblem({"watch"}), "watch wants list, add or remove");
  EXPECT_EQ(UsageProblem({"watch", "remove"}),
            "watch add and watch remove want at least one program path");
  EXPECT_EQ(UsageProblem({"watch", "add", ""}), "a program path cannot be empty");
  EXPECT_EQ(UsageProblem({"history=1"}), "unknown command \"history=1\"");
  EXPECT_EQ(UsageProblem({"history", "--period", "08x"}),
            "--period wants a period number 0..8, not \"08x\"");
}

TEST(CommandLineOptions, MomentsMustBeRealDatesInTheOneForm) {
  EXPECT_EQ(ParseMoment("2012-02-29 23:59:59"), EncodeDateTime(2012, 2, 29, 23, 59, 59));
  EXPECT_FALSE(ParseMoment("2013-02-29 00:00:00"));
  EXPECT_FALSE(ParseMoment("2013-04-30 24:00:00"));
  EXPECT_FALSE(ParseMoment("2013-04-30T12:00:00"));
  EXPECT_FALSE(ParseMoment("2013-4-30 12:00:00"));
  EXPECT_FALSE(ParseMoment(" 2013-04-30 12:00:00"));
  EXPECT_FALSE(ParseMoment("0000-01-01 00:00:00"));
}

}  // namespace
}  // namespace brenvik::cli
