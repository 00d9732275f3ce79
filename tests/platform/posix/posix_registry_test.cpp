#include "platform/posix/posix_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

class PosixRegistryTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  PosixRegistry registry{dir.path() + "user", dir.path() + "machine"};
};

TEST_F(PosixRegistryTest, TypedValuesSurviveAcrossInstances) {
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  ASSERT_TRUE(key);
  key->WriteString("FolderDataPath", "/home/j\xC3\xBCrgen/data=1%\r\nx/");
  key->WriteInteger("Width", -800);
  key->WriteBool("WindowsImportExecuted", true);

  PosixRegistry again(dir.path() + "user", dir.path() + "machine");
  auto reopened =
      again.OpenKey(RegistryRoot::CurrentUser, "\\software\\TAVERON\\Brenvik\\1.0", false);
  ASSERT_TRUE(reopened);
  EXPECT_EQ(reopened->ReadString("folderdatapath"), "/home/j\xC3\xBCrgen/data=1%\r\nx/");
  EXPECT_EQ(reopened->ReadInteger("Width"), -800);
  EXPECT_EQ(reopened->ReadBool("WindowsImportExecuted"), true);
  EXPECT_FALSE(reopened->ReadInteger("FolderDataPath").has_value());  // wrong type
  EXPECT_FALSE(reopened->ReadString("Missing").has_value());
  EXPECT_EQ(reopened->ValueNames().size(), 3u);
}

TEST_F(PosixRegistryTest, KeysAreOpenedOnlyWhenAskedToCreate) {
  EXPECT_FALSE(registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, kProductKeyPath));
  EXPECT_TRUE(registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true));
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::CurrentUser, "\\Software\\Taveron"));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kProductKeyPath));
}

TEST_F(PosixRegistryTest, DeletingAKeyRemovesItsSubkeys) {
  const std::string watched = std::string(kProductKeyPath) + "\\ProgrammsWatched";
  registry.OpenKey(RegistryRoot::CurrentUser, watched + "\\0", true)->WriteString("Path", "a");
  registry.OpenKey(RegistryRoot::CurrentUser, watched + "\\1", true)->WriteString("Path", "b");
  auto parent = registry.OpenKey(RegistryRoot::CurrentUser, watched, false);
  EXPECT_EQ(parent->SubKeyNames(), (std::vector<std::string>{"0", "1"}));
  EXPECT_TRUE(registry.DeleteKey(RegistryRoot::CurrentUser, watched));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, watched + "\\0"));
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::CurrentUser, kProductKeyPath));
  EXPECT_FALSE(registry.DeleteKey(RegistryRoot::CurrentUser, watched));
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
  key->WriteInteger("x", 1);
  EXPECT_TRUE(key->DeleteValue("X"));
  EXPECT_FALSE(key->ValueExists("x"));
}

TEST_F(PosixRegistryTest, ADamagedStoreReadsAsMissingValues) {
  test::NativeFiles().CreateFolders(dir.path() + "user");
  dir.Write("user/registry.ini",
            "[\\Software\\Taveron\\Brenvik\\1.0]\nGood=s:yes\nBad=q:1\nNoType=abc\n%zz=s:x\n"
            "Short=i:12abc\n\xFF\xFE garbage\n[broken\nAfter=s:kept?\n");
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("Good"), "yes");
  EXPECT_FALSE(key->ValueExists("Bad"));
  EXPECT_FALSE(key->ValueExists("NoType"));
  EXPECT_FALSE(key->ReadInteger("Short").has_value());
  EXPECT_FALSE(key->ValueExists("After"));  // its section header is damaged
}

TEST_F(PosixRegistryTest, ARandomFileNeverCrashes) {
  test::NativeFiles().CreateFolders(dir.path() + "user");
  std::string noise;
  for (int i = 0; i < 20000; ++i) noise += static_cast<char>((i * 7919 + 13) % 256);
  dir.Write("user/registry.ini", noise);
  EXPECT_FALSE(registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false));
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  ASSERT_TRUE(key);
  key->WriteString("a", "b");
  EXPECT_EQ(key->ReadString("a"), "b");
}

TEST_F(PosixRegistryTest, AReadOnlyMachineStoreFailsQuietly) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  test::NativeFiles().CreateFolders(dir.path() + "machine");
  ::chmod((dir.path() + "machine").c_str(), 0555);
  EXPECT_FALSE(registry.OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, true));
  ::chmod((dir.path() + "machine").c_str(), 0755);
}

TEST_F(PosixRegistryTest, AKeyThatCannotBeCreatedIsNotOpened) {
  dir.Write("user", "a plain file where the folder should be");
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  EXPECT_FALSE(key);
}

}  // namespace
}  // namespace brenvik
