// One scan of the running processes in /proc: id, start time and executable
// of every process whose executable this user may read (all of them for
// root) and the caller wants. Kernel threads and processes that end during
// the scan are left out.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "watched_programs.h"

namespace brenvik::service {

// wanted is asked with each executable path; only those it accepts are read
// further. procRoot is "/proc" except in tests.
std::vector<RunningProcess> ScanProcesses(const std::function<bool(const std::string&)>& wanted,
                                          const std::string& procRoot = "/proc");

// The executable path a /proc/PID/exe link gives, without the " (deleted)"
// that the kernel appends when the file was removed or replaced.
std::string ExecutableFromLink(std::string target);

// Field 22 of a /proc/PID/stat line (start time in clock ticks since boot);
// the command name in parentheses may itself hold spaces and parentheses.
std::uint64_t StartTicksFromStat(const std::string& statLine);

}  // namespace brenvik::service
