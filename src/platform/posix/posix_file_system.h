// The file operations of the POSIX backend: mmap for large reads, open with
// O_NOFOLLOW, fsync of the file and of its folder after a rename, rename(2)
// as the atomic replacement, link(2) for the second names of backups.
#pragma once

#include "platform/file_system.h"

namespace brenvik {

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<MappedFile> MapFile(const std::string& path, std::string& reason) override;
  std::unique_ptr<WritableFile> CreateNewFile(const std::string& path,
                                              std::string& reason) override;
  std::unique_ptr<WritableFile> OpenForAppend(const std::string& path,
                                              std::string& reason) override;
  std::string SyncFile(const std::string& path) override;
  std::string AtomicRename(const std::string& from, const std::string& to) override;
  void SyncFolder(const std::string& folder) override;
  bool LinkFile(const std::string& from, const std::string& to) override;
  bool RemoveFile(const std::string& path) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  std::string TruncateFile(const std::string& path, std::uint64_t size) override;
  bool CreateFolders(const std::string& path) override;
};

}  // namespace brenvik
