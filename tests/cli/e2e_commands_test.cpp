// brenvik-cli's other commands and its exit statuses, run as a separate
// process over a data tree with a fake service.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/ini_file.h"
#include "base/utf8.h"
#include "base/version.h"
#include "cli_process.h"
#include "platform/posix/posix_system.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

// One Windows run, up since 2013-04-29 07:59:00 UTC.
const char* const kOneRun = "2013-04-29 08:00:00;0;PC1|ann;1;;60\r\n";
const char* const kNoon = "2013-04-30 12:00:00";

class CliCommands : public ::testing::Test {
 protected:
  CliCommands() { tree_.Service().PrepareHandOver(kOneRun); }

  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--now", kNoon});
    return tree_.Run(args);
  }

  int CommandsReceived(const std::string& command) {
    int n = 0;
    for (const std::string& message : tree_.Service().Received())
      if (message == Utf8ToUtf16LeBytes(command)) ++n;
    return n;
  }

  CliTree tree_;
};

TEST_F(CliCommands, ImportRunsOnceAndTheRefreshCountsTheImportedRun) {
  const std::string events = tree_.File("system.txt");
  WriteFileAtomic(test::NativeFiles(), events,
                  "2013-04-20 08:00:00;6005\n2013-04-20 17:00:00;6006\n");
  const CliResult first = Run({"--events", events, "import-eventlog"});
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.out, "The Import Procedure has been executed succesfully.\n");
  EXPECT_EQ(first.err, "");

  const CliResult second = Run({"--events", events, "import-eventlog"});
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.err, "");

  const std::string csv = tree_.File("history.csv");
  const CliResult report = Run({"uptime-report"});
  EXPECT_NE(report.out.find("Turned on 2 times\r\nTurned off 1 times\r\nCrashed 0 times\r\n"),
            std::string::npos)
      << report.out;
  EXPECT_TRUE(report.out.ends_with("Counting uptime since 04/20/13\r\n"));
  ASSERT_EQ(Run({"history", "--csv", csv}).status, 0);
  EXPECT_NE(
      ReadFileBytes(csv).find("\"\"\t\"Windows\"\t\"04/20/13 08:00:00\"\t\"04/20/13 17:00:00\"\t"
                              "\"09:00:00\"\t\"09:00:00\"\t\"00:00:00\"\t\"32400\"\t\"0\"\t"
                              "\"32400\"\t\"True\"\t\r\n"),
      std::string::npos)
      << ReadFileBytes(csv);
}

