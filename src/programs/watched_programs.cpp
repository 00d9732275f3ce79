#include "programs/watched_programs.h"

#include <algorithm>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/service_channel.h"
#include "programs/path_compare.h"
#include "programs/program_info.h"
#include "programs/program_list.h"

namespace brenvik {

std::string ProgramsToWatchFileBytes(const std::vector<TRecProgramme>& programs) {
  std::string text;
  for (const TRecProgramme& program : programs) text += "\r\n" + program.rLongExePath;
  return std::string(kUtf8Bom) + TrimLeft(text);
}

std::vector<std::string> WatchedPrograms::LoadFromRegistry() {
  std::vector<std::string> problems;
  auto key = parts_.registry.OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, false);
  if (!key) return problems;
  for (const std::string& name : key->ValueNames()) {
    const std::optional<std::string> path = key->ReadString(name);
    // A value that is not a text, or an empty one, names no program.
    if (path && !path->empty()) Add(*path, true, &problems);
  }
  return problems;
}

bool WatchedPrograms::AddFileToProgramsWatched(const std::string& sLongPath, bool loading) {
  return Add(sLongPath, loading, nullptr);
}

bool WatchedPrograms::Add(const std::string& path, bool loading,
                          std::vector<std::string>* problems) {
  if (IsWatchedProgramm(path) != -1) return false;
  // Described before anything is stored, so that a damaged version resource
  // leaves neither a registry value nor a half-made entry behind.
  TRecProgramme entry = Describe(path, problems);
  if (!loading) WriteRegistryValue(path);
  garrProgramsWatched_.push_back(std::move(entry));
  Key key{FoldCase(path), path};
  const auto at =
      std::lower_bound(gslWatchedPrograms_.begin(), gslWatchedPrograms_.end(), key.folded,
                       [](const Key& k, const std::string& folded) { return k.folded < folded; });
  gslWatchedPrograms_.insert(at, std::move(key));
  if (hooks_.added) hooks_.added(garrProgramsWatched_.back());
  if (hooks_.loadProgramToListValues) hooks_.loadProgramToListValues(path, true);
  return true;
}

TRecProgramme WatchedPrograms::Describe(const std::string& path,
                                        std::vector<std::string>* problems) {
  TRecProgramme entry;
  Reset(entry);
  entry.rType = 0;
  entry.rLongExePath = path;  // also for a missing file, so it can be removed again
  entry.rIcon = 0;
  if (!FileExists(path)) {
    entry.rProgrammeName = FileNamePart(path);
    return entry;
  }
  try {
    entry.rProgrammeName = GetProgramTitle(parts_.versionResources, path);
  } catch (const Error& error) {
    if (!problems) throw;
    problems->push_back(path + ": " + error.what());
    entry.rProgrammeName = FileNamePart(path);
  }
  entry.rProgrammeVersion = GetFileVersionText(parts_.versionResources, path);
  if (parts_.icons) {
    const int icon = parts_.icons->AppendFileSmallIcon(ImageListId::Watched, path);
    if (icon >= 0) entry.rIcon = icon;
  }
  return entry;
}

// A key that cannot be opened or written leaves the program in this run's
// list only: it is shown and handed to the service, but not loaded at the
// next start.
void WatchedPrograms::WriteRegistryValue(const std::string& path) {
  try {
    auto key = parts_.registry.OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    if (!key) return;
    // The count of values is the next number; a key edited from outside can
    // have gaps, so a name that is taken is skipped rather than overwritten.
    std::size_t n = key->ValueNames().size();
    while (key->ValueExists(kWatchedValuePrefix + std::to_string(n))) ++n;
    key->WriteString(kWatchedValuePrefix + std::to_string(n), path);
  } catch (const PlatformError&) {
  }
}

