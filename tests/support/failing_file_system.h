// A FileSystem for tests that passes every call to a real one, counts the
// calls per operation, and fails the ones a test asks it to: the disk fills
// up from the Nth write on, flushes fail, atomic renames fail. What a unit
// does on a failing disk (keep the old file whole, say what went wrong) is
// then checked against real files in a temporary folder.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/errors.h"
#include "platform/file_system.h"

namespace brenvik::test {

// The text of the FileError that action raises (empty when none).
template <typename Action>
std::string FileErrorOf(Action action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return {};
}

// The reasons the failing disk gives, as a POSIX system words them.
inline constexpr const char* kDiskFullReason = "No space left on device";
inline constexpr const char* kFlushFailedReason = "Input/output error";
inline constexpr const char* kRenameFailedReason = "Permission denied";

// How many times each operation was called (a write to any file counts
// once per call).
struct FileSystemCalls {
  int mapFile = 0;
  int createNewFile = 0;
  int openForAppend = 0;
  int write = 0;
  int close = 0;
  int syncFile = 0;
  int atomicRename = 0;
  int syncFolder = 0;
  int linkFile = 0;
  int removeFile = 0;
  int renameFile = 0;
  int truncateFile = 0;
  int createFolders = 0;
  int Total() const;
};

class FailingFileSystem : public FileSystem {
 public:
  // Wraps the backend's own file operations.
  FailingFileSystem();
  explicit FailingFileSystem(std::unique_ptr<FileSystem> real);

  // From the nth write on (counted from now, 1 = the next one) every write
  // fails as on a full disk, until Heal.
  void DiskFullFromWrite(int n);
  // Every flush of a file fails, until Heal.
  void FailSyncs() { failSyncs_ = true; }
  // Every atomic rename fails, until Heal.
  void FailAtomicRenames() { failAtomicRenames_ = true; }
  void Heal();

  // Called at each flush of a file and before and after each atomic
  // rename: a test records there what a crash at that moment would leave.
  std::function<void()> atDurableStep;

  const FileSystemCalls& Calls() const { return calls_; }
  void ResetCalls() { calls_ = {}; }

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

 private:
  friend class CountedFile;
  std::unique_ptr<WritableFile> Wrap(std::unique_ptr<WritableFile> file);
  // The reason the next write fails, or empty; counts it.
  std::string NextWrite();

  std::unique_ptr<FileSystem> real_;
  FileSystemCalls calls_;
  int writesBeforeFull_ = -1;  // -1: the disk never fills
  bool failSyncs_ = false;
  bool failAtomicRenames_ = false;
};

// The backend's file operations, for tests that prepare files.
FileSystem& NativeFiles();

}  // namespace brenvik::test
