// The watched list: the programs whose runs the service records. It lives in
// memory (garrProgramsWatched in the order of addition, gslWatchedPrograms
// sorted for lookups), in the registry (one text value per program under
// \Software\Taveron\Brenvik\1.0\ProgrammsWatched of the current user, so the
// list survives a restart) and in ProgrammsToWatch.ini of the settings
// folder, which the service reads again when told by command 3. The formats
// are described in docs/watched-programs.md.
//
// A program is identified by its executable's full path, letter case
// ignored. Every change is stored in the registry at once; the file and the
// command follow each Start Tracking in which nothing selected was watched
// already, each drop that took something, and each Stop Tracking.
//
// The widgets hold no state of their own: they show Programs() and are told
// of single changes through the hooks, which are also where the uptime
// report's source pick list is kept in step (see WatchedListHooks).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/service_pipe.h"
#include "platform/shell.h"
#include "platform/version_resources.h"
#include "programs/icon_provider.h"
#include "records/records.h"

namespace brenvik {

inline constexpr const char* kWatchedProgramsKey =
    "\\Software\\Taveron\\Brenvik\\1.0\\ProgrammsWatched";
inline constexpr const char* kWatchedValuePrefix = "Watched";
inline constexpr const char* kProgramsToWatchFile = "ProgrammsToWatch.ini";
inline constexpr const char* kAlreadyWatchedMessage = "Following programs already are watched:";

// Called after each single change of the list; every hook may be empty.
struct WatchedListHooks {
  // A program was appended to Programs() (the watched list widget appends a
  // row: AddWatchedProgrammToVSTTree).
  std::function<void(const TRecProgramme& entry)> added;
  // The program with this path left Programs() (the widget deletes its row).
  std::function<void(const std::string& path)> removed;
  // The uptime report's source pick list: on LoadProgramToListValues the
  // first row with exactly this path is replaced by a row at the top with
  // the program's cache record and the state "Tracked..."; on
  // RemoveProgramFromListValues that row is deleted and, when the path has
  // uptime history, a "History" row is appended. The pick list model belongs
  // to the uptime report (reports/uptime/pick_list.h has both routines); the
  // window sets these two to call them on its list.
  std::function<void(const std::string& path, bool isWatched)> loadProgramToListValues;
  std::function<void(const std::string& path)> removeProgramFromListValues;
};

struct WatchedProgramsParts {
  Registry& registry;
  ServicePipe& servicePipe;
  Shell& shell;
  VersionResources& versionResources;
  FileSystem& files;              // writes ProgrammsToWatch.ini
  IconProvider* icons = nullptr;  // may be null: no icons (rIcon 0)
  std::string settingsFolder;     // with a trailing separator
  std::string dataFolder;         // with a trailing separator
};

struct StartTrackingResult {
  // The message box text when some selected programs were watched already
  // (the service is then not notified); empty otherwise.
  std::string message;
  bool notified = false;
};

class WatchedPrograms {
 public:
  explicit WatchedPrograms(WatchedProgramsParts parts) : parts_(std::move(parts)) {}

  void SetHooks(WatchedListHooks hooks) { hooks_ = std::move(hooks); }

  // Start-up: adds every value of the registry key (without writing
  // anything or notifying the service). A program whose version resource is
  // damaged is still added, titled with its file name and without a version,
  // so that no watched program is lost; the texts of those errors are
  // returned for the diagnostic log.
  std::vector<std::string> LoadFromRegistry();

  // Adds one program; false when the path is watched already. Unless
  // loading, a registry value is written first (a key that cannot be opened
  // or written leaves the program in this run's list only). A damaged version
  // resource raises its error and adds nothing.
  bool AddFileToProgramsWatched(const std::string& sLongPath, bool loading);

  // The position of the path in Programs(), -1 when not watched.
  int IsWatchedProgramm(const std::string& aLongPath) const;

  // Start Tracking on the selected paths, in selection order (empty paths
  // are skipped; an empty selection does nothing).
  StartTrackingResult StartTracking(const std::vector<std::string>& selectedPaths);

  // Stop Tracking on the selected paths: each leaves the list (the last
  // entry moves into its place), the registry key is rewritten in the new
  // order, and the service is notified, also when nothing was selected.
  void StopTracking(const std::vector<std::string>& selectedPaths);

  // Files dropped on the window: shortcuts count by the program they start,
  // program files by themselves, everything else is refused. Paths watched
  // already are ignored silently. True when something was taken; the service
  // was then notified (and the window comes to the front).
  bool ProcessDragDrop(const std::vector<std::string>& droppedPaths);

  // Writes ProgrammsToWatch.ini (FileError when it cannot be written; the
  // command is then not sent) and sends command 3, whose outcome is not
  // examined.
  void NotifyServiceProgrammsRefreshed();

  // garrProgramsWatched.
  const std::vector<TRecProgramme>& Programs() const { return garrProgramsWatched_; }
  // gslWatchedPrograms: the same paths sorted, letter case ignored.
  std::vector<std::string> WatchedPaths() const;

 private:
  struct Key {
    std::string folded;
    std::string path;
  };
  bool Add(const std::string& path, bool loading, std::vector<std::string>* problems);
  TRecProgramme Describe(const std::string& path, std::vector<std::string>* problems);
  void WriteRegistryValue(const std::string& path);
  void RewriteRegistry();
  void Remove(const std::string& path);

  WatchedProgramsParts parts_;
  WatchedListHooks hooks_;
  std::vector<TRecProgramme> garrProgramsWatched_;
  std::vector<Key> gslWatchedPrograms_;  // sorted by folded
};

// The exact bytes of ProgrammsToWatch.ini for these paths.
std::string ProgramsToWatchFileBytes(const std::vector<TRecProgramme>& programs);

}  // namespace brenvik