// The same rule as WriteRegistryValue: a store that refuses the rewrite keeps
// the change for this run only.
void WatchedPrograms::RewriteRegistry() {
  try {
    parts_.registry.DeleteKey(RegistryRoot::CurrentUser, kWatchedProgramsKey);
    auto key = parts_.registry.OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    if (!key) return;
    for (std::size_t i = 0; i < garrProgramsWatched_.size(); ++i) {
      key->WriteString(kWatchedValuePrefix + std::to_string(i),
                       garrProgramsWatched_[i].rLongExePath);
    }
  } catch (const PlatformError&) {
  }
}

int WatchedPrograms::IsWatchedProgramm(const std::string& aLongPath) const {
  const std::string folded = FoldCase(aLongPath);
  const auto at = std::lower_bound(gslWatchedPrograms_.begin(), gslWatchedPrograms_.end(), folded,
                                   [](const Key& k, const std::string& f) { return k.folded < f; });
  if (at == gslWatchedPrograms_.end() || at->folded != folded) return -1;
  for (std::size_t i = 0; i < garrProgramsWatched_.size(); ++i) {
    if (FoldCase(garrProgramsWatched_[i].rLongExePath) == folded) return static_cast<int>(i);
  }
  return -1;
}

StartTrackingResult WatchedPrograms::StartTracking(const std::vector<std::string>& selectedPaths) {
  StartTrackingResult result;
  if (selectedPaths.empty()) return result;
  std::string message = kAlreadyWatchedMessage;
  int refused = 0;
  for (const std::string& path : selectedPaths) {
    if (path.empty() || AddFileToProgramsWatched(path, false)) continue;
    message += "\r\n(" + std::to_string(++refused) + ") " + path;
  }
  if (refused > 0) {
    result.message = message;
    return result;
  }
  NotifyServiceProgrammsRefreshed();
  result.notified = true;
  return result;
}

void WatchedPrograms::Remove(const std::string& path) {
  const int index = IsWatchedProgramm(path);
  std::string stored = path;
  if (index >= 0) {
    stored = garrProgramsWatched_[index].rLongExePath;
    if (static_cast<std::size_t>(index) + 1 != garrProgramsWatched_.size()) {
      garrProgramsWatched_[index] = std::move(garrProgramsWatched_.back());
    }
    garrProgramsWatched_.pop_back();
    const std::string folded = FoldCase(stored);
    gslWatchedPrograms_.erase(std::remove_if(gslWatchedPrograms_.begin(), gslWatchedPrograms_.end(),
                                             [&](const Key& k) { return k.folded == folded; }),
                              gslWatchedPrograms_.end());
    if (hooks_.removeProgramFromListValues) hooks_.removeProgramFromListValues(stored);
  }
  if (hooks_.removed) hooks_.removed(stored);
}

void WatchedPrograms::StopTracking(const std::vector<std::string>& selectedPaths) {
  for (const std::string& path : selectedPaths) Remove(path);
  if (!selectedPaths.empty()) RewriteRegistry();
  NotifyServiceProgrammsRefreshed();
}

bool WatchedPrograms::ProcessDragDrop(const std::vector<std::string>& droppedPaths) {
  std::vector<std::string> taken;
  for (const std::string& name : droppedPaths) {
    if (parts_.shell.IsShortcut(name)) {
      if (const auto target = ProgramShortcutTarget(parts_.shell, name)) {
        taken.push_back(target->path);
      }
    } else if (IsProgramPath(parts_.shell, name)) {
      taken.push_back(name);
    }
  }
  for (const std::string& path : taken) AddFileToProgramsWatched(path, false);
  if (taken.empty()) return false;
  NotifyServiceProgrammsRefreshed();
  return true;
}

void WatchedPrograms::NotifyServiceProgrammsRefreshed() {
  WriteFileAtomic(parts_.files, parts_.settingsFolder + kProgramsToWatchFile,
                  ProgramsToWatchFileBytes(garrProgramsWatched_));
  SendServiceCommand(parts_.servicePipe, parts_.dataFolder, kCommandReloadWatchedPrograms, "");
}

std::vector<std::string> WatchedPrograms::WatchedPaths() const {
  std::vector<std::string> paths;
  for (const Key& key : gslWatchedPrograms_) paths.push_back(key.path);
  return paths;
}

}  // namespace brenvik
