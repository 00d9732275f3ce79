#include "platform/launcher_folders.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fakes.h"

namespace brenvik::test {
namespace {

TEST(SpecialFolderPaths, KeepsTheOrderOfTheKindsAndSkipsMissingAndRepeatedFolders) {
  FakeShell shell;
  shell.folders[SpecialFolder::StartMenuUser] = "/home/ann/.local/share/applications/";
  shell.folders[SpecialFolder::DesktopDirectory] = "/home/ann/Desktop/";
  // The user's autostart folder is the desktop here: it is read once.
  shell.folders[SpecialFolder::AutostartUser] = "/home/ann/Desktop/";
  shell.folders[SpecialFolder::AutostartAllUsers] = "/etc/xdg/autostart/";
  const std::vector<std::string> folders =
      SpecialFolderPaths(shell, {SpecialFolder::AutostartAllUsers, SpecialFolder::StartMenuUser,
                                 SpecialFolder::StartMenuAllUsers, SpecialFolder::DesktopDirectory,
                                 SpecialFolder::AutostartUser});
  EXPECT_EQ(folders,
            (std::vector<std::string>{"/etc/xdg/autostart/", "/home/ann/.local/share/applications/",
                                      "/home/ann/Desktop/"}));
}

TEST(LauncherFolderKinds, NameTheStartMenusAndTheDesktopOnEveryPlatform) {
  const std::vector<SpecialFolder> kinds = LauncherFolderKinds();
  for (SpecialFolder wanted : {SpecialFolder::StartMenuUser, SpecialFolder::StartMenuAllUsers,
                               SpecialFolder::DesktopDirectory}) {
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), wanted), kinds.end());
  }
}

}  // namespace
}  // namespace brenvik::test
