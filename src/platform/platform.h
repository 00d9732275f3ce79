// The bundle of platform interfaces the core receives. It owns its parts;
// every part is always present. CreateNativePlatform() builds the bundle of the
// backend this program was built with; tests build one from fakes. Nothing
// is installed process-wide: a unit reaches the system only through the
// parts it is handed.
#pragma once

#include <memory>

#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry.h"
#include "platform/service_pipe.h"
#include "platform/session_autostart.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/system_info.h"
#include "platform/version_resources.h"

namespace brenvik {

struct Platform {
  std::unique_ptr<Registry> registry;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<Locale> locale;
  std::unique_ptr<ServicePipe> servicePipe;
  std::unique_ptr<EventLog> eventLog;
  std::unique_ptr<Accounts> accounts;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<VersionResources> versionResources;
  std::unique_ptr<SingleInstance> singleInstance;
  std::unique_ptr<SystemInfo> systemInfo;
  std::unique_ptr<SessionAutostart> autostart;
  std::unique_ptr<FileSystem> files;
};

// Implemented by the backend that is linked (POSIX or Win32).
std::unique_ptr<Platform> CreateNativePlatform();
// The backend's file operations alone, for programs and tests that write
// files but need no other part of the system.
std::unique_ptr<FileSystem> CreateNativeFileSystem();

}  // namespace brenvik
