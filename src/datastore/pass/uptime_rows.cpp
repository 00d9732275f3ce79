#include "datastore/pass/uptime_rows.h"

#include <algorithm>

#include "base/errors.h"
#include "datastore/pass/computer_runs_tree.h"
#include "datastore/pass/login_processing.h"
#include "datastore/pass/pass_tables.h"
#include "datastore/startup/tables.h"
#include "records/date_format.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

constexpr std::uint32_t kHangReportId = 1002;
constexpr std::int64_t kHangWindowSeconds = 60;

const std::vector<EventLogRecord>& ApplicationLog(PassState& state) {
  if (!state.applicationLog)
    state.applicationLog = state.eventLog.ReadAll(EventLogName::Application);
  return *state.applicationLog;
}

std::string HangKey(DateTime localStart, std::int64_t uptime, const std::string& path) {
  return FormatDateTime("yyyymmddhhnnss", localStart, AppFormatSettings()) +
         std::to_string(uptime) + path;
}

void DecideClosedOk(PassState& state, TRecUptimeEntry& entry) {
  const std::string key =
      HangKey(AddSeconds(entry.rStartDateTime, entry.rGMTOffset),
              SecondsBetween(entry.rStartDateTime, entry.rEndDateTime), entry.rParam);
  if (state.hungRowKeys.contains(key)) {
    entry.rClosedOk = false;
  } else if (!state.cleanRowKeys.contains(key) &&
             HangReported(ApplicationLog(state), entry.rEndDateTime,
                          ProgramBaseName(entry.rParam))) {
    entry.rClosedOk = false;
  }
}

DateTime EndTimeOf(PassState& state, CloseMode mode) {
  switch (mode) {
    case CloseMode::Crashed:
      return state.previousTime;
    case CloseMode::Stopped:
      return state.currentTime;
    case CloseMode::StillRunning:
      return AddSeconds(state.dateOfCalc, -GetLocalUtcOffset(state.clock).offsetSeconds);
    case CloseMode::KeepEnds:
      break;
  }
  return ZeroDateTime;
}

void SetFlags(TRecUptimeEntry& entry, CloseMode mode) {
  switch (mode) {
    case CloseMode::StillRunning:
      entry.rClosedOk = true;
      entry.rRecordIncomplete = true;
      break;
    case CloseMode::Crashed:
      entry.rClosedOk = false;
      entry.rRecordIncomplete = false;
      break;
    case CloseMode::Stopped:
      entry.rClosedOk = true;
      entry.rRecordIncomplete = false;
      break;
    case CloseMode::KeepEnds:
      break;
  }
}

std::size_t LastRowNumber(Table& table) {
  table.Last();
  return table.RecNo();
}

}  // namespace

LocalUtcOffset GetLocalUtcOffset(Clock& clock) {
  const DateTime utc = DropMilliseconds(clock.UtcNow());
  DateTime local = utc;
  try {
    local = DropMilliseconds(clock.UtcToLocal(utc));
  } catch (const PlatformError&) {
    local = utc;
  }
  std::int64_t seconds = SecondsBetween(local, utc);
  if (CompareMoments(local, utc) < 0) seconds = -seconds;
  return LocalUtcOffset{utc, static_cast<std::int32_t>(seconds)};
}

std::string ProgramBaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string ProgramKey(std::string_view path, std::uint32_t handle) {
  return ProgramBaseName(path) + std::to_string(handle);
}

bool HangReported(const std::vector<EventLogRecord>& applicationLog, DateTime end,
                  const std::string& baseName) {
  for (const EventLogRecord& record : applicationLog) {
    const DateTime written = record.timeGenerated;
    if (SecondsBetween(end, written) > kHangWindowSeconds) {
      if (CompareMoments(written, end) == 1) return false;
      continue;
    }
    if ((record.eventId & 0xFFFF) != kHangReportId) continue;
    std::string text = record.source + record.computer;
    for (const std::string& part : record.strings) text += part;
    if (text.find(baseName) != std::string::npos) return true;
  }
  return false;
}

void CloseAllEntries(PassState& state, CloseMode mode) {
  const DateTime end = EndTimeOf(state, mode);
  const bool runEnded = mode == CloseMode::Crashed || mode == CloseMode::Stopped;

  for (const auto& item : state.openLogins) CloseLogin(state, item.key, *item.object, mode, end);
  state.openLogins.Clear();
  Table& logins = state.tables.logins;
  if (runEnded)
    MarkRowsComplete(logins, logins::kRecIncomplete, std::max<std::size_t>(state.loginsMark, 1));
  state.loginsMark = LastRowNumber(logins);

  bool windowsCrashed = false;
  for (const auto& item : state.openEntries) {
    TRecUptimeEntry& entry = *item.object;
    if (mode != CloseMode::KeepEnds) entry.rEndDateTime = end;
    const std::int64_t seconds = SecondsBetween(entry.rStartDateTime, entry.rEndDateTime);
    if (seconds <= entry.rActiveSeconds) entry.rActiveSeconds = static_cast<std::int32_t>(seconds);
    SetFlags(entry, mode);
    if (entry.rType == TProgrameType::ptWindows && mode == CloseMode::Crashed)
      windowsCrashed = true;
    WriteUptimeRow(state, entry);
  }
  Table& history = state.tables.history;
  if (runEnded)
    MarkRowsComplete(history, history::kRecIncomplete, std::max<std::size_t>(state.historyMark, 1));
  state.historyMark = LastRowNumber(history);
  state.openEntries.Clear();
  if (windowsCrashed) ++state.runId;
}

void WriteUptimeRow(PassState& state, TRecUptimeEntry& entry) {
  const bool isWindows = entry.rType == TProgrameType::ptWindows;
  if (!isWindows) DecideClosedOk(state, entry);
  const std::int64_t uptime = SecondsBetween(entry.rStartDateTime, entry.rEndDateTime);
  if (uptime < entry.rIdleSeconds) entry.rIdleSeconds = static_cast<std::int32_t>(uptime);
  entry.rStartDateTime = AddSeconds(entry.rStartDateTime, entry.rGMTOffset);
  entry.rEndDateTime = AddSeconds(entry.rEndDateTime, entry.rGMTOffset);
  if (isWindows) {
    state.latestWindowsStart = entry.rStartDateTime;
    if (state.buildTree) TreeTakeWindowsRow(state.runs, state.runId, entry, uptime);
  }
  Table& history = state.tables.history;
  history.Append({state.runId, UserDisplayName(entry.rUserName, entry.rDomain), entry.rParam,
                  FieldValue(), DropMilliseconds(entry.rStartDateTime),
                  DropMilliseconds(entry.rEndDateTime), FieldValue(), FieldValue(), FieldValue(),
                  uptime, entry.rIdleSeconds, entry.rActiveSeconds, isWindows, entry.rClosedOk,
                  true, false});
  if (!isWindows) state.programsFetched.Add(entry.rParam);
  state.listed.history = static_cast<std::int64_t>(history.RecordCount()) - 1;
}

}  // namespace brenvik
