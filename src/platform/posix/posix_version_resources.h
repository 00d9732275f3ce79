// Version resources on Linux: the version block is read straight out of the
// PE program file by the core's reader; other files have none.
#pragma once

#include "platform/version_resources.h"

namespace brenvik {

class PosixVersionResources : public VersionResources {
 public:
  std::optional<std::string> LoadVersionBlock(const std::string& path) override;
};

}  // namespace brenvik
