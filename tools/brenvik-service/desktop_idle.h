// The idle time the desktop itself reports over the user's session bus, for
// sessions without the X11 screen-saver extension (Wayland): the freedesktop
// org.freedesktop.ScreenSaver GetSessionIdleTime (seconds), else GNOME's
// org.gnome.Mutter.IdleMonitor GetIdletime (milliseconds). sd-bus of
// libsystemd is opened at run time; the bus address follows
// DBUS_SESSION_BUS_ADDRESS (else the user's runtime folder).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace brenvik::service {

class DesktopIdle {
 public:
  // nullptr when there is no library, no session bus or no idle monitor on it.
  static std::unique_ptr<DesktopIdle> Open();
  ~DesktopIdle();
  DesktopIdle(const DesktopIdle&) = delete;
  DesktopIdle& operator=(const DesktopIdle&) = delete;

  // Milliseconds since the last input; nothing when the monitor did not answer.
  std::optional<std::int64_t> IdleMilliseconds();

 private:
  struct Api;
  DesktopIdle(Api* api, void* bus) : api_(api), bus_(bus) {}
  std::optional<std::int64_t> Call(int monitor);

  Api* api_;
  void* bus_;
  int monitor_ = 0;  // 0 freedesktop, 1 GNOME
};

}  // namespace brenvik::service
