// brenvik-cli.exe as a user runs it on Windows: a separate process on the
// Win32 backend, which asks the stand-in service on the service's own named
// pipe for the activity-log lines and reports on them.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/file_io.h"
#include "base/utf8.h"
#include "datastore/service_link/service_channel.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_shell.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"
#include "support/win32/fake_service.h"

namespace brenvik {
namespace {

// Two Windows runs in UTC, the first ending in a crash, with a login each.
const char* const kTwoRuns =
    "2013-04-29 08:00:00;0;PC1|ann;1;;60\r\n"
    "2013-04-29 08:01:00;0;PC1|ann;5;0;\r\n"
    "2013-04-29 17:00:00;0;PC1|ann;8;;\r\n"
    "2013-04-30 09:00:00;0;PC1|ann;1;;30\r\n"
    "2013-04-30 09:01:00;0;PC1|ann;5;0;\r\n";

struct CliResult {
  DWORD status = 0;
  std::string out;
  std::string err;
};

HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  return ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &attributes,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Win32Cli : public ::testing::Test {
 protected:
  Win32Cli() {
    test::NativeFiles().CreateFolders(root_.path() + "Data\\Backup");
    test::NativeFiles().CreateFolders(root_.path() + "Settings");
  }

  // brenvik-cli --root ROOT --now NOON args..., in the zone UTC.
  CliResult Run(const std::string& args) {
    const std::string program = Win32Shell().ExecutableFolder() + BRENVIK_CLI_RELATIVE_PATH;
    std::wstring line = Utf8ToWide("\"" + program + "\" --root \"" + root_.path() +
                                   "\\\" --now \"2013-04-30 12:00:00\" " + args);
    HANDLE out = InheritableFile(scratch_.File("out.txt"));
    HANDLE err = InheritableFile(scratch_.File("err.txt"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    ::SetEnvironmentVariableW(L"TZ", L"UTC");
    const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::CloseHandle(out);
    ::CloseHandle(err);
    CliResult result;
    if (!started) {
      ADD_FAILURE() << LastWindowsErrorText("Cannot start " + program);
      return result;
    }
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(process.hProcess, &result.status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    result.out = ReadFileBytes(scratch_.File("out.txt"));
    result.err = ReadFileBytes(scratch_.File("err.txt"));
    return result;
  }

  std::string DataFolder() const { return root_.path() + "Data\\"; }

  test::TempDir root_;
  test::TempDir scratch_;
};

TEST_F(Win32Cli, TheReportCountsTheRunsTheServiceHandedOver) {
  test::FakeService service(DataFolder(), kServicePipeName);
  service.PrepareHandOver(kTwoRuns);
  const CliResult report = Run("uptime-report");
  EXPECT_EQ(report.status, 0u) << report.err;
  EXPECT_EQ(report.err, "");
  EXPECT_NE(report.out.find("Current\r\n   Uptime: 3 hours 30 seconds\r\n"), std::string::npos)
      << report.out;
  EXPECT_NE(report.out.find("Turned on 2 times\r\nTurned off 0 times\r\nCrashed 1 times\r\n"),
            std::string::npos)
      << report.out;
  const auto received = service.Received();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0], std::string("2\0;\0", 4));
  EXPECT_FALSE(FileExists(DataFolder() + "CopyForMonitor.dat"));
}

TEST_F(Win32Cli, WithoutTheServiceTheReportHasOnlyTheRunningSystem) {
  const CliResult report = Run("uptime-report");
  EXPECT_EQ(report.status, 0u) << report.err;
  EXPECT_NE(report.out.find("Turned on 1 times\r\nTurned off 0 times\r\nCrashed 0 times\r\n"),
            std::string::npos)
      << report.out;
}

}  // namespace
}  // namespace brenvik
