// Test paths are written with "/"; on Windows the program itself joins paths
// with "\", so fixtures convert theirs before comparing with what it lists.
#pragma once

#include <algorithm>
#include <string>

#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik::test {

inline std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '/', PathSeparator());
  return path;
}

// A file under the temporary folder, written with its parent folders.
inline std::string WriteNative(const TempDir& dir, const std::string& name,
                               const std::string& bytes) {
  const std::string native = NativePath(name);
  const std::size_t cut = native.rfind(PathSeparator());
  if (cut != std::string::npos) test::NativeFiles().CreateFolders(dir.File(native.substr(0, cut)));
  return dir.Write(native, bytes);
}

}  // namespace brenvik::test
