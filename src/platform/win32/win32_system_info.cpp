#include "platform/win32/win32_system_info.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

bool KernelVersion(OSVERSIONINFOEXW& info) {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (!ntdll) return false;
  auto query = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  return query && query(reinterpret_cast<OSVERSIONINFOW*>(&info)) == 0;
}

}  // namespace

std::optional<OsVersion> Win32SystemInfo::QueryOsVersion() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!KernelVersion(info)) {
    info = OSVERSIONINFOEXW{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::nullopt;
  }
  OsVersion version;
  version.platform = info.dwPlatformId == VER_PLATFORM_WIN32_NT        ? OsPlatform::NT
                     : info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? OsPlatform::Consumer
                                                                       : OsPlatform::Other;
  version.major = static_cast<int>(info.dwMajorVersion);
  version.minor = static_cast<int>(info.dwMinorVersion);
  version.servicePack = WideToUtf8(info.szCSDVersion, 128);
  return version;
}

std::string Win32SystemInfo::TempFolder() {
  wchar_t buffer[1000] = {};
  const DWORD length = ::GetTempPathW(1000, buffer);
  std::string folder = length > 0 && length < 1000 ? WideToUtf8(buffer, length) : std::string();
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace brenvik
