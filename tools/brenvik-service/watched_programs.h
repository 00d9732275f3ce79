// The programs whose runs are recorded: the watched list that the window
// writes to ProgrammsToWatch.ini (UTF-8 with byte-order mark, one executable
// path per line), and the tracker that compares each scan of the running
// processes with the previous one and says which watched programs started
// and which ended.
//
// A process matches a watched path when its executable is that path or the
// file the path leads to through symbolic links, compared without regard to
// ASCII letter case (as the window compares watched paths). Lines name the
// program by the path as the list writes it, so the window finds its own
// spelling in the history.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/accounts.h"

namespace brenvik::service {

inline constexpr const char* kWatchedListFile = "ProgrammsToWatch.ini";

// The most of the list that is read: the window's list names a handful of
// programs; a larger file is damaged, and the service reads no more of it.
inline constexpr std::uint64_t kWatchedListMaxBytes = 1 << 20;

// The paths of the list: byte-order mark and blanks around each line dropped,
// empty lines skipped, a path listed twice (in any letter case) taken once.
// A line with a NUL byte is damaged (no path holds one) and is skipped;
// damagedLines, when given, counts such lines.
std::vector<std::string> ParseWatchedList(std::string_view text,
                                          std::size_t* damagedLines = nullptr);

// The list in the file; empty when there is no file. Nothing when the file
// exists but cannot be read (the caller keeps the list it has). Of a file
// larger than kWatchedListMaxBytes only the whole lines within that size are
// read. What was cut or skipped is told to warn.
std::optional<std::vector<std::string>> ReadWatchedList(
    const std::string& path, const std::function<void(const std::string&)>& warn);

// A process as one scan sees it. startTicks (the start time in clock ticks
// since boot) tells a process from a later one that reuses its id.
struct RunningProcess {
  std::uint32_t pid = 0;
  std::uint64_t startTicks = 0;
  std::string exe;
};

// A watched program that is running and was reported as started.
struct TrackedProgram {
  std::uint32_t pid = 0;
  std::uint64_t startTicks = 0;
  std::string path;  // the watched path
  std::string user;
  std::string domain;
};

struct ProgramChange {
  bool started = false;  // false: ended
  TrackedProgram program;
};

class ProgramTracker {
 public:
  explicit ProgramTracker(Accounts& accounts) : accounts_(accounts) {}

  // Replaces the watched list; running programs no longer watched are
  // reported as ended by the next Update, newly watched ones as started.
  void SetWatched(const std::vector<std::string>& paths);
  std::size_t WatchedCount() const { return watchedCount_; }
  bool IsWatched(const std::string& exe) const { return Match(exe) != nullptr; }

  // Compares a full scan with the programs tracked so far; ended programs
  // come first, then started ones in scan order.
  std::vector<ProgramChange> Update(const std::vector<RunningProcess>& scan);

  // What is tracked, for keeping it across a restart of the service.
  std::vector<TrackedProgram> Tracked() const;
  void Restore(const std::vector<TrackedProgram>& programs);

 private:
  using Key = std::pair<std::uint32_t, std::uint64_t>;
  const std::string* Match(const std::string& exe) const;

  Accounts& accounts_;
  std::map<std::string, std::string> byLowerPath_;  // lower-cased path -> watched path
  std::size_t watchedCount_ = 0;
  std::map<Key, TrackedProgram> tracked_;
};

}  // namespace brenvik::service
