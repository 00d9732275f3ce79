// The event logs on Linux. The System log is made of every source that holds
// the machine's boots: the login accounting file (/var/log/wtmp) with its
// rotated siblings, and the journal's list of boots (each boot a 6005 at its
// first entry and evidence of life at its last), merged so that a boot known
// to several sources counts once (see boot_history.h). There is no
// Application log: reading it gives no records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"
#include "platform/posix/accounting_file.h"

namespace brenvik {

inline constexpr const char* kJournalBootsCommand =
    "journalctl --list-boots --utc --no-pager 2>/dev/null";
// journald's own "Journal stopped" entries (the message of its orderly end,
// written at every clean shutdown), one a line with its time.
inline constexpr const char* kJournalStopsCommand =
    "journalctl MESSAGE_ID=d93fb3c9c24d451a97cea615ce59c00b --utc -o short-full --no-pager "
    "2>/dev/null";
// A boot whose last entry lies this close after a "Journal stopped" ended in
// an orderly shutdown.
inline constexpr std::int64_t kStopBeforeLastEntrySeconds = 120;

// The records of the text `journalctl --list-boots` prints: on each line the
// first two times YYYY-MM-DD HH:MM:SS are the boot's first and last entry,
// UTC when "UTC" follows them, else local time. Lines without two times
// (headers, notes, any language) are skipped.
std::vector<EventLogRecord> ParseJournalBoots(std::string_view text);

// Turns the last-entry record of each journal boot that ended within
// kStopBeforeLastEntrySeconds after a "Journal stopped" (stopsText: one a
// line, any time form ParseJournalBoots reads) into a shutdown (6006).
void MarkOrderlyShutdowns(std::vector<EventLogRecord>& boots, std::string_view stopsText);

struct PosixEventLogSources {
  std::vector<std::string> accountingFiles{"/var/log/wtmp"};
  bool rotatedSiblings = true;                             // also read each file's rotations
  std::string journalCommand = kJournalBootsCommand;       // "" for none
  std::string journalStopsCommand = kJournalStopsCommand;  // "" for none
  std::string journalFile;                                 // a saved listing instead of the command
  // Files named by the user: one that cannot be read is an error at once;
  // otherwise a missing accounting file is a source the machine lacks.
  bool filesRequired = false;
};

class PosixEventLog : public EventLog {
 public:
  explicit PosixEventLog(PosixEventLogSources sources = {}) : sources_(std::move(sources)) {}
  PosixEventLog(std::string accountingFile, std::string journalCommand)
      : sources_{{std::move(accountingFile)}, true, std::move(journalCommand), {}, {}, false} {}
  // The merged records, oldest first. PlatformError when nothing was found
  // and some source could not be read: only sources that were all readable
  // and empty give an empty log.
  std::vector<EventLogRecord> ReadAll(EventLogName log) override;

 private:
  void ReadAccounting(std::vector<EventLogRecord>& records, std::vector<std::string>& problems);
  std::vector<EventLogRecord> ReadJournal(std::vector<std::string>& problems);

  PosixEventLogSources sources_;
  int sourcesRead_ = 0;
};

}  // namespace brenvik
