// Facts about the Windows system: the version as the kernel reports it
// (RtlGetVersion, which does not depend on the program's manifest; else
// GetVersionExW) and the temporary folder (GetTempPathW).
#pragma once

#include "platform/system_info.h"

namespace brenvik {

class Win32SystemInfo : public SystemInfo {
 public:
  std::optional<OsVersion> QueryOsVersion() override;
  std::string TempFolder() override;
};

}  // namespace brenvik
