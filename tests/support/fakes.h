// Fakes of every platform interface, for tests of the core: an in-memory
// registry, a clock that stands still until advanced (and sleeps by
// advancing), a scripted event log, an in-process service pipe, and plain
// value holders for the rest, and real files behind a failing variant
// (failing_file_system.h). MakeFakePlatform bundles them and keeps typed
// pointers so that a test can script them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/failing_file_system.h"

namespace brenvik::test {

class FakeRegistry : public Registry {
 public:
  struct StoredValue {
    char type = 's';
    std::string text;
  };
  using KeyValues = std::map<std::string, StoredValue>;  // lower-case name

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                       bool create) override;
  bool KeyExists(RegistryRoot root, const std::string& path) override;
  bool DeleteKey(RegistryRoot root, const std::string& path) override;

  // Refuse creating keys and writing under the local machine, as a user
  // without rights sees it.
  bool localMachineReadOnly = false;
  std::map<std::string, KeyValues>& Keys(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? user_ : machine_;
  }

 private:
  std::map<std::string, KeyValues> user_;
  std::map<std::string, KeyValues> machine_;
};

class FakeClock : public Clock {
 public:
  DateTime local = 41394.5;  // 2013-04-30 12:00:00
  std::int32_t offsetSeconds = 7200;
  std::int64_t counter = 0;
  std::int64_t frequency = 1'000'000;
  std::uint32_t tick = 0;
  std::uint32_t lastInputTick = 0;
  int sleptMs = 0;

  void Advance(int milliseconds);
  DateTime LocalNow() override { return local; }
  DateTime UtcNow() override { return local - offsetSeconds / 86400.0; }
  std::int32_t UtcOffsetSeconds() override { return offsetSeconds; }
  DateTime UtcToLocal(DateTime utc) override { return utc + offsetSeconds / 86400.0; }
  std::int64_t PerformanceCounter() override { return counter; }
  std::int64_t PerformanceFrequency() override { return frequency; }
  std::uint32_t TickCount() override { return tick; }
  std::uint32_t LastInputTick() override { return lastInputTick; }
  // Advances the clock; onSleep runs after each sleep (a test's service can
  // write its file "while" the caller waits).
  void Sleep(int milliseconds) override;
  std::function<void()> onSleep;
};

class FakeLocale : public Locale {
 public:
  LocaleInfo info;
  LocaleInfo Current() override { return info; }
};

// An in-process service: records every message and answers through a
// handler (which may write files); throws PlatformError when not running.
class FakeServicePipe : public ServicePipe {
 public:
  bool running = true;
  std::vector<std::string> messages;  // raw bytes as received
  std::function<void(const std::string& message)> onMessage;

  std::string PipePath(const std::string& dataFolder) override;
  std::string Transact(const std::string& pipePath, const std::string& message,
                       std::size_t maxReply) override;
};

class FakeEventLog : public EventLog {
 public:
  std::vector<EventLogRecord> system;
  std::vector<EventLogRecord> application;
  bool fail = false;
  std::vector<EventLogRecord> ReadAll(EventLogName log) override;
};

class FakeAccounts : public Accounts {
 public:
  std::map<std::uint32_t, AccountName> owners;
  AccountName current{"ann", "PC1"};
  std::optional<AccountName> ProcessOwner(std::uint32_t processId) override;
  AccountName CurrentUser() override { return current; }
};

class FakeShell : public Shell {
 public:
  std::map<SpecialFolder, std::string> folders;
  std::string executableFolder = "/opt/brenvik/";
  std::map<std::string, ShortcutTarget> shortcuts;
  std::vector<std::string> opened;
  std::vector<std::string> started;
  std::vector<std::string> shown;
  // Called with every path asked about in IsShortcut, on the asking thread
  // (a test slows or holds a search with it).
  std::function<void(const std::string& path)> onIsShortcut;

  std::string FolderPath(SpecialFolder folder) override;
  std::string ExecutableFolder() override { return executableFolder; }
  bool IsShortcut(const std::string& path) override;
  std::optional<ShortcutTarget> ResolveShortcut(const std::string& path) override;
  bool IsProgramFile(const std::string& path) override;
  bool OpenDocument(const std::string& pathOrUrl) override;
  bool StartProgram(const std::string& path) override;
  bool ShowInFileManager(const std::string& path) override;
};

class FakeVersionResources : public VersionResources {
 public:
  std::map<std::string, std::string> blocks;
  std::optional<std::string> LoadVersionBlock(const std::string& path) override;
};

class FakeSingleInstance : public SingleInstance {
 public:
  std::vector<std::string> heldByOthers;  // lock names another copy holds
  std::vector<std::string> created;
  bool windowExists = false;
  // Becomes true after this many lookups (a copy still starting), -1 never.
  int windowAppearsAfterLookups = -1;
  int lookups = 0;

  std::vector<std::string> treesHeldByOthers;  // data folders another process holds
  bool CreateLock(const std::string& name) override;
  bool MainWindowExists(const std::string& windowClass) override;
  bool LockDataTree(const std::string& dataFolder) override;
};

class FakeSystemInfo : public SystemInfo {
 public:
  std::optional<OsVersion> version = OsVersion{OsPlatform::NT, 10, 0, {}};
  std::string tempFolder = "/tmp/";
  std::optional<OsVersion> QueryOsVersion() override { return version; }
  std::string TempFolder() override { return tempFolder; }
};

// The window program the fake platform's session autostart starts.
inline constexpr const char* kFakeWindowProgram = "C:\\Program Files\\Brenvik\\brenvik.exe";

struct FakePlatform {
  std::unique_ptr<Platform> platform;
  FakeRegistry* registry;
  FakeClock* clock;
  FakeLocale* locale;
  FakeServicePipe* servicePipe;
  FakeEventLog* eventLog;
  FakeAccounts* accounts;
  FakeShell* shell;
  FakeVersionResources* versionResources;
  FakeSingleInstance* singleInstance;
  FakeSystemInfo* systemInfo;
  FailingFileSystem* files;  // real files, faults on request, calls counted
};

FakePlatform MakeFakePlatform();

}  // namespace brenvik::test
