// The desktop shell on Linux: XDG folders for the Windows shell folders,
// .desktop launchers for shortcuts (the program of Exec=, found through PATH;
// Comment= as description), executable files as program files, and xdg-open
// and the freedesktop file-manager interface for opening and showing files.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace brenvik {

class PosixShell : public Shell {
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

// The arguments of an Exec= value by the Desktop Entry rules: the value's
// escapes (\s, \\, ...), then blanks between arguments, double quotes
// around an argument and backslash escapes inside them. Field codes (%f)
// stay as arguments.
std::vector<std::string> ExecArguments(const std::string& execLine);
// The program an Exec= line starts: its first argument, or with env the
// first argument after env's options and VAR=value assignments; found
// through PATH when it has no slash.
std::string ExecProgram(const std::string& execLine, const std::string& pathVariable);

// Starts argv[0] with the arguments, detached; false when it could not be
// started.
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace brenvik
