#include "platform/posix/posix_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/posix_service_pipe.h"

namespace brenvik {
namespace {

std::string SafeName(const std::string& name) {
  std::string out;
  for (char c : name) out += (c == '/' || c == '\\') ? '_' : c;
  return out;
}

}  // namespace

std::optional<OsVersion> PosixSystemInfo::QueryOsVersion() {
  // Linux counts as the current NT generation: version code 8.
  return OsVersion{OsPlatform::NT, 10, 0, {}};
}

std::string PosixSystemInfo::TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && *tmp ? tmp : "/tmp/";
  if (folder.back() != '/') folder += '/';
  return folder;
}

PosixSingleInstance::PosixSingleInstance(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty()) folder_ = PosixSystemInfo().TempFolder();
  if (folder_.back() != '/') folder_ += '/';
}

bool PosixSingleInstance::CreateLock(const std::string& name) {
  if (held_.count(name)) return false;
  const std::string path = folder_ + SafeName(name) + "-" + std::to_string(::getuid()) + ".lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // Held by another copy; the caller only needs to know that it existed.
    ::close(fd);
    return true;
  }
  held_[name] = fd;  // kept open for the life of the process
  return false;
}

bool PosixSingleInstance::LockDataTree(const std::string& dataFolder) {
  std::string folder = dataFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::string path = folder + kDataTreeLockFile;
  if (held_.count(path)) return true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  // On a read-only disk the lock file that is there is locked all the same
  // (a lock needs no write access), so that a look at the tree still works.
  if (fd < 0 && (errno == EROFS || errno == EACCES))
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  held_[path] = fd;
  return true;
}

bool PosixSingleInstance::MainWindowExists(const std::string& windowClass) {
  // The folder is usually the shared temporary folder: a socket that another
  // user put under this user's name is no window of ours and must not keep
  // the program from starting.
  const std::string path = MainWindowSocketPath(folder_, windowClass);
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::geteuid()) {
    return false;
  }
  const int fd = ConnectUnixSocket(path, false);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::string MainWindowSocketPath(const std::string& folder, const std::string& windowClass) {
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  return base + SafeName(windowClass) + "-" + std::to_string(::getuid()) + ".sock";
}

}  // namespace brenvik
