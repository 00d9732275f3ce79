// The POSIX registry: one text store per root, a file "registry.ini" in the
// root's folder (current user: ${XDG_CONFIG_HOME:-~/.config}/Taveron/Brenvik/,
// local machine: /etc/Taveron/Brenvik/). Every operation reads the file anew
// and every change replaces it atomically, so two processes see each other's
// writes. A damaged line reads as missing; a store whose folder refuses writes
// fails quietly for the local machine, as Windows does without rights.
//
// Format (UTF-8):
//   [\Software\Taveron\Brenvik\1.0]
//   FolderDataPath=s:/home/ann/brenvik/
//   WindowsImportExecuted=b:1
//   Width=i:800
// Names and values escape "%", "=" (names only), CR and LF as %XX.
#pragma once

#include <string>

#include "platform/registry.h"

namespace brenvik {

class PosixRegistry : public Registry {
 public:
  // The folders that hold each root's store.
  PosixRegistry(std::string currentUserFolder, std::string localMachineFolder);
  // The folders of the user's configuration and of /etc.
  static std::string DefaultCurrentUserFolder();
  static std::string DefaultLocalMachineFolder();

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                       bool create) override;
  bool KeyExists(RegistryRoot root, const std::string& path) override;
  bool DeleteKey(RegistryRoot root, const std::string& path) override;

 private:
  std::string StoreFile(RegistryRoot root) const;

  std::string currentUserFolder_;
  std::string localMachineFolder_;
};

}  // namespace brenvik
