// The program description cache: one TRecProgramme (title, version, icon
// index, whether the file is gone) per executable path for the whole run,
// kept sorted by path with letter case ignored. An entry, once made, is
// reused for every later lookup of the same path and never refreshed. The
// uptime report reads titles and icons from it, and the source pick list is
// built from its records.
//
// The cache owns its records; references to them stay valid for the cache's
// lifetime, while indexes shift when later paths sort in front of them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/version_resources.h"
#include "programs/icon_provider.h"
#include "records/records.h"

namespace brenvik {

class ProgramCache {
 public:
  // icons may be null (no icons are fetched then; rIcon stays 0). Both must
  // outlive the cache.
  ProgramCache(VersionResources& resources, IconProvider* icons)
      : resources_(resources), icons_(icons) {}

  // The index of the path's entry, made when needed: existed tells whether it
  // was there already. For an existing file the entry gets its title, version
  // and small icon (appended to the watched image list); for a missing one
  // the file name as title and rFileDeleted. A damaged version resource
  // raises its error and makes no entry.
  int AddHistoryProgrammToCache(const std::string& sPath, bool& existed);

  // The index of the path, or -1.
  int IndexOf(const std::string& path) const;
  const TRecProgramme& Record(int index) const { return *items_.at(index).record; }
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  struct Item {
    std::string key;  // the folded path
    std::unique_ptr<TRecProgramme> record;
  };
  std::vector<Item>::const_iterator LowerBound(const std::string& key) const;

  VersionResources& resources_;
  IconProvider* icons_;
  std::vector<Item> items_;
};

}  // namespace brenvik
