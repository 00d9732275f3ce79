// The idle agent and the service as the separate programs they are: the
// service in the foreground on its real pipe with a data tree of the test's,
// the agent in this session with a threshold of one second (Wine does not
// move the time of the last input, so the user of a test is always idle),
// and clients that claim another session than their own.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "activity_log.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "base/utf8.h"
#include "command_message.h"
#include "datastore/startup/startup.h"
#include "idle_report.h"
#include "platform/service_pipe.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_service_pipe.h"
#include "support/temp_dir.h"

namespace brenvik::service {
namespace {

using std::chrono::steady_clock;

class Program {
 public:
  explicit Program(const std::string& arguments) {
    std::wstring line = L"\"" + Utf8ToWide(BRENVIK_SERVICE_PATH) + L"\" " + Utf8ToWide(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &info_)) {
      ThrowLastWindowsError("Starting brenvik-service.exe");
    }
    ::CloseHandle(info_.hThread);
  }
  ~Program() {
    ::TerminateProcess(info_.hProcess, 9);
    ::WaitForSingleObject(info_.hProcess, 5000);
    ::CloseHandle(info_.hProcess);
  }
  // The exit status, or nothing while it runs after ms.
  std::optional<DWORD> Exit(DWORD ms) {
    if (::WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    ::GetExitCodeProcess(info_.hProcess, &status);
    return status;
  }

 private:
  PROCESS_INFORMATION info_{};
};

template <typename Condition>
bool WaitFor(Condition condition, int seconds) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(seconds);
  while (steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return condition();
}

std::string Send(const std::string& text) {
  Win32ServicePipe pipe(kServicePipeName, 5000);
  try {
    const std::string reply = pipe.Transact(pipe.PipePath(""), Utf8ToUtf16LeBytes(text), 4);
    return reply == CommandReply(true) ? "OK" : reply == CommandReply(false) ? "NO" : reply;
  } catch (const Error&) {
    return "";
  }
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t semicolon; (semicolon = line.find(';', start)) != std::string::npos;) {
    fields.push_back(line.substr(start, semicolon - start));
    start = semicolon + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

DWORD OwnSession() {
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  return session;
}

class IdleAgentTest : public ::testing::Test {
 protected:
  // The idle lines of the service's log.
  std::vector<std::string> IdleLines() {
    std::vector<std::string> lines;
    const std::string log = dir_.path() + "Data\\" + kLogFile;
    if (!FileExists(log)) return lines;
    const std::string text = ReadFileBytes(log);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      if (line.find(";9;") != std::string::npos) lines.push_back(line);
      start = end + 2;
    }
    return lines;
  }

  test::TempDir dir_;
};

TEST_F(IdleAgentTest, TheAgentsReportsBecomeIdleLinesAndOtherSessionsAreRefused) {
  ASSERT_NE(OwnSession(), 0u) << "tests run in a user's session";
  std::string root = dir_.path();
  root.pop_back();
  Program service("--console --heartbeat 3600 --root \"" + root + "\"");
  ASSERT_TRUE(WaitFor([] { return Send("2;") == "OK"; }, 20)) << "the service serves its pipe";

  {
    Program agent("--idle-agent --idle-after 1 --poll 200 --report-every 2");
    ASSERT_TRUE(WaitFor([this] { return !IdleLines().empty(); }, 20));
    // One agent a session: a second one ends at once.
    Program second("--idle-agent --idle-after 1 --poll 200");
    EXPECT_EQ(second.Exit(10000), std::optional<DWORD>(0));
  }
  const std::vector<std::string> lines = IdleLines();
  // date;offset;domain|user;9;seconds; with this test's user
  const std::vector<std::string> fields = SplitFields(lines.front());
  ASSERT_EQ(fields.size(), 6u) << lines.front();
  EXPECT_NE(fields[2].find('|'), std::string::npos);
  EXPECT_GT(fields[2].size(), fields[2].find('|') + 1) << lines.front();
  EXPECT_GT(std::atoi(fields[4].c_str()), 0) << lines.front();
  EXPECT_EQ(fields[5], "");

  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // past the agent's last report
  const std::string own = std::to_string(OwnSession());
  const std::string other = std::to_string(OwnSession() + 1);
  EXPECT_EQ(Send("40;" + other + ";idle;5"), "NO");
  EXPECT_EQ(Send("40;0;idle;5"), "NO");
  EXPECT_EQ(Send("40;" + own + ";asleep;5"), "NO");
  EXPECT_EQ(IdleLines().size(), lines.size());
  EXPECT_EQ(Send("40;" + own + ";active;7"), "OK");
  const std::vector<std::string> after = IdleLines();
  ASSERT_EQ(after.size(), lines.size() + 2);
  EXPECT_NE(after[after.size() - 2].find(";9;7;"), std::string::npos);
  EXPECT_NE(after.back().find(";9;0;"), std::string::npos);
}

}  // namespace
}  // namespace brenvik::service
