#include "watched_programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "process_scan.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik::service {
namespace {

using Strings = std::vector<std::string>;

std::vector<std::string> Texts(const std::vector<ProgramChange>& changes) {
  std::vector<std::string> texts;
  for (const ProgramChange& c : changes) {
    texts.push_back(std::string(c.started ? "start " : "end ") + c.program.path + " " +
                    std::to_string(c.program.pid) + " " + c.program.user);
  }
  return texts;
}

TEST(ParseWatchedList, ReadsTheWindowsFileFormat) {
  EXPECT_EQ(ParseWatchedList("\xEF\xBB\xBF"), Strings{});
  EXPECT_EQ(ParseWatchedList("\xEF\xBB\xBF/usr/bin/a\r\n  /opt/My Tool/b  \r\n\r\n/usr/bin/A"),
            (Strings{"/usr/bin/a", "/opt/My Tool/b"}));
  EXPECT_EQ(ParseWatchedList("/x\n/y"), (Strings{"/x", "/y"}));
}

TEST(ReadWatchedList, AMissingFileIsAnEmptyList) {
  test::TempDir dir;
  Strings warnings;
  EXPECT_EQ(ReadWatchedList(dir.File("ProgrammsToWatch.ini"),
                            [&](const std::string& w) { warnings.push_back(w); }),
            Strings{});
  EXPECT_TRUE(warnings.empty());
}

// A damaged or huge file: what can be a path is read, the rest is skipped
// and said so, and the line cut at the size limit is not taken for a path
// (its start could name another program).
TEST(ReadWatchedList, ReadsWhatIsUsableOfADamagedOrHugeFile) {
  test::TempDir dir;
  Strings warnings;
  const auto warn = [&](const std::string& w) { warnings.push_back(w); };
  const std::string nul("/usr/bin/sleep\0junk", 19);
  dir.Write("damaged.ini", "/opt/a\r\n" + nul + "\r\n\xFF\xFE/opt/b\r\n");
  EXPECT_EQ(ReadWatchedList(dir.File("damaged.ini"), warn), (Strings{"/opt/a", "\xFF\xFE/opt/b"}));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("1 damaged line"), std::string::npos) << warnings[0];

  warnings.clear();
  std::string huge = "/opt/first\r\n";
  huge += std::string(kWatchedListMaxBytes - huge.size() - 3, 'x') + "\r\n";
  huge += "/opt/cut-at-the-limit-and-beyond\r\n" + std::string(2 << 20, 'y');
  dir.Write("huge.ini", huge);
  const auto list = ReadWatchedList(dir.File("huge.ini"), warn);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ((*list)[0], "/opt/first");
  EXPECT_EQ((*list)[1].size(), kWatchedListMaxBytes - 15);  // the x line, whole
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("larger than"), std::string::npos) << warnings[0];

  // Not a file at all: unreadable, so the caller keeps the list it has.
  std::filesystem::create_directory(dir.File("folder.ini"));
  EXPECT_EQ(ReadWatchedList(dir.File("folder.ini"), warn), std::nullopt);
}

class ProgramTrackerTest : public ::testing::Test {
 protected:
  ProgramTrackerTest() : tracker_(accounts_) {
    accounts_.owners[10] = {"ann", "PC1"};
    accounts_.owners[11] = {"bob", "PC1"};
  }
  test::FakeAccounts accounts_;
  ProgramTracker tracker_;
};

TEST_F(ProgramTrackerTest, ReportsStartsAndEndsOfWatchedProgramsOnly) {
  tracker_.SetWatched({"/usr/bin/Tool"});
  EXPECT_EQ(Texts(tracker_.Update({{10, 500, "/usr/bin/tool"}, {11, 501, "/usr/bin/other"}})),
            Strings{"start /usr/bin/Tool 10 ann"});
  EXPECT_TRUE(tracker_.Update({{10, 500, "/usr/bin/tool"}}).empty());
  EXPECT_EQ(Texts(tracker_.Update({})), Strings{"end /usr/bin/Tool 10 ann"});
}

TEST_F(ProgramTrackerTest, AReusedProcessIdIsANewRun) {
  tracker_.SetWatched({"/usr/bin/tool"});
  tracker_.Update({{10, 500, "/usr/bin/tool"}});
  EXPECT_EQ(Texts(tracker_.Update({{10, 900, "/usr/bin/tool"}})),
            (Strings{"end /usr/bin/tool 10 ann", "start /usr/bin/tool 10 ann"}));
}

TEST_F(ProgramTrackerTest, AProgramTakenOffTheListEnds) {
  tracker_.SetWatched({"/usr/bin/tool"});
  tracker_.Update({{10, 500, "/usr/bin/tool"}});
  tracker_.SetWatched({});
  EXPECT_EQ(Texts(tracker_.Update({{10, 500, "/usr/bin/tool"}})),
            Strings{"end /usr/bin/tool 10 ann"});
}

TEST_F(ProgramTrackerTest, AWatchedLinkMatchesTheFileItLeadsTo) {
  test::TempDir dir;
  const std::string target = dir.Write("tool-1.2", "");
  std::filesystem::create_symlink(target, dir.File("tool"));
  tracker_.SetWatched({dir.File("tool")});
  EXPECT_EQ(Texts(tracker_.Update({{10, 1, target}})),
            Strings{"start " + dir.File("tool") + " 10 ann"});
}

TEST_F(ProgramTrackerTest, ProgramsRestoredAfterARestartAreNotStartedAgain) {
  tracker_.SetWatched({"/usr/bin/tool"});
  tracker_.Update({{10, 500, "/usr/bin/tool"}, {11, 600, "/usr/bin/tool"}});
  ProgramTracker restarted(accounts_);
  restarted.SetWatched({"/usr/bin/tool"});
  restarted.Restore(tracker_.Tracked());
  // Process 11 ended while the service was down.
  EXPECT_EQ(Texts(restarted.Update({{10, 500, "/usr/bin/tool"}})),
            Strings{"end /usr/bin/tool 11 bob"});
}

TEST(ProcessScan, ReadsTheStartTimeBehindAnAwkwardCommandName) {
  const std::string stat =
      "4242 (a) b (c) S 1 4242 4242 0 -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 987654 1000 10";
  EXPECT_EQ(StartTicksFromStat(stat), 987654u);
  EXPECT_EQ(StartTicksFromStat("garbage"), 0u);
}

TEST(ProcessScan, DropsTheMarkOfADeletedExecutable) {
  EXPECT_EQ(ExecutableFromLink("/usr/bin/tool (deleted)"), "/usr/bin/tool");
  EXPECT_EQ(ExecutableFromLink("/usr/bin/tool"), "/usr/bin/tool");
}

TEST(ProcessScan, FindsThisVeryProcess) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const auto found = ScanProcesses([&](const std::string& exe) { return exe == self; });
  ASSERT_FALSE(found.empty());
  EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const RunningProcess& p) {
    return p.pid == static_cast<std::uint32_t>(::getpid()) && p.startTicks > 0;
  }));
}

}  // namespace
}  // namespace brenvik::service
