// The activity log LogInformation.dat and the hand-over of its new lines.
//
// Each recorded line is appended with CR LF and flushed to disk. On command 2
// the complete lines after the handed-over mark go to CopyForMonitor.dat, in
// three durable steps: the text is written to CopyForMonitor.next, the state
// file is saved with the new mark and "pending", and the file is renamed into
// place (then "pending" is cleared). A stop at any point neither repeats nor
// drops a line: before the state is saved nothing was handed over; after it,
// the rename is finished on the next request.
//
// A CopyForMonitor.dat that is still there when a request comes holds lines
// the window has not taken yet; it is left alone and the new lines wait for
// the next request. With no new lines an empty CopyForMonitor.dat is written,
// so the window does not wait for a file that will not come.
//
// In replay mode the log is a prepared file that is only read; its last line
// counts even without a line end.
//
// Compaction keeps the log short: the lines the window has taken that lie
// before the current run (the last Windows start it has taken) move to an
// archive file beside it. The shortened log is written to
// LogInformation.compact and synced; the state file notes its identity and
// the bytes it drops; the old log is linked to the archive name and the new
// one renamed over it; then the state takes the new log. A stop at any step
// leaves the old log with its state, or the new one whose identity the state
// names (Open finishes that), so no line the window has not taken is lost
// or handed over twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "file_identity.h"
#include "platform/file_system.h"
#include "service_state.h"

namespace brenvik::service {

inline constexpr const char* kLogFile = "LogInformation.dat";
inline constexpr const char* kHandOverFile = "CopyForMonitor.dat";
inline constexpr const char* kNextHandOverFile = "CopyForMonitor.next";
inline constexpr const char* kCompactSuffix = ".compact";
// A log whose taken lines reach this size is compacted after a hand-over.
inline constexpr std::uint64_t kCompactionBytes = 1 << 20;

struct HandOverResult {
  std::size_t lines = 0;
  bool deferred = false;  // the window's earlier file was still there
};

class ActivityLog {
 public:
  // dataFolder ends with a separator; the state file keeps the mark. Every
  // write goes through files, which must outlive the log.
  ActivityLog(FileSystem& files, std::string dataFolder, std::string logPath, bool readOnly,
              StateFile& stateFile);
  ~ActivityLog();
  ActivityLog(const ActivityLog&) = delete;
  ActivityLog& operator=(const ActivityLog&) = delete;

  // Opens the log (creating it when recording), drops a torn last line left
  // by a crash and tidies an unfinished hand-over; FileError on failure.
  void Open();
  // Appends one line (without line end); FileError on failure, after which
  // the log holds no part of the line.
  void Append(const std::string& line);
  // Whether one of the last lines of the log is this one (line without line
  // end); FileError when the log cannot be read.
  bool EndsWithLine(const std::string& line);
  // Command 2; FileError on failure.
  HandOverResult HandOver();
  // Compacts the log when the lines taken reach minimumBytes and some lie
  // before the current run; true when it did. afterStep (tests) is called
  // after each durable step 1..4. FileError on failure.
  bool Compact(std::uint64_t minimumBytes, const std::function<void(int)>& afterStep = {});

  const std::string& logPath() const { return logPath_; }

 private:
  void EnsureOpen();
  void DropTornTail();
  std::uint64_t Size() const;
  std::string ReadRange(std::uint64_t from, std::uint64_t to) const;
  void Commit();
  void FinishCompaction();
  std::string ArchivePath() const;

  FileSystem& files_;
  std::string dataFolder_;
  std::string logPath_;
  bool readOnly_;
  StateFile& stateFile_;
  std::string openId_;  // the identity of the log the mark was checked for
  IdentityPin pin_;     // keeps that identity from passing to a new log
};

// Where a compaction cuts the lines taken: the start of the last Windows
// start line (event 1) among them; 0 when there is none.
std::uint64_t CompactionCut(const std::string& taken);

// The number of lines in a text (runs of CR and LF separate them).
std::size_t CountLines(const std::string& text);

}  // namespace brenvik::service
