// The "Search programs" tab: search a folder the user names, with all its
// sub-folders, for program files (and, on request, for shortcuts to them),
// fill the result list and apply the name filter to it.
#pragma once

#include <string>

#include "platform/shell.h"
#include "platform/version_resources.h"
#include "programs/icon_provider.h"
#include "programs/program_list.h"
#include "programs/search_progress.h"

namespace brenvik {

inline constexpr const char* kSearchCommandLabel = "Search command";

struct SearchTabRequest {
  std::string folder;  // the folder box, as typed
  bool fetchShortcutTargets = false;
  std::string filter;  // the filter box, as typed
};

// A folder box that is empty or only white space: no search is made.
bool IsBlankSearchFolder(const std::string& folder);

// The search and the filling of the list without the filter: the list is
// emptied, the folder searched (a trailing separator makes no difference; a
// missing folder gives an empty list) and every program found listed with
// its title and version, in the order the search found them. Safe to run on
// a worker thread when the shell and the resources are. False when the
// monitor stopped it: the list then holds the programs read until then. A
// damaged version resource raises its error; the entries made before it
// stay.
bool FindProgramsInFolder(Shell& shell, VersionResources& resources,
                          const SearchTabRequest& request, ProgramList& list,
                          SearchMonitor* monitor = nullptr);

// The whole "&Search" press in one go. A blank folder box does nothing and
// returns false (the previous result stays). Otherwise the icons of the
// previous result are removed from the search tab's image list (icons may be
// null), FindProgramsInFolder fills the list and the filter is applied. An
// invalid mask raises its error.
bool RunSearchTab(Shell& shell, VersionResources& resources, IconProvider* icons, ProgramList& list,
                  const SearchTabRequest& request, SearchMonitor* monitor = nullptr);

}  // namespace brenvik
