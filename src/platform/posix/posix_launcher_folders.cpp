#include "platform/launcher_folders.h"

namespace brenvik {

// The .desktop files of installed applications (per user and system-wide),
// those on the desktop, and the autostart entries of the user and of all
// users.
std::vector<SpecialFolder> LauncherFolderKinds() {
  return {SpecialFolder::StartMenuUser, SpecialFolder::StartMenuAllUsers,
          SpecialFolder::DesktopDirectory, SpecialFolder::AutostartUser,
          SpecialFolder::AutostartAllUsers};
}

}  // namespace brenvik
