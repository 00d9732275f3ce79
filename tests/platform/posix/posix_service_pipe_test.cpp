#include "platform/posix/posix_service_pipe.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/service_channel.h"
#include "support/failing_file_system.h"
#include "support/posix/fake_service.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(PosixServicePipe, DeliversTheExactBytesOfCommandsTwoAndThree) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  PosixServicePipe pipe;
  EXPECT_TRUE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  EXPECT_TRUE(SendServiceCommand(pipe, dir.path(), kCommandReloadWatchedPrograms, ""));
  EXPECT_EQ(service.Received(), (std::vector<std::string>{std::string("\x32\x00\x3B\x00", 4),
                                                          std::string("\x33\x00\x3B\x00", 4)}));
}

TEST(PosixServicePipe, TheServiceWritesItsHandOverFileOnCommandTwo) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  service.PrepareHandOver("2013-04-30 17:05:09;7200;PC1|ann;3;C:\\x.exe;4242");
  PosixServicePipe pipe;
  ASSERT_TRUE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  EXPECT_EQ(ReadTextFile(dir.File("CopyForMonitor.dat")),
            "\xEF\xBB\xBF"
            "2013-04-30 17:05:09;7200;PC1|ann;3;C:\\x.exe;4242");
}

TEST(PosixServicePipe, NothingListeningIsFalseAtOnce) {
  test::TempDir dir;
  PosixServicePipe pipe;
  const auto start = Clock::now();
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  EXPECT_LT(MillisecondsSince(start), 200);
  EXPECT_FALSE(PathExists(dir.File("CopyForMonitor.dat")));
}

TEST(PosixServicePipe, AStaleSocketFileIsRefused) {
  test::TempDir dir;
  // A service that ended without removing its socket file.
  const int fd = ListenUnixSocket(dir.File(kServicePipeName), 1);
  ASSERT_GE(fd, 0);
  ::close(fd);
  ASSERT_TRUE(PathExists(dir.File(kServicePipeName)));
  PosixServicePipe pipe;
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
}

TEST(PosixServicePipe, AServerThatNeverRepliesTimesOut) {
  test::TempDir dir;
  test::FakeService service(dir.path());
  service.SetSilent(true);
  PosixServicePipe pipe(300);
  const auto start = Clock::now();
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  const long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 250);
  EXPECT_LT(elapsed, 1500);
}

TEST(PosixServicePipe, APlainFileInPlaceOfTheSocketIsFalse) {
  test::TempDir dir;
  dir.Write(kServicePipeName, "not a socket");
  PosixServicePipe pipe;
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
}

TEST(PosixServicePipe, WorksInAFolderLongerThanASocketAddress) {
  test::TempDir dir;
  std::string folder = dir.path();
  while (folder.size() < 200) folder += "a-rather-long-folder-name/";
  ASSERT_TRUE(test::NativeFiles().CreateFolders(folder));
  test::FakeService service(folder);
  PosixServicePipe pipe;
  EXPECT_TRUE(SendServiceCommand(pipe, folder, kCommandHandOverLines, ""));
  EXPECT_EQ(service.Received().size(), 1u);
}

TEST(PosixServicePipe, AServerThatClosesWithoutAReplyHasNotTakenTheCommand) {
  test::TempDir dir;
  const int listener = ListenUnixSocket(dir.File(kServicePipeName), 1);
  ASSERT_GE(listener, 0);
  std::thread server([listener] {
    const int client = ::accept(listener, nullptr, nullptr);
    char buffer[16];
    while (::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(client);
  });
  PosixServicePipe pipe;
  EXPECT_FALSE(SendServiceCommand(pipe, dir.path(), kCommandHandOverLines, ""));
  server.join();
  ::close(listener);
}

TEST(PosixServicePipe, AReplyLongerThanFourBytesIsCut) {
  test::TempDir dir;
  const std::string path = dir.File("long-reply.sock");
  const int listener = ListenUnixSocket(path, 1);
  ASSERT_GE(listener, 0);
  std::thread server([listener] {
    const int client = ::accept(listener, nullptr, nullptr);
    char buffer[16];
    while (::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    ::send(client, "0123456789", 10, MSG_NOSIGNAL);
    ::close(client);
  });
  PosixServicePipe pipe;
  EXPECT_EQ(pipe.Transact(path, "x", 4), "0123");
  server.join();
  ::close(listener);
}

}  // namespace
}  // namespace brenvik
