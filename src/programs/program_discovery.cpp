#include "programs/program_discovery.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/file_io.h"
#include "base/text_file.h"
#include "programs/file_finder.h"
#include "programs/program_info.h"

namespace brenvik {
namespace {

struct StartupSource {
  RegistryRoot root;
  SpecialFolder autostart;
  const char* label;
};

struct FolderSource {
  SpecialFolder folder;
  const char* label;
};

class Collector {
 public:
  Collector(Registry& registry, Shell& shell, VersionResources& resources, ProgramList& list,
            SearchMonitor* monitor)
      : registry_(registry), shell_(shell), resources_(resources), list_(list), monitor_(monitor) {}

  // Each source: false when the monitor stopped the collection.
  bool StartupPrograms(const StartupSource& source) {
    if (auto key = registry_.OpenKey(source.root, kRunKeyPath, false)) {
      for (const std::string& name : key->ValueNames()) {
        const auto value = key->ReadString(name);
        if (value && !Add(*value, {}, source.label)) return false;
      }
    }
    const std::string folder = shell_.FolderPath(source.autostart);
    if (folder.empty()) return true;
    for (const std::string& launcher : Launchers(folder)) {
      if (monitor_ && !monitor_->EntryExamined(folder)) return false;
      const auto target = shell_.ResolveShortcut(launcher);
      if (target && !Add(target->path, target->description, source.label)) return false;
    }
    return true;
  }

  bool FolderPrograms(const FolderSource& source) {
    const std::string folder = shell_.FolderPath(source.folder);
    if (folder.empty()) return true;
    FoundBatch batch;
    TFileFinder finder;
    finder.SetFromPath(folder);
    finder.SetMonitor(monitor_);
    finder.SetOnFound([&](const std::string& in, const FoundEntry& entry) {
      OnFileFound(shell_, in, entry, batch);
    });
    if (!finder.Find()) return false;
    return AddFoundItemsToVstTree(list_, batch, source.label, listed_, resources_, monitor_);
  }

 private:
  // The shortcuts directly in folder, by name.
  std::vector<std::string> Launchers(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    std::filesystem::directory_iterator it(ToFsPath(folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      const std::string path = JoinPath(folder, FromFsPath(it->path().filename()));
      if (shell_.IsShortcut(path)) found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  // False when the monitor stopped the collection.
  bool Add(const std::string& value, const std::string& description, const char* label) {
    const std::optional<std::string> path = ExtractRunValuePath(value);
    if (!path || listed_.Contains(*path)) return true;
    if (monitor_ && !monitor_->ReadingProgram(*path)) return false;
    listed_.Add(*path);
    ProgramListEntry entry;
    Reset(entry.program);
    entry.program.rType = 0;
    entry.program.rProgrammeName = GetProgramTitle(resources_, *path);
    entry.program.rLongExePath = *path;
    entry.program.rProgrammeVersion = GetFileVersionText(resources_, *path);
    entry.program.rInfoAboutLink = description;
    entry.program.rLocation = label;
    list_.push_back(std::move(entry));
    return true;
  }

  Registry& registry_;
  Shell& shell_;
  VersionResources& resources_;
  ProgramList& list_;
  SearchMonitor* monitor_;
  PathSet listed_;
};

}  // namespace

std::optional<std::string> ExtractRunValuePath(const std::string& value) {
  const std::size_t quote = value.find('"');
  const std::string first = Trim(quote == std::string::npos ? value : value.substr(0, quote + 1));
  if (!first.empty() && FileExists(first)) return first;
  if (quote == std::string::npos) return std::nullopt;
  const std::size_t close = value.find('"', quote + 1);
  const std::string second = Trim(
      value.substr(quote + 1, close == std::string::npos ? std::string::npos : close - quote - 1));
  if (!second.empty() && FileExists(second)) return second;
  return std::nullopt;
}

bool CollectComputerPrograms(Registry& registry, Shell& shell, VersionResources& resources,
                             ProgramList& list, SearchMonitor* monitor) {
  Collector collector(registry, shell, resources, list, monitor);
  const StartupSource startup[] = {
      {RegistryRoot::LocalMachine, SpecialFolder::AutostartAllUsers, kLabelRunLocalMachine},
      {RegistryRoot::CurrentUser, SpecialFolder::AutostartUser, kLabelRunCurrentUser},
  };
  for (const StartupSource& source : startup) {
    if (!collector.StartupPrograms(source)) return false;
  }
  const FolderSource folders[] = {
      {SpecialFolder::ProgramFiles, kLabelProgramFiles},
      {SpecialFolder::StartMenuUser, kLabelStartMenuUser},
      {SpecialFolder::StartMenuAllUsers, kLabelStartMenuAllUsers},
      {SpecialFolder::Desktop, kLabelDesktop},
      {SpecialFolder::DesktopDirectory, kLabelDesktopDirectory},
  };
  for (const FolderSource& source : folders) {
    if (!collector.FolderPrograms(source)) return false;
  }
  return true;
}

bool ComputerProgramsSearch::Search(ProgramList& list, SearchMonitor* monitor) {
  if (loaded_) return false;
  list.clear();
  // Done also when an error ends the collection; a cancelled one may run again.
  struct MarkDone {
    bool& flag;
    const SearchMonitor* monitor;
    ~MarkDone() { flag = !(monitor && monitor->Cancelled()); }
  } done{loaded_, monitor};
  CollectComputerPrograms(registry_, shell_, resources_, list, monitor);
  return true;
}

}  // namespace brenvik
