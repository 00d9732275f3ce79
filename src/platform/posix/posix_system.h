// Facts about the Linux system and the Linux single-instance guard.
//
// The single-instance lock is an exclusive lock (flock) on a file in the
// temporary folder named after the lock and the user; the main window of a
// running copy is found by connecting to the local socket named after the
// window class in the same folder, which the window listens on while it
// exists.
#pragma once

#include <map>
#include <string>

#include "platform/single_instance.h"
#include "platform/system_info.h"

namespace brenvik {

class PosixSystemInfo : public SystemInfo {
 public:
  std::optional<OsVersion> QueryOsVersion() override;
  std::string TempFolder() override;
};

class PosixSingleInstance : public SingleInstance {
 public:
  // folder: where lock files and the window socket live (temporary folder).
  explicit PosixSingleInstance(std::string folder = {});
  bool CreateLock(const std::string& name) override;
  bool MainWindowExists(const std::string& windowClass) override;
  bool LockDataTree(const std::string& dataFolder) override;

 private:
  std::string folder_;
  std::map<std::string, int> held_;
};

// The socket path on which the main window of this user listens.
std::string MainWindowSocketPath(const std::string& folder, const std::string& windowClass);

}  // namespace brenvik
