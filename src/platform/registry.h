// The registry: keys under two roots holding named text, integer and Boolean
// values. Windows keeps them in its registry; the POSIX backend in text stores
// under the user's configuration folder and /etc. Key paths are written with
// backslashes ("\Software\Taveron\Brenvik\1.0"); names compare without regard
// to case, as on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

enum class RegistryRoot { CurrentUser, LocalMachine };

// One open key. Reads return nothing when the value is missing or of another
// type; writes raise PlatformError when the store refuses them.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual bool ValueExists(const std::string& name) = 0;
  virtual std::optional<std::string> ReadString(const std::string& name) = 0;
  virtual std::optional<std::int32_t> ReadInteger(const std::string& name) = 0;
  virtual std::optional<bool> ReadBool(const std::string& name) = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& name, std::int32_t value) = 0;
  virtual void WriteBool(const std::string& name, bool value) = 0;
  virtual bool DeleteValue(const std::string& name) = 0;
  virtual std::vector<std::string> ValueNames() = 0;
  virtual std::vector<std::string> SubKeyNames() = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // The key, created with its parents when create is true and the store
  // allows it; nullptr when it does not exist or cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                               bool create) = 0;
  virtual bool KeyExists(RegistryRoot root, const std::string& path) = 0;
  // Deletes the key with its values and subkeys; false when it did not exist
  // or could not be deleted.
  virtual bool DeleteKey(RegistryRoot root, const std::string& path) = 0;
};

// The product key of the program under either root.
inline constexpr const char* kProductKeyPath = "\\Software\\Taveron\\Brenvik\\1.0";

}  // namespace brenvik
