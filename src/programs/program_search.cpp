#include "programs/program_search.h"

#include "base/text_file.h"
#include "programs/file_finder.h"

namespace brenvik {

bool IsBlankSearchFolder(const std::string& folder) { return Trim(folder).empty(); }

bool FindProgramsInFolder(Shell& shell, VersionResources& resources,
                          const SearchTabRequest& request, ProgramList& list,
                          SearchMonitor* monitor) {
  list.clear();
  FoundBatch batch;
  PathSet listed;
  TFileFinder finder;
  finder.SetFromPath(request.folder);  // names may begin or end with spaces
  finder.SetMonitor(monitor);
  finder.SetOnFound([&](const std::string& in, const FoundEntry& entry) {
    OnFileFoundSearchTab(shell, in, entry, batch, request.fetchShortcutTargets);
  });
  if (!finder.Find()) return false;
  return AddFoundItemsToVstTree(list, batch, kSearchCommandLabel, listed, resources, monitor);
}

bool RunSearchTab(Shell& shell, VersionResources& resources, IconProvider* icons, ProgramList& list,
                  const SearchTabRequest& request, SearchMonitor* monitor) {
  if (IsBlankSearchFolder(request.folder)) return false;
  if (icons) icons->ClearIcons(ImageListId::Search);
  FindProgramsInFolder(shell, resources, request, list, monitor);
  FilterItems(list, request.filter);
  return true;
}

}  // namespace brenvik
