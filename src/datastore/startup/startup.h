// Start-up helpers: the single-instance check, the per-user product key, the
// data folders, the Windows version code and unique temporary file names.
//
// SettingsFolder() and DataFolder() are process-wide, set once by
// InitDataFolders before the main window exists, and end with the path
// separator; every other unit appends bare file names to them.
#pragma once

#include <string>

#include "platform/platform.h"

namespace brenvik {

inline constexpr const char* kMutexName = "BrenvikMutex";
inline constexpr const char* kMainWindowClass = "TfrmBrenvikMain";
inline constexpr const char* kFolderDataPathValue = "FolderDataPath";

inline constexpr const char* kAlreadyRunningMessage = "Brenvik is already running!";
inline constexpr const char* kWrongUserMessage =
    "Program must be run by the same person that installed it. Application will be closed now.";

// True when this copy may run. With waitForWindow, a lock that another copy
// holds gives that copy up to 50 x 10 ms to show its main window.
bool CheckSingleInstance(Platform& platform, const std::string& name, bool waitForWindow);

// True when the product key exists under the current-user root.
bool CheckUserKey(Registry& registry);

struct DataFolders {
  std::string settingsFolder;
  std::string dataFolder;
};

// Finds the root of the data tree (FolderDataPath of the local machine, else
// the per-user application data + Taveron/Brenvik/, else the program's own
// folder) and creates its folders with the Backup folder. Folders that
// cannot be created are not reported here.
DataFolders InitDataFolders(Platform& platform);
// The same from an explicit root, taken exactly as given.
DataFolders InitDataFoldersAt(FileSystem& files, const std::string& root);

// -1 .. 8 as the Windows version table assigns them.
int GetWindowsVersionCode(SystemInfo& systemInfo);

std::string GetTempFolder(SystemInfo& systemInfo);

// The first of folder + prefix + i + "~." + ext (i = 0 .. 10000) that does not
// exist as a file, or an empty text when all do. No file is created.
std::string MakeTempFileName(SystemInfo& systemInfo, const std::string& prefix,
                             const std::string& ext);
std::string MakeTempFileNameIn(const std::string& folder, const std::string& prefix,
                               const std::string& ext);

}  // namespace brenvik
