// The registry on Windows: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE through
// the wide registry API. Text values are REG_SZ (REG_EXPAND_SZ is read as it
// is stored), integer and Boolean values REG_DWORD (Booleans as 0 and 1).
// A key is opened for reading and writing, and for reading only where the
// system refuses write access (the local machine without administrator
// rights); writes to such a key fail quietly for the local machine, as a
// program without rights sees it, and raise PlatformError for the current
// user.
#pragma once

#include "platform/registry.h"

namespace brenvik {

class Win32Registry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                       bool create) override;
  bool KeyExists(RegistryRoot root, const std::string& path) override;
  bool DeleteKey(RegistryRoot root, const std::string& path) override;
};

}  // namespace brenvik
