#include "datastore/startup/startup.h"

#include "base/file_io.h"

namespace brenvik {
namespace {

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
    folder += PathSeparator();
  }
  return folder;
}

std::string ConfiguredRoot(Registry& registry) {
  auto key = registry.OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, true);
  if (!key) return {};
  return key->ReadString(kFolderDataPathValue).value_or("");
}

}  // namespace

bool CheckSingleInstance(Platform& platform, const std::string& name, bool waitForWindow) {
  const bool existed = platform.singleInstance->CreateLock(name);
  if (waitForWindow && existed) {
    for (int i = 0; i < 50; ++i) {
      platform.clock->Sleep(10);
      if (platform.singleInstance->MainWindowExists(kMainWindowClass)) break;
    }
  }
  if (platform.singleInstance->MainWindowExists(kMainWindowClass)) return false;
  platform.singleInstance->CreateLock("Global\\" + name);
  return true;
}

bool CheckUserKey(Registry& registry) {
  return registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false) != nullptr;
}

DataFolders InitDataFolders(Platform& platform) {
  std::string root = ConfiguredRoot(*platform.registry);
  if (root.empty()) {
    if (GetWindowsVersionCode(*platform.systemInfo) >= 5) {
      const std::string sep(1, PathSeparator());
      root = WithSeparator(platform.shell->FolderPath(SpecialFolder::LocalAppData)) + "Taveron" +
             sep + "Brenvik" + sep;
    } else {
      root = WithSeparator(platform.shell->ExecutableFolder());
    }
  }
  return InitDataFoldersAt(*platform.files, root);
}

DataFolders InitDataFoldersAt(FileSystem& files, const std::string& root) {
  const std::string sep(1, PathSeparator());
  DataFolders folders{root + "Settings" + sep, root + "Data" + sep};
  files.CreateFolders(folders.settingsFolder);
  files.CreateFolders(folders.dataFolder);
  files.CreateFolders(folders.dataFolder + "Backup");
  return folders;
}

int GetWindowsVersionCode(SystemInfo& systemInfo) {
  const auto version = systemInfo.QueryOsVersion();
  if (!version) return -1;
  if (version->platform == OsPlatform::Consumer) {
    if (version->major != 4) return -1;
    if (version->minor == 0) return 0;
    if (version->minor == 10) {
      return version->servicePack.size() >= 2 && version->servicePack[1] == 'A' ? 2 : 1;
    }
    if (version->minor == 90) return 3;
    return -1;
  }
  if (version->platform == OsPlatform::NT) {
    if (version->major <= 4) return 4;
    if (version->major == 5 && version->minor == 0) return 5;
    if (version->major == 5 && version->minor == 1) return 6;
    if (version->major == 5 && version->minor == 2) return 7;
    return 8;
  }
  return -1;
}

std::string GetTempFolder(SystemInfo& systemInfo) { return WithSeparator(systemInfo.TempFolder()); }

std::string MakeTempFileName(SystemInfo& systemInfo, const std::string& prefix,
                             const std::string& ext) {
  return MakeTempFileNameIn(GetTempFolder(systemInfo), prefix, ext);
}

std::string MakeTempFileNameIn(const std::string& folder, const std::string& prefix,
                               const std::string& ext) {
  for (int i = 0; i <= 10000; ++i) {
    std::string name = folder + prefix + std::to_string(i) + "~." + ext;
    if (!FileExists(name)) return name;
  }
  return {};
}

}  // namespace brenvik
