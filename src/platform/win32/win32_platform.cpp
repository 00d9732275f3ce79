// The Win32 bundle of platform interfaces.
#include "platform/platform.h"
#include "platform/win32/win32_accounts.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_service_pipe.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_single_instance.h"
#include "platform/win32/win32_system_info.h"
#include "platform/win32/win32_version_resources.h"

namespace brenvik {

std::unique_ptr<FileSystem> CreateNativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

std::unique_ptr<Platform> CreateNativePlatform() {
  auto platform = std::make_unique<Platform>();
  platform->files = CreateNativeFileSystem();
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
