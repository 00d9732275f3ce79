#include "platform/posix/posix_version_resources.h"

#include "programs/pe_version_block.h"

namespace brenvik {

std::optional<std::string> PosixVersionResources::LoadVersionBlock(const std::string& path) {
  return ReadPeVersionBlock(path);
}

}  // namespace brenvik
