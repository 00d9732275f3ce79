// The hand-over of activity-log lines from the service: FetchLogLines asks
// the service (pipe command 2) for the lines it has not handed over yet,
// joins them after the lines of held-back and unfinished passes, journals the
// new ones in Backup/LogInformation.dat and returns all pending lines as one
// text, oldest first. The file names and the order of the steps are shared
// with the service and fixed.
//
// Nothing fetched is lost: until a pass has processed them, the lines stay in
// CopyForMonitor.dat / CopyForMonitor2.dat, and every new line is in the
// journal before the text is returned.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/service_pipe.h"

namespace brenvik {

inline constexpr const char* kCopyForMonitorFile = "CopyForMonitor.dat";
inline constexpr const char* kCopyForMonitor2File = "CopyForMonitor2.dat";
inline constexpr const char* kProcessNextTimeFile = "ProcessNextTime.dat";
inline constexpr const char* kJournalFile = "LogInformation.dat";  // in the backup folder

// What the hand-over needs: the pipe to the service, the clock that sleeps
// during the wait, and DataFolder (ending with the path separator).
struct ServiceLink {
  ServicePipe& pipe;
  Clock& clock;
  std::string dataFolder;

  std::string DataFile(const std::string& name) const { return dataFolder + name; }
  std::string BackupFile(const std::string& name) const;
};

// The lines of a hand-over file as the hand-over takes them in: trimmed, and
// without the byte-order marks in front. FileError when it cannot be read.
std::string HandOverFileText(const std::string& path);

// join(front, back) of the hand-over files, unless back already begins with
// the lines of front: a stop between writing a joined CopyForMonitor.dat and
// deleting the file whose lines went in front of it leaves both.
std::string JoinOnce(const std::string& front, const std::string& back);

// Runs the hand-over; failureCount goes down by one when the service does not
// take the command and is never changed otherwise. A file that cannot be
// read or written raises FileError.
std::string FetchLogLines(const ServiceLink& link, int& failureCount);

}  // namespace brenvik
