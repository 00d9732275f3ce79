#include "boot_info.h"

#include <time.h>

#include <fstream>

namespace brenvik::service {
namespace {

double ClockSeconds(clockid_t clock) {
  timespec ts{};
  if (clock_gettime(clock, &ts) != 0) return 0;
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

std::int64_t SecondsSinceBoot() { return static_cast<std::int64_t>(ClockSeconds(CLOCK_BOOTTIME)); }

double BootClockSeconds() { return ClockSeconds(CLOCK_BOOTTIME); }

double RealtimeSeconds() { return ClockSeconds(CLOCK_REALTIME); }

std::string CurrentBootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}

}  // namespace brenvik::service
