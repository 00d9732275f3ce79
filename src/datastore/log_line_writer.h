// Writing lines of the activity log: the six semicolon-separated fields
//   date-time ; offset ; domain|user ; event ; parameter ; handle
// with the date-time in UTC as "yyyy-mm-dd hh:nn:ss", the offset in seconds
// (local minus UTC at that moment) and the handle as a signed decimal number
// or nothing. The line reader of the monitor takes back exactly these fields.
// The event codes that the monitor's processing acts on are named here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records/date_time.h"

namespace brenvik {

inline constexpr int kEventWindowsStarted = 1;
inline constexpr int kEventWindowsStopped = 2;
inline constexpr int kEventProgramStarted = 3;
inline constexpr int kEventProgramEnded = 4;
inline constexpr int kEventLoginActivated = 5;
inline constexpr int kEventLoginDeactivated = 6;
inline constexpr int kEventClockChanged = 7;
inline constexpr int kEventHeartbeat = 8;
inline constexpr int kEventIdleReport = 9;

struct LogLine {
  DateTime utc = ZeroDateTime;  // milliseconds are dropped when written
  std::int32_t offset = 0;
  std::string domain;
  std::string user;
  int event = 0;
  std::string parameter;
  std::optional<std::int64_t> handle;  // nothing: the field stays empty
};

// "2013-04-30 17:05:09": the date-time field's form (milliseconds dropped).
std::string FormatLogDateTime(DateTime utc);

// One line without its line end. A field cannot hold the field separator or a
// line break, and domain cannot hold "|": each such character is written as
// "_" so that the line always reads back as six fields.
std::string FormatLogLine(const LogLine& line);

}  // namespace brenvik
