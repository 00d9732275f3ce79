// The "Search programs" tab: search a folder the user names, with all its
// sub-folders, for program files (and, on request, for shortcuts to them),
// fill the result list and apply the name filter to it.
#pragma once

#include <string>

#include "platform/shell.h"
#include "platform/version_resources.h"
#include "programs/icon_provider.h"
#include "programs/program_list.h"

namespace brenvik {

inline constexpr const char* kSearchCommandLabel = "Search command";

struct SearchTabRequest {
  std::string folder;  // the folder box, as typed
  bool fetchShortcutTargets = false;
  std::string filter;  // the filter box, as typed
};

// Replaces the list's entries with what the search finds. A folder box that
// is empty or only white space does nothing and returns false (the previous
// result stays). Otherwise the icons of the previous result are removed from
// the search tab's image list (icons may be null), the folder is searched
// (a trailing separator makes no difference; a missing folder gives an
// empty list) and the filter is applied. A damaged version resource or an
// invalid mask raises its error; the entries made before it stay.
bool RunSearchTab(Shell& shell, VersionResources& resources, IconProvider* icons, ProgramList& list,
                  const SearchTabRequest& request);

}  // namespace brenvik
