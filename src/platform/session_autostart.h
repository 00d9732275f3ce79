// The start of the window with the user's desktop session, switched by the
// Options page's "Start with the desktop session". It is off until the user
// turns it on, and the switch is the entry itself, so what the box shows is
// what the session will do: on Windows a value of the current user's Run key,
// on Linux desktops a launcher in the user's autostart folder (XDG autostart,
// ~/.config/autostart). Either starts the window with --minimized, so it
// comes up in the tray. Both kinds are plain code over the registry and the
// file system; the backend picks the one of its platform.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace brenvik {

class SessionAutostart {
 public:
  virtual ~SessionAutostart() = default;
  virtual bool IsOn() = 0;
  // Raises PlatformError or FileError when the entry cannot be written or
  // removed; the entry is then as it was.
  virtual void Set(bool on) = 0;
};

// The name of the Run key value and of the autostart launcher.
inline constexpr const char* kAutostartValueName = "Brenvik";
inline constexpr const char* kAutostartFileName = "org.taveron.Brenvik.desktop";

// The value "Brenvik" of the current user's Run key:
// "<program>" --minimized.
class RunKeyAutostart : public SessionAutostart {
 public:
  RunKeyAutostart(Registry& registry, std::string programPath)
      : registry_(registry), programPath_(std::move(programPath)) {}
  bool IsOn() override;
  void Set(bool on) override;
  std::string CommandLine() const;

 private:
  Registry& registry_;
  std::string programPath_;
};

// The launcher org.taveron.Brenvik.desktop in an autostart folder (given with
// a trailing separator). A launcher the desktop's own settings switched off
// (Hidden=true, X-GNOME-Autostart-enabled=false) counts as off.
class DesktopEntryAutostart : public SessionAutostart {
 public:
  DesktopEntryAutostart(FileSystem& files, std::string folder, std::string programPath)
      : files_(files), folder_(std::move(folder)), programPath_(std::move(programPath)) {}
  bool IsOn() override;
  void Set(bool on) override;
  std::string EntryText() const;

 private:
  FileSystem& files_;
  std::string folder_;
  std::string programPath_;
};

// A program path as one word of a launcher's Exec line: quoted, with the
// characters the desktop entry format reserves escaped, when it needs it.
std::string DesktopExecWord(const std::string& path);

}  // namespace brenvik
