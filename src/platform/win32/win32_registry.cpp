#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "base/errors.h"
#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

HKEY RootHandle(RegistryRoot root) {
  return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// "\Software\\Taveron\" -> L"Software\Taveron": the API wants no leading,
// doubled or trailing separators.
std::wstring SubKeyPath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return Utf8ToWide(out);
}

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

class Win32Key : public RegistryKey {
 public:
  Win32Key(HKEY key, bool quietRefusals) : key_(key), quietRefusals_(quietRefusals) {}
  ~Win32Key() override { ::RegCloseKey(key_); }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  bool ValueExists(const std::string& name) override {
    return ::RegQueryValueExW(key_, Utf8ToWide(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
  }

  std::optional<std::string> ReadString(const std::string& name) override {
    auto value = Read(name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
    return WideToUtf8(reinterpret_cast<const wchar_t*>(value->data.data()),
                      value->data.size() / sizeof(wchar_t));
  }

  std::optional<std::int32_t> ReadInteger(const std::string& name) override {
    auto value = Read(name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) {
      return std::nullopt;
    }
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), sizeof number);
    return static_cast<std::int32_t>(number);
  }

  std::optional<bool> ReadBool(const std::string& name) override {
    auto number = ReadInteger(name);
    if (!number) return std::nullopt;
    return *number != 0;
  }

  void WriteString(const std::string& name, const std::string& value) override {
    const std::wstring text = Utf8ToWide(value);
    Write(name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }

  void WriteInteger(const std::string& name, std::int32_t value) override {
    const DWORD number = static_cast<DWORD>(value);
    Write(name, REG_DWORD, &number, sizeof number);
  }

  void WriteBool(const std::string& name, bool value) override {
    WriteInteger(name, value ? 1 : 0);
  }

  bool DeleteValue(const std::string& name) override {
    return ::RegDeleteValueW(key_, Utf8ToWide(name).c_str()) == ERROR_SUCCESS;
  }

  std::vector<std::string> ValueNames() override { return Enumerate(false); }
  std::vector<std::string> SubKeyNames() override { return Enumerate(true); }

 private:
  std::optional<RawValue> Read(const std::string& name) {
    const std::wstring wide = Utf8ToWide(name);
    RawValue value;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(key_, wide.c_str(), nullptr, &value.type, nullptr, &size);
    // The value may grow between the size query and the read: ask again.
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
      value.data.resize(size);
      DWORD got = size;
      status =
          ::RegQueryValueExW(key_, wide.c_str(), nullptr, &value.type, value.data.data(), &got);
      if (status == ERROR_SUCCESS) {
        value.data.resize(got);
        return value;
      }
      if (status != ERROR_MORE_DATA || attempt > 8) break;
      size = got;
    }
    return std::nullopt;
  }

  void Write(const std::string& name, DWORD type, const void* data, std::size_t size) {
    const LONG status = ::RegSetValueExW(key_, Utf8ToWide(name).c_str(), 0, type,
                                         static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (status == ERROR_SUCCESS) return;
    if (quietRefusals_ && status == ERROR_ACCESS_DENIED) return;
    ThrowWindowsError("Failed to set data for '" + name + "'", static_cast<DWORD>(status));
  }

  std::vector<std::string> Enumerate(bool subKeys) {
    std::vector<std::string> names;
    std::vector<wchar_t> buffer(256);
    for (DWORD index = 0;;) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LONG status = subKeys ? ::RegEnumKeyExW(key_, index, buffer.data(), &length, nullptr,
                                                    nullptr, nullptr, nullptr)
                                  : ::RegEnumValueW(key_, index, buffer.data(), &length, nullptr,
                                                    nullptr, nullptr, nullptr);
      if (status == ERROR_MORE_DATA && buffer.size() < 65536) {
        buffer.resize(buffer.size() * 2);
        continue;
      }
      if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
      names.push_back(WideToUtf8(std::wstring_view(buffer.data(), length)));
      ++index;
    }
    return names;
  }

  HKEY key_;
  bool quietRefusals_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::string& path,
                                                    bool create) {
  const std::wstring sub = SubKeyPath(path);
  if (sub.empty()) return nullptr;
  HKEY key = nullptr;
  LONG status =
      create ? ::RegCreateKeyExW(RootHandle(root), sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
             : ::RegOpenKeyExW(RootHandle(root), sub.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (status == ERROR_ACCESS_DENIED) {
    // As far as the system allows: an existing key can still be read.
    status = ::RegOpenKeyExW(RootHandle(root), sub.c_str(), 0, KEY_READ, &key);
  }
  if (status != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(key, root == RegistryRoot::LocalMachine);
}

bool Win32Registry::KeyExists(RegistryRoot root, const std::string& path) {
  const std::wstring sub = SubKeyPath(path);
  if (sub.empty()) return false;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(RootHandle(root), sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(key);
  return true;
}

bool Win32Registry::DeleteKey(RegistryRoot root, const std::string& path) {
  const std::wstring sub = SubKeyPath(path);
  if (sub.empty()) return false;
  return ::RegDeleteTreeW(RootHandle(root), sub.c_str()) == ERROR_SUCCESS;
}

}  // namespace brenvik
