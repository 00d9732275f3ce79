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
//
// The files are handled piece by piece, never whole, so a service that
// writes a file of any size costs bounded memory: a pass takes in at most
// passLimit bytes of the text (up to the last line break within them), and
// the lines after them stay in CopyForMonitor.dat for the next pass.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "datastore/tables/change_log.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/service_pipe.h"

namespace brenvik {

inline constexpr const char* kCopyForMonitorFile = "CopyForMonitor.dat";
inline constexpr const char* kCopyForMonitor2File = "CopyForMonitor2.dat";
inline constexpr const char* kProcessNextTimeFile = "ProcessNextTime.dat";
inline constexpr const char* kJournalFile = "LogInformation.dat";  // in the backup folder

// The most a pass takes in of a hand-over text.
inline constexpr std::uint64_t kHandOverPassLimit = 16u << 20;

// What the hand-over needs: the pipe to the service, the clock that sleeps
// during the wait, the file operations its writes go through, DataFolder
// (ending with the path separator), and the most one pass takes in.
struct ServiceLink {
  ServicePipe& pipe;
  Clock& clock;
  FileSystem& files;
  std::string dataFolder;
  std::uint64_t passLimit = kHandOverPassLimit;

  std::string DataFile(const std::string& name) const { return dataFolder + name; }
  std::string BackupFile(const std::string& name) const;
};

// The lines of a hand-over file as the hand-over takes them in: trimmed, and
// without the byte-order marks in front. FileError when it cannot be read.
std::string HandOverFileText(const std::string& path);

// Where those lines lie in the file: [begin, end) of its bytes, found by
// reading the file's two ends only (all of a file that is all blanks).
struct FileSpan {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::uint64_t Size() const { return end - begin; }
};
FileSpan HandOverFileSpan(const std::string& path);

// What a pass takes in: the first lines of the hand-over text (all of it
// when it is no longer than the link's passLimit), and the digest of the
// whole text, which CopyForMonitor.dat holds until the pass settles it.
struct FetchedLines {
  std::string text;
  HandOverDigest whole;
  bool Complete() const { return text.size() == whole.length; }
};

// Runs the hand-over; failureCount goes down by one when the service does not
// take the command and is never changed otherwise. A file that cannot be
// read or written raises FileError.
FetchedLines FetchLogLines(const ServiceLink& link, int& failureCount);

// The end of a pass for CopyForMonitor.dat: when the file still holds the
// text that mark describes, only its lines from mark.unprocessedFrom on are
// kept (the file is deleted when none are left). mayHaveGrown: the file may
// also hold more after that text (a service that went on writing after the
// wait), which is kept too. A file that holds other text is left alone.
// True when it settled.
bool SettleHandOverFile(const ServiceLink& link, const HandOverMark& mark, bool mayHaveGrown);

// The lines the next pass takes in, as one text: those of
// CopyForMonitor2.dat (in dataFolder), then those of CopyForMonitor.dat that the commit
// marked by mark left to take in (all of them without a mark, or when the
// file holds other text than the one mark describes). Reads the files
// whole. FileError when one cannot be read.
std::string PendingHandOverLines(const std::string& dataFolder,
                                 const std::optional<HandOverMark>& mark);

}  // namespace brenvik
