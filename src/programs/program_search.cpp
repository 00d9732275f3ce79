#include "programs/program_search.h"

#include "base/text_file.h"
#include "programs/file_finder.h"

namespace brenvik {

bool RunSearchTab(Shell& shell, VersionResources& resources, IconProvider* icons, ProgramList& list,
                  const SearchTabRequest& request) {
  if (Trim(request.folder).empty()) return false;
  if (icons) icons->ClearIcons(ImageListId::Search);
  list.clear();
  FoundBatch batch;
  PathSet listed;
  TFileFinder finder;
  finder.SetFromPath(request.folder);  // names may begin or end with spaces
  finder.SetOnFound([&](const std::string& in, const FoundEntry& entry) {
    OnFileFoundSearchTab(shell, in, entry, batch, request.fetchShortcutTargets);
  });
  finder.Find();
  AddFoundItemsToVstTree(list, batch, kSearchCommandLabel, listed, resources);
  FilterItems(list, request.filter);
  return true;
}

}  // namespace brenvik
