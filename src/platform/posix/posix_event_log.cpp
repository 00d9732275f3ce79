#include "platform/posix/posix_event_log.h"

#include <utmp.h>

#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "platform/posix/posix_clock.h"

namespace brenvik {

std::vector<EventLogRecord> PosixEventLog::ReadAll(EventLogName log) {
  std::vector<EventLogRecord> records;
  if (log == EventLogName::Application) return records;
  if (!FileExists(accountingFile_)) {
    throw PlatformError("Cannot open the event log \"" + accountingFile_ + "\"");
  }
  const std::string bytes = ReadFileBytes(accountingFile_);
  const std::size_t count = bytes.size() / sizeof(utmp);
  for (std::size_t i = 0; i < count; ++i) {
    utmp entry;
    std::memcpy(&entry, bytes.data() + i * sizeof(utmp), sizeof(utmp));
    EventLogRecord record;
    record.recordNumber = static_cast<std::uint32_t>(i + 1);
    record.timeGenerated = UnixSecondsToDateTime(static_cast<double>(entry.ut_tv.tv_sec));
    const std::string user(entry.ut_user, strnlen(entry.ut_user, sizeof entry.ut_user));
    if (entry.ut_type == BOOT_TIME) {
      record.eventId = kEventBoot;
    } else if (entry.ut_type == RUN_LVL && user == "shutdown") {
      record.eventId = kEventShutdown;
    }
    record.source = "wtmp";
    record.strings.push_back(user);
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace brenvik
