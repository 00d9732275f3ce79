#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "platform/platform.h"
#include "platform/win32/win32_accounts.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_service_pipe.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_single_instance.h"
#include "platform/win32/win32_system_info.h"
#include "platform/win32/win32_version_resources.h"

namespace brenvik {
namespace {

void SyncFile(const std::string& path) {
  HANDLE file =
      ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw FileError(LastWindowsErrorText("Cannot open \"" + path + "\""));
  }
  const BOOL flushed = ::FlushFileBuffers(file);
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  if (!flushed) throw FileError(WindowsErrorText("Cannot flush \"" + path + "\"", error));
}

void ReplaceFile(const std::string& from, const std::string& to) {
  if (!::MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw FileError(LastWindowsErrorText("Cannot replace \"" + to + "\""));
  }
}

}  // namespace

// The rename is written through, so the folder needs no flush of its own.
void InstallWin32DurableFileOps() { InstallDurableFileOps({&SyncFile, &ReplaceFile, nullptr}); }

std::unique_ptr<Platform> CreateNativePlatform() {
  InstallWin32DurableFileOps();
  auto platform = std::make_unique<Platform>();
  platform->registry = std::make_unique<Win32Registry>();
  platform->clock = std::make_unique<Win32Clock>();
  platform->locale = std::make_unique<Win32Locale>();
  platform->servicePipe = std::make_unique<Win32ServicePipe>();
  platform->eventLog = std::make_unique<Win32EventLog>();
  platform->accounts = std::make_unique<Win32Accounts>();
  platform->shell = std::make_unique<Win32Shell>();
  platform->versionResources = std::make_unique<Win32VersionResources>();
  platform->singleInstance = std::make_unique<Win32SingleInstance>();
  platform->systemInfo = std::make_unique<Win32SystemInfo>();
  // The session starts the window program, found beside this one.
  platform->autostart = std::make_unique<RunKeyAutostart>(
      *platform->registry, platform->shell->ExecutableFolder() + "brenvik.exe");
  return platform;
}

}  // namespace brenvik