TEST_F(CliCommands, AnUnreadableEventLogIsAnErrorAndTheImportCanBeTriedAgain) {
  const CliResult failed = Run({"--events", tree_.File("missing.txt"), "import-eventlog"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(failed.err.starts_with("brenvik-cli: ")) << failed.err;
  EXPECT_EQ(failed.out, "");
  const std::string events = tree_.File("system.txt");
  WriteFileAtomic(test::NativeFiles(), events, "");
  EXPECT_EQ(Run({"--events", events, "import-eventlog"}).out,
            "The Import Procedure has been executed succesfully.\n");
}

TEST_F(CliCommands, WatchAddListRemoveKeepTheListAndTellTheService) {
  ASSERT_EQ(Run({"watch", "add", "/opt/a/editor", "/opt/b/viewer"}).status, 0);
  EXPECT_EQ(Run({"watch", "list"}).out, "/opt/a/editor\n/opt/b/viewer\n");
  EXPECT_EQ(ReadFileBytes(tree_.SettingsFolder() + "ProgrammsToWatch.ini"),
            "\xEF\xBB\xBF/opt/a/editor\r\n/opt/b/viewer");
  EXPECT_EQ(CommandsReceived("3;"), 1);

  // A program watched already is reported; the new one is still handed on.
  const CliResult again = Run({"watch", "add", "/opt/a/editor", "/opt/c/new"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.err, "Following programs already are watched:\n(1) /opt/a/editor\n");
  EXPECT_EQ(ReadFileBytes(tree_.SettingsFolder() + "ProgrammsToWatch.ini"),
            "\xEF\xBB\xBF/opt/a/editor\r\n/opt/b/viewer\r\n/opt/c/new");
  EXPECT_EQ(CommandsReceived("3;"), 2);

  // Removing moves the last program into the place of the removed one.
  const CliResult removed = Run({"watch", "remove", "/opt/a/editor", "/opt/x/unknown"});
  EXPECT_EQ(removed.status, 0);
  EXPECT_EQ(removed.err, "brenvik-cli: not watched: /opt/x/unknown\n");
  EXPECT_EQ(Run({"watch", "list"}).out, "/opt/c/new\n/opt/b/viewer\n");
  EXPECT_EQ(CommandsReceived("3;"), 3);
}

TEST_F(CliCommands, RelativeProgramPathsAreTakenFromTheCurrentFolder) {
  ASSERT_EQ(Run({"watch", "add", "bin/../tool"}).status, 0);
  const std::string expected = (std::filesystem::current_path() / "tool").string() + "\n";
  EXPECT_EQ(Run({"watch", "list"}).out, expected);
}

TEST_F(CliCommands, AWatchedProgramIsListedForTheSourceFilter) {
  ASSERT_EQ(Run({"watch", "add", "/opt/a/editor"}).status, 0);
  const CliResult result = Run({"history", "--source", "programs", "--program", "/opt/a/editor"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Uptime entries: 0\r\n"), std::string::npos);
  EXPECT_NE(result.out.find("    Programs:\r\n      /opt/a/editor\r\n"), std::string::npos)
      << result.out;
}

TEST_F(CliCommands, ATreeHeldByAnotherProcessIsLeftAlone) {
  PosixSingleInstance other;
  ASSERT_TRUE(other.LockDataTree(tree_.DataFolder()));
  const CliResult result = Run({"uptime-report"});
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.err, "Brenvik is already running!\n");
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(tree_.Service().Received().empty());
  EXPECT_FALSE(PathExists(tree_.DataFolder() + "History.cds"));
  EXPECT_FALSE(PathExists(tree_.DataFolder() + "UptimeLog.dat"));
}

TEST_F(CliCommands, UsageErrorsExitWithTwoBeforeTouchingTheTree) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus", "uptime-report"},
           {"history", "--period", "9"},
           {"history", "--period", "1", "--after", "2013-04-01 00:00:00"},
           {"logins", "--runs", "1-3", "--before", "2013-04-01 00:00:00"},
           {"history", "--closed", "maybe"},
           {"watch", "add"},
           {"frobnicate"},
       }) {
    const CliResult result = Run(args);
    EXPECT_EQ(result.status, 2) << args[0] << " " << args.back();
    EXPECT_NE(result.err.find("\nusage: brenvik-cli "), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
  const CliResult badTime = tree_.Run({"--now", "2013-02-30 00:00:00", "uptime-report"});
  EXPECT_EQ(badTime.status, 2);
  EXPECT_TRUE(badTime.err.starts_with(
      "brenvik-cli: --now wants \"YYYY-MM-DD HH:MM:SS\", not \"2013-02-30 00:00:00\"\n"));
  EXPECT_TRUE(tree_.Service().Received().empty());
  EXPECT_FALSE(PathExists(tree_.DataFolder() + "History.cds"));
}

TEST_F(CliCommands, AnUnknownUserIsAnErrorAndTheTablesAreStillSaved) {
  const CliResult result = Run({"history", "--user", "bob [PC1]"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "brenvik-cli: no user \"bob [PC1]\" in the user list\n");
  EXPECT_EQ(ReadFileBytes(tree_.DataFolder() + "Backup/History.cds"),
            ReadFileBytes(tree_.DataFolder() + "History.cds"));
}

TEST_F(CliCommands, ADamagedTableIsRestoredFromTheBackupsOfTheLastRun) {
  const CliResult before = Run({"uptime-report"});
  ASSERT_EQ(before.status, 0);
  WriteFileAtomic(test::NativeFiles(), tree_.DataFolder() + "History.cds", "not a table");
  const CliResult after = Run({"uptime-report"});
  EXPECT_EQ(after.status, 0);
  EXPECT_EQ(after.err, "");
  EXPECT_EQ(after.out, before.out);
}

// A last-used filter is named by the moment it was stored; with the clock
// standing still the second browse takes the next second instead of waiting.
TEST_F(CliCommands, TwoBrowsesAtTheSameMomentStoreTwoLastUsedFilters) {
  ASSERT_EQ(Run({"history"}).status, 0);
  const CliResult second = Run({"history", "--closed", "ok"});
  ASSERT_EQ(second.status, 0);
  EXPECT_NE(second.out.find("  *Event type filter\r\n    Closed normally\r\n"), std::string::npos)
      << second.out;
  EXPECT_EQ(IniFile::Load(tree_.SettingsFolder() + "filters1.ini").SectionNames(),
            (std::vector<std::string>{"04/30/13 12:00:00", "04/30/13 12:00:01"}));
}

TEST_F(CliCommands, HelpNeedsNoTree) {
  const CliResult result = tree_.Run({"help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.out.starts_with("brenvik-cli [GLOBAL OPTIONS] COMMAND [COMMAND OPTIONS]\n"));
  EXPECT_FALSE(PathExists(tree_.DataFolder() + "History.cds"));
}

TEST_F(CliCommands, VersionNeedsNoTreeAndRefusesACommandBesideIt) {
  const CliResult result = tree_.Run({"--version"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "brenvik-cli " BRENVIK_VERSION "\n");
  EXPECT_FALSE(PathExists(tree_.DataFolder() + "History.cds"));
  EXPECT_EQ(tree_.Run({"--version", "history"}).status, 2);
}

}  // namespace
}  // namespace brenvik::test
