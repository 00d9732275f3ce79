// The identity of a file as the file system knows it, independent of its
// name: the activity log's state remembers which file its hand-over mark
// belongs to, so that a log replaced under the service (deleted, rotated,
// compacted) is recognised as a new one. POSIX gives device and inode,
// Windows the volume serial number and the file index.
#pragma once

#include <string>

namespace brenvik::service {

// "device:inode" (POSIX) or "volume:index" (Windows); empty when the file
// does not exist or cannot be asked.
std::string FileIdentity(const std::string& path);

// Keeps the identity of a file from passing to another one while it is held:
// POSIX gives the inode of a deleted file to the next new one, unless the
// old one is still open, so the POSIX pin holds the file open. On Windows
// nothing is held (a held file could not be deleted and made again under its
// name), and NTFS's file index carries a sequence number of its own.
class IdentityPin {
 public:
  IdentityPin() = default;
  ~IdentityPin() { Release(); }
  IdentityPin(const IdentityPin&) = delete;
  IdentityPin& operator=(const IdentityPin&) = delete;
  // Holds the file at path instead of the one held before.
  void Hold(const std::string& path);
  void Release();

 private:
  long long handle_ = -1;
};

// The file a path leads to (symbolic links followed, "." and ".." gone);
// empty when it does not exist.
std::string ResolvedPath(const std::string& path);

}  // namespace brenvik::service
