// A D-Bus bus of one test's own (dbus-daemon), standing in for the system or
// session bus: the test points DBUS_SYSTEM_BUS_ADDRESS or
// DBUS_SESSION_BUS_ADDRESS at address() and plays logind or the desktop on it.
// The daemon is ended with the object.
#pragma once

#include <sys/types.h>

#include <string>

namespace brenvik::test {

class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool running() const { return pid_ > 0 && !address_.empty(); }
  const std::string& address() const { return address_; }
  // Sends a PrepareForSleep signal as any client of the bus could (dbus-send,
  // not from logind's name); false when dbus-send failed.
  bool PrepareForSleep(bool sleeping) const;

 private:
  std::string address_;
  pid_t pid_ = -1;
};

// Sets an environment variable for its lifetime, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace brenvik::test
