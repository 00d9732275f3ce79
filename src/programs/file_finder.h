// The recursive file search behind the finder lists. Find walks the start
// folder depth-first in pre-order: the entries of each folder in the order
// the file system lists them, a sub-folder searched at once before the next
// entry of its parent is looked at. Hidden and system entries are included.
//
// Every folder is entered, also one reached through a symbolic link or a
// junction, but no folder twice: the search remembers the real location of
// each folder it entered, so link loops and second ways into the same tree
// end there. Folders that cannot be listed, or vanish while the search runs,
// contribute what was listed before; nothing is raised.
//
// The callback receives every entry that is not a folder, with the folder
// that holds it (no trailing separator) and the entry itself. A monitor, when
// one is set, hears of every entry looked at and can stop the search.
#pragma once

#include <functional>
#include <string>

#include "programs/search_progress.h"

namespace brenvik {

struct FoundEntry {
  std::string name;
  bool isSymlink = false;  // the entry is a link (to a file, or a broken one)
};

using TFoundEvent = std::function<void(const std::string& folder, const FoundEntry& entry)>;

class TFileFinder {
 public:
  // Starts at the root of the system drive ("C:\" on Windows, "/" elsewhere)
  // with the wildcard "*.*" and no callback.
  TFileFinder();

  // The start folder; a trailing separator is removed (the root keeps its).
  void SetFromPath(const std::string& folder);
  const std::string& FromPath() const { return fromPath_; }
  // The pattern the names of listed entries must match (a mask of
  // mask_match.h; "*.*" and "*" admit every name). Folders are entered
  // whatever their names.
  void SetWildCard(const std::string& wildCard) { wildCard_ = wildCard; }
  void SetOnFound(TFoundEvent onFound) { onFound_ = std::move(onFound); }
  // Not owned; may be null.
  void SetMonitor(SearchMonitor* monitor) { monitor_ = monitor; }

  // Runs the search when a callback is set; does nothing otherwise. False
  // when the monitor stopped it before the end.
  bool Find();

 private:
  std::string fromPath_;
  std::string wildCard_ = "*.*";
  TFoundEvent onFound_;
  SearchMonitor* monitor_ = nullptr;
};

// folder + separator + name, without doubling a separator that ends folder.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder without trailing separators, except for a root ("/", "C:\").
std::string WithoutTrailingSeparator(const std::string& folder);

}  // namespace brenvik
