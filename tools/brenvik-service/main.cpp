// brenvik-service: the Brenvik service stand-in for Linux. See options.h for
// the command line and service_daemon.h for what it records.
#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "datastore/service_link/service_channel.h"
#include "datastore/startup/startup.h"
#include "options.h"
#include "platform/platform.h"
#include "platform/posix/posix_registry.h"
#include "service_daemon.h"

namespace {

using namespace brenvik;
using namespace brenvik::service;

int InstallUserKey() {
  PosixRegistry registry(PosixRegistry::DefaultCurrentUserFolder(),
                         PosixRegistry::DefaultLocalMachineFolder());
  if (!registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true)) {
    std::cerr << "brenvik-service: cannot create the product key in "
              << PosixRegistry::DefaultCurrentUserFolder() << "\n";
    return 1;
  }
  std::cout << "product key present in " << PosixRegistry::DefaultCurrentUserFolder()
            << "registry.ini\n";
  return 0;
}

int Status(Platform& platform, const DataFolders& folders) {
  const auto pid = RunningServicePid(folders.dataFolder);
  if (!pid) {
    std::cout << "no brenvik-service serves " << folders.dataFolder << "\n";
    return 3;
  }
  // Command 3 only makes the service read its watched list again.
  const bool answers = SendServiceCommand(*platform.servicePipe, folders.dataFolder,
                                          kCommandReloadWatchedPrograms, "");
  std::cout << "brenvik-service (process " << *pid << ") serves " << folders.dataFolder
            << (answers ? "" : ", but does not answer on its socket") << "\n";
  return answers ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::cerr << "brenvik-service: " << error << "\n" << UsageText();
    return 64;
  }
  try {
    if (options->action == Action::Help) {
      std::cout << UsageText();
      return 0;
    }
    if (options->action == Action::InstallUserKey) return InstallUserKey();
    auto platform = CreateNativePlatform();
    const DataFolders folders = options->root.empty()
                                    ? InitDataFolders(*platform)
                                    : InitDataFoldersAt(*platform->files, options->root);
    if (options->action == Action::PrintDataFolder) {
      std::cout << folders.dataFolder << "\n";
      return 0;
    }
    if (options->action == Action::Status) return Status(*platform, folders);
    ServiceDaemon daemon(*options, folders, *platform->clock, *platform->accounts,
                         *platform->files);
    return daemon.Run();
  } catch (const Error& e) {
    std::cerr << "brenvik-service: " << e.what() << "\n";
    return 1;
  }
}
