// The diagnostic log UptimeLog.dat: problems the user is not shown (so far the
// activity-log lines that could not be read). Entries are held in memory,
// mirrored to the file after every change once a file is set, and limited to
// the newest entries whose file lines first reach 100,000 characters.
//
// File line: "[" Time "]" Title-with-">"-doubled ">" Description CR LF.
// The file is written as UTF-8 so that non-ASCII names survive.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace brenvik {

struct LogEntry {
  std::string time;
  std::string title;
  std::string description;
  bool operator==(const LogEntry&) const = default;
};

class DiagnosticLog {
 public:
  static constexpr std::size_t kSizeLimit = 100'000;

  // Loads the entries of an existing file (replacing any held), then saves
  // automatically after every change, through files (which must outlive the
  // log). A missing file leaves the list empty.
  void SetLogFile(FileSystem& files, const std::string& path);
  // Appends, applies the size limit and, with a file set, rewrites it; a file
  // that cannot be written raises FileError.
  void AddLogEntry(const std::string& time, const std::string& title,
                   const std::string& description);

  const std::vector<LogEntry>& Entries() const { return entries_; }

  static std::string FormatLine(const LogEntry& entry);
  // Reads one line back; false for a line without "[" or a following "]".
  static bool ParseLine(const std::string& line, LogEntry& entry);

 private:
  void ApplySizeLimit();
  void Save() const;

  std::vector<LogEntry> entries_;
  FileSystem* files_ = nullptr;  // set with the path
  std::string path_;
};

}  // namespace brenvik
