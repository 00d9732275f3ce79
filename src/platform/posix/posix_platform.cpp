// The POSIX bundle of platform interfaces and the durable file operations.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/errors.h"
#include "base/file_io.h"
#include "platform/platform.h"
#include "platform/posix/posix_accounts.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_error.h"
#include "platform/posix/posix_event_log.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_service_pipe.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/posix_version_resources.h"

namespace brenvik {
namespace {

void SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(PosixErrorText("Cannot open \"" + path + "\"", errno));
  const int result = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0) throw FileError(PosixErrorText("Cannot flush \"" + path + "\"", error));
}

void ReplaceFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    throw FileError(PosixErrorText("Cannot replace \"" + to + "\"", errno));
  }
}

void SyncFolderToDisk(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Data files are the user's history: created private to the user, and never
// through a symbolic link, so that a link planted in the data folder cannot
// make a write land outside it. (A rename over a link replaces the link.)
std::FILE* OpenNoFollow(const std::string& path, bool createNew) {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (createNew ? O_EXCL : O_APPEND);
  const int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, createNew ? "wb" : "ab");
  if (!file) ::close(fd);
  return file;
}

}  // namespace

void InstallPosixDurableFileOps() {
  InstallDurableFileOps({&SyncFile, &ReplaceFile, &SyncFolderToDisk, &OpenNoFollow});
}

std::unique_ptr<Platform> CreateNativePlatform() {
  InstallPosixDurableFileOps();
  auto platform = std::make_unique<Platform>();
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
      platform->shell->FolderPath(SpecialFolder::AutostartUser),
      platform->shell->ExecutableFolder() + "brenvik");
  return platform;
}

}  // namespace brenvik
