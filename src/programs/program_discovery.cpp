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
  Collector(Registry& registry, Shell& shell, VersionResources& resources, ProgramList& list)
      : registry_(registry), shell_(shell), resources_(resources), list_(list) {}

  void StartupPrograms(const StartupSource& source) {
    if (auto key = registry_.OpenKey(source.root, kRunKeyPath, false)) {
      for (const std::string& name : key->ValueNames()) {
        if (const auto value = key->ReadString(name)) Add(*value, {}, source.label);
      }
    }
    const std::string folder = shell_.FolderPath(source.autostart);
    if (folder.empty()) return;
    for (const std::string& launcher : Launchers(folder)) {
      if (const auto target = shell_.ResolveShortcut(launcher)) {
        Add(target->path, target->description, source.label);
      }
    }
  }

  void FolderPrograms(const FolderSource& source) {
    const std::string folder = shell_.FolderPath(source.folder);
    if (folder.empty()) return;
    FoundBatch batch;
    TFileFinder finder;
    finder.SetFromPath(folder);
    finder.SetOnFound([&](const std::string& in, const FoundEntry& entry) {
      OnFileFound(shell_, in, entry, batch);
    });
    finder.Find();
    AddFoundItemsToVstTree(list_, batch, source.label, listed_, resources_);
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

  void Add(const std::string& value, const std::string& description, const char* label) {
    const std::optional<std::string> path = ExtractRunValuePath(value);
    if (!path || listed_.Contains(*path)) return;
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
  }

  Registry& registry_;
  Shell& shell_;
  VersionResources& resources_;
  ProgramList& list_;
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

void CollectComputerPrograms(Registry& registry, Shell& shell, VersionResources& resources,
                             ProgramList& list) {
  Collector collector(registry, shell, resources, list);
  collector.StartupPrograms(
      {RegistryRoot::LocalMachine, SpecialFolder::AutostartAllUsers, kLabelRunLocalMachine});
  collector.StartupPrograms(
      {RegistryRoot::CurrentUser, SpecialFolder::AutostartUser, kLabelRunCurrentUser});
  const FolderSource folders[] = {
      {SpecialFolder::ProgramFiles, kLabelProgramFiles},
      {SpecialFolder::StartMenuUser, kLabelStartMenuUser},
      {SpecialFolder::StartMenuAllUsers, kLabelStartMenuAllUsers},
      {SpecialFolder::Desktop, kLabelDesktop},
      {SpecialFolder::DesktopDirectory, kLabelDesktopDirectory},
  };
  for (const FolderSource& source : folders) collector.FolderPrograms(source);
}

bool ComputerProgramsSearch::Search(ProgramList& list) {
  if (gvstProgrammsLoaded_) return false;
  list.clear();
  struct MarkDone {
    bool& flag;
    ~MarkDone() { flag = true; }
  } done{gvstProgrammsLoaded_};
  CollectComputerPrograms(registry_, shell_, resources_, list);
  return true;
}

}  // namespace brenvik
