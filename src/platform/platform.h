// The bundle of platform interfaces the core receives. It owns its parts;
// every part is always present. CreateNativePlatform() builds the bundle of the
// backend this program was built with; tests build one from fakes.
#pragma once

#include <memory>

#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/event_log.h"
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
};

// Implemented by the backend that is linked (POSIX or Win32). Also installs
// the backend's durable file operations.
std::unique_ptr<Platform> CreateNativePlatform();

}  // namespace brenvik
