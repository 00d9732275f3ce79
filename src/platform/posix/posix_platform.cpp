// The POSIX bundle of platform interfaces.
#include "platform/platform.h"
#include "platform/posix/posix_accounts.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_event_log.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_service_pipe.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/posix_version_resources.h"

namespace brenvik {

std::unique_ptr<FileSystem> CreateNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

std::unique_ptr<Platform> CreateNativePlatform() {
  auto platform = std::make_unique<Platform>();
  platform->files = CreateNativeFileSystem();
  platform->registry = std::make_unique<PosixRegistry>(PosixRegistry::DefaultCurrentUserFolder(),
                                                       PosixRegistry::DefaultLocalMachineFolder());
  platform->clock = std::make_unique<PosixClock>();
  platform->locale = std::make_unique<PosixLocale>();
  platform->servicePipe = std::make_unique<PosixServicePipe>();
  platform->eventLog = std::make_unique<PosixEventLog>();
  platform->accounts = std::make_unique<PosixAccounts>();
  platform->shell = std::make_unique<PosixShell>();
  platform->versionResources = std::make_unique<PosixVersionResources>();
  platform->singleInstance = std::make_unique<PosixSingleInstance>();
  platform->systemInfo = std::make_unique<PosixSystemInfo>();
  // The session starts the window program, found beside this one.
  platform->autostart = std::make_unique<DesktopEntryAutostart>(
      *platform->files, platform->shell->FolderPath(SpecialFolder::AutostartUser),
      platform->shell->ExecutableFolder() + "brenvik");
  return platform;
}

}  // namespace brenvik
