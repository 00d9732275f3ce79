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
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system_info.h"
#include "support/failing_file_system.h"
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
  WriteFileAtomic(test::NativeFiles(), first, "<html></html>");
  EXPECT_EQ(MakeTempFileName(info, prefix, "html"), folder + prefix + "1~.html");
  test::NativeFiles().RemoveFile(first);
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

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::size_t FilesInFolder() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(dir_.path()))) {
      (void)entry;
      ++count;
    }
    return count;
  }

  Win32FileSystem files_;
  test::TempDir dir_;
};

TEST_F(Win32FileSystemTest, AFileIsReplacedWholeUnderAnyName) {
  const std::string file = dir_.File("Zoë 日本 History.cds");
  WriteFileAtomic(files_, file, "old");
  WriteFileAtomic(files_, file, "new content");
  EXPECT_EQ(ReadFileBytes(file), "new content");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(Win32FileSystemTest, ARefusedReplaceKeepsTheOldFileAndNoTemporary) {
  const std::string file = dir_.Write("Logins.cds", "old");
  // Another program holds the file open without letting it be replaced.
  HANDLE held = ::CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(WriteFileAtomic(files_, file, "new"), FileError);
  ::CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(Win32FileSystemTest, AppendsGoToTheEndAndANewFileMustBeNew) {
  const std::string file = dir_.Write("Changes.log", "one");
  AppendFileDurable(files_, file, "two");
  AppendFileDurable(files_, file, "three");
  EXPECT_EQ(ReadFileBytes(file), "onetwothree");
  std::string reason;
  EXPECT_EQ(files_.CreateNewFile(file, reason), nullptr);
  EXPECT_FALSE(reason.empty());
}

TEST_F(Win32FileSystemTest, ABackupLinkSharesTheFilesContent) {
  const std::string file = dir_.Write("History.cds", "rows");
  LinkOrCopyFile(files_, file, dir_.File("History.cds.staged"));
  EXPECT_EQ(ReadFileBytes(dir_.File("History.cds.staged")), "rows");
  EXPECT_EQ(FilesInFolder(), 2u);
}

}  // namespace
}  // namespace brenvik
