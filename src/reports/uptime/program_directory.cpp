#include "reports/uptime/program_directory.h"

#include "base/file_io.h"
#include "programs/program_info.h"

namespace brenvik {

std::string TrackedProgramDirectory::ProgramTitle(const std::string& exePath) {
  return GetProgramTitle(resources_, exePath);
}

const TRecProgramme& TrackedProgramDirectory::CacheEntry(const std::string& exePath) {
  bool existed = false;
  return cache_.Record(cache_.AddHistoryProgrammToCache(exePath, existed));
}

const TRecProgramme* TrackedProgramDirectory::FindCached(const std::string& exePath) const {
  const int index = cache_.IndexOf(exePath);
  return index < 0 ? nullptr : &cache_.Record(index);
}

std::optional<std::string> TrackedProgramDirectory::FileDisplayName(const std::string& path) {
  if (!PathExists(path)) return std::nullopt;
  return FileNamePart(path);
}

const TRecProgramme* TrackedProgramDirectory::FindWatched(const std::string& exePath) const {
  const int index = watched_.IsWatchedProgramm(exePath);
  return index < 0 ? nullptr : &watched_.Programs()[static_cast<std::size_t>(index)];
}

}  // namespace brenvik
