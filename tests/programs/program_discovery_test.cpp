#include "programs/program_discovery.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "support/fakes.h"
#include "support/native_path.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(RunValuePath, TakesTheProgramOfACommandLine) {
  test::TempDir dir;
  const std::string spaced = dir.Write("My Tools ü.exe", "x");
  EXPECT_EQ(ExtractRunValuePath(spaced), spaced);
  EXPECT_EQ(ExtractRunValuePath("  " + spaced + "  "), spaced);
  EXPECT_EQ(ExtractRunValuePath("\"" + spaced + "\" /minimized --tray"), spaced);
  EXPECT_EQ(ExtractRunValuePath("\"" + spaced), spaced);  // quote never closed
  EXPECT_EQ(ExtractRunValuePath(spaced + " /minimized"), std::nullopt);
  EXPECT_EQ(ExtractRunValuePath(spaced + " \"arg\""), std::nullopt);
  EXPECT_EQ(ExtractRunValuePath("\"" + dir.File("gone.exe") + "\" -x"), std::nullopt);
  EXPECT_EQ(ExtractRunValuePath(""), std::nullopt);
  EXPECT_EQ(ExtractRunValuePath("\"\""), std::nullopt);
  EXPECT_EQ(ExtractRunValuePath("%ProgramFiles%\\x.exe"), std::nullopt);
}

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::pair<SpecialFolder, const char*> folders[] = {
        {SpecialFolder::ProgramFiles, "pf"},          {SpecialFolder::StartMenuUser, "menu"},
        {SpecialFolder::StartMenuAllUsers, "common"}, {SpecialFolder::Desktop, "desk"},
        {SpecialFolder::DesktopDirectory, "desk"},    {SpecialFolder::AutostartAllUsers, "xdg"},
    };
    for (const auto& [folder, name] : folders) {
      test::NativeFiles().CreateFolders(File(name));
      fake.shell->folders[folder] = File(name) + PathSeparator();
    }
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    return test::WriteNative(dir, name, bytes);
  }
  std::string File(const std::string& name) { return dir.File(test::NativePath(name)); }
  std::string Shortcut(const std::string& name, const std::string& to,
                       const std::string& description) {
    const std::string path = Write(name, "shortcut");
    fake.shell->shortcuts[path] = ShortcutTarget{to, "", description, ""};
    return path;
  }
  void RunValue(RegistryRoot root, const std::string& name, const std::string& value) {
    fake.registry->OpenKey(root, kRunKeyPath, true)->WriteString(name, value);
  }
  const ProgramListEntry* Find(const std::string& path) const {
    for (const ProgramListEntry& e : list) {
      if (e.program.rLongExePath == path) return &e;
    }
    return nullptr;
  }

  test::TempDir dir;
  test::FakePlatform fake = test::MakeFakePlatform();
  test::PeFileVersionResources pe;
  ProgramList list;
};

TEST_F(Discovery, SourcesInOrderEachProgramOnce) {
  const std::string monitor =
      Write("pf/Monitor.exe", test::PeWithVersionBlock(test::BuildVersionInfo(
                                  test::SimpleVersionInfo("Brenvik Monitor", 1, 4, 0, 0))));
  const std::string tray = Write("pf/sub/tray.exe", "x");
  const std::string editor = Write("pf/editor.exe", "x");
  RunValue(RegistryRoot::LocalMachine, "Monitor", "\"" + monitor + "\" /background");
  RunValue(RegistryRoot::LocalMachine, "Gone", "\"" + File("pf/gone.exe") + "\"");
  fake.registry->OpenKey(RegistryRoot::LocalMachine, kRunKeyPath, true)->WriteInteger("Odd", 1);
  RunValue(RegistryRoot::CurrentUser, "Tray", "\"" + tray + "\" -quiet");
  Shortcut("menu/Monitor.lnk", monitor, "Start menu entry");
  Shortcut("menu/Editor.lnk", editor, "Edits text");
  Shortcut("common/EDITOR.lnk", File("PF/EDITOR.EXE"), "Same editor, other case");
  Shortcut("desk/Manual.lnk", Write("pf/manual.pdf", "%PDF"), "A document");
  Shortcut("desk/Gone.lnk", "C:\\Old\\Gone.exe", "Removed program");

  ComputerProgramsSearch search(*fake.registry, *fake.shell, pe);
  ASSERT_TRUE(search.Search(list));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].program.rLongExePath, monitor);
  EXPECT_EQ(list[0].program.rLocation, kLabelRunLocalMachine);
  EXPECT_EQ(list[0].program.rProgrammeName, "Brenvik Monitor");
  EXPECT_EQ(list[0].program.rProgrammeVersion, "1.4.0.0");
  EXPECT_EQ(list[1].program.rLongExePath, tray);
  EXPECT_EQ(list[1].program.rLocation, kLabelRunCurrentUser);
  EXPECT_EQ(list[2].program.rLongExePath, editor);  // Program Files comes before the menus
  EXPECT_EQ(list[2].program.rLocation, kLabelProgramFiles);
  EXPECT_EQ(list[3].program.rLongExePath, "C:\\Old\\Gone.exe");
  EXPECT_EQ(list[3].program.rLocation, kLabelDesktop);
  EXPECT_EQ(list[3].program.rProgrammeName, "Gone.exe");
  EXPECT_EQ(list[3].program.rInfoAboutLink, "Removed program");
  for (const ProgramListEntry& e : list) EXPECT_EQ(e.program.rIcon, -1);
}

