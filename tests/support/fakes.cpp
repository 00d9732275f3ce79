#include "support/fakes.h"

#include <algorithm>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/utf8.h"

namespace brenvik::test {
namespace {

std::string NormalKey(const std::string& path) {
  std::string out;
  for (char c : AsciiLower(path)) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

class FakeKey : public RegistryKey {
 public:
  FakeKey(FakeRegistry& owner, RegistryRoot root, std::string key)
      : owner_(owner), root_(root), key_(std::move(key)) {}

  bool ValueExists(const std::string& name) override { return Find(name) != nullptr; }
  std::optional<std::string> ReadString(const std::string& name) override {
    auto* v = Find(name);
    if (!v || v->type != 's') return std::nullopt;
    return v->text;
  }
  std::optional<std::int32_t> ReadInteger(const std::string& name) override {
    auto* v = Find(name);
    if (!v || v->type == 's') return std::nullopt;
    return std::stoi(v->text);
  }
  std::optional<bool> ReadBool(const std::string& name) override {
    auto i = ReadInteger(name);
    if (!i) return std::nullopt;
    return *i != 0;
  }
  void WriteString(const std::string& name, const std::string& value) override {
    Store(name, 's', value);
  }
  void WriteInteger(const std::string& name, std::int32_t value) override {
    Store(name, 'i', std::to_string(value));
  }
  void WriteBool(const std::string& name, bool value) override {
    Store(name, 'b', value ? "1" : "0");
  }
  bool DeleteValue(const std::string& name) override {
    return Values().erase(AsciiLower(name)) > 0;
  }
  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    for (const auto& [name, value] : Values()) names.push_back(name);
    return names;
  }
  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    const std::string prefix = key_ + "\\";
    for (const auto& [path, values] : owner_.Keys(root_)) {
      if (path.rfind(prefix, 0) == 0 && path.find('\\', prefix.size()) == std::string::npos) {
        names.push_back(path.substr(prefix.size()));
      }
    }
    return names;
  }

 private:
  FakeRegistry::KeyValues& Values() { return owner_.Keys(root_)[key_]; }
  FakeRegistry::StoredValue* Find(const std::string& name) {
    auto& values = Values();
    auto it = values.find(AsciiLower(name));
    return it == values.end() ? nullptr : &it->second;
  }
  void Store(const std::string& name, char type, const std::string& text) {
    if (root_ == RegistryRoot::LocalMachine && owner_.localMachineReadOnly) return;
    Values()[AsciiLower(name)] = FakeRegistry::StoredValue{type, text};
  }

  FakeRegistry& owner_;
  RegistryRoot root_;
  std::string key_;
};

}  // namespace

std::unique_ptr<RegistryKey> FakeRegistry::OpenKey(RegistryRoot root, const std::string& path,
                                                   bool create) {
  const std::string key = NormalKey(path);
  if (!KeyExists(root, path)) {
    if (!create || (root == RegistryRoot::LocalMachine && localMachineReadOnly)) return nullptr;
    Keys(root)[key];
  }
  return std::make_unique<FakeKey>(*this, root, key);
}

bool FakeRegistry::KeyExists(RegistryRoot root, const std::string& path) {
  const std::string key = NormalKey(path);
  for (const auto& [stored, values] : Keys(root)) {
    if (stored == key || stored.rfind(key + "\\", 0) == 0) return true;
  }
  return false;
}

bool FakeRegistry::DeleteKey(RegistryRoot root, const std::string& path) {
  const std::string key = NormalKey(path);
  auto& keys = Keys(root);
  bool erased = false;
  for (auto it = keys.begin(); it != keys.end();) {
    if (it->first == key || it->first.rfind(key + "\\", 0) == 0) {
      it = keys.erase(it);
      erased = true;
    } else {
      ++it;
    }
  }
  return erased;
}

void FakeClock::Advance(int milliseconds) {
  local += milliseconds / 86'400'000.0;
  tick += static_cast<std::uint32_t>(milliseconds);
  counter += static_cast<std::int64_t>(milliseconds) * frequency / 1000;
}

void FakeClock::Sleep(int milliseconds) {
  sleptMs += milliseconds;
  Advance(milliseconds);
  if (onSleep) onSleep();
}

std::string FakeServicePipe::PipePath(const std::string& dataFolder) {
  return dataFolder + kServicePipeName;
}

