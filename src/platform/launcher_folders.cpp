#include "platform/launcher_folders.h"

#include <algorithm>

namespace brenvik {

std::vector<std::string> SpecialFolderPaths(Shell& shell, const std::vector<SpecialFolder>& kinds) {
  std::vector<std::string> folders;
  for (SpecialFolder kind : kinds) {
    const std::string path = shell.FolderPath(kind);
    if (!path.empty() && std::find(folders.begin(), folders.end(), path) == folders.end()) {
      folders.push_back(path);
    }
  }
  return folders;
}

}  // namespace brenvik
