// Event logs read from text files instead of the system's logs: for tests,
// for the command line's --events / --app-events, and for machines whose
// logs cannot be read. docs/event-log-files.md describes the form:
//
//   System log:       YYYY-MM-DD HH:MM:SS;ID
//   Application log:  YYYY-MM-DD HH:MM:SS;ID;SOURCE;COMPUTER;MESSAGE
//
// UTF-8, oldest event first, one event a line; the time is the time the
// event was written, UTC; the identifier is decimal; the message is the rest
// of the line and may hold semicolons. A line that does not read so is
// skipped.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"

namespace brenvik {

// One line; nothing when it does not read as an event of that log.
std::optional<EventLogRecord> ParseEventLogLine(EventLogName log, std::string_view line);

// Every event of a text, numbered 1, 2, ... in file order.
std::vector<EventLogRecord> ParseEventLogText(EventLogName log, std::string_view text);

// The line of one event (without line break); the Application form joins the
// record's texts into the message.
std::string FormatEventLogLine(EventLogName log, const EventLogRecord& record);

class FileEventLog : public EventLog {
 public:
  // Logs without a file are read from fallback; without a fallback they hold
  // no events.
  explicit FileEventLog(std::unique_ptr<EventLog> fallback = nullptr)
      : fallback_(std::move(fallback)) {}

  void SetFile(EventLogName log, std::string path);

  // PlatformError when the file of the log cannot be read.
  std::vector<EventLogRecord> ReadAll(EventLogName log) override;

 private:
  std::optional<std::string> systemFile_;
  std::optional<std::string> applicationFile_;
  std::unique_ptr<EventLog> fallback_;
};

}  // namespace brenvik
