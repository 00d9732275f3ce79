#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/errors.h"
#include "base/file_io.h"

namespace brenvik {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// Data files are the user's history: created private to the user, and never
// through a symbolic link. (A rename over a link replaces the link.)
std::unique_ptr<WritableFile> OpenNoFollow(const std::string& path, bool createNew,
                                           std::string& reason) {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (createNew ? O_EXCL : O_APPEND);
  const int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0) {
    reason = Reason(errno);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, createNew ? "wb" : "ab");
  if (!file) {
    reason = Reason(errno);
    ::close(fd);
    return nullptr;
  }
  return WrapStdioFile(file);
}

class MappedBytes : public MappedFile {
 public:
  MappedBytes(void* map, std::size_t size) : map_(map), size_(size) {}
  ~MappedBytes() override { ::munmap(map_, size_); }
  MappedBytes(const MappedBytes&) = delete;
  MappedBytes& operator=(const MappedBytes&) = delete;
  std::string_view Bytes() const override {
    return std::string_view(static_cast<const char*>(map_), size_);
  }

 private:
  void* map_;
  std::size_t size_;
};

// The mapping of a regular, non-empty file; null where there is none.
std::unique_ptr<MappedFile> MapOpenFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return nullptr;
  const auto size = static_cast<std::size_t>(info.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) return nullptr;
  ::madvise(map, size, MADV_SEQUENTIAL);  // read once from the start to the end
  return std::make_unique<MappedBytes>(map, size);
}

}  // namespace

std::unique_ptr<MappedFile> PosixFileSystem::MapFile(const std::string& path, std::string& reason) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = Reason(errno);
    return nullptr;
  }
  auto mapped = MapOpenFile(fd);
  ::close(fd);
  if (mapped) return mapped;
  try {
    return HoldBytes(ReadFileBytes(path));
  } catch (const FileError& error) {
    reason = error.what();
    return nullptr;
  }
}

std::unique_ptr<WritableFile> PosixFileSystem::CreateNewFile(const std::string& path,
                                                             std::string& reason) {
  return OpenNoFollow(path, true, reason);
}

std::unique_ptr<WritableFile> PosixFileSystem::OpenForAppend(const std::string& path,
                                                             std::string& reason) {
  return OpenNoFollow(path, false, reason);
}

std::string PosixFileSystem::SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Reason(errno);
  const int result = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  return result == 0 ? std::string() : Reason(error);
}

std::string PosixFileSystem::AtomicRename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : Reason(errno);
}

void PosixFileSystem::SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool PosixFileSystem::LinkFile(const std::string& from, const std::string& to) {
  return ::link(from.c_str(), to.c_str()) == 0;
}

// A file, or an empty folder in a file's place.
bool PosixFileSystem::RemoveFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::remove(path, ec) && !ec;
}

bool PosixFileSystem::RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string PosixFileSystem::TruncateFile(const std::string& path, std::uint64_t size) {
  return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0 ? std::string() : Reason(errno);
}

bool PosixFileSystem::CreateFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

}  // namespace brenvik
