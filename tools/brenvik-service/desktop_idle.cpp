#include "desktop_idle.h"

#include "systemd_library.h"

namespace brenvik::service {
namespace {

struct BusError {
  const char* name = nullptr;
  const char* message = nullptr;
  int needsFree = 0;
};

struct Monitor {
  const char* service;
  const char* path;
  const char* interface;
  const char* method;
  const char* type;  // "u" seconds or "t" milliseconds
};

constexpr Monitor kMonitors[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
     "GetSessionIdleTime", "u"},
    {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
     "org.gnome.Mutter.IdleMonitor", "GetIdletime", "t"},
};

}  // namespace

struct DesktopIdle::Api {
  int (*openUser)(void**) = nullptr;
  int (*setTimeout)(void*, std::uint64_t) = nullptr;
  int (*call)(void*, const char*, const char*, const char*, const char*, BusError*, void**,
              const char*, ...) = nullptr;
  int (*read)(void*, const char*, ...) = nullptr;
  void* (*messageUnref)(void*) = nullptr;
  void (*errorFree)(BusError*) = nullptr;
  void* (*unref)(void*) = nullptr;

  bool Load() {
    const auto get = [](auto& fn, const char* name) { return LookUpSystemd(fn, name); };
    return get(openUser, "sd_bus_open_user") && get(setTimeout, "sd_bus_set_method_call_timeout") &&
           get(call, "sd_bus_call_method") && get(read, "sd_bus_message_read") &&
           get(messageUnref, "sd_bus_message_unref") && get(errorFree, "sd_bus_error_free") &&
           get(unref, "sd_bus_flush_close_unref");
  }
};

std::unique_ptr<DesktopIdle> DesktopIdle::Open() {
  auto* api = new Api;
  void* bus = nullptr;
  if (!api->Load() || api->openUser(&bus) < 0) {
    delete api;
    return nullptr;
  }
  api->setTimeout(bus, 250'000);
  std::unique_ptr<DesktopIdle> idle(new DesktopIdle(api, bus));
  for (int monitor = 0; monitor < 2; ++monitor) {
    if (idle->Call(monitor)) {
      idle->monitor_ = monitor;
      return idle;
    }
  }
  return nullptr;
}

DesktopIdle::~DesktopIdle() {
  if (bus_) api_->unref(bus_);
  delete api_;
}

std::optional<std::int64_t> DesktopIdle::IdleMilliseconds() { return Call(monitor_); }

std::optional<std::int64_t> DesktopIdle::Call(int monitor) {
  const Monitor& m = kMonitors[monitor];
  BusError error;
  void* reply = nullptr;
  const int result = api_->call(bus_, m.service, m.path, m.interface, m.method, &error, &reply, "");
  api_->errorFree(&error);
  if (result < 0) return std::nullopt;
  std::optional<std::int64_t> idle;
  if (m.type[0] == 'u') {
    std::uint32_t seconds = 0;
    if (api_->read(reply, "u", &seconds) >= 0) idle = std::int64_t{seconds} * 1000;
  } else {
    std::uint64_t milliseconds = 0;
    if (api_->read(reply, "t", &milliseconds) >= 0) idle = static_cast<std::int64_t>(milliseconds);
  }
  api_->messageUnref(reply);
  return idle;
}

}  // namespace brenvik::service
