// The desktop shell: special folders, shortcut targets, opening documents and
// addresses, showing a file in the file manager, and telling program files.
// On Linux .desktop launchers stand in for shortcuts and the XDG folders for
// the Windows shell folders.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brenvik {

enum class SpecialFolder {
  LocalAppData,  // per-user local application data
  ProgramFiles,
  StartMenuUser,
  StartMenuAllUsers,
  Desktop,           // the shell's desktop
  DesktopDirectory,  // the user's desktop folder (usually the same place)
  AutostartUser,     // Run key of the current user / its Linux equivalent
  AutostartAllUsers,
};

struct ShortcutTarget {
  std::string path;  // the program the shortcut starts (resolved)
  std::string arguments;
  std::string description;
  std::string iconLocation;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // The folder, with a trailing separator; empty when there is none.
  virtual std::string FolderPath(SpecialFolder folder) = 0;
  // The folder of the running executable, with a trailing separator.
  virtual std::string ExecutableFolder() = 0;
  virtual bool IsShortcut(const std::string& path) = 0;
  virtual std::optional<ShortcutTarget> ResolveShortcut(const std::string& path) = 0;
  // A file the user could start as a program.
  virtual bool IsProgramFile(const std::string& path) = 0;
  // Opens a document or an address with the user's default program; false
  // when that could not be started.
  virtual bool OpenDocument(const std::string& pathOrUrl) = 0;
  virtual bool StartProgram(const std::string& path) = 0;
  virtual bool ShowInFileManager(const std::string& path) = 0;
};

}  // namespace brenvik
