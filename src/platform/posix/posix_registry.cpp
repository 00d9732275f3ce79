#include "platform/posix/posix_registry.h"

#include <cstdlib>
#include <map>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/utf8.h"
#include "platform/posix/posix_file_system.h"

namespace brenvik {
namespace {

constexpr const char* kStoreFileName = "registry.ini";
constexpr const char* kStoreHeader = "; Brenvik registry store, format 1\n";

std::string Escape(const std::string& text, bool isName) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '%' || c == '\r' || c == '\n' || (isName && (c == '=' || c == '[' || c == ']'))) {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = HexValue(text[i + 1]);
    const int lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

// "\Software\\X\" -> "Software\X"
std::string NormalizePath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

struct Value {
  char type = 's';  // s text, i integer, b Boolean
  std::string text;
};

struct Key {
  std::string path;                                             // as first written
  std::map<std::string, std::pair<std::string, Value>> values;  // lower name -> (name, value)
};

// The whole store of one root, keyed by the lower-cased path.
class Store {
 public:
  explicit Store(std::string file) : file_(std::move(file)) {}

  void Load() {
    keys_.clear();
    if (!FileExists(file_)) return;
    std::string text;
    try {
      text = ReadFileBytes(file_);
    } catch (const FileError&) {
      return;
    }
    Key* current = nullptr;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      current = ParseLine(line, current);
      start = end + 1;
    }
  }

  void Save() const {
    std::string text = kStoreHeader;
    for (const auto& [lower, key] : keys_) {
      text += "[" + Escape(key.path, true) + "]\n";
      for (const auto& [lowerName, entry] : key.values) {
        text += Escape(entry.first, true) + "=" + entry.second.type + ":" +
                Escape(entry.second.text, false) + "\n";
      }
    }
    // The backend's own file operations: the store is part of it.
    PosixFileSystem files;
    const std::string folder = FromFsPath(ToFsPath(file_).parent_path());
    if (!files.CreateFolders(folder)) {
      throw PlatformError("Cannot create folder \"" + folder + "\"");
    }
    WriteFileAtomic(files, file_, text);
  }

  Key* Find(const std::string& path) {
    auto it = keys_.find(AsciiLower(NormalizePath(path)));
    return it == keys_.end() ? nullptr : &it->second;
  }

  bool HasDescendant(const std::string& path) const {
    const std::string prefix = AsciiLower(NormalizePath(path)) + "\\";
    auto it = keys_.lower_bound(prefix);
    return it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
  }

  Key& Create(const std::string& path) {
    const std::string normal = NormalizePath(path);
    std::size_t at = 0;
    Key* key = nullptr;
    while (true) {
      at = normal.find('\\', at + 1);
      const std::string part = normal.substr(0, at);
      auto& slot = keys_[AsciiLower(part)];
      if (slot.path.empty()) slot.path = part;
      key = &slot;
      if (at == std::string::npos) break;
    }
    return *key;
  }

  bool Erase(const std::string& path) {
    const std::string lower = AsciiLower(NormalizePath(path));
    bool erased = keys_.erase(lower) > 0;
    const std::string prefix = lower + "\\";
    for (auto it = keys_.lower_bound(prefix);
         it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
      it = keys_.erase(it);
      erased = true;
    }
    return erased;
  }

  std::vector<std::string> ChildNames(const std::string& path) const {
    const std::string prefix = AsciiLower(NormalizePath(path)) + "\\";
    std::vector<std::string> names;
    for (auto it = keys_.lower_bound(prefix);
         it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
      const std::string rest = it->second.path.substr(prefix.size());
      if (rest.find('\\') == std::string::npos) names.push_back(rest);
    }
    return names;
  }

 private:
  Key* ParseLine(const std::string& line, Key* current) {
    if (line.empty() || line[0] == ';') return current;
    if (line[0] == '[') {
      std::string path;
      if (line.back() != ']' || !Unescape(line.substr(1, line.size() - 2), path)) return nullptr;
      if (NormalizePath(path).empty()) return nullptr;
      return &Create(path);
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string::npos || line.size() < eq + 3 || line[eq + 2] != ':') {
      return current;
    }
    Value value;
    value.type = line[eq + 1];
    std::string name;
    if (!Unescape(line.substr(0, eq), name) || !Unescape(line.substr(eq + 3), value.text)) {
      return current;
    }
    if (value.type != 's' && value.type != 'i' && value.type != 'b') return current;
    current->values[AsciiLower(name)] = {name, value};
    return current;
  }

  std::string file_;
  std::map<std::string, Key> keys_;
};

class PosixKey : public RegistryKey {
 public:
  PosixKey(std::string file, std::string path, bool quietWrites)
      : file_(std::move(file)), path_(std::move(path)), quietWrites_(quietWrites) {}

