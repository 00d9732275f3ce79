// The single-instance guard on Windows: named mutexes that every account may
// open (a security descriptor without an access list), held until the
// process ends, and FindWindowW for the main window of a running copy. The
// hold on a data tree is its lock file opened without sharing: no other
// handle to it can exist while this process lives.
//
// Win32MainWindowMarker is the other half: while it lives, a hidden top-level
// window of the given class exists in this process, so that a second copy's
// FindWindowW finds this one whatever the GUI toolkit names its own windows.
#pragma once

#include <set>
#include <string>

#include "platform/single_instance.h"

namespace brenvik {

class Win32SingleInstance : public SingleInstance {
 public:
  // Also true when the mutex exists but this account may not open it.
  bool CreateLock(const std::string& name) override;
  // Any top-level window of the class, hidden ones included.
  bool MainWindowExists(const std::string& windowClass) override;
  bool LockDataTree(const std::string& dataFolder) override;

 private:
  std::set<std::string> held_;
  std::set<std::string> heldTrees_;
};

class Win32MainWindowMarker {
 public:
  // Registers the class (once per process) and creates the hidden window on
  // the calling thread; PlatformError when either fails.
  explicit Win32MainWindowMarker(const std::string& windowClass);
  ~Win32MainWindowMarker();
  Win32MainWindowMarker(const Win32MainWindowMarker&) = delete;
  Win32MainWindowMarker& operator=(const Win32MainWindowMarker&) = delete;

 private:
  void* window_ = nullptr;  // HWND
};

}  // namespace brenvik
