// What the uptime report asks about programs: the title of an executable,
// the program description cache, and the watched programs. The report and
// its pick lists see them through this interface; TrackedProgramDirectory
// answers from program tracking's version reader, cache and watched list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/version_resources.h"
#include "programs/program_cache.h"
#include "programs/watched_programs.h"
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
  // The name under which the system shows a file; nothing when the file
  // cannot be found.
  virtual std::optional<std::string> FileDisplayName(const std::string& path) = 0;
  // The watched programs in the order of the watched list.
  virtual std::vector<TRecProgramme> WatchedList() const = 0;
  // The watched program of a path (letter case ignored), else null.
  virtual const TRecProgramme* FindWatched(const std::string& exePath) const = 0;
};

class TrackedProgramDirectory : public ProgramDirectory {
 public:
  // All three must outlive the directory.
  TrackedProgramDirectory(VersionResources& resources, ProgramCache& cache,
                          const brenvik::WatchedPrograms& watched)
      : resources_(resources), cache_(cache), watched_(watched) {}

  std::string ProgramTitle(const std::string& exePath) override;
  const TRecProgramme& CacheEntry(const std::string& exePath) override;
  const TRecProgramme* FindCached(const std::string& exePath) const override;
  // The file name of an existing file or folder.
  std::optional<std::string> FileDisplayName(const std::string& path) override;
  std::vector<TRecProgramme> WatchedList() const override { return watched_.Programs(); }
  const TRecProgramme* FindWatched(const std::string& exePath) const override;

 private:
  VersionResources& resources_;
  ProgramCache& cache_;
  const brenvik::WatchedPrograms& watched_;
};

}  // namespace brenvik
