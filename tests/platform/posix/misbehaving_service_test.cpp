// A misbehaving or foreign service on the real socket, hand-over files of a
// gigabyte, and files planted in the data folder: the program stays within
// its time-out and a bounded amount of memory, believes only a service of
// this user or root, and never writes through a planted link.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>

#include "base/errors.h"
#include "datastore/pass/pass_fixture.h"
#include "datastore/service_link/service_channel.h"
#include "platform/platform.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_service_pipe.h"
#include "platform/posix/posix_system.h"
#include "support/failing_file_system.h"
#include "support/posix/fake_service.h"
#include "support/sanitizers.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr uid_t kOtherUser = 54321;
const std::string kStart = "2013-04-30 06:00:00;7200;PC1|ann;1;;0";
const std::string kStop = "2013-04-30 09:00:00;7200;PC1|ann;2;;";

long long MillisecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count();
}

// The largest resident size of this process so far, in MiB.
long PeakMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST(MisbehavingService, AnAnswerAfterTheTimeOutIsAFailureAndOneWithinItIsNot) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  PosixServicePipe pipe(300);
  service.SetReplyDelayMs(100);
  EXPECT_TRUE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  service.SetReplyDelayMs(700);
  const auto start = SteadyClock::now();
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  EXPECT_LT(MillisecondsSince(start), 650);
}

TEST(MisbehavingService, AFloodedReplyIsTakenAsAnAnswerWithoutWaitingOrHoldingIt) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  service.SetReplyBytes(256u << 20);
  PosixServicePipe pipe(2000);
  const long peak = PeakMiB();
  const auto start = SteadyClock::now();
  EXPECT_TRUE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  EXPECT_LT(MillisecondsSince(start), 1500);
  EXPECT_LT(PeakMiB() - peak, 64);
}

TEST(MisbehavingService, ASilentServiceCostsOneFailureAndKeepsTheLinesOfACutOffPass) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  service.SetSilent(true);
  PosixServicePipe pipe(300);
  PosixClock clock;
  WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), kStart);
  int failures = 0;
  EXPECT_EQ(FetchLogLines(ServiceLink{pipe, clock, test::NativeFiles(), dir.path()}, failures).text,
            "");
  EXPECT_EQ(failures, -1);
  EXPECT_EQ(HandOverFileText(dir.File(kCopyForMonitor2File)), kStart);
}

TEST(MisbehavingService, AServiceThatKeepsWritingAfterTheWaitLosesNoLine) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  const std::string copy = dir.File(kCopyForMonitorFile);
  // The file appears with the first line; the second follows while the
  // pass runs.
  service.SetHandOverAction([&] { WriteTextFileWithBom(test::NativeFiles(), copy, kStart); });
  PosixServicePipe pipe;
  PosixClock clock;
  const ServiceLink link{pipe, clock, test::NativeFiles(), dir.path()};
  int failures = 0;
  const FetchedLines fetched = FetchLogLines(link, failures);
  EXPECT_EQ(fetched.text, kStart);
  AppendFileDurable(test::NativeFiles(), copy, "\r\n" + kStop + "\r\n");
  EXPECT_TRUE(SettleHandOverFile(link, fetched.whole.Mark(fetched.text.size() + 1), true));
  EXPECT_EQ(HandOverFileText(copy), kStop);
}

// A hand-over file of a gigabyte whose lines lie at one end and which is
// blank (a hole of zero bytes) for the rest: taken in piece by piece.
class GigabyteHandOver : public ::testing::TestWithParam<bool> {};

TEST_P(GigabyteHandOver, IsTakenInWithBoundedMemory) {
  const bool linesFirst = GetParam();
  test::PassFixture f;
  const std::string copy = f.dir.File(kCopyForMonitorFile);
  f.Fake().servicePipe->onMessage = [&](const std::string&) {
    if (linesFirst) {
      WriteTextFileWithBom(test::NativeFiles(), copy, kStart + "\r\n" + kStop + "\r\n");
      TruncateFile(test::NativeFiles(), copy, 1u << 30);
    } else {
      WriteFileAtomic(test::NativeFiles(), copy, "");
      TruncateFile(test::NativeFiles(), copy, 1u << 30);
      AppendFileDurable(test::NativeFiles(), copy, kStart + "\r\n" + kStop);
    }
  };
  const long peak = PeakMiB();
  const auto start = SteadyClock::now();
  f.Pass("");
  EXPECT_LT(PeakMiB() - peak, 64 + test::kQuarantineMiB);
  EXPECT_LT(MillisecondsSince(start), 20000 * test::kSlowdown);
  ASSERT_EQ(f.History().size(), 1u);
  EXPECT_EQ(f.History()[0].start, test::At(8, 0));
  EXPECT_EQ(f.History()[0].end, test::At(11, 0));
  EXPECT_FALSE(FileExists(copy));
  EXPECT_LT(FileSize(f.Link().BackupFile(kJournalFile)), 1000u);
}

