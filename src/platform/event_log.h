// The system's event logs: the System log (boots 6005, shutdowns 6006,
// unexpected shutdowns 6008) read by the import of earlier history, and the
// Application log (hang reports 1002) read by the processing pass. On Linux the
// boot and shutdown records of the login accounting file stand in for the
// System log and the Application log is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/date_time.h"

namespace brenvik {

enum class EventLogName { System, Application };

struct EventLogRecord {
  std::uint32_t recordNumber = 0;
  // When the event was recorded (the time the log gives as written), UTC.
  DateTime timeGenerated = ZeroDateTime;
  // The event identifier with the qualifier bits removed (6005, 1002, ...).
  std::uint32_t eventId = 0;
  std::string source;
  // The computer the event happened on (empty where the log does not say).
  std::string computer;
  // The insertion strings of the record, in order.
  std::vector<std::string> strings;
};

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Every record of the log, oldest first; PlatformError when the log cannot
  // be opened or read.
  virtual std::vector<EventLogRecord> ReadAll(EventLogName log) = 0;
};

// Saved boot records of a Linux machine, for moving its history to another:
// login accounting files (wtmp, read as given, compressed ones too) and a
// saved `journalctl --list-boots` listing (empty: none).
struct BootRecordFiles {
  std::vector<std::string> accountingFiles;
  std::string journalBoots;
};

// A System log made of those files, merged as the Linux System log is. The
// files are read by ReadAll; one that cannot be read raises PlatformError
// there. Where the backend cannot read Linux records, ReadAll says so.
std::unique_ptr<EventLog> MakeBootRecordsEventLog(const BootRecordFiles& files);

}  // namespace brenvik
