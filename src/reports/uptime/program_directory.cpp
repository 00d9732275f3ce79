#include "reports/uptime/program_directory.h"

#include "base/file_io.h"
#include "base/utf8.h"

namespace brenvik {

std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileNameProgramDirectory::ProgramTitle(const std::string& exePath) {
  return FileNamePart(exePath);
}

const TRecProgramme& FileNameProgramDirectory::CacheEntry(const std::string& exePath) {
  const std::string key = AsciiLower(exePath);
  auto it = cache_.find(key);
  if (it != cache_.end()) return it->second;
  TRecProgramme entry;
  entry.rProgrammeName = FileNamePart(exePath);
  entry.rLongExePath = exePath;
  entry.rIcon = 0;
  entry.rFileDeleted = !FileExists(exePath);
  return cache_.emplace(key, entry).first->second;
}

const TRecProgramme* FileNameProgramDirectory::FindCached(const std::string& exePath) const {
  auto it = cache_.find(AsciiLower(exePath));
  return it == cache_.end() ? nullptr : &it->second;
}

std::optional<std::string> FileNameProgramDirectory::FileDisplayName(const std::string& path) {
  if (!PathExists(path)) return std::nullopt;
  return FileNamePart(path);
}

const TRecProgramme* FileNameProgramDirectory::FindWatched(const std::string& exePath) const {
  for (const TRecProgramme& programme : watched_)
    if (EqualsIgnoreCase(programme.rLongExePath, exePath)) return &programme;
  return nullptr;
}

void FileNameProgramDirectory::Watch(const std::string& exePath, int icon) {
  if (FindWatched(exePath) != nullptr) return;
  TRecProgramme programme;
  programme.rProgrammeName = FileNamePart(exePath);
  programme.rLongExePath = exePath;
  programme.rIcon = icon;
  watched_.push_back(programme);
}

}  // namespace brenvik
