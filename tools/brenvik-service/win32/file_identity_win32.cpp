#include <windows.h>

#include <cstdint>
#include <vector>

#include "file_identity.h"
#include "platform/win32/win32_error.h"

namespace brenvik::service {
namespace {

// A handle that only asks about the file: no access to its data, every kind
// of sharing, so that it never stands in the way of a writer or a rename.
HANDLE OpenForQuery(const std::string& path) {
  return ::CreateFileW(Utf8ToWide(path).c_str(), 0,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

std::string FileIdentity(const std::string& path) {
  HANDLE file = OpenForQuery(path);
  if (file == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = ::GetFileInformationByHandle(file, &info);
  ::CloseHandle(file);
  if (!ok) return {};
  const std::uint64_t index =
      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
}

void IdentityPin::Hold(const std::string&) {}

void IdentityPin::Release() {}

std::string ResolvedPath(const std::string& path) {
  HANDLE file = OpenForQuery(path);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::vector<wchar_t> buffer(1024);
  DWORD length =
      ::GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = ::GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  }
  ::CloseHandle(file);
  if (length == 0 || length >= buffer.size()) return {};
  std::wstring resolved(buffer.data(), length);
  // The long-path prefix \\?\ (and \\?\UNC\ for shares) is not part of the
  // path a process's image name is given as.
  if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    resolved = L"\\\\" + resolved.substr(8);
  } else if (resolved.rfind(L"\\\\?\\", 0) == 0) {
    resolved = resolved.substr(4);
  }
  return WideToUtf8(resolved);
}

}  // namespace brenvik::service
