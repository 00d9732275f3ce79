#include "idle_agent.h"

#include <windows.h>

#include <string>

#include "base/errors.h"
#include "base/utf8.h"
#include "command_message.h"
#include "idle_watch.h"
#include "platform/win32/win32_service_pipe.h"
#include "recorder.h"

namespace brenvik::service {
namespace {

constexpr const wchar_t* kAgentMutex = L"Local\\BrenvikIdleAgent";

// Whether the service took the report. A service that answered NO heard it
// and will not take it later either; only a service that was not reached
// gets the report again.
enum class Delivery { Taken, Refused, NotReached };

Delivery Deliver(ServicePipe& pipe, const IdleReport& report) {
  const std::string message =
      Utf8ToUtf16LeBytes(std::to_string(kIdleReportCommand) + ';' + FormatIdleReport(report));
  try {
    const std::string reply = pipe.Transact(pipe.PipePath(""), message, 4);
    return reply == CommandReply(true) ? Delivery::Taken : Delivery::Refused;
  } catch (const Error&) {
    return Delivery::NotReached;
  }
}

// Milliseconds since the last input of this session; the tick count wraps
// after 49 days, the difference of two readings does not.
std::optional<std::int64_t> IdleMilliseconds() {
  LASTINPUTINFO input{};
  input.cbSize = sizeof input;
  if (!::GetLastInputInfo(&input)) return std::nullopt;
  return static_cast<std::int64_t>(static_cast<DWORD>(::GetTickCount() - input.dwTime));
}

}  // namespace

int RunIdleAgent(const WinOptions& options) {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session) || session == 0) {
    Warn("the idle agent belongs in a user's session, not in session 0");
    return 1;
  }
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kAgentMutex);
  if (!mutex) {
    Warn("the idle agent cannot make its mutex");
    return 1;
  }
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return 0;
  }
  // Started at login: no console window stays open for it.
  ::FreeConsole();
  IdleWatch watch(session, IdleWatchSettings{options.idleAfterSeconds * 1000LL,
                                             options.reportEverySeconds * 1000LL});
  Win32ServicePipe pipe;
  for (;;) {
    ::Sleep(static_cast<DWORD>(options.pollMs));
    const auto idleMs = IdleMilliseconds();
    if (!idleMs) continue;
    const auto report = watch.Poll(static_cast<std::int64_t>(::GetTickCount64()), *idleMs);
    if (report && Deliver(pipe, *report) == Delivery::NotReached) watch.Undelivered(*report);
  }
}

}  // namespace brenvik::service
