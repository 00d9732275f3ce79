// Writing lines of the activity log: the six semicolon-separated fields
//   date-time ; offset ; domain|user ; event ; parameter ; handle
// with the date-time in UTC as "yyyy-mm-dd hh:nn:ss", the offset in seconds
// (local minus UTC at that moment) and the handle as a signed decimal number
// or nothing. The line reader of the monitor takes back exactly these fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records/date_time.h"

namespace brenvik {

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
