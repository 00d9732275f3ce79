// Reads the RT_VERSION resource (the VS_VERSIONINFO block) out of a Windows
// PE program file without the Windows API: DOS and PE headers, the section
// table, the resource directory. Used where the operating system has no
// version-resource service of its own.
//
// The reader trusts nothing in the file: every offset is checked against the
// file size and every RVA against the raw data of its section, the resource
// tree is walked to its fixed depth of three levels only, and a block larger
// than kMaxPeVersionBlock is refused. Files that are not regular files
// (folders, pipes, devices) are not opened, so a search never blocks on them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace brenvik {

// A VS_VERSIONINFO block is at most 64 KiB (its length is a 16-bit field);
// resource data entries claiming much more are damaged or hostile.
inline constexpr std::size_t kMaxPeVersionBlock = 1024 * 1024;

// The version block of the file, or nothing when the file is not a PE
// program file or has no version resource.
std::optional<std::string> ReadPeVersionBlock(const std::string& path);

}  // namespace brenvik
