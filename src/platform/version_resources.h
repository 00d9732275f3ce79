// Version resources of program files: the raw VS_VERSIONINFO block that
// GetFileVersionInfoW returns on Windows; on other systems the block is read
// from the PE file itself.
#pragma once

#include <optional>
#include <string>

namespace brenvik {

class VersionResources {
 public:
  virtual ~VersionResources() = default;
  // The version-information block of the file, or nothing when the file has
  // none (or is not a program file).
  virtual std::optional<std::string> LoadVersionBlock(const std::string& path) = 0;
};

}  // namespace brenvik
