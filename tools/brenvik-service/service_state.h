// What the service keeps across its restarts, in one small text file in the
// data folder, replaced atomically on every change:
//   log-id=2049:1835012          device and inode of the activity log
//   handed-over=10240            bytes of the log already handed to the window
//   pending=0                    1: a hand-over file is written but not yet
//                                renamed into place (finished at the next start)
//   compact-id=2049:1835099      a compaction under way: the shortened log's
//   compact-cut=8192             device and inode, and the bytes it drops
//   boot-id=5f1c...              the boot in which the service last recorded
//   run-open=1                   a start of that boot was recorded, no stop
//   program=PID<TAB>TICKS<TAB>USER<TAB>DOMAIN<TAB>PATH     a tracked program
//   unwritten=LINE               a line whose state is saved and that is being
//                                appended to the log (written at the next start
//                                unless the log already ends with it)
//   login=USER<TAB>ACTIVE<TAB>LOCKED<TAB>REPORTED<TAB>IDLE-SINCE<TAB>LAST-REPORT
// Texts escape "%", tab, CR and LF as %XX. Unknown or damaged lines are
// skipped; a missing file is the state of a fresh data tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "login_tracker.h"
#include "platform/file_system.h"
#include "watched_programs.h"

namespace brenvik::service {

struct ServiceState {
  std::string logId;
  std::uint64_t handedOver = 0;
  bool pending = false;
  std::string compactId;
  std::uint64_t compactCut = 0;
  std::string bootId;
  bool runOpen = false;
  std::vector<TrackedProgram> programs;
  std::vector<LoginState> logins;
  std::vector<std::string> unwritten;
};

std::string FormatServiceState(const ServiceState& state);
ServiceState ParseServiceState(const std::string& text);

// The state in path; the fresh state when the file is missing or unreadable.
ServiceState LoadServiceState(const std::string& path);
// Replaces the file atomically through files; FileError on failure.
void SaveServiceState(FileSystem& files, const std::string& path, const ServiceState& state);

// The state with the file it lives in, saved through files (which must
// outlive it).
class StateFile {
 public:
  StateFile(FileSystem& files, std::string path)
      : files_(files), path_(std::move(path)), state_(LoadServiceState(path_)) {}
  ServiceState& state() { return state_; }
  void Save() const { SaveServiceState(files_, path_, state_); }

 private:
  FileSystem& files_;
  std::string path_;
  ServiceState state_;
};

}  // namespace brenvik::service
