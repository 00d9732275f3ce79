#include "datastore/startup/startup.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(CheckSingleInstance, RefusesWhenAnotherCopysWindowExists) {
  auto fake = test::MakeFakePlatform();
  fake.singleInstance->heldByOthers = {kMutexName};
  fake.singleInstance->windowExists = true;
  EXPECT_FALSE(CheckSingleInstance(*fake.platform, kMutexName, true));
  // Found on the first lookup of the wait: no further sleeping.
  EXPECT_EQ(fake.clock->sleptMs, 10);
  EXPECT_EQ(fake.singleInstance->created, std::vector<std::string>{kMutexName});
}

TEST(CheckSingleInstance, AStaleLockDelaysByAtMostHalfASecond) {
  auto fake = test::MakeFakePlatform();
  fake.singleInstance->heldByOthers = {kMutexName};
  EXPECT_TRUE(CheckSingleInstance(*fake.platform, kMutexName, true));
  EXPECT_EQ(fake.clock->sleptMs, 500);
  EXPECT_EQ(fake.singleInstance->created,
            (std::vector<std::string>{kMutexName, std::string("Global\\") + kMutexName}));
}

TEST(CheckSingleInstance, StartsAtOnceWithoutAnotherCopy) {
  auto fake = test::MakeFakePlatform();
  EXPECT_TRUE(CheckSingleInstance(*fake.platform, kMutexName, true));
  EXPECT_EQ(fake.clock->sleptMs, 0);
}

TEST(CheckSingleInstance, WaitsForAWindowThatIsStillComingUp) {
  auto fake = test::MakeFakePlatform();
  fake.singleInstance->heldByOthers = {kMutexName};
  fake.singleInstance->windowAppearsAfterLookups = 3;
  EXPECT_FALSE(CheckSingleInstance(*fake.platform, kMutexName, true));
  EXPECT_EQ(fake.clock->sleptMs, 30);
}

TEST(CheckUserKey, LooksForTheProductKeyWithoutCreatingIt) {
  auto fake = test::MakeFakePlatform();
  EXPECT_FALSE(CheckUserKey(*fake.registry));
  EXPECT_FALSE(fake.registry->KeyExists(RegistryRoot::CurrentUser, kProductKeyPath));
  fake.registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  EXPECT_TRUE(CheckUserKey(*fake.registry));
}

TEST(InitDataFolders, UsesTheConfiguredRootExactlyAsWritten) {
  test::TempDir dir;
  auto fake = test::MakeFakePlatform();
  const std::string root = dir.path() + "tree\xC3\xA4-";  // no separator is added
  fake.registry->OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, true)
      ->WriteString(kFolderDataPathValue, root);
  const DataFolders folders = InitDataFolders(*fake.platform);
  const std::string sep(1, PathSeparator());
  EXPECT_EQ(folders.settingsFolder, root + "Settings" + sep);
  EXPECT_EQ(folders.dataFolder, root + "Data" + sep);
  EXPECT_TRUE(DirectoryExists(folders.settingsFolder));
  EXPECT_TRUE(DirectoryExists(folders.dataFolder + "Backup"));
}

TEST(InitDataFolders, FallsBackToTheUsersApplicationData) {
  test::TempDir dir;
  auto fake = test::MakeFakePlatform();
  fake.registry->localMachineReadOnly = true;  // the key cannot even be created
  fake.shell->folders[SpecialFolder::LocalAppData] = dir.path();
  const DataFolders folders = InitDataFolders(*fake.platform);
  const std::string sep(1, PathSeparator());
  EXPECT_EQ(folders.dataFolder, dir.path() + "Taveron" + sep + "Brenvik" + sep + "Data" + sep);
  EXPECT_TRUE(DirectoryExists(folders.dataFolder));
}

TEST(InitDataFolders, OldSystemsUseTheProgramsOwnFolder) {
  test::TempDir dir;
  auto fake = test::MakeFakePlatform();
  fake.systemInfo->version = OsVersion{OsPlatform::NT, 4, 0, {}};
  fake.shell->executableFolder = dir.path();
  EXPECT_EQ(InitDataFolders(*fake.platform).settingsFolder,
            dir.path() + "Settings" + std::string(1, PathSeparator()));
}

TEST(GetWindowsVersionCode, ClassifiesEveryListedVersion) {
  test::FakeSystemInfo info;
  const auto code = [&info](OsPlatform platform, int major, int minor, std::string sp = {}) {
    info.version = OsVersion{platform, major, minor, std::move(sp)};
    return GetWindowsVersionCode(info);
  };
  EXPECT_EQ(code(OsPlatform::Consumer, 4, 0), 0);
  EXPECT_EQ(code(OsPlatform::Consumer, 4, 10), 1);
  EXPECT_EQ(code(OsPlatform::Consumer, 4, 10, " A "), 2);
  EXPECT_EQ(code(OsPlatform::Consumer, 4, 90), 3);
  EXPECT_EQ(code(OsPlatform::Consumer, 4, 50), -1);
  EXPECT_EQ(code(OsPlatform::NT, 3, 51), 4);
  EXPECT_EQ(code(OsPlatform::NT, 5, 0), 5);
  EXPECT_EQ(code(OsPlatform::NT, 5, 1), 6);
  EXPECT_EQ(code(OsPlatform::NT, 5, 2), 7);
  EXPECT_EQ(code(OsPlatform::NT, 6, 1), 8);
  EXPECT_EQ(code(OsPlatform::Other, 1, 0), -1);
  info.version.reset();
  EXPECT_EQ(GetWindowsVersionCode(info), -1);
}

TEST(MakeTempFileName, TakesTheFirstFreeNumber) {
  test::TempDir dir;
  test::FakeSystemInfo info;
  info.tempFolder = dir.path();
  EXPECT_EQ(MakeTempFileName(info, "Brenvik", "html"), dir.path() + "Brenvik0~.html");
  dir.Write("Brenvik0~.html", "x");
  EXPECT_EQ(MakeTempFileName(info, "Brenvik", "html"), dir.path() + "Brenvik1~.html");
  EXPECT_FALSE(FileExists(dir.path() + "Brenvik1~.html"));  // only computed
}

TEST(MakeTempFileName, GivesUpAfterTenThousandAndOneNames) {
  test::TempDir dir;
  for (int i = 0; i <= 10000; ++i) dir.Write("B" + std::to_string(i) + "~.h", "");
  EXPECT_EQ(MakeTempFileNameIn(dir.path(), "B", "h"), "");
  test::NativeFiles().RemoveFile(dir.File("B10000~.h"));
  EXPECT_EQ(MakeTempFileNameIn(dir.path(), "B", "h"), dir.File("B10000~.h"));
}

}  // namespace
}  // namespace brenvik
