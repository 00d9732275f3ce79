#include "sleep_watch.h"

#include <poll.h>

#include "systemd_library.h"

namespace brenvik::service {

struct SleepWatch::Api {
  using Handler = int (*)(void*, void*, void*);
  int (*openSystem)(void**) = nullptr;
  int (*addMatch)(void*, void**, const char*, Handler, void*) = nullptr;
  int (*getFd)(void*) = nullptr;
  int (*getEvents)(void*) = nullptr;
  int (*process)(void*, void**) = nullptr;
  int (*read)(void*, const char*, ...) = nullptr;
  void* (*unref)(void*) = nullptr;

  bool Load() {
    const auto get = [](auto& fn, const char* name) { return LookUpSystemd(fn, name); };
    return get(openSystem, "sd_bus_open_system") && get(addMatch, "sd_bus_add_match") &&
           get(getFd, "sd_bus_get_fd") && get(getEvents, "sd_bus_get_events") &&
           get(process, "sd_bus_process") && get(read, "sd_bus_message_read") &&
           get(unref, "sd_bus_flush_close_unref");
  }
};

SleepWatch::~SleepWatch() {
  if (bus_) api_->unref(bus_);
  delete api_;
}

bool SleepWatch::Open() {
  api_ = new Api;
  if (!api_->Load() || api_->openSystem(&bus_) < 0) {
    bus_ = nullptr;
    return false;
  }
  const char* rule =
      "type='signal',sender='org.freedesktop.login1',path='/org/freedesktop/login1',"
      "interface='org.freedesktop.login1.Manager',member='PrepareForSleep'";
  if (api_->addMatch(bus_, nullptr, rule, &SleepWatch::OnSignal, this) < 0) {
    api_->unref(bus_);
    bus_ = nullptr;
    return false;
  }
  return true;
}

int SleepWatch::fd() const { return bus_ ? api_->getFd(bus_) : -1; }

short SleepWatch::events() const {
  const int wanted = bus_ ? api_->getEvents(bus_) : 0;
  return static_cast<short>(wanted > 0 ? wanted : POLLIN);
}

int SleepWatch::OnSignal(void* message, void* self, void*) {
  auto* watch = static_cast<SleepWatch*>(self);
  int sleeping = 0;
  if (watch->api_->read(message, "b", &sleeping) >= 0) watch->pending_.push_back(sleeping != 0);
  return 0;
}

std::vector<bool> SleepWatch::Consume() {
  if (bus_) {
    for (int i = 0; i < 64 && api_->process(bus_, nullptr) > 0; ++i) {
    }
  }
  std::vector<bool> out;
  out.swap(pending_);
  return out;
}

}  // namespace brenvik::service
