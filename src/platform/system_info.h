// Facts about the running system: the operating-system version behind the
// Windows version code, and the temporary-files folder.
#pragma once

#include <optional>
#include <string>

namespace brenvik {

enum class OsPlatform { Consumer, NT, Other };

struct OsVersion {
  OsPlatform platform = OsPlatform::Other;
  int major = 0;
  int minor = 0;
  std::string servicePack;  // the service-pack text (CSD version)
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Nothing when the version query fails.
  virtual std::optional<OsVersion> QueryOsVersion() = 0;
  // The temporary folder with a trailing separator.
  virtual std::string TempFolder() = 0;
};

}  // namespace brenvik
