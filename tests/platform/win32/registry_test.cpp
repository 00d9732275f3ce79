// The Windows registry backend against the real registry, under a throwaway
// key of the current user that every test removes again.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_registry.h"

namespace brenvik {
namespace {

class Win32RegistryTest : public ::testing::Test {
 protected:
  Win32RegistryTest()
      : base_("\\Software\\Taveron\\BrenvikTest" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++counter_)) {}
  ~Win32RegistryTest() override { registry_.DeleteKey(RegistryRoot::CurrentUser, base_); }

  std::unique_ptr<RegistryKey> Open(const std::string& sub, bool create) {
    return registry_.OpenKey(RegistryRoot::CurrentUser, base_ + sub, create);
  }

  // The raw type of a value as the system stores it.
  DWORD StoredType(const std::string& sub, const std::string& name) {
    DWORD type = REG_NONE;
    ::RegGetValueW(HKEY_CURRENT_USER, Utf8ToWide(base_.substr(1) + sub).c_str(),
                   Utf8ToWide(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr);
    return type;
  }

  static inline int counter_ = 0;
  std::string base_;
  Win32Registry registry_;
};

TEST_F(Win32RegistryTest, EveryValueTypeSurvivesAReopenWithItsSystemType) {
  {
    auto key = Open("\\1.0", true);
    ASSERT_NE(key, nullptr);
    key->WriteString("FolderDataPath", "D:\\Daten\\Zoë 日本\\");
    key->WriteString("Empty", "");
    key->WriteInteger("Width", -912);
    key->WriteInteger("Largest", INT32_MAX);
    key->WriteBool("WindowsImportExecuted", true);
    key->WriteBool("MinimizeToTray", false);
  }
  auto key = Open("\\1.0", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("folderdatapath"), "D:\\Daten\\Zoë 日本\\");
  EXPECT_EQ(key->ReadString("Empty"), "");
  EXPECT_EQ(key->ReadInteger("Width"), -912);
  EXPECT_EQ(key->ReadInteger("Largest"), INT32_MAX);
  EXPECT_EQ(key->ReadBool("WindowsImportExecuted"), true);
  EXPECT_EQ(key->ReadBool("MinimizeToTray"), false);
  EXPECT_EQ(StoredType("\\1.0", "FolderDataPath"), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(StoredType("\\1.0", "Width"), static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(StoredType("\\1.0", "WindowsImportExecuted"), static_cast<DWORD>(REG_DWORD));

  // A value of another type or a missing one reads as nothing.
  EXPECT_FALSE(key->ReadInteger("FolderDataPath"));
  EXPECT_FALSE(key->ReadString("Width"));
  EXPECT_FALSE(key->ReadBool("Missing"));
  EXPECT_TRUE(key->ValueExists("WIDTH"));
  EXPECT_FALSE(key->ValueExists("Missing"));

  auto names = key->ValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Empty", "FolderDataPath", "Largest", "MinimizeToTray",
                                             "Width", "WindowsImportExecuted"}));
  EXPECT_TRUE(key->DeleteValue("Width"));
  EXPECT_FALSE(key->DeleteValue("Width"));
  EXPECT_FALSE(key->ValueExists("Width"));
}

TEST_F(Win32RegistryTest, TextsWrittenByOtherProgramsAreRead) {
  auto key = Open("", true);
  ASSERT_NE(key, nullptr);
  HKEY raw = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Utf8ToWide(base_.substr(1)).c_str(), 0,
                            KEY_SET_VALUE, &raw),
            ERROR_SUCCESS);
  // Stored without the terminating zero, and as an expandable text.
  const std::wstring bare = L"C:\\Brenvik\\";
  ::RegSetValueExW(raw, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.data()),
                   static_cast<DWORD>(bare.size() * sizeof(wchar_t)));
  const std::wstring expandable = L"%LOCALAPPDATA%\\Taveron\\";
  ::RegSetValueExW(raw, L"Expandable", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(expandable.c_str()),
                   static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(raw);
  EXPECT_EQ(key->ReadString("Bare"), "C:\\Brenvik\\");
  EXPECT_EQ(key->ReadString("Expandable"), "%LOCALAPPDATA%\\Taveron\\");
}

TEST_F(Win32RegistryTest, KeysAreCreatedWithParentsListedAndDeletedAsATree) {
  EXPECT_EQ(Open("\\1.0", false), nullptr);
  EXPECT_FALSE(registry_.KeyExists(RegistryRoot::CurrentUser, base_));
  ASSERT_NE(Open("\\1.0\\ProgrammsWatched", true), nullptr);
  ASSERT_NE(Open("\\1.0\\Filters", true), nullptr);
  Open("\\1.0\\ProgrammsWatched", false)->WriteString("P1", "C:\\a.exe");
  EXPECT_TRUE(registry_.KeyExists(RegistryRoot::CurrentUser, base_ + "\\1.0\\"));

  auto subKeys = Open("\\1.0", false)->SubKeyNames();
  std::sort(subKeys.begin(), subKeys.end());
  EXPECT_EQ(subKeys, (std::vector<std::string>{"Filters", "ProgrammsWatched"}));

  EXPECT_TRUE(registry_.DeleteKey(RegistryRoot::CurrentUser, base_ + "\\1.0"));
  EXPECT_FALSE(registry_.KeyExists(RegistryRoot::CurrentUser, base_ + "\\1.0\\ProgrammsWatched"));
  EXPECT_FALSE(registry_.KeyExists(RegistryRoot::CurrentUser, base_ + "\\1.0"));
  EXPECT_TRUE(registry_.KeyExists(RegistryRoot::CurrentUser, base_));
  EXPECT_FALSE(registry_.DeleteKey(RegistryRoot::CurrentUser, base_ + "\\1.0"));
  EXPECT_EQ(registry_.OpenKey(RegistryRoot::CurrentUser, "\\", true), nullptr);
}

}  // namespace
}  // namespace brenvik
