#include "platform/launcher_folders.h"

namespace brenvik {

// The shortcuts of both Start menus (their Startup folders included) and of
// the user's desktop. Autostart on Windows is the Run keys of the registry,
// which hold no shortcuts.
std::vector<SpecialFolder> LauncherFolderKinds() {
  return {SpecialFolder::StartMenuUser, SpecialFolder::StartMenuAllUsers,
          SpecialFolder::DesktopDirectory};
}

}  // namespace brenvik
