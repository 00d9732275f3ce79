// Where the program lists look for launchers (Windows shortcuts, Linux
// .desktop files) that tell a program's icon. Which special folders hold
// them is the platform's policy: each backend answers LauncherFolderKinds
// (POSIX: the XDG application folders, the desktop and the autostart
// folders; Win32: the Start menus and the desktop, whose Startup folders lie
// within). SpecialFolderPaths turns kinds into folders through a shell.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace brenvik {

// The special folders that hold launchers on this platform, in the order they
// are read. Defined by the linked backend.
std::vector<SpecialFolder> LauncherFolderKinds();

// The folders of the kinds as the shell names them, in the order of the
// kinds and each folder once; a kind the shell has no folder for is left out.
std::vector<std::string> SpecialFolderPaths(Shell& shell, const std::vector<SpecialFolder>& kinds);

}  // namespace brenvik
