// What the Windows service asks the system about: the seconds since boot,
// the running processes with their full image paths (a Toolhelp snapshot,
// QueryFullProcessImageNameW), and the terminal-services sessions with their
// users (WTSEnumerateSessionsW, WTSQuerySessionInformationW). Together they
// are the recorder's hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/accounts.h"
#include "recorder.h"
#include "watched_programs.h"

namespace brenvik::service {

std::int64_t SecondsSinceBoot();

// The processes whose full image path the predicate accepts; startTicks is
// the creation time (a FILETIME), which tells a process from a later one
// that reuses its id. Processes this account may not look at are skipped.
std::vector<RunningProcess> SnapshotProcesses(
    const std::function<bool(const std::string&)>& wanted);

std::optional<AccountName> SessionUser(std::uint32_t sessionId);
// The sessions with a user logged on (active or disconnected).
std::vector<std::uint32_t> LoggedOnSessions();

RecorderHooks SystemHooks();

}  // namespace brenvik::service
