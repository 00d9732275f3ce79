// The event logs on Linux. The System log is read from the login accounting
// file (/var/log/wtmp or a file given instead): a boot record becomes event
// 6005, a shutdown record 6006, every other record an event of its own type
// (identifier 0). There is no Application log: reading it gives no records.
#pragma once

#include <string>

#include "platform/event_log.h"

namespace brenvik {

inline constexpr std::uint32_t kEventBoot = 6005;
inline constexpr std::uint32_t kEventShutdown = 6006;

class PosixEventLog : public EventLog {
 public:
  explicit PosixEventLog(std::string accountingFile = "/var/log/wtmp")
      : accountingFile_(std::move(accountingFile)) {}
  std::vector<EventLogRecord> ReadAll(EventLogName log) override;

 private:
  std::string accountingFile_;
};

}  // namespace brenvik
