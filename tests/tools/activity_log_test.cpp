#include "activity_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik::service {
namespace {

class ActivityLogTest : public ::testing::Test {
 protected:
  std::string data() const { return dir_.path(); }
  std::string state() const { return dir_.File("state"); }
  std::string copy() const { return dir_.File(kHandOverFile); }
  std::string Copied() {
    const std::string text = ReadFileBytes(copy());
    test::NativeFiles().RemoveFile(copy());
    return text;
  }
  std::unique_ptr<StateFile> stateFile_ = nullptr;
  std::unique_ptr<ActivityLog> Open() {
    stateFile_ = std::make_unique<StateFile>(test::NativeFiles(), state());
    auto log = std::make_unique<ActivityLog>(test::NativeFiles(), data(), dir_.File(kLogFile),
                                             false, *stateFile_);
    log->Open();
    return log;
  }

  test::TempDir dir_;
};

TEST_F(ActivityLogTest, HandsOverOnlyTheLinesNotHandedOverBefore) {
  auto log = Open();
  log->Append("one");
  log->Append("two");
  EXPECT_EQ(log->HandOver().lines, 2u);
  EXPECT_EQ(Copied(), "one\r\ntwo");
  log->Append("three");
  log = Open();  // a restart in between
  EXPECT_EQ(log->HandOver().lines, 1u);
  EXPECT_EQ(Copied(), "three");
  EXPECT_EQ(ReadFileBytes(dir_.File(kLogFile)), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(ActivityLogTest, WithNothingNewTheFileIsEmptySoTheWindowNeedNotWait) {
  auto log = Open();
  EXPECT_EQ(log->HandOver().lines, 0u);
  EXPECT_EQ(Copied(), "");
}

TEST_F(ActivityLogTest, AFileTheWindowHasNotTakenIsLeftAndTheLinesWait) {
  auto log = Open();
  log->Append("one");
  dir_.Write(kHandOverFile, "earlier");
  const HandOverResult result = log->HandOver();
  EXPECT_TRUE(result.deferred);
  EXPECT_EQ(Copied(), "earlier");
  EXPECT_EQ(log->HandOver().lines, 1u);
  EXPECT_EQ(Copied(), "one");
}

TEST_F(ActivityLogTest, AStopBeforeTheRenameIsFinishedWithoutRepeatingOrLosing) {
  auto log = Open();
  log->Append("one");
  log->Append("two");
  // As a stop after the state was saved and before the rename leaves it.
  stateFile_->state().handedOver = 10;
  stateFile_->state().pending = true;
  stateFile_->Save();
  dir_.Write(kNextHandOverFile, "one\r\ntwo");
  log = Open();
  log->Append("three");
  EXPECT_EQ(log->HandOver().lines, 2u);
  EXPECT_EQ(Copied(), "one\r\ntwo");
  EXPECT_EQ(log->HandOver().lines, 1u);
  EXPECT_EQ(Copied(), "three");
  EXPECT_FALSE(PathExists(dir_.File(kNextHandOverFile)));
}

TEST_F(ActivityLogTest, ANextFileWrittenBeforeTheStateWasSavedIsDropped) {
  auto log = Open();
  log->Append("one");
  dir_.Write(kNextHandOverFile, "one");  // the state still says nothing pending
  log = Open();
  EXPECT_FALSE(PathExists(dir_.File(kNextHandOverFile)));
  EXPECT_EQ(log->HandOver().lines, 1u);
  EXPECT_EQ(Copied(), "one");
}

TEST_F(ActivityLogTest, ALineTornByACrashIsDroppedAtTheNextStart) {
  dir_.Write(kLogFile, "2013-04-30 17:05:09;0;|a;8;;\r\n2013-04-30 17:0");
  auto log = Open();
  log->Append("next");
  EXPECT_EQ(ReadFileBytes(dir_.File(kLogFile)), "2013-04-30 17:05:09;0;|a;8;;\r\nnext\r\n");
}

TEST_F(ActivityLogTest, ALogThatVanishedStartsAfreshFromItsFirstLine) {
  auto log = Open();
  log->Append("one");
  log->HandOver();
  Copied();
  std::filesystem::remove_all(data());
  log->Append("two");
  EXPECT_EQ(log->HandOver().lines, 1u);
  EXPECT_EQ(Copied(), "two");
}

TEST_F(ActivityLogTest, AReplayedLogIsReadToItsLastLineWithoutBomOrLineEnd) {
  const std::string file = dir_.Write("replay.log",
                                      "\xEF\xBB\xBF"
                                      "a\nb\n\nc");
  StateFile stateFile(test::NativeFiles(), state());
  ActivityLog log(test::NativeFiles(), data(), file, true, stateFile);
  log.Open();
  EXPECT_EQ(log.HandOver().lines, 3u);
  EXPECT_EQ(Copied(), "a\nb\n\nc");
  EXPECT_THROW(log.Append("x"), FileError);
  EXPECT_EQ(log.HandOver().lines, 0u);
}

TEST(CountLines, CountsRunsOfLineBreaksAsOneSeparator) {
  EXPECT_EQ(CountLines(""), 0u);
  EXPECT_EQ(CountLines("\r\n"), 0u);
  EXPECT_EQ(CountLines("a\r\n\r\nb\rc\n"), 3u);
}

// Lines of two runs: "L<n>;0;|;<event>;;0", event 1 opening a run.
std::string Line(int n, int event = 8) {
  return "L" + std::to_string(n) + ";0;|;" + std::to_string(event) + ";;0";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(LogCompaction, TheCutIsTheLastRunStartTaken) {
  EXPECT_EQ(CompactionCut(Line(1, 1) + "\r\n" + Line(2) + "\r\n"), 0u);
  const std::string two =
      Line(1, 1) + "\r\n" + Line(2) + "\r\n" + Line(3, 1) + "\r\n" + Line(4) + "\r\n";
  EXPECT_EQ(CompactionCut(two), 2 * (Line(1).size() + 2));
  EXPECT_EQ(CompactionCut("x;y\r\n;;;1\r\n"), 5u);
}

TEST_F(ActivityLogTest, ACompactionStoppedAtAnyStepLosesAndRepeatsNoLine) {
  for (int stopAt = 1; stopAt <= 5; ++stopAt) {
    SCOPED_TRACE("stopped after step " + std::to_string(stopAt));
    for (const char* name : {kLogFile, kHandOverFile, "state"})
      test::NativeFiles().RemoveFile(dir_.File(name));
    std::vector<std::string> expected;
    {
      auto log = Open();
      for (int n = 1; n <= 8; ++n) {
        expected.push_back(Line(n, n == 1 || n == 5 ? 1 : 8));
        log->Append(expected.back());
      }
      ASSERT_EQ(log->HandOver().lines, 8u);
    }
    std::vector<std::string> taken = SplitLines(Copied());
    {
      auto log = Open();
      for (int n = 9; n <= 10; ++n) {
        expected.push_back(Line(n));
        log->Append(expected.back());
      }
      // The recorder killed in the middle of the compaction (or not at all).
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        log->Compact(0, [stopAt](int step) {
          if (step == stopAt) ::_exit(0);
        });
        ::_exit(0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
    }
    auto log = Open();
    log->Append(Line(11));
    expected.push_back(Line(11));
    ASSERT_EQ(log->HandOver().lines, 3u);
    for (const std::string& line : SplitLines(Copied())) taken.push_back(line);
    EXPECT_EQ(taken, expected);
    // Once done, the log holds the current run only; the rest is archived.
    if (stopAt >= 4) {
      EXPECT_EQ(SplitLines(ReadFileBytes(dir_.File(kLogFile))).front(), Line(5, 1));
    }
    EXPECT_FALSE(PathExists(dir_.File(std::string(kLogFile) + kCompactSuffix)));
  }
}

}  // namespace
}  // namespace brenvik::service