  bool ValueExists(const std::string& name) override { return Read(name).has_value(); }

  std::optional<std::string> ReadString(const std::string& name) override {
    auto value = Read(name);
    if (!value || value->type != 's') return std::nullopt;
    return value->text;
  }

  std::optional<std::int32_t> ReadInteger(const std::string& name) override {
    auto value = Read(name);
    if (!value || (value->type != 'i' && value->type != 'b')) return std::nullopt;
    char* end = nullptr;
    const long long number = std::strtoll(value->text.c_str(), &end, 10);
    if (value->text.empty() || *end != '\0' || number < INT32_MIN || number > INT32_MAX) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
  }

  std::optional<bool> ReadBool(const std::string& name) override {
    auto value = Read(name);
    if (!value || (value->type != 'i' && value->type != 'b')) return std::nullopt;
    auto number = ReadInteger(name);
    if (!number) return std::nullopt;
    return *number != 0;
  }

  void WriteString(const std::string& name, const std::string& value) override {
    Write(name, Value{'s', value});
  }
  void WriteInteger(const std::string& name, std::int32_t value) override {
    Write(name, Value{'i', std::to_string(value)});
  }
  void WriteBool(const std::string& name, bool value) override {
    Write(name, Value{'b', value ? "1" : "0"});
  }

  bool DeleteValue(const std::string& name) override {
    Store store(file_);
    store.Load();
    Key* key = store.Find(path_);
    if (!key || key->values.erase(AsciiLower(name)) == 0) return false;
    return SaveQuietly(store);
  }

  std::vector<std::string> ValueNames() override {
    Store store(file_);
    store.Load();
    std::vector<std::string> names;
    if (Key* key = store.Find(path_)) {
      for (const auto& [lower, entry] : key->values) names.push_back(entry.first);
    }
    return names;
  }

  std::vector<std::string> SubKeyNames() override {
    Store store(file_);
    store.Load();
    return store.ChildNames(path_);
  }

 private:
  std::optional<Value> Read(const std::string& name) {
    Store store(file_);
    store.Load();
    Key* key = store.Find(path_);
    if (!key) return std::nullopt;
    auto it = key->values.find(AsciiLower(name));
    if (it == key->values.end()) return std::nullopt;
    return it->second.second;
  }

  void Write(const std::string& name, const Value& value) {
    Store store(file_);
    store.Load();
    Key& key = store.Create(path_);
    key.values[AsciiLower(name)] = {name, value};
    if (!SaveQuietly(store)) {
      throw PlatformError("Failed to set data for '" + name + "'");
    }
  }

  bool SaveQuietly(Store& store) {
    try {
      store.Save();
      return true;
    } catch (const Error&) {
      return quietWrites_;
    }
  }

  std::string file_;
  std::string path_;
  bool quietWrites_;
};

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

}  // namespace

PosixRegistry::PosixRegistry(std::string currentUserFolder, std::string localMachineFolder)
    : currentUserFolder_(std::move(currentUserFolder)),
      localMachineFolder_(std::move(localMachineFolder)) {}

std::string PosixRegistry::DefaultCurrentUserFolder() {
  const std::string home = EnvOr("HOME", "/tmp");
  return EnvOr("XDG_CONFIG_HOME", home + "/.config") + "/Taveron/Brenvik/";
}

std::string PosixRegistry::DefaultLocalMachineFolder() { return "/etc/Taveron/Brenvik/"; }

std::string PosixRegistry::StoreFile(RegistryRoot root) const {
  std::string folder = root == RegistryRoot::CurrentUser ? currentUserFolder_ : localMachineFolder_;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + kStoreFileName;
}

std::unique_ptr<RegistryKey> PosixRegistry::OpenKey(RegistryRoot root, const std::string& path,
                                                    bool create) {
  if (NormalizePath(path).empty()) return nullptr;
  const bool quiet = root == RegistryRoot::LocalMachine;
  if (!KeyExists(root, path)) {
    if (!create) return nullptr;
    Store store(StoreFile(root));
    store.Load();
    store.Create(path);
    try {
      store.Save();
    } catch (const Error&) {
      return nullptr;
    }
  }
  return std::make_unique<PosixKey>(StoreFile(root), path, quiet);
}

bool PosixRegistry::KeyExists(RegistryRoot root, const std::string& path) {
  Store store(StoreFile(root));
  store.Load();
  return store.Find(path) != nullptr || store.HasDescendant(path);
}

bool PosixRegistry::DeleteKey(RegistryRoot root, const std::string& path) {
  Store store(StoreFile(root));
  store.Load();
  if (!store.Erase(path)) return false;
  try {
    store.Save();
    return true;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace brenvik
