#include "platform/win32/win32_version_resources.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/win32_error.h"

namespace brenvik {

std::optional<std::string> Win32VersionResources::LoadVersionBlock(const std::string& path) {
  const std::wstring file = Utf8ToWide(path);
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::string block(size, '\0');
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::nullopt;
  WORD stated = 0;
  std::memcpy(&stated, block.data(), sizeof stated);
  if (stated > 0 && stated < block.size()) block.resize(stated);
  return block;
}

}  // namespace brenvik
