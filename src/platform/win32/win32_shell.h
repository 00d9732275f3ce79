// The desktop shell on Windows: special folders by their CSIDL
// (SHGetSpecialFolderLocation, SHGetPathFromIDListW), .lnk shortcuts through
// the shell's link object (IShellLinkW, IPersistFile; the target in its short
// 8.3 form), .exe files as program files, ShellExecuteW "open" for documents,
// addresses and programs, and Explorer with "/select," to show a file.
//
// The Run keys behind the autostart sources are registry keys, not folders:
// FolderPath gives an empty text for them.
#pragma once

#include "platform/shell.h"

namespace brenvik {

class Win32Shell : public Shell {
 public:
  std::string FolderPath(SpecialFolder folder) override;
  std::string ExecutableFolder() override;
  bool IsShortcut(const std::string& path) override;
  std::optional<ShortcutTarget> ResolveShortcut(const std::string& path) override;
  bool IsProgramFile(const std::string& path) override;
  bool OpenDocument(const std::string& pathOrUrl) override;
  bool StartProgram(const std::string& path) override;
  bool ShowInFileManager(const std::string& path) override;
};

// The folder of a shell special folder number (CSIDL), with a trailing
// backslash; empty when the shell has none.
std::string SpecialFolderPath(int csidl);

}  // namespace brenvik
