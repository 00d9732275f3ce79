// Reads the RT_VERSION resource (the VS_VERSIONINFO block) out of a Windows
// PE program file without the Windows API: DOS and PE headers, the section
// table, the resource directory. Used where the operating system has no
// version-resource service of its own.
#pragma once

#include <optional>
#include <string>

namespace brenvik {

// The version block of the file, or nothing when the file is not a PE
// program file or has no version resource.
std::optional<std::string> ReadPeVersionBlock(const std::string& path);

}  // namespace brenvik
