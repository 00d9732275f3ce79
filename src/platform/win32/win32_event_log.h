// The event logs on Windows through the classic event-log API: the System log
// is opened with the source name "eventlog" (which belongs to it), the
// Application log by its name; records are read oldest first with
// ReadEventLogW and decoded from the EVENTLOGRECORD layout: record number,
// time written (UTC), identifier without its qualifier bits, source and
// computer name, insertion strings.
#pragma once

#include <string_view>

#include "platform/event_log.h"

namespace brenvik {

class Win32EventLog : public EventLog {
 public:
  std::vector<EventLogRecord> ReadAll(EventLogName log) override;
};

// The records of one ReadEventLogW buffer. A record whose lengths or offsets
// do not fit the buffer ends the decoding (the records before it are kept);
// texts that are not terminated within their record are cut at its end.
std::vector<EventLogRecord> DecodeEventLogRecords(std::string_view buffer);

}  // namespace brenvik
