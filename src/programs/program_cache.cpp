#include "programs/program_cache.h"

#include <algorithm>

#include "base/file_io.h"
#include "programs/path_compare.h"
#include "programs/program_info.h"

namespace brenvik {

std::vector<ProgramCache::Item>::const_iterator ProgramCache::LowerBound(
    const std::string& key) const {
  return std::lower_bound(items_.begin(), items_.end(), key,
                          [](const Item& item, const std::string& k) { return item.key < k; });
}

int ProgramCache::IndexOf(const std::string& path) const {
  const std::string key = FoldCase(path);
  const auto it = LowerBound(key);
  if (it == items_.end() || it->key != key) return -1;
  return static_cast<int>(it - items_.begin());
}

int ProgramCache::AddHistoryProgrammToCache(const std::string& sPath, bool& existed) {
  existed = true;
  const std::string key = FoldCase(sPath);
  const auto at = LowerBound(key);
  if (at != items_.end() && at->key == key) return static_cast<int>(at - items_.begin());
  existed = false;
  auto record = std::make_unique<TRecProgramme>();
  Reset(*record);
  record->rLongExePath = sPath;
  record->rIcon = 0;
  if (FileExists(sPath)) {
    record->rProgrammeName = GetProgramTitle(resources_, sPath);
    record->rProgrammeVersion = GetFileVersionText(resources_, sPath);
    if (icons_) {
      const int icon = icons_->AppendFileSmallIcon(ImageListId::Watched, sPath);
      if (icon >= 0) record->rIcon = icon;
    }
  } else {
    record->rProgrammeName = FileNamePart(sPath);
    record->rFileDeleted = true;
  }
  // The title reading may have raised; only now is the entry placed.
  const auto placed = items_.insert(LowerBound(key), Item{key, std::move(record)});
  return static_cast<int>(placed - items_.begin());
}

}  // namespace brenvik
