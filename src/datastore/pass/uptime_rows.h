// The uptime entries of the pass turned into DataSetHistory rows: closing
// everything that is open at a Windows start or stop or at the end of the
// pass (CloseAllEntries), writing one entry's row (WriteUptimeRow) with the
// final hang decision for programs, and marking the rows of an ended run
// complete.
#pragma once

#include <string>
#include <string_view>

#include "datastore/pass/pass_state.h"

namespace brenvik {

// The current UTC time and the local-minus-UTC offset in seconds, both with
// milliseconds dropped; offset 0 when the time-zone conversion fails.
struct LocalUtcOffset {
  DateTime utcNow = ZeroDateTime;
  std::int32_t offsetSeconds = 0;
};
LocalUtcOffset GetLocalUtcOffset(Clock& clock);

// The file name of an executable path without folder and extension
// (C:\Apps\Tool.exe gives Tool); both \ and / separate folders.
std::string ProgramBaseName(std::string_view path);

// The key of a program in the open entries: base name and handle (Tool4242).
std::string ProgramKey(std::string_view path, std::uint32_t handle);

// Closes every open login, then every open entry, in key order, as the mode
// says, writes their rows and, for a Windows start or stop, marks the rows
// of the run that ended complete.
void CloseAllEntries(PassState& state, CloseMode mode);

// Writes the entry's History row (shifting it to local time).
void WriteUptimeRow(PassState& state, TRecUptimeEntry& entry);

// The hang check of a program entry that ended at end (UTC): an Application
// event 1002 within 60 seconds of the end whose source, computer and texts
// name the program's file.
bool HangReported(const std::vector<EventLogRecord>& applicationLog, DateTime end,
                  const std::string& baseName);

}  // namespace brenvik
