// The file operations of the Windows backend: large files read whole, files
// created with
// CreateFileW (CREATE_NEW, never through a reparse point), FlushFileBuffers,
// MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH as the
// atomic replacement (written through, so folders need no flush of their
// own), CreateHardLinkW for the second names of backups.
#pragma once

#include "platform/file_system.h"

namespace brenvik {

class Win32FileSystem : public FileSystem {
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