INSTANTIATE_TEST_SUITE_P(LinesAtEitherEnd, GigabyteHandOver, ::testing::Bool());

// Only root can make files of another user.
#define REQUIRE_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user"

TEST(ForeignService, ASocketFileOfAnotherUserIsNotBelieved) {
  REQUIRE_ROOT();
  test::TempDir dir;
  test::FakeService service(dir.path());
  PosixServicePipe pipe(500);
  ASSERT_EQ(::chown(service.socketPath().c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  EXPECT_TRUE(service.Received().empty());
  ASSERT_EQ(::chown(service.socketPath().c_str(), 0, 0), 0);
  EXPECT_TRUE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
}

TEST(ForeignService, AServerOfAnotherUserBehindATrustedSocketFileIsNotBelieved) {
  REQUIRE_ROOT();
  test::TempDir dir;
  const std::string path = dir.path() + kServicePipeName;
  // The socket file is root's; the server listening on it is another user.
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  path.copy(addr.sun_path, path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setuid(kOtherUser) != 0 || ::listen(sock, 4) != 0) ::_exit(1);
    [[maybe_unused]] ssize_t n = ::write(ready[1], "x", 1);
    const int client = ::accept(sock, nullptr, nullptr);
    const char reply[4] = {'O', 0, 'K', 0};
    char buffer[64];
    while (::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    n = ::send(client, reply, sizeof reply, MSG_NOSIGNAL);
    ::_exit(0);
  }
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  PosixServicePipe pipe(500);
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(sock);
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(ForeignService, AWindowSocketOfAnotherUserIsNoRunningCopy) {
  REQUIRE_ROOT();
  test::TempDir dir;
  PosixSingleInstance guard(dir.path());
  const std::string path = MainWindowSocketPath(dir.path(), "TfrmBrenvikMain");
  const int window = ListenUnixSocket(path, 4);
  ASSERT_GE(window, 0);
  EXPECT_TRUE(guard.MainWindowExists("TfrmBrenvikMain"));
  ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_FALSE(guard.MainWindowExists("TfrmBrenvikMain"));
  ::close(window);
}

class PlantedLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    outside = fs::path(ToFsPath(other.path())) / "precious";
    WriteFileAtomic(test::NativeFiles(), FromFsPath(outside), "precious");
  }
  std::string Plant(const std::string& name) {
    const std::string link = dir.File(name);
    fs::create_symlink(outside, ToFsPath(link));
    return link;
  }
  std::string Outside() const { return ReadFileBytes(FromFsPath(outside)); }

  test::TempDir dir;
  test::TempDir other;
  fs::path outside;
};

TEST_F(PlantedLinks, AReplacedFileReplacesTheLinkAndIsPrivate) {
  const std::string link = Plant("History.cds");
  WriteFileAtomic(test::NativeFiles(), link, "rows");
  EXPECT_EQ(Outside(), "precious");
  EXPECT_FALSE(fs::is_symlink(ToFsPath(link)));
  EXPECT_EQ(ReadFileBytes(link), "rows");
  EXPECT_EQ(fs::status(ToFsPath(link)).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PlantedLinks, AnAppendThroughALinkIsRefused) {
  const std::string link = Plant(kChangeLogFile);
  EXPECT_THROW(AppendFileDurable(test::NativeFiles(), link, "record"), FileError);
  EXPECT_EQ(Outside(), "precious");
}

TEST_F(PlantedLinks, ALockFileThatIsALinkIsNotTaken) {
  Plant(kDataTreeLockFile);
  PosixSingleInstance guard(other.path());
  EXPECT_FALSE(guard.LockDataTree(dir.path()));
  EXPECT_EQ(Outside(), "precious");
}

}  // namespace
}  // namespace brenvik
