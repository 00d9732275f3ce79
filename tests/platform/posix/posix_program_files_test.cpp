// The POSIX stand-ins for program files and shortcuts, end to end: files
// with an execute bit and ".exe" files are programs, ".desktop" launchers are
// shortcuts resolved through PATH, and PE files carry their version blocks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "base/file_io.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_version_resources.h"
#include "programs/program_search.h"
#include "programs/watched_programs.h"
#include "support/fakes.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

class PosixProgramFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"bin", "apps", "with space", "Ünïcode"}) {
      test::NativeFiles().CreateFolders(dir.File(folder));
    }
    tool = Executable("bin/tool");
    spaced = Executable("with space/My Tool");
    dir.Write("bin/notes.txt", "not a program");
    dir.Write("bin/script.sh", "#!/bin/sh\n");  // no execute bit
    pe = dir.Write("Ünïcode/Prüfer.exe", test::PeWithVersionBlock(test::BuildVersionInfo(
                                             test::SimpleVersionInfo("Prüfer", 2, 0, 1, 0))));
    const char* path = std::getenv("PATH");
    oldPath = path ? path : "";
    ::setenv("PATH", (dir.File("bin") + ":" + oldPath).c_str(), 1);
  }
  void TearDown() override { ::setenv("PATH", oldPath.c_str(), 1); }

  std::string Executable(const std::string& name) {
    const std::string path = dir.Write(name, "#!/bin/sh\nexit 0\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }
  std::string Launcher(const std::string& name, const std::string& body) {
    return dir.Write("apps/" + name, body);
  }

  test::TempDir dir;
  PosixShell shell;
  PosixVersionResources versions;
  std::string tool, spaced, pe, oldPath;
};

TEST_F(PosixProgramFiles, LaunchersResolveToTheirPrograms) {
  const std::string good = Launcher("tool.desktop",
                                    "[Desktop Entry]\nName=Tool\nComment=Checks things\n"
                                    "Exec=tool --flag %U\n");
  const auto target = shell.ResolveShortcut(good);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->path, tool);
  EXPECT_EQ(target->description, "Checks things");
  const std::string quoted =
      Launcher("spaced.desktop", "[Desktop Entry]\nExec=\"" + spaced + "\" --now\n");
  EXPECT_EQ(shell.ResolveShortcut(quoted)->path, spaced);
}

TEST_F(PosixProgramFiles, BrokenLaunchersGiveNoProgram) {
  const std::string bodies[] = {
      "[Desktop Entry]\nExec=\"\n",
      "[Desktop Entry]\nExec=\n",
      "[Desktop Entry]\nExec=      \n",
      "[Other Group]\nExec=tool\n",
      "Exec=tool\n",
      "[Desktop Entry]\nExec=no-such-program-anywhere --x\n",
      "[Desktop Entry]\nExec=\"" + dir.File("bin/notes.txt") + "\"\n",
      std::string("\xFF\xFE\0\0[Desktop", 12),
  };
  int n = 0;
  for (const std::string& body : bodies) {
    const std::string launcher = Launcher("broken" + std::to_string(n++) + ".desktop", body);
    EXPECT_FALSE(ProgramShortcutTarget(shell, launcher)) << body;
  }
}

TEST_F(PosixProgramFiles, SearchFindsExecutablesExeFilesAndLauncherTargets) {
  Launcher("tool.desktop", "[Desktop Entry]\nComment=Checks things\nExec=tool\n");
  Launcher("notes.desktop", "[Desktop Entry]\nExec=" + dir.File("bin/notes.txt") + "\n");
  ::chmod(Launcher("spaced.desktop", "[Desktop Entry]\nExec=\"" + spaced + "\"\n").c_str(), 0755);
  ProgramList list;
  ASSERT_TRUE(RunSearchTab(shell, versions, nullptr, list, {dir.path(), true, ""}));
  std::vector<std::string> paths;
  for (const ProgramListEntry& e : list) paths.push_back(e.program.rLongExePath);
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected{pe, tool, spaced};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);
  for (const ProgramListEntry& e : list) {
    if (e.program.rLongExePath == pe) {
      EXPECT_EQ(e.program.rProgrammeName, "Prüfer");
      EXPECT_EQ(e.program.rProgrammeVersion, "2.0.1.0");
    }
  }
  FilterItems(list, "checks");
  EXPECT_EQ(std::count_if(list.begin(), list.end(), [](const auto& e) { return e.visible; }), 1);
}

TEST_F(PosixProgramFiles, PipesAndUnreadableFoldersNeverStopTheSearch) {
  // A pipe named like a program would block whoever opened it for reading.
  ASSERT_EQ(::mkfifo(dir.File("bin/pipe.exe").c_str(), 0644), 0);
  test::NativeFiles().CreateFolders(dir.File("locked/inner"));
  Executable("locked/inner/hidden-tool");
  ::chmod(dir.File("locked").c_str(), 0);
  ProgramList list;
  ASSERT_TRUE(RunSearchTab(shell, versions, nullptr, list, {dir.path(), false, ""}));
  ::chmod(dir.File("locked").c_str(), 0755);
  bool pipeListed = false, lockedListed = false;
  for (const ProgramListEntry& e : list) {
    if (e.program.rLongExePath == dir.File("bin/pipe.exe")) {
      pipeListed = true;
      EXPECT_EQ(e.program.rProgrammeName, "pipe.exe");
      EXPECT_EQ(e.program.rProgrammeVersion, "");
    }
    lockedListed = lockedListed || e.program.rLongExePath.find("hidden-tool") != std::string::npos;
  }
  EXPECT_TRUE(pipeListed);
  // Root reads every folder; anyone else finds nothing behind the lock.
  if (::geteuid() != 0) {
    EXPECT_FALSE(lockedListed);
  }
}

TEST_F(PosixProgramFiles, DroppedLaunchersAndExecutables) {
  test::FakePlatform fake = test::MakeFakePlatform();
  test::NativeFiles().CreateFolders(dir.File("Settings"));
  WatchedPrograms watched({*fake.registry, *fake.servicePipe, shell, versions, *fake.files, nullptr,
                           dir.File("Settings/"), dir.path()});
  const std::string launcher = Launcher("tool.desktop", "[Desktop Entry]\nExec=tool\n");
  EXPECT_TRUE(watched.ProcessDragDrop({launcher, dir.File("bin/script.sh"), spaced}));
  ASSERT_EQ(watched.Programs().size(), 2u);
  EXPECT_EQ(watched.Programs()[0].rLongExePath, tool);
  EXPECT_EQ(watched.Programs()[1].rLongExePath, spaced);
}

}  // namespace
}  // namespace brenvik
