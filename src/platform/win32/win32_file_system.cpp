#include "platform/win32/win32_file_system.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "base/errors.h"
#include "base/file_io.h"
#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

std::string LastReason() { return WindowsErrorReason(::GetLastError()); }

// A handle as a C stream, so that small writes are buffered.
std::unique_ptr<WritableFile> AsStream(HANDLE handle, int flags, const char* mode,
                                       std::string& reason) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    reason = "The file could not be opened as a stream";
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, mode);
  if (!file) {
    ::_close(fd);
    reason = "The file could not be opened as a stream";
    return nullptr;
  }
  return WrapStdioFile(file);
}

// Never through a reparse point: a link planted in the data folder must not
// make a write land outside it.
HANDLE OpenNoFollow(const std::string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(Utf8ToWide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Opens path for writing (never through a link) as a buffered stream.
std::unique_ptr<WritableFile> OpenStream(const std::string& path, DWORD disposition, int flags,
                                         const char* mode, std::string& reason) {
  HANDLE handle = OpenNoFollow(path, GENERIC_WRITE, disposition);
  if (handle == INVALID_HANDLE_VALUE) {
    reason = LastReason();
    return nullptr;
  }
  return AsStream(handle, flags, mode, reason);
}

}  // namespace

std::unique_ptr<MappedFile> Win32FileSystem::MapFile(const std::string& path, std::string& reason) {
  try {
    return HoldBytes(ReadFileBytes(path));
  } catch (const FileError& error) {
    reason = error.what();
    return nullptr;
  }
}

std::unique_ptr<WritableFile> Win32FileSystem::CreateNewFile(const std::string& path,
                                                             std::string& reason) {
  return OpenStream(path, CREATE_NEW, _O_WRONLY, "wb", reason);
}

std::unique_ptr<WritableFile> Win32FileSystem::OpenForAppend(const std::string& path,
                                                             std::string& reason) {
  return OpenStream(path, OPEN_ALWAYS, _O_WRONLY | _O_APPEND, "ab", reason);
}

std::string Win32FileSystem::SyncFile(const std::string& path) {
  HANDLE file =
      ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastReason();
  const BOOL flushed = ::FlushFileBuffers(file);
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  return flushed ? std::string() : WindowsErrorReason(error);
}

std::string Win32FileSystem::AtomicRename(const std::string& from, const std::string& to) {
  if (::MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  return LastReason();
}

// The renames are written through.
void Win32FileSystem::SyncFolder(const std::string&) {}

bool Win32FileSystem::LinkFile(const std::string& from, const std::string& to) {
  return ::CreateHardLinkW(Utf8ToWide(to).c_str(), Utf8ToWide(from).c_str(), nullptr) != 0;
}

// A file, or an empty folder in a file's place.
bool Win32FileSystem::RemoveFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::remove(ToFsPath(path), ec) && !ec;
}

bool Win32FileSystem::RenameFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::rename(ToFsPath(from), ToFsPath(to), ec);
  return !ec;
}

std::string Win32FileSystem::TruncateFile(const std::string& path, std::uint64_t size) {
  std::error_code ec;
  std::filesystem::resize_file(ToFsPath(path), size, ec);
  return ec ? ec.message() : std::string();
}

bool Win32FileSystem::CreateFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(ToFsPath(path), ec);
  return std::filesystem::is_directory(ToFsPath(path), ec);
}

}  // namespace brenvik
