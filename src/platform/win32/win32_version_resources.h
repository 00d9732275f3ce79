// Version resources on Windows: the VS_VERSIONINFO block as
// GetFileVersionInfoSizeW / GetFileVersionInfoW give it, cut to the length
// the block states (the system adds room of its own behind it), so that it is
// byte for byte the block the portable reader finds in the file.
#pragma once

#include "platform/version_resources.h"

namespace brenvik {

class Win32VersionResources : public VersionResources {
 public:
  std::optional<std::string> LoadVersionBlock(const std::string& path) override;
};

}  // namespace brenvik
