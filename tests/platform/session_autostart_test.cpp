#include "platform/session_autostart.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "programs/program_discovery.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik::test {
namespace {

std::optional<std::string> RunValue(FakeRegistry& registry, const std::string& name) {
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kRunKeyPath, false);
  return key ? key->ReadString(name) : std::nullopt;
}

TEST(RunKeyAutostart, IsOffUntilTurnedOnAndThenStartsTheWindowInTheTray) {
  FakeRegistry registry;
  RunKeyAutostart autostart(registry, "C:\\Program Files\\Brenvik\\brenvik.exe");
  EXPECT_FALSE(autostart.IsOn());
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, kRunKeyPath));

  autostart.Set(true);
  EXPECT_TRUE(autostart.IsOn());
  EXPECT_EQ(RunValue(registry, "Brenvik"),
            "\"C:\\Program Files\\Brenvik\\brenvik.exe\" --minimized");
}

TEST(RunKeyAutostart, TurningItOffRemovesOnlyItsOwnValue) {
  FakeRegistry registry;
  registry.OpenKey(RegistryRoot::CurrentUser, kRunKeyPath, true)->WriteString("Other", "o.exe");
  RunKeyAutostart autostart(registry, "C:\\b.exe");
  autostart.Set(false);  // off already: nothing to do
  autostart.Set(true);
  autostart.Set(false);
  EXPECT_FALSE(autostart.IsOn());
  EXPECT_FALSE(RunValue(registry, "Brenvik"));
  EXPECT_EQ(RunValue(registry, "Other"), "o.exe");
}

class DesktopEntryAutostartTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string folder_ = dir_.path() + "config" + PathSeparator() + "autostart" + PathSeparator();
  std::string entry_ = folder_ + kAutostartFileName;
  DesktopEntryAutostart autostart_{test::NativeFiles(), folder_, "/usr/bin/brenvik"};
};

TEST_F(DesktopEntryAutostartTest, TurningItOnWritesALauncherInAFolderMadeForIt) {
  EXPECT_FALSE(autostart_.IsOn());
  autostart_.Set(true);
  EXPECT_TRUE(autostart_.IsOn());
  const std::string text = ReadTextFile(entry_);
  EXPECT_TRUE(text.starts_with("[Desktop Entry]\nType=Application\n")) << text;
  EXPECT_NE(text.find("\nExec=/usr/bin/brenvik --minimized\n"), std::string::npos) << text;

  autostart_.Set(false);
  EXPECT_FALSE(autostart_.IsOn());
  EXPECT_FALSE(PathExists(entry_));
  autostart_.Set(false);  // gone already
}

TEST_F(DesktopEntryAutostartTest, ALauncherTheDesktopSwitchedOffCountsAsOffUntilTurnedOnAgain) {
  for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
    test::NativeFiles().CreateFolders(folder_);
    WriteFileAtomic(test::NativeFiles(), entry_,
                    "[Desktop Entry]\nType=Application\nExec=brenvik\n" + std::string(off) + "\n");
    EXPECT_FALSE(autostart_.IsOn()) << off;
    autostart_.Set(true);
    EXPECT_TRUE(autostart_.IsOn()) << off;
  }
}

TEST_F(DesktopEntryAutostartTest, AFolderThatCannotBeMadeIsAnErrorAndNothingIsOn) {
  dir_.Write("config", "a file where the folder should be");
  EXPECT_THROW(autostart_.Set(true), FileError);
  EXPECT_FALSE(autostart_.IsOn());
}

TEST(DesktopExecWord, QuotesAndEscapesOnlyWhatTheFormatReserves) {
  EXPECT_EQ(DesktopExecWord("/usr/bin/brenvik"), "/usr/bin/brenvik");
  EXPECT_EQ(DesktopExecWord("/opt/My Apps/brenvik"), "\"/opt/My Apps/brenvik\"");
  // $ and " take a backslash inside the quotes, and the entry doubles it.
  EXPECT_EQ(DesktopExecWord("/opt/a$b\"c/brenvik"), "\"/opt/a\\\\$b\\\\\"c/brenvik\"");
  EXPECT_EQ(DesktopExecWord("/opt/100%/brenvik"), "/opt/100%%/brenvik");
}

}  // namespace
}  // namespace brenvik::test
