// The single-instance guard: a named, process-lifetime lock and the lookup of
// the main window of a running copy. On Windows a mutex and FindWindowW; on
// Linux an exclusive lock file and a local socket named after the window
// class, which the main window listens on while it exists.
#pragma once

#include <string>

namespace brenvik {

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // Creates (or opens) the named lock, held until the process ends; returns
  // true when it existed already (another copy holds it).
  virtual bool CreateLock(const std::string& name) = 0;
  // True when a main window of the given class exists in another process.
  virtual bool MainWindowExists(const std::string& windowClass) = 0;
  // Takes the exclusive hold on a data tree (a lock file in its data folder)
  // for the rest of the process; false when another process holds it. The
  // window and the command line both take it before touching any table.
  virtual bool LockDataTree(const std::string& dataFolder) = 0;
};

inline constexpr const char* kDataTreeLockFile = "Brenvik.lock";

}  // namespace brenvik
