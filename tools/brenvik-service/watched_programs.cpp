#include "watched_programs.h"

#include <set>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "file_identity.h"

namespace brenvik::service {
namespace {

std::string_view WithoutBom(std::string_view text) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  return text;
}

}  // namespace

std::vector<std::string> ParseWatchedList(std::string_view text, std::size_t* damagedLines) {
  text = WithoutBom(text);
  std::vector<std::string> paths;
  std::set<std::string> seen;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string path = Trim(text.substr(start, end - start));
    start = end + 1;
    if (path.find('\0') != std::string::npos) {
      if (damagedLines) ++*damagedLines;
      continue;
    }
    if (!path.empty() && seen.insert(AsciiLower(path)).second) paths.push_back(std::move(path));
  }
  return paths;
}

namespace {

// The first kWatchedListMaxBytes of the file, without the line cut there.
std::string ReadListText(const std::string& path, bool& cut) {
  const std::uint64_t size = FileSize(path);
  cut = size > kWatchedListMaxBytes;
  if (!cut) return ReadTextFile(path);
  std::string text = ReadFileRangeBytes(path, 0, kWatchedListMaxBytes);
  const std::size_t lastEnd = text.find_last_of("\r\n");
  text.resize(lastEnd == std::string::npos ? 0 : lastEnd);
  return text;
}

}  // namespace

std::optional<std::vector<std::string>> ReadWatchedList(
    const std::string& path, const std::function<void(const std::string&)>& warn) {
  if (!PathExists(path)) return std::vector<std::string>{};
  bool cut = false;
  std::string text;
  try {
    text = ReadListText(path, cut);
  } catch (const FileError&) {
    return std::nullopt;
  }
  if (cut) {
    warn("the watched list " + path + " is larger than " + std::to_string(kWatchedListMaxBytes) +
         " bytes; only its first lines are read");
  }
  std::size_t damaged = 0;
  auto paths = ParseWatchedList(text, &damaged);
  if (damaged > 0) {
    warn("the watched list " + path + " has " + std::to_string(damaged) +
         " damaged line(s); they are skipped");
  }
  return paths;
}

void ProgramTracker::SetWatched(const std::vector<std::string>& paths) {
  byLowerPath_.clear();
  for (const std::string& path : paths) {
    byLowerPath_.emplace(AsciiLower(path), path);
    const std::string resolved = ResolvedPath(path);
    if (!resolved.empty()) byLowerPath_.emplace(AsciiLower(resolved), path);
  }
  watchedCount_ = paths.size();
}

const std::string* ProgramTracker::Match(const std::string& exe) const {
  auto it = byLowerPath_.find(AsciiLower(exe));
  return it == byLowerPath_.end() ? nullptr : &it->second;
}

std::vector<ProgramChange> ProgramTracker::Update(const std::vector<RunningProcess>& scan) {
  std::map<Key, const RunningProcess*> running;
  std::vector<const RunningProcess*> order;
  for (const RunningProcess& process : scan) {
    if (!Match(process.exe)) continue;
    if (running.emplace(Key{process.pid, process.startTicks}, &process).second) {
      order.push_back(&process);
    }
  }
  std::vector<ProgramChange> changes;
  for (auto it = tracked_.begin(); it != tracked_.end();) {
    const RunningProcess* now = nullptr;
    if (auto found = running.find(it->first); found != running.end()) now = found->second;
    // Still running, and still watched under the same path.
    if (now && *Match(now->exe) == it->second.path) {
      ++it;
      continue;
    }
    changes.push_back({false, it->second});
    it = tracked_.erase(it);
  }
  for (const RunningProcess* process : order) {
    const Key key{process->pid, process->startTicks};
    if (tracked_.count(key)) continue;
    TrackedProgram program{process->pid, process->startTicks, *Match(process->exe), {}, {}};
    if (auto owner = accounts_.ProcessOwner(process->pid)) {
      program.user = owner->user;
      program.domain = owner->domain;
    } else {
      const AccountName self = accounts_.CurrentUser();
      program.domain = self.domain;
    }
    tracked_.emplace(key, program);
    changes.push_back({true, program});
  }
  return changes;
}

std::vector<TrackedProgram> ProgramTracker::Tracked() const {
  std::vector<TrackedProgram> programs;
  for (const auto& [key, program] : tracked_) programs.push_back(program);
  return programs;
}

void ProgramTracker::Restore(const std::vector<TrackedProgram>& programs) {
  tracked_.clear();
  for (const TrackedProgram& program : programs) {
    tracked_.emplace(Key{program.pid, program.startTicks}, program);
  }
}

}  // namespace brenvik::service
