// The Windows side of the installer test (scripts/windows-installer-test.sh):
// checks an installed Brenvik the way a user meets it, with the real
// programs in the install folder and the stand-in service on the service's
// own named pipe, serving the data tree that the installer recorded as
// FolderDataPath.
//
//   installed_check run                  the checks below (GoogleTest), on
//                                        the folder of the uninstall entry
//   installed_check wait-window SECONDS  exit 0 once a TfrmBrenvikMain window
//                                        exists, 1 when none came
//   installed_check stubborn SECONDS     pose as a running copy that ignores
//                                        WM_CLOSE, for the refusal check
//   installed_check exec FILE            run the command line in FILE (UTF-8)
//                                        as written, for the installer's /D=,
//                                        which must come last and unquoted;
//                                        exit with its exit code
//   installed_check serve SECONDS FILE   be the service for that long, handing
//                                        over the lines of FILE on the first
//                                        command 2 (scripts/screenshots-windows.sh)
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "base/file_io.h"
#include "base/utf8.h"
#include "datastore/service_link/service_channel.h"
#include "datastore/startup/startup.h"
#include "platform/registry.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_registry.h"
#include "support/temp_dir.h"
#include "support/win32/fake_service.h"

namespace brenvik {
namespace {

inline constexpr const char* kUninstallKeyPath =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brenvik";

// Two Windows runs in UTC, the first ending in a crash, with a login each.
const char* const kTwoRuns =
    "2013-04-29 08:00:00;0;PC1|ann;1;;60\r\n"
    "2013-04-29 08:01:00;0;PC1|ann;5;0;\r\n"
    "2013-04-29 17:00:00;0;PC1|ann;8;;\r\n"
    "2013-04-30 09:00:00;0;PC1|ann;1;;30\r\n"
    "2013-04-30 09:01:00;0;PC1|ann;5;0;\r\n";

// Polls until ready() or the time is up.
template <typename Ready>
bool WaitFor(Ready ready, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::optional<std::string> Environment(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  if (length == 0 || length >= 1024) return std::nullopt;
  return WideToUtf8(value, length);
}

HWND MainWindowMarker() { return ::FindWindowW(Utf8ToWide(kMainWindowClass).c_str(), nullptr); }

std::string InstallFolder() {
  auto key = Win32Registry().OpenKey(RegistryRoot::LocalMachine, kUninstallKeyPath, false);
  if (!key) return "";
  return key->ReadString("InstallLocation").value_or("");
}

std::string DataRoot() {
  auto key = Win32Registry().OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, false);
  if (!key) return "";
  return key->ReadString(kFolderDataPathValue).value_or("");
}

class Process {
 public:
  // Starts the command line in folder; output to the given files when set.
  Process(const std::string& commandLine, const std::string& folder, HANDLE out = nullptr,
          HANDLE err = nullptr) {
    std::wstring line = Utf8ToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (out) {
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = out;
      startup.hStdError = err;
    }
    started_ = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, out != nullptr, 0, nullptr,
                                Utf8ToWide(folder).c_str(), &startup, &info_);
    if (!started_) ADD_FAILURE() << LastWindowsErrorText("Cannot start " + commandLine);
  }
  ~Process() {
    if (!started_) return;
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(info_.hProcess, 99);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or nothing while it still runs after the wait.
  std::optional<DWORD> Wait(int milliseconds) {
    if (::WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION info_{};
};

// A visible top-level window of the process with the caption "Brenvik"
// (a message box of that copy), or nullptr.
HWND MessageBoxOf(DWORD processId) {
  struct Search {
    DWORD processId;
    HWND found;
  } search{processId, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t caption[64] = {};
        ::GetWindowTextW(window, caption, 64);
        if (owner == s->processId && ::IsWindowVisible(window) &&
            std::wstring(caption) == L"Brenvik") {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool MarkerOfProcess(DWORD processId) {
  HWND marker = MainWindowMarker();
  DWORD owner = 0;
  if (marker) ::GetWindowThreadProcessId(marker, &owner);
  return owner == processId;
}

HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  return ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &attributes,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class InstalledBrenvik : public ::testing::Test {
 protected:
  InstalledBrenvik()
      : root_(DataRoot()), folder_(InstallFolder()), service_(root_ + "Data\\", kServicePipeName) {}

  std::string Program(const char* name) const { return folder_ + "\\" + name; }

  const std::string root_;
  const std::string folder_;
  test::FakeService service_;
  test::TempDir scratch_;
};

TEST_F(InstalledBrenvik, InstallerRecordedTheDataTree) {
  ASSERT_FALSE(root_.empty()) << "no FolderDataPath";
  ASSERT_FALSE(folder_.empty()) << "no uninstall entry";
  // The folders the installer was told to use, when the caller names them.
  if (auto expected = Environment(L"BRENVIK_EXPECT_INSTALL_DIR")) {
    EXPECT_EQ(folder_, *expected);
  }
  if (auto expected = Environment(L"BRENVIK_EXPECT_DATA_ROOT")) {
    EXPECT_EQ(root_, *expected);
  }
  EXPECT_EQ(root_.back(), '\\');
  EXPECT_TRUE(DirectoryExists(root_ + "Settings"));
  EXPECT_TRUE(DirectoryExists(root_ + "Data\\Backup"));
  EXPECT_TRUE(Win32Registry().KeyExists(RegistryRoot::CurrentUser, kProductKeyPath));
}

// From another folder, so that the program finds its DLLs beside itself.
TEST_F(InstalledBrenvik, CommandLineReportsWhatTheServiceHandsOver) {
  service_.PrepareHandOver(kTwoRuns);
  HANDLE out = InheritableFile(scratch_.File("out.txt"));
  HANDLE err = InheritableFile(scratch_.File("err.txt"));
  ::SetEnvironmentVariableW(L"TZ", L"UTC");
  Process cli("\"" + Program("brenvik-cli.exe") + "\" --now \"2013-04-30 12:00:00\" uptime-report",
              scratch_.path(), out, err);
  ::CloseHandle(out);
  ::CloseHandle(err);
  ASSERT_TRUE(cli.started());
  EXPECT_EQ(cli.Wait(60000), std::optional<DWORD>(0)) << ReadFileBytes(scratch_.File("err.txt"));
  const std::string report = ReadFileBytes(scratch_.File("out.txt"));
  std::printf("%s", report.c_str());
  EXPECT_NE(report.find("Turned on 2 times\r\nTurned off 0 times\r\nCrashed 1 times\r\n"),
            std::string::npos)
      << report;
  // The pass kept what it processed in the data tree the installer made.
  EXPECT_TRUE(FileExists(root_ + "Data\\History.cds"));
}

TEST_F(InstalledBrenvik, WindowRunsOnceAndClosesWhenAsked) {
  Process first("\"" + Program("brenvik.exe") + "\"", scratch_.path());
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(WaitFor([&] { return MarkerOfProcess(first.id()); }, 60000))
      << "the installed brenvik.exe showed no TfrmBrenvikMain window";

  // A second start finds the first and says so in a message box, without a
  // window of its own.
  Process second("\"" + Program("brenvik.exe") + "\"", scratch_.path());
  ASSERT_TRUE(second.started());
  HWND box = nullptr;
  EXPECT_TRUE(WaitFor([&] { return (box = MessageBoxOf(second.id())) != nullptr; }, 30000))
      << "the second copy showed no message box";
  EXPECT_TRUE(MarkerOfProcess(first.id()));
  if (box) ::PostMessageW(box, WM_CLOSE, 0, 0);
  EXPECT_EQ(second.Wait(15000), std::optional<DWORD>(0));

  // The close an uninstaller asks for ends the first copy in order: its
  // settings are written to the product key.
  ::PostMessageW(MainWindowMarker(), WM_CLOSE, 0, 0);
  EXPECT_EQ(first.Wait(30000), std::optional<DWORD>(0));
  EXPECT_EQ(MainWindowMarker(), nullptr);
  auto key = Win32Registry().OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
  ASSERT_NE(key, nullptr);
  EXPECT_FALSE(key->ValueNames().empty()) << "no settings were saved at the close";
}

int WaitForWindow(int seconds) {
  return WaitFor([] { return MainWindowMarker() != nullptr; }, seconds * 1000) ? 0 : 1;
}

// A window of the running copy's class that takes WM_CLOSE and stays, and
// the copy's mutex.
int PoseAsStubbornCopy(int seconds) {
  ::CreateMutexW(nullptr, FALSE, L"BrenvikMutex");
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
    return message == WM_CLOSE ? 0 : ::DefWindowProcW(window, message, w, l);
  };
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  const std::wstring className = Utf8ToWide(kMainWindowClass);
  windowClass.lpszClassName = className.c_str();
  ::RegisterClassW(&windowClass);
  ::CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                    nullptr, windowClass.hInstance, nullptr);
  const DWORD end = ::GetTickCount() + seconds * 1000;
  while (::GetTickCount() < end) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ::Sleep(20);
  }
  return 0;
}

int RunCommandLine(const std::string& file) {
  std::string line = ReadFileBytes(file);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  Process process(line, ".");
  if (!process.started()) return 1;
  return static_cast<int>(process.Wait(INFINITE).value_or(1));
}

int Serve(int seconds, const std::string& handOverFile) {
  const std::string root = DataRoot();
  if (root.empty()) {
    std::fprintf(stderr, "no FolderDataPath\n");
    return 1;
  }
  test::FakeService service(root + "Data\\", kServicePipeName);
  service.PrepareHandOver(ReadFileBytes(handOverFile));
  ::Sleep(seconds * 1000);
  return 0;
}

}  // namespace
}  // namespace brenvik

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "run") return RUN_ALL_TESTS();
  if (mode == "wait-window" && argc == 3) return brenvik::WaitForWindow(std::atoi(argv[2]));
  if (mode == "stubborn" && argc == 3) return brenvik::PoseAsStubbornCopy(std::atoi(argv[2]));
  if (mode == "exec" && argc == 3) return brenvik::RunCommandLine(argv[2]);
  if (mode == "serve" && argc == 4) return brenvik::Serve(std::atoi(argv[2]), argv[3]);
  std::fprintf(
      stderr,
      "usage: installed_check run | wait-window S | stubborn S | exec FILE | serve S FILE\n");
  return 2;
}
