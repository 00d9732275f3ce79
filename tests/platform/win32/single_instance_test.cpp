// The single-instance guard with real mutexes and a real hidden window of
// the main window's class.
#include <gtest/gtest.h>
#include <windows.h>

#include "datastore/startup/startup.h"
#include "platform/win32/win32_single_instance.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

std::string UniqueName() {
  static int counter = 0;
  return "BrenvikTestMutex" + std::to_string(::GetCurrentProcessId()) + "-" +
         std::to_string(++counter);
}

TEST(Win32SingleInstance, ALockHeldElsewhereReportsThatItExisted) {
  const std::string name = UniqueName();
  Win32SingleInstance first;
  Win32SingleInstance second;
  EXPECT_FALSE(first.CreateLock(name));
  EXPECT_TRUE(second.CreateLock(name));
  EXPECT_FALSE(first.CreateLock(name));  // its own lock
  EXPECT_FALSE(first.CreateLock("Global\\" + name));
  EXPECT_TRUE(second.CreateLock("Global\\" + name));
}

TEST(Win32SingleInstance, OnlyOneHolderOfADataTree) {
  test::TempDir dir;
  Win32SingleInstance first;
  Win32SingleInstance second;  // as another process: a handle of its own
  EXPECT_TRUE(first.LockDataTree(dir.path()));
  EXPECT_TRUE(first.LockDataTree(dir.path()));  // held already
  EXPECT_FALSE(second.LockDataTree(dir.path()));
  EXPECT_FALSE(second.LockDataTree(dir.File("missing\\")));
}

TEST(Win32SingleInstance, AHiddenMainWindowStopsASecondCopy) {
  auto fake = test::MakeFakePlatform();
  fake.platform->singleInstance = std::make_unique<Win32SingleInstance>();
  Platform& platform = *fake.platform;
  const std::string name = UniqueName();
  Win32SingleInstance otherCopy;
  ASSERT_FALSE(otherCopy.CreateLock(name));
  {
    Win32MainWindowMarker marker(kMainWindowClass);
    HWND window = ::FindWindowW(L"TfrmBrenvikMain", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_FALSE(CheckSingleInstance(platform, name, true));
    EXPECT_EQ(fake.clock->sleptMs, 10);  // found on the first look
  }
  // The other copy's lock without its window: half a second of looks, then on.
  EXPECT_FALSE(platform.singleInstance->MainWindowExists(kMainWindowClass));
  EXPECT_TRUE(CheckSingleInstance(platform, name, true));
  EXPECT_EQ(fake.clock->sleptMs, 10 + 500);
}

}  // namespace
}  // namespace brenvik
