// The "Programs on My Computer" tab: the programs the computer starts or
// offers to the user, collected once per run from seven sources in order.
//
//  1 "Registry, Startup - Local Machine"  the local machine's Run key, and
//    the all-users autostart folder where the shell has one (Linux:
//    /etc/xdg/autostart launchers)
//  2 "Registry, Startup - Current User"   the same for the current user
//    (Linux: ~/.config/autostart)
//  3 "Program Files"          4 "<user name>\Start Menu"
//  5 "All Users\Start Menu"   6 "<desktop>"   7 "<user name>\Desktop"
//    the shell folders, searched recursively, shortcuts always followed
//
// Run values and autostart launchers are reduced to the path of an existing
// file with ExtractRunValuePath; values that are not texts are skipped. A
// program found by an earlier source is not listed again by a later one
// (paths compared without regard to letter case). Sources that cannot be
// opened or listed contribute nothing.
#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/version_resources.h"
#include "programs/program_list.h"
#include "programs/search_progress.h"

namespace brenvik {

inline constexpr const char* kRunKeyPath = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kLabelRunLocalMachine = "Registry, Startup - Local Machine";
inline constexpr const char* kLabelRunCurrentUser = "Registry, Startup - Current User";
inline constexpr const char* kLabelProgramFiles = "Program Files";
inline constexpr const char* kLabelStartMenuUser = "<user name>\\Start Menu";
inline constexpr const char* kLabelStartMenuAllUsers = "All Users\\Start Menu";
inline constexpr const char* kLabelDesktop = "<desktop>";
inline constexpr const char* kLabelDesktopDirectory = "<user name>\\Desktop";

// The program of a Run value, which is a command line: the value up to and
// including its first double quote, trimmed, when that names an existing
// file; else the text between the first and the next double quote, trimmed,
// when that does; else nothing. So a bare path or a quoted path followed by
// arguments gives the path, an unquoted path followed by arguments nothing.
std::optional<std::string> ExtractRunValuePath(const std::string& value);

// Appends the programs of the seven sources to list. A damaged version
// resource raises its error; the entries collected before it stay. False
// when the monitor stopped the collection: the list holds the programs
// read until then. Safe to run on a worker thread when the registry, the
// shell and the resources are.
bool CollectComputerPrograms(Registry& registry, Shell& shell, VersionResources& resources,
                             ProgramList& list, SearchMonitor* monitor = nullptr);

// The button "&Search (slow)": fills the list at most once per run.
class ComputerProgramsSearch {
 public:
  ComputerProgramsSearch(Registry& registry, Shell& shell, VersionResources& resources)
      : registry_(registry), shell_(shell), resources_(resources) {}

  // Empties the list and collects; false without touching the list when it
  // was filled before. A collection that ends on an error also counts as
  // done; one the monitor stopped does not, so the next press starts anew.
  bool Search(ProgramList& list, SearchMonitor* monitor = nullptr);
  bool Loaded() const { return loaded_; }

 private:
  Registry& registry_;
  Shell& shell_;
  VersionResources& resources_;
  bool loaded_ = false;  // gvstProgrammsLoaded
};

}  // namespace brenvik
