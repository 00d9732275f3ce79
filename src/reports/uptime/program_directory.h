// What the uptime report asks about programs: the title of an executable,
// the program description cache, and the watched programs. Program tracking
// implements it over its version-resource reader, its cache and its watched
// list; FileNameProgramDirectory is the plain implementation that titles a
// program by its file name, used until then and wherever no version
// resources are at hand.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "records/records.h"

namespace brenvik {

class ProgramDirectory {
 public:
  virtual ~ProgramDirectory() = default;
  // The program's title (the FileDescription of its version resource, else
  // its file name); may raise the version reader's errors.
  virtual std::string ProgramTitle(const std::string& exePath) = 0;
  // The cache entry of a path, made on first use (letter case ignored).
  virtual const TRecProgramme& CacheEntry(const std::string& exePath) = 0;
  // The cache entry when the path has one already, else null.
  virtual const TRecProgramme* FindCached(const std::string& exePath) const = 0;
  // The system's display name of a file; nothing when it cannot be had.
  virtual std::optional<std::string> FileDisplayName(const std::string& path) = 0;
  // The watched programs in the order of the watched list.
  virtual std::vector<TRecProgramme> WatchedPrograms() const = 0;
  // The watched program of a path (letter case ignored), else null.
  virtual const TRecProgramme* FindWatched(const std::string& exePath) const = 0;
};

// The part of a path after its last "\" or "/" (the whole path without either).
std::string FileNamePart(const std::string& path);

class FileNameProgramDirectory : public ProgramDirectory {
 public:
  std::string ProgramTitle(const std::string& exePath) override;
  const TRecProgramme& CacheEntry(const std::string& exePath) override;
  const TRecProgramme* FindCached(const std::string& exePath) const override;
  // The file name of an existing file.
  std::optional<std::string> FileDisplayName(const std::string& path) override;
  std::vector<TRecProgramme> WatchedPrograms() const override { return watched_; }
  const TRecProgramme* FindWatched(const std::string& exePath) const override;

  // Adds a watched program titled by its file name (nothing when watched).
  void Watch(const std::string& exePath, int icon = 0);

 private:
  std::map<std::string, TRecProgramme> cache_;  // by lower-case path
  std::vector<TRecProgramme> watched_;
};

}  // namespace brenvik
