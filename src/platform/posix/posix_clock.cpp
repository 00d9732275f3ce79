#include "platform/posix/posix_clock.h"

#include <dlfcn.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace brenvik {
namespace {

constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 as a day count

double RealtimeSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::int32_t OffsetAt(time_t moment) {
  tm local{};
  localtime_r(&moment, &local);
  return static_cast<std::int32_t>(local.tm_gmtoff);
}

std::int64_t BootNanoseconds() {
  timespec ts{};
  if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return 0;
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The X11 screen-saver extension, opened once with dlopen so that Brenvik has
// no build or run-time dependency on X11.
struct ScreenSaverInfo {
  unsigned long window;
  int state;
  int kind;
  unsigned long tilOrSince;
  unsigned long idle;
  unsigned long eventMask;
};

class IdleQuery {
 public:
  IdleQuery() {
    if (!std::getenv("DISPLAY")) return;
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY);
    void* xss = dlopen("libXss.so.1", RTLD_LAZY);
    if (!x11 || !xss) return;
    openDisplay_ = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
    rootWindow_ = reinterpret_cast<DefaultRoot>(dlsym(x11, "XDefaultRootWindow"));
    alloc_ = reinterpret_cast<AllocInfo>(dlsym(xss, "XScreenSaverAllocInfo"));
    query_ = reinterpret_cast<QueryInfo>(dlsym(xss, "XScreenSaverQueryInfo"));
    usable_ = openDisplay_ && rootWindow_ && alloc_ && query_;
    Connect();
  }

  // Milliseconds since the last input, or -1 when the display cannot tell.
  long long IdleMs() {
    // A display that was not there yet (the service started before the
    // user's session) is tried again every few seconds.
    if (!display_ && usable_ && std::chrono::steady_clock::now() >= nextTry_) Connect();
    if (!display_ || !info_) return -1;
    if (query_(display_, rootWindow_(display_), info_) == 0) return -1;
    return static_cast<long long>(static_cast<ScreenSaverInfo*>(info_)->idle);
  }

 private:
  using OpenDisplay = void* (*)(const char*);
  using DefaultRoot = unsigned long (*)(void*);
  using AllocInfo = void* (*)();
  using QueryInfo = int (*)(void*, unsigned long, void*);
  void Connect() {
    if (!usable_) return;
    nextTry_ = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    display_ = openDisplay_(nullptr);
    if (display_ && !info_) info_ = alloc_();
  }

  bool usable_ = false;
  std::chrono::steady_clock::time_point nextTry_{};
  OpenDisplay openDisplay_ = nullptr;
  DefaultRoot rootWindow_ = nullptr;
  AllocInfo alloc_ = nullptr;
  QueryInfo query_ = nullptr;
  void* display_ = nullptr;
  void* info_ = nullptr;
};

}  // namespace

DateTime UnixSecondsToDateTime(double unixSeconds) { return kUnixEpochDay + unixSeconds / 86400.0; }

double DateTimeToUnixSeconds(DateTime value) { return (value - kUnixEpochDay) * 86400.0; }

DateTime PosixClock::LocalNow() {
  const double now = RealtimeSeconds();
  return UnixSecondsToDateTime(now + OffsetAt(static_cast<time_t>(now)));
}

DateTime PosixClock::UtcNow() { return UnixSecondsToDateTime(RealtimeSeconds()); }

std::int32_t PosixClock::UtcOffsetSeconds() { return OffsetAt(time(nullptr)); }

DateTime PosixClock::UtcToLocal(DateTime utc) {
  const double seconds = DateTimeToUnixSeconds(utc);
  return UnixSecondsToDateTime(seconds + OffsetAt(static_cast<time_t>(std::floor(seconds))));
}

std::int64_t PosixClock::PerformanceCounter() { return BootNanoseconds(); }

std::int64_t PosixClock::PerformanceFrequency() { return 1'000'000'000; }

std::uint32_t PosixClock::TickCount() {
  return static_cast<std::uint32_t>(BootNanoseconds() / 1'000'000);
}

std::optional<long long> DisplayIdleMilliseconds() {
  static IdleQuery query;
  const long long idle = query.IdleMs();
  if (idle < 0) return std::nullopt;
  return idle;
}

std::uint32_t PosixClock::LastInputTick() {
  const std::uint32_t now = TickCount();
  const auto idle = DisplayIdleMilliseconds();
  return idle ? now - static_cast<std::uint32_t>(*idle) : now;
}

void PosixClock::Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace brenvik
