#include "activity_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
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
    DeleteFileIfExists(copy());
    return text;
  }
  std::unique_ptr<StateFile> stateFile_ = nullptr;
  std::unique_ptr<ActivityLog> Open() {
    stateFile_ = std::make_unique<StateFile>(state());
    auto log = std::make_unique<ActivityLog>(data(), dir_.File(kLogFile), false, *stateFile_);
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
  StateFile stateFile(state());
  ActivityLog log(data(), file, true, stateFile);
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

}  // namespace
}  // namespace brenvik::service
