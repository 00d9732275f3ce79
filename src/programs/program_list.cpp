#include "programs/program_list.h"

#include "base/utf8.h"
#include "programs/mask_match.h"
#include "programs/program_info.h"

namespace brenvik {
namespace {

bool HasExeExtension(const std::string& path) {
  return path.size() >= 4 &&
         EqualsIgnoreCase(std::string_view(path).substr(path.size() - 4), ".exe");
}

void HandleFound(Shell& shell, const std::string& folder, const FoundEntry& entry,
                 FoundBatch& batch, bool followShortcuts) {
  const std::string path = JoinPath(folder, entry.name);
  if (shell.IsShortcut(path)) {
    if (!followShortcuts) return;
    if (const auto target = ProgramShortcutTarget(shell, path)) {
      batch.push_back({target->path, target->description});
    }
    return;
  }
  if (IsProgramPath(shell, path)) batch.push_back({path, {}});
}

}  // namespace

bool IsProgramPath(Shell& shell, const std::string& path) {
  return HasExeExtension(path) || shell.IsProgramFile(path);
}

std::optional<ShortcutTarget> ProgramShortcutTarget(Shell& shell, const std::string& shortcut) {
  std::optional<ShortcutTarget> target = shell.ResolveShortcut(shortcut);
  if (!target || target->path.empty() || !IsProgramPath(shell, target->path)) return std::nullopt;
  return target;
}

void OnFileFound(Shell& shell, const std::string& folder, const FoundEntry& entry,
                 FoundBatch& batch) {
  HandleFound(shell, folder, entry, batch, true);
}

void OnFileFoundSearchTab(Shell& shell, const std::string& folder, const FoundEntry& entry,
                          FoundBatch& batch, bool followShortcuts) {
  HandleFound(shell, folder, entry, batch, followShortcuts);
}

bool AddFoundItemsToVstTree(ProgramList& list, const FoundBatch& itemsInBatch,
                            const std::string& source, PathSet& itemsLoaded,
                            VersionResources& resources, SearchMonitor* monitor) {
  for (const FoundItem& item : itemsInBatch) {
    if (itemsLoaded.Contains(item.path) || FileNamePart(item.path).empty()) continue;
    if (monitor && !monitor->ReadingProgram(item.path)) return false;
    ProgramListEntry entry;
    Reset(entry.program);
    entry.program.rType = 0;
    entry.program.rProgrammeName = GetProgramTitle(resources, item.path);
    entry.program.rLongExePath = item.path;
    entry.program.rProgrammeVersion = GetFileVersionText(resources, item.path);
    entry.program.rInfoAboutLink = item.description;
    entry.program.rLocation = source;
    list.push_back(std::move(entry));
    itemsLoaded.Add(item.path);
  }
  return true;
}

void FilterItems(ProgramList& list, const std::string& aFilter) {
  if (aFilter.empty()) {
    for (ProgramListEntry& entry : list) entry.visible = true;
    return;
  }
  if (aFilter.find_first_of("*?") != std::string::npos) {
    const Mask mask(aFilter);
    for (ProgramListEntry& entry : list) {
      entry.visible =
          mask.Matches(entry.program.rLongExePath) || mask.Matches(entry.program.rProgrammeName);
    }
    return;
  }
  const std::string needle = FoldCase(aFilter);
  for (ProgramListEntry& entry : list) {
    entry.visible = FoldCase(entry.program.rProgrammeName).find(needle) != std::string::npos ||
                    FoldCase(entry.program.rInfoAboutLink).find(needle) != std::string::npos;
  }
}

std::string GetProgrammeTreeText(const TRecProgramme& entry, int column) {
  switch (column) {
    case 0:
      return entry.rProgrammeName;
    case 1:
      return entry.rProgrammeVersion;
    case 2:
      return entry.rLongExePath;
    default:
      return {};
  }
}

int CellImageIndex(TRecProgramme& entry, int column, bool loadingSuspended, IconProvider& icons,
                   ImageListId list) {
  if (column != 0 || entry.rIcon == -2 || entry.rIcon == 0) return -1;
  if (entry.rIcon > 0) return entry.rIcon;
  if (entry.rIcon != -1 || loadingSuspended) return -1;
  entry.rIcon = -2;
  const int icon = icons.AppendFileSmallIcon(list, entry.rLongExePath);
  if (icon < 0) return -1;
  entry.rIcon = icon;
  return icon;
}

}  // namespace brenvik
