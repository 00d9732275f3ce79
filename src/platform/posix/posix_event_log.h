// The event logs on Linux. The System log is read from the login accounting
// file (/var/log/wtmp or a file given instead) through the utmpx interface: a
// boot record becomes event 6005, a shutdown record 6006, every other record
// an event of identifier 0 that only moves the remembered times. Where that
// file does not exist, the journal's list of boots stands in: each boot gives
// a 6005 at its first entry and an identifier-0 event at its last. There is
// no Application log: reading it gives no records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"

namespace brenvik {

inline constexpr std::uint32_t kEventBoot = 6005;
inline constexpr std::uint32_t kEventShutdown = 6006;

inline constexpr const char* kJournalBootsCommand =
    "journalctl --list-boots --utc --no-pager 2>/dev/null";

// The records of the text `journalctl --list-boots --utc` prints: on each
// line the first two times YYYY-MM-DD HH:MM:SS are the boot's first and last
// entry (UTC). Lines without two times are skipped.
std::vector<EventLogRecord> ParseJournalBoots(std::string_view text);

class PosixEventLog : public EventLog {
 public:
  explicit PosixEventLog(std::string accountingFile = "/var/log/wtmp",
                         std::string journalCommand = kJournalBootsCommand)
      : accountingFile_(std::move(accountingFile)), journalCommand_(std::move(journalCommand)) {}
  // PlatformError when neither the accounting file nor the journal can be
  // read.
  std::vector<EventLogRecord> ReadAll(EventLogName log) override;

 private:
  std::vector<EventLogRecord> ReadAccountingFile() const;
  std::vector<EventLogRecord> ReadJournal() const;

  std::string accountingFile_;
  std::string journalCommand_;
};

}  // namespace brenvik