std::string FakeServicePipe::Transact(const std::string&, const std::string& message,
                                      std::size_t maxReply) {
  if (!running) throw PlatformError("The system cannot find the file specified");
  messages.push_back(message);
  if (onMessage) onMessage(message);
  return std::string("OK\0\0", 4).substr(0, maxReply);
}

std::vector<EventLogRecord> FakeEventLog::ReadAll(EventLogName log) {
  if (fail) throw PlatformError("The event log file is corrupted");
  return log == EventLogName::System ? system : application;
}

std::optional<AccountName> FakeAccounts::ProcessOwner(std::uint32_t processId) {
  auto it = owners.find(processId);
  if (it == owners.end()) return std::nullopt;
  return it->second;
}

std::string FakeShell::FolderPath(SpecialFolder folder) {
  auto it = folders.find(folder);
  return it == folders.end() ? std::string() : it->second;
}

bool FakeShell::IsShortcut(const std::string& path) {
  if (onIsShortcut) onIsShortcut(path);
  return shortcuts.count(path) > 0;
}

std::optional<ShortcutTarget> FakeShell::ResolveShortcut(const std::string& path) {
  auto it = shortcuts.find(path);
  if (it == shortcuts.end()) return std::nullopt;
  return it->second;
}

bool FakeShell::IsProgramFile(const std::string& path) {
  return path.size() > 4 && EqualsIgnoreCase(path.substr(path.size() - 4), ".exe");
}

bool FakeShell::OpenDocument(const std::string& pathOrUrl) {
  opened.push_back(pathOrUrl);
  return true;
}

bool FakeShell::StartProgram(const std::string& path) {
  started.push_back(path);
  return true;
}

bool FakeShell::ShowInFileManager(const std::string& path) {
  shown.push_back(path);
  return true;
}

std::optional<std::string> FakeVersionResources::LoadVersionBlock(const std::string& path) {
  auto it = blocks.find(path);
  if (it == blocks.end()) return std::nullopt;
  return it->second;
}

bool FakeSingleInstance::CreateLock(const std::string& name) {
  created.push_back(name);
  return std::find(heldByOthers.begin(), heldByOthers.end(), name) != heldByOthers.end();
}

bool FakeSingleInstance::LockDataTree(const std::string& dataFolder) {
  return std::find(treesHeldByOthers.begin(), treesHeldByOthers.end(), dataFolder) ==
         treesHeldByOthers.end();
}

bool FakeSingleInstance::MainWindowExists(const std::string&) {
  ++lookups;
  if (windowAppearsAfterLookups >= 0 && lookups >= windowAppearsAfterLookups) return true;
  return windowExists;
}

FakePlatform MakeFakePlatform() {
  FakePlatform fake;
  fake.platform = std::make_unique<Platform>();
  auto& p = *fake.platform;
  auto registry = std::make_unique<FakeRegistry>();
  auto clock = std::make_unique<FakeClock>();
  auto locale = std::make_unique<FakeLocale>();
  auto pipe = std::make_unique<FakeServicePipe>();
  auto eventLog = std::make_unique<FakeEventLog>();
  auto accounts = std::make_unique<FakeAccounts>();
  auto shell = std::make_unique<FakeShell>();
  auto versions = std::make_unique<FakeVersionResources>();
  auto single = std::make_unique<FakeSingleInstance>();
  auto system = std::make_unique<FakeSystemInfo>();
  auto files = std::make_unique<FailingFileSystem>();
  fake.registry = registry.get();
  fake.clock = clock.get();
  fake.locale = locale.get();
  fake.servicePipe = pipe.get();
  fake.eventLog = eventLog.get();
  fake.accounts = accounts.get();
  fake.shell = shell.get();
  fake.versionResources = versions.get();
  fake.singleInstance = single.get();
  fake.systemInfo = system.get();
  fake.files = files.get();
  p.files = std::move(files);
  p.registry = std::move(registry);
  p.clock = std::move(clock);
  p.locale = std::move(locale);
  p.servicePipe = std::move(pipe);
  p.eventLog = std::move(eventLog);
  p.accounts = std::move(accounts);
  p.shell = std::move(shell);
  p.versionResources = std::move(versions);
  p.singleInstance = std::move(single);
  p.systemInfo = std::move(system);
  // The session autostart is the Run key value, kept in the fake registry.
  p.autostart = std::make_unique<RunKeyAutostart>(*fake.registry, kFakeWindowProgram);
  return fake;
}

}  // namespace brenvik::test
