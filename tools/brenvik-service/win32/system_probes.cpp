#include "system_probes.h"

#include <windows.h>
// clang-format off
#include <tlhelp32.h>
#include <wtsapi32.h>
// clang-format on

#include "platform/win32/win32_error.h"

namespace brenvik::service {
namespace {

std::optional<std::string> ImagePath(DWORD pid, std::uint64_t& created) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return std::nullopt;
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  const BOOL named = ::QueryFullProcessImageNameW(process, 0, path.data(), &size);
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (::GetProcessTimes(process, &creation, &exit, &kernel, &user)) {
    created = (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  }
  ::CloseHandle(process);
  if (!named) return std::nullopt;
  path.resize(size);
  return WideToUtf8(path);
}

std::string SessionText(DWORD sessionId, WTS_INFO_CLASS what) {
  LPWSTR text = nullptr;
  DWORD bytes = 0;
  if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessionId, what, &text, &bytes)) {
    return {};
  }
  std::string result = text ? WideToUtf8(text) : std::string();
  ::WTSFreeMemory(text);
  return result;
}

}  // namespace

std::int64_t SecondsSinceBoot() { return static_cast<std::int64_t>(::GetTickCount64() / 1000); }

std::vector<RunningProcess> SnapshotProcesses(
    const std::function<bool(const std::string&)>& wanted) {
  std::vector<RunningProcess> found;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    std::uint64_t created = 0;
    const auto path = ImagePath(entry.th32ProcessID, created);
    if (path && wanted(*path)) found.push_back({entry.th32ProcessID, created, *path});
  }
  ::CloseHandle(snapshot);
  return found;
}

std::optional<AccountName> SessionUser(std::uint32_t sessionId) {
  AccountName name{SessionText(sessionId, WTSUserName), SessionText(sessionId, WTSDomainName)};
  if (name.user.empty()) return std::nullopt;
  return name;
}

std::vector<std::uint32_t> LoggedOnSessions() {
  std::vector<std::uint32_t> sessions;
  WTS_SESSION_INFOW* list = nullptr;
  DWORD count = 0;
  if (!::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) return sessions;
  for (DWORD i = 0; i < count; ++i) {
    const WTS_CONNECTSTATE_CLASS state = list[i].State;
    if ((state == WTSActive || state == WTSDisconnected) && SessionUser(list[i].SessionId)) {
      sessions.push_back(list[i].SessionId);
    }
  }
  ::WTSFreeMemory(list);
  return sessions;
}

RecorderHooks SystemHooks() {
  return {&SecondsSinceBoot, &SnapshotProcesses, &SessionUser, &LoggedOnSessions};
}

}  // namespace brenvik::service
