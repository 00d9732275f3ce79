// The plain data behind the two finder lists ("Search programs" and
// "Programs on My Computer") and the routines that fill and narrow them.
// A list is a flat vector of entries in the order they were added; the
// widget shows the visible ones and reads their texts and icons from here.
//
// A search collects found items into a batch (the executable path and, when
// it was found through a shortcut, the shortcut's description), which
// AddFoundItemsToVstTree turns into entries. Paths already listed are kept in
// a PathSet that spans every batch of one filling, so a program appears once
// with the source that found it first.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/version_resources.h"
#include "programs/file_finder.h"
#include "programs/icon_provider.h"
#include "programs/path_compare.h"
#include "programs/search_progress.h"
#include "records/records.h"

namespace brenvik {

struct ProgramListEntry {
  TRecProgramme program;
  bool visible = true;
};
using ProgramList = std::vector<ProgramListEntry>;

struct FoundItem {
  std::string path;
  std::string description;  // of the shortcut it was found through
};
using FoundBatch = std::vector<FoundItem>;

// A program file: one named ".exe" (any case), or one the shell counts as a
// program (on Linux a regular file with an execute bit). A missing ".exe"
// file still counts, so shortcuts to programs that were removed are listed.
bool IsProgramPath(Shell& shell, const std::string& path);

// The program a shortcut starts, when it is a program file; nothing for a
// shortcut that cannot be read or that points to a document or a folder.
std::optional<ShortcutTarget> ProgramShortcutTarget(Shell& shell, const std::string& shortcut);

// The found-file handlers: a program file goes into the batch as it is; a
// shortcut (".lnk" on Windows, a ".desktop" launcher on Linux) adds the
// program it starts with its description. OnFileFound always follows
// shortcuts; OnFileFoundSearchTab only with followShortcuts.
void OnFileFound(Shell& shell, const std::string& folder, const FoundEntry& entry,
                 FoundBatch& batch);
void OnFileFoundSearchTab(Shell& shell, const std::string& folder, const FoundEntry& entry,
                          FoundBatch& batch, bool followShortcuts);

// Appends an entry per batch item whose path is not yet in itemsLoaded and
// whose file name part is not empty: title and version from the version
// resource, the shortcut description, the source label, rIcon -1 (fetched
// when first drawn). The file need not exist. A damaged version resource
// raises its error; the entries made before it stay. A monitor hears of each
// program before it is read; false when it stopped the filling.
bool AddFoundItemsToVstTree(ProgramList& list, const FoundBatch& itemsInBatch,
                            const std::string& source, PathSet& itemsLoaded,
                            VersionResources& resources, SearchMonitor* monitor = nullptr);

// Shows or hides every entry. Empty filter: all shown. A filter holding "*"
// or "?" is a mask (mask_match.h) that must match the whole path or the whole
// title; any other filter is a text looked for in the title or the shortcut
// description (not the path), letter case ignored. An invalid mask raises
// ConversionError; entries not yet handled keep their visibility.
void FilterItems(ProgramList& list, const std::string& aFilter);

// Texts of the three columns: 0 title, 1 file version, 2 path.
std::string GetProgrammeTreeText(const TRecProgramme& entry, int column);

// The image of a cell, or -1 for none. Only column 0 has one. An entry whose
// icon was not loaded yet (rIcon -1) gets it now unless loading is suspended
// (while the user scrolls); the attempt is made once (rIcon -2 when it gave
// nothing).
int CellImageIndex(TRecProgramme& entry, int column, bool loadingSuspended, IconProvider& icons,
                   ImageListId list);

}  // namespace brenvik