TEST_F(Discovery, ShortcutsGiveTheirTargetAndDescription) {
  fake.shell->folders.erase(SpecialFolder::ProgramFiles);  // an unknown folder is skipped
  const std::string tool = Write("elsewhere/tool.exe", "x");
  Shortcut("common/Tool.lnk", tool, "Does things");
  Shortcut("common/Folder.lnk", File("elsewhere"), "A folder");
  ComputerProgramsSearch search(*fake.registry, *fake.shell, pe);
  ASSERT_TRUE(search.Search(list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].program.rLocation, kLabelStartMenuAllUsers);
  EXPECT_EQ(list[0].program.rInfoAboutLink, "Does things");
}

TEST_F(Discovery, AutostartLaunchersCountAsRunEntries) {
  const std::string daemon = Write("bin/daemon", "x");
  Shortcut("xdg/daemon.desktop", daemon, "Background helper");
  Shortcut("xdg/broken.desktop", "", "No program");
  Shortcut("xdg/missing.desktop", File("bin/missing"), "Gone");
  ComputerProgramsSearch search(*fake.registry, *fake.shell, pe);
  ASSERT_TRUE(search.Search(list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].program.rLongExePath, daemon);
  EXPECT_EQ(list[0].program.rLocation, kLabelRunLocalMachine);
  EXPECT_EQ(list[0].program.rInfoAboutLink, "Background helper");
}

TEST_F(Discovery, FillsTheListOncePerRunEvenAfterAnError) {
  test::VersionInfoSpec damaged = test::SimpleVersionInfo("x", 1, 0, 0, 0);
  damaged.withFixedInfo = false;
  const std::string good = Write("good.exe", "x");
  RunValue(RegistryRoot::LocalMachine, "Good", good);
  Write("pf/bad.exe", test::PeWithVersionBlock(test::BuildVersionInfo(damaged)));
  ComputerProgramsSearch search(*fake.registry, *fake.shell, pe);
  EXPECT_THROW(search.Search(list), FileError);
  EXPECT_TRUE(search.Loaded());
  ASSERT_EQ(list.size(), 1u);  // collected before the error
  Write("menu/new.exe", "x");
  EXPECT_FALSE(search.Search(list));
  EXPECT_EQ(list.size(), 1u);
}

TEST_F(Discovery, ACancelledCollectionCanRunAgainInFull) {
  const std::string monitor = Write("pf/Monitor.exe", "x");
  RunValue(RegistryRoot::LocalMachine, "Monitor", monitor);
  Write("pf/a/one.exe", "x");
  Write("pf/b/two.exe", "x");
  Shortcut("menu/Three.lnk", Write("elsewhere/three.exe", "x"), "Third");

  ComputerProgramsSearch search(*fake.registry, *fake.shell, pe);
  int reads = 0;
  SearchMonitor stopAtSecond([&](const SearchProgress&) { return ++reads < 2; });
  ASSERT_TRUE(search.Search(list, &stopAtSecond));
  EXPECT_TRUE(stopAtSecond.Cancelled());
  ASSERT_EQ(list.size(), 1u);  // the Run value, read before the stop
  EXPECT_EQ(list[0].program.rLongExePath, monitor);
  EXPECT_FALSE(search.Loaded());

  SearchMonitor watching([](const SearchProgress&) { return true; });
  ASSERT_TRUE(search.Search(list, &watching));
  EXPECT_TRUE(search.Loaded());
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].program.rLongExePath, monitor);
  EXPECT_EQ(list[3].program.rLocation, kLabelStartMenuUser);
  EXPECT_EQ(watching.Progress().programsRead, 4u);
}

}  // namespace
}  // namespace brenvik
