// The Windows service's pipe server on a real named pipe, with the monitor's
// own client at the other end.
#include "pipe_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/utf8.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_service_pipe.h"
#include "support/win32/fake_service.h"

namespace brenvik::service {
namespace {

class PipeServerTest : public ::testing::Test {
 protected:
  PipeServerTest()
      : name_(test::UniqueTestPipeName()),
        server_(Utf8ToWide(LocalPipePath(name_)), 500,
                [this](const ServiceCommand& command, const CommandClient&) {
                  std::lock_guard<std::mutex> lock(mutex_);
                  codes_.push_back(command.code);
                  return command.code == 2;
                }) {
    server_.Start();
  }

  std::string Send(const std::string& text) {
    Win32ServicePipe pipe(name_, 3000);
    return pipe.Transact(pipe.PipePath(""), Utf8ToUtf16LeBytes(text), 4);
  }

  // A raw client that connects and writes the bytes, as a hostile one would.
  HANDLE Connect() {
    const std::wstring path = Utf8ToWide(LocalPipePath(name_));
    HANDLE pipe = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(pipe, INVALID_HANDLE_VALUE);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
    return pipe;
  }

  std::vector<int> Codes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return codes_;
  }

  std::string name_;
  std::mutex mutex_;
  std::vector<int> codes_;
  PipeServer server_;
};

TEST_F(PipeServerTest, CarriesOutCommandsAndRepliesOkOrNo) {
  EXPECT_EQ(Send("2;"), Utf8ToUtf16LeBytes("OK"));
  EXPECT_EQ(Send("3;"), Utf8ToUtf16LeBytes("NO"));
  EXPECT_EQ(Send("x;"), Utf8ToUtf16LeBytes("NO"));  // no command: the handler is not asked
  EXPECT_EQ(Codes(), (std::vector<int>{2, 3}));
}

TEST_F(PipeServerTest, ASecondServerOfTheNameIsRefused) {
  PipeServer second(Utf8ToWide(LocalPipePath(name_)), 500,
                    [](const ServiceCommand&, const CommandClient&) { return true; });
  EXPECT_THROW(second.Start(), PlatformError);
  EXPECT_EQ(Send("2;"), Utf8ToUtf16LeBytes("OK"));  // the first one still serves
}

TEST_F(PipeServerTest, ASilentClientIsDroppedAndTheNextOneServed) {
  HANDLE silent = Connect();
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Send("2;"), Utf8ToUtf16LeBytes("OK"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  ::CloseHandle(silent);
}

TEST_F(PipeServerTest, AMegabyteMessageIsRefusedWithoutHarm) {
  std::thread writer([this] {
    HANDLE client = Connect();
    const std::string megabyte(1 << 20, '2');
    DWORD written = 0;
    ::WriteFile(client, megabyte.data(), static_cast<DWORD>(megabyte.size()), &written, nullptr);
    ::CloseHandle(client);
  });
  writer.join();
  EXPECT_EQ(Send("2;"), Utf8ToUtf16LeBytes("OK"));
  EXPECT_EQ(Codes(), std::vector<int>{2});
}

}  // namespace
}  // namespace brenvik::service
