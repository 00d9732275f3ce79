#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_identity.h"

namespace brenvik::service {

std::string FileIdentity(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return {};
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

void IdentityPin::Hold(const std::string& path) {
  Release();
  handle_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

void IdentityPin::Release() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

std::string ResolvedPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return {};
  std::string result(resolved);
  ::free(resolved);
  return result;
}

}  // namespace brenvik::service
