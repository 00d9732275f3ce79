#include "state_lines.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik::service {
namespace {

// The log and state of one data folder as a (re)started service opens them.
class StateLinesTest : public ::testing::Test {
 protected:
  void Start() {
    lines_.reset();
    log_.reset();
    stateFile_ = std::make_unique<StateFile>(test::NativeFiles(), dir_.File("state"));
    log_ = std::make_unique<ActivityLog>(test::NativeFiles(), dir_.path(), dir_.File(kLogFile),
                                         false, *stateFile_);
    log_->Open();
    lines_ = std::make_unique<StateLines>(*log_, *stateFile_,
                                          [this](const std::string& w) { warnings_.push_back(w); });
    lines_->FinishUnwritten();
  }
  std::string Log() const { return ReadFileBytes(dir_.File(kLogFile)); }
  ServiceState& state() { return stateFile_->state(); }

  // Runs the service's side in a child process that dies at once after the
  // lines are appended, before the note is cleared.
  void WriteAndDieAfterAppend(const std::vector<std::string>& lines) {
    const pid_t child = ::fork();
    if (child == 0) {
      lines_->afterAppend = [] { ::_exit(0); };
      state().runOpen = true;
      lines_->WriteWithState(lines);
      ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  test::TempDir dir_;
  std::unique_ptr<StateFile> stateFile_;
  std::unique_ptr<ActivityLog> log_;
  std::unique_ptr<StateLines> lines_;
  std::vector<std::string> warnings_;
};

TEST_F(StateLinesTest, AStopBetweenAppendAndStateNeitherRepeatsNorLosesALine) {
  Start();
  lines_->Append("heartbeat");
  WriteAndDieAfterAppend({"end of a", "start of b"});
  Start();
  EXPECT_EQ(Log(), "heartbeat\r\nend of a\r\nstart of b\r\n");
  EXPECT_TRUE(state().runOpen);  // the state saved with the note stands
  EXPECT_TRUE(state().unwritten.empty());

  // Stopped after the state was saved, before the lines were appended.
  state().unwritten = {"end of b"};
  lines_->SaveState();
  Start();
  EXPECT_EQ(Log(), "heartbeat\r\nend of a\r\nstart of b\r\nend of b\r\n");
  Start();  // nothing left to finish
  EXPECT_EQ(Log(), "heartbeat\r\nend of a\r\nstart of b\r\nend of b\r\n");
  EXPECT_TRUE(warnings_.empty());
}

// A file size limit stands for a full disk: the write fails part way.
class RoomLeft {
 public:
  explicit RoomLeft(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~RoomLeft() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

TEST_F(StateLinesTest, ALineThatFindsNoRoomLeavesNoPartAndRecordingGoesOn) {
  Start();
  lines_->Append("first");
  {
    RoomLeft room(FileSize(dir_.File(kLogFile)) + 10);
    EXPECT_FALSE(lines_->Append("a line longer than the room that is left"));
    state().runOpen = true;
    lines_->WriteWithState({"a start that finds no room either"});
  }
  EXPECT_EQ(Log(), "first\r\n");
  ASSERT_FALSE(warnings_.empty());
  EXPECT_NE(warnings_[0].find("not recorded"), std::string::npos) << warnings_[0];
  // Neither did the state get ahead of the log: a start finds both as they
  // were, with no note to write.
  Start();
  EXPECT_FALSE(state().runOpen);
  EXPECT_EQ(Log(), "first\r\n");
  EXPECT_TRUE(lines_->Append("room again"));
  EXPECT_EQ(Log(), "first\r\nroom again\r\n");
}

}  // namespace
}  // namespace brenvik::service
