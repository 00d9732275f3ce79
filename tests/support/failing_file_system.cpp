#include "support/failing_file_system.h"

#include "platform/platform.h"

namespace brenvik::test {

int FileSystemCalls::Total() const {
  return mapFile + createNewFile + openForAppend + write + close + syncFile + atomicRename +
         syncFolder + linkFile + removeFile + renameFile + truncateFile + createFolders;
}

// A real file whose writes may meet the full disk of its file system.
class CountedFile : public WritableFile {
 public:
  CountedFile(FailingFileSystem& files, std::unique_ptr<WritableFile> real)
      : files_(files), real_(std::move(real)) {}

  std::string Write(std::string_view bytes) override {
    const std::string failure = files_.NextWrite();
    return failure.empty() ? real_->Write(bytes) : failure;
  }

  std::string Close() override {
    ++files_.calls_.close;
    return real_->Close();
  }

 private:
  FailingFileSystem& files_;
  std::unique_ptr<WritableFile> real_;
};

FailingFileSystem::FailingFileSystem() : real_(CreateNativeFileSystem()) {}

FailingFileSystem::FailingFileSystem(std::unique_ptr<FileSystem> real) : real_(std::move(real)) {}

void FailingFileSystem::DiskFullFromWrite(int n) { writesBeforeFull_ = n > 1 ? n - 1 : 0; }

void FailingFileSystem::Heal() {
  writesBeforeFull_ = -1;
  failSyncs_ = false;
  failAtomicRenames_ = false;
}

std::string FailingFileSystem::NextWrite() {
  ++calls_.write;
  if (writesBeforeFull_ < 0) return {};
  if (writesBeforeFull_ == 0) return kDiskFullReason;
  --writesBeforeFull_;
  return {};
}

std::unique_ptr<WritableFile> FailingFileSystem::Wrap(std::unique_ptr<WritableFile> file) {
  if (!file) return nullptr;
  return std::make_unique<CountedFile>(*this, std::move(file));
}

std::unique_ptr<MappedFile> FailingFileSystem::MapFile(const std::string& path,
                                                       std::string& reason) {
  ++calls_.mapFile;
  return real_->MapFile(path, reason);
}

std::unique_ptr<WritableFile> FailingFileSystem::CreateNewFile(const std::string& path,
                                                               std::string& reason) {
  ++calls_.createNewFile;
  return Wrap(real_->CreateNewFile(path, reason));
}

std::unique_ptr<WritableFile> FailingFileSystem::OpenForAppend(const std::string& path,
                                                               std::string& reason) {
  ++calls_.openForAppend;
  return Wrap(real_->OpenForAppend(path, reason));
}

std::string FailingFileSystem::SyncFile(const std::string& path) {
  ++calls_.syncFile;
  if (atDurableStep) atDurableStep();
  return failSyncs_ ? kFlushFailedReason : real_->SyncFile(path);
}

std::string FailingFileSystem::AtomicRename(const std::string& from, const std::string& to) {
  ++calls_.atomicRename;
  if (failAtomicRenames_) return kRenameFailedReason;
  if (atDurableStep) atDurableStep();
  std::string failure = real_->AtomicRename(from, to);
  if (atDurableStep) atDurableStep();
  return failure;
}

void FailingFileSystem::SyncFolder(const std::string& folder) {
  ++calls_.syncFolder;
  real_->SyncFolder(folder);
}

bool FailingFileSystem::LinkFile(const std::string& from, const std::string& to) {
  ++calls_.linkFile;
  return real_->LinkFile(from, to);
}

bool FailingFileSystem::RemoveFile(const std::string& path) {
  ++calls_.removeFile;
  return real_->RemoveFile(path);
}

bool FailingFileSystem::RenameFile(const std::string& from, const std::string& to) {
  ++calls_.renameFile;
  return real_->RenameFile(from, to);
}

std::string FailingFileSystem::TruncateFile(const std::string& path, std::uint64_t size) {
  ++calls_.truncateFile;
  return real_->TruncateFile(path, size);
}

bool FailingFileSystem::CreateFolders(const std::string& path) {
  ++calls_.createFolders;
  return real_->CreateFolders(path);
}

FileSystem& NativeFiles() {
  static const std::unique_ptr<FileSystem> files = CreateNativeFileSystem();
  return *files;
}

}  // namespace brenvik::test
