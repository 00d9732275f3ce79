// The named-pipe service channel against a real pipe server in the test
// process: the exact bytes of the commands, the reply cut to four bytes, and
// prompt failures when nothing serves the pipe or the service never answers.
#include <gtest/gtest.h>

#include <chrono>

#include "base/errors.h"
#include "base/utf8.h"
#include "datastore/service_link/service_channel.h"
#include "platform/win32/win32_service_pipe.h"
#include "support/temp_dir.h"
#include "support/win32/fake_service.h"

namespace brenvik {
namespace {

using test::FakeService;
using test::TempDir;
using test::UniqueTestPipeName;
using Steady = std::chrono::steady_clock;

double SecondsSince(Steady::time_point start) {
  return std::chrono::duration<double>(Steady::now() - start).count();
}

class Win32ServicePipeTest : public ::testing::Test {
 protected:
  TempDir data_;
  std::string name_ = UniqueTestPipeName();
  Win32ServicePipe pipe_{name_, 500};
};

TEST(Win32ServicePipeName, IsTheServicesPipe) {
  EXPECT_EQ(Win32ServicePipe().PipePath("C:\\Data\\"),
            "\\\\.\\pipe\\pipe server KRTV8810452MPLQWZXHBEN39017TAUYD");
}

TEST_F(Win32ServicePipeTest, CommandsArriveAsTheirExactBytes) {
  FakeService service(data_.path(), name_);
  EXPECT_TRUE(SendServiceCommand(pipe_, data_.path(), kCommandHandOverLines, ""));
  EXPECT_TRUE(SendServiceCommand(pipe_, data_.path(), kCommandReloadWatchedPrograms, ""));
  const std::string longParam(3000, 'x');
  EXPECT_TRUE(SendServiceCommand(pipe_, data_.path(), 7, "Zoë" + longParam));
  const auto received = service.Received();
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0], std::string("2\0;\0", 4));
  EXPECT_EQ(received[1], std::string("3\0;\0", 4));
  EXPECT_TRUE(received[2] == Utf8ToUtf16LeBytes("7;Zoë" + longParam))
      << received[2].size() << " bytes, starting " << received[2].substr(0, 12);
}

TEST_F(Win32ServicePipeTest, TheReplyIsCutToTheBytesAskedFor) {
  FakeService service(data_.path(), name_);
  service.SetReply("0123456789");
  EXPECT_EQ(pipe_.Transact(pipe_.PipePath(""), "2\0;\0", 4), "0123");
  service.SetReply("");
  EXPECT_EQ(pipe_.Transact(pipe_.PipePath(""), "2\0;\0", 4), "");
  EXPECT_TRUE(SendServiceCommand(pipe_, data_.path(), kCommandHandOverLines, ""));
}

TEST_F(Win32ServicePipeTest, AServiceThatHangsUpHasNotTakenTheCommand) {
  FakeService service(data_.path(), name_);
  service.SetHangUp(true);
  EXPECT_FALSE(SendServiceCommand(pipe_, data_.path(), kCommandHandOverLines, ""));
  EXPECT_EQ(service.Received().size(), 1u);
}

TEST_F(Win32ServicePipeTest, NoServerFailsAtOnce) {
  const auto start = Steady::now();
  EXPECT_FALSE(SendServiceCommand(pipe_, data_.path(), kCommandHandOverLines, ""));
  EXPECT_THROW(pipe_.Transact(pipe_.PipePath(""), "2\0;\0", 4), PlatformError);
  EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(Win32ServicePipeTest, AServiceThatNeverAnswersTimesOut) {
  FakeService service(data_.path(), name_);
  service.SetSilent(true);
  const auto start = Steady::now();
  EXPECT_FALSE(SendServiceCommand(pipe_, data_.path(), kCommandHandOverLines, ""));
  EXPECT_LT(SecondsSince(start), 2.0);
  EXPECT_EQ(service.Received().size(), 1u);
}

}  // namespace
}  // namespace brenvik
