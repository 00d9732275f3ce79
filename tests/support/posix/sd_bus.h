// The few sd-bus calls of libsystemd that tests use to play a desktop or
// logind on a private bus, opened at run time as the service opens them.
#pragma once

#include <cstdint>

#include "systemd_library.h"

namespace brenvik::test {

struct SdBus {
  int (*openUser)(void**) = nullptr;
  int (*requestName)(void*, const char*, std::uint64_t) = nullptr;
  int (*addFilter)(void*, void**, int (*)(void*, void*, void*), void*) = nullptr;
  int (*isMethodCall)(void*, const char*, const char*) = nullptr;
  int (*reply)(void*, const char*, ...) = nullptr;
  int (*emitSignal)(void*, const char*, const char*, const char*, const char*, ...) = nullptr;
  int (*flush)(void*) = nullptr;
  int (*process)(void*, void**) = nullptr;
  int (*wait)(void*, std::uint64_t) = nullptr;
  void* (*unref)(void*) = nullptr;

  bool Load() {
    const auto get = [](auto& fn, const char* name) { return LookUpSystemd(fn, name); };
    return get(openUser, "sd_bus_open_user") && get(requestName, "sd_bus_request_name") &&
           get(addFilter, "sd_bus_add_filter") &&
           get(isMethodCall, "sd_bus_message_is_method_call") &&
           get(reply, "sd_bus_reply_method_return") && get(emitSignal, "sd_bus_emit_signal") &&
           get(flush, "sd_bus_flush") && get(process, "sd_bus_process") &&
           get(wait, "sd_bus_wait") && get(unref, "sd_bus_flush_close_unref");
  }
};

}  // namespace brenvik::test
