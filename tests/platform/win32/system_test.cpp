// Facts about the system, the accounts, the temporary folder and the durable
// file writes of the Windows backend.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/startup/startup.h"
#include "platform/win32/win32_accounts.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_system_info.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(Win32SystemInfo, TheSystemIsOfTheNtLine) {
  Win32SystemInfo info;
  const auto version = info.QueryOsVersion();
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->platform, OsPlatform::NT);
  EXPECT_GE(GetWindowsVersionCode(info), 5);  // the per-user data folder applies
}

TEST(Win32SystemInfo, TemporaryNamesLieInTheTemporaryFolder) {
  Win32SystemInfo info;
  const std::string folder = info.TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(DirectoryExists(folder));
  const std::string prefix = "BrenvikTest" + std::to_string(::GetCurrentProcessId()) + "_";
  const std::string first = MakeTempFileName(info, prefix, "html");
  EXPECT_EQ(first, folder + prefix + "0~.html");
  WriteFileAtomic(first, "<html></html>");
  EXPECT_EQ(MakeTempFileName(info, prefix, "html"), folder + prefix + "1~.html");
  DeleteFileIfExists(first);
}

TEST(Win32Accounts, TheCurrentUserOwnsThisProcess) {
  Win32Accounts accounts;
  const AccountName me = accounts.CurrentUser();
  EXPECT_FALSE(me.user.empty());
  const auto owner = accounts.ProcessOwner(::GetCurrentProcessId());
  ASSERT_TRUE(owner.has_value());
  EXPECT_EQ(owner->user, me.user);
  EXPECT_EQ(owner->domain, me.domain);
  EXPECT_FALSE(accounts.ProcessOwner(0xFFFFFFF0u).has_value());
}

class Win32DurableFilesTest : public ::testing::Test {
 protected:
  Win32DurableFilesTest() { InstallWin32DurableFileOps(); }
  ~Win32DurableFilesTest() override { InstallDurableFileOps({}); }

  std::size_t FilesInFolder() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(dir_.path()))) {
      (void)entry;
      ++count;
    }
    return count;
  }

  test::TempDir dir_;
};

TEST_F(Win32DurableFilesTest, AFileIsReplacedWholeUnderAnyName) {
  const std::string file = dir_.File("Zoë 日本 History.cds");
  WriteFileAtomic(file, "old");
  WriteFileAtomic(file, "new content");
  EXPECT_EQ(ReadFileBytes(file), "new content");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(Win32DurableFilesTest, ARefusedReplaceKeepsTheOldFileAndNoTemporary) {
  const std::string file = dir_.Write("Logins.cds", "old");
  // Another program holds the file open without letting it be replaced.
  HANDLE held = ::CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(WriteFileAtomic(file, "new"), FileError);
  ::CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
}  // namespace brenvik
