// The Windows shell: special folders, .lnk shortcuts made with the shell's
// own link object, program files, and starting a program.
#include <windows.h>
// The shell headers need <windows.h> before them.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include "base/file_io.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_shell.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

class Win32ShellTest : public ::testing::Test {
 protected:
  Win32ShellTest() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Win32ShellTest() override { ::CoUninitialize(); }

  // Saves a shortcut with the shell's link object.
  void MakeShortcut(const std::string& file, const std::string& target,
                    const std::string& description, const std::string& arguments) {
    IShellLinkW* link = nullptr;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)),
              S_OK);
    link->SetPath(Utf8ToWide(target).c_str());
    link->SetDescription(Utf8ToWide(description).c_str());
    link->SetArguments(Utf8ToWide(arguments).c_str());
    IPersistFile* persist = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
    EXPECT_EQ(persist->Save(Utf8ToWide(file).c_str(), TRUE), S_OK);
    persist->Release();
    link->Release();
  }

  std::string fixture_ = Win32Shell().ExecutableFolder() + "version_fixture.exe";
  test::TempDir dir_;
  Win32Shell shell_;
};

TEST_F(Win32ShellTest, SpecialFoldersAreExistingFoldersOrNone) {
  for (SpecialFolder folder : {SpecialFolder::LocalAppData, SpecialFolder::ProgramFiles,
                               SpecialFolder::StartMenuUser, SpecialFolder::StartMenuAllUsers,
                               SpecialFolder::Desktop, SpecialFolder::DesktopDirectory}) {
    const std::string path = shell_.FolderPath(folder);
    ASSERT_FALSE(path.empty()) << static_cast<int>(folder);
    EXPECT_EQ(path.back(), '\\');
    EXPECT_TRUE(DirectoryExists(path)) << path;
  }
  EXPECT_EQ(shell_.FolderPath(SpecialFolder::LocalAppData), SpecialFolderPath(CSIDL_LOCAL_APPDATA));
  EXPECT_EQ(shell_.FolderPath(SpecialFolder::AutostartUser), "");
}

TEST_F(Win32ShellTest, AShortcutGivesItsShortTargetAndDescription) {
  const std::string link = dir_.File("Brenvik Fixture.lnk");
  MakeShortcut(link, fixture_, "Tracks uptime – Zoë", "/tray");
  ASSERT_TRUE(shell_.IsShortcut(link));
  const auto target = shell_.ResolveShortcut(link);
  ASSERT_TRUE(target.has_value());
  wchar_t shortPath[MAX_PATH] = {};
  ::GetShortPathNameW(Utf8ToWide(fixture_).c_str(), shortPath, MAX_PATH);
  EXPECT_EQ(target->path, WideToUtf8(shortPath, MAX_PATH));
  EXPECT_EQ(target->description, "Tracks uptime – Zoë");
  EXPECT_EQ(target->arguments, "/tray");

  EXPECT_FALSE(shell_.ResolveShortcut(dir_.Write("broken.lnk", "not a shortcut")));
  EXPECT_FALSE(shell_.ResolveShortcut(dir_.File("missing.lnk")));
  EXPECT_FALSE(shell_.ResolveShortcut(fixture_));
}

TEST_F(Win32ShellTest, ProgramFilesAreExistingExeFiles) {
  EXPECT_TRUE(shell_.IsProgramFile(fixture_));
  EXPECT_TRUE(shell_.IsProgramFile(dir_.Write("SETUP.EXE", "MZ")));
  EXPECT_FALSE(shell_.IsProgramFile(dir_.File("missing.exe")));
  EXPECT_FALSE(shell_.IsProgramFile(dir_.Write("readme.txt", "")));
  EXPECT_FALSE(shell_.IsShortcut(fixture_));
}

TEST_F(Win32ShellTest, StartingReportsWhetherTheProgramStarted) {
  EXPECT_TRUE(shell_.StartProgram(fixture_));
  EXPECT_FALSE(shell_.StartProgram(dir_.File("missing.exe")));
  EXPECT_FALSE(shell_.OpenDocument(dir_.File("missing.html")));
}

}  // namespace
}  // namespace brenvik
