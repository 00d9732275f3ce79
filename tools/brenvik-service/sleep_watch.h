// Suspend and resume as logind announces them: the PrepareForSleep signal of
// org.freedesktop.login1.Manager on the system bus (true before the machine
// sleeps, false after it woke). The bus is reached through sd-bus of
// libsystemd, opened at run time like the logind sessions, so the service has
// no build or run-time dependency on it; the system bus address follows
// DBUS_SYSTEM_BUS_ADDRESS, which lets a test hand in a private bus.
#pragma once

#include <vector>

namespace brenvik::service {

// The resume mark the service writes as the parameter of the stop before a
// sleep and of the start after it; the processing pass knows it.
inline constexpr const char* kResumeMarkParameter = "pmWindowReceivedPCResume";

class SleepWatch {
 public:
  SleepWatch() = default;
  ~SleepWatch();
  SleepWatch(const SleepWatch&) = delete;
  SleepWatch& operator=(const SleepWatch&) = delete;

  // Connects and subscribes; false when there is no library or no bus.
  bool Open();
  // The descriptor to poll (-1 when not open) and the events to poll for.
  int fd() const;
  short events() const;
  // Reads what the bus sent: the announcements in order (true: going to
  // sleep, false: woke up).
  std::vector<bool> Consume();

 private:
  struct Api;
  static int OnSignal(void* message, void* self, void* error);

  Api* api_ = nullptr;
  void* bus_ = nullptr;
  std::vector<bool> pending_;
};

}  // namespace brenvik::service
