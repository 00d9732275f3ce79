#include "clock_watch.h"

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace brenvik::service {

void ClockTrack::Remember(double realtime, double boottime) {
  realtime_ = realtime;
  boottime_ = boottime;
}

std::optional<double> ClockTrack::ExpectedRealtime(double boottime) const {
  if (!realtime_) return std::nullopt;
  return *realtime_ + (boottime - boottime_);
}

ClockChangeWatch::ClockChangeWatch() {
  fd_ = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
  if (fd_ >= 0 && !Arm()) {
    ::close(fd_);
    fd_ = -1;
  }
}

ClockChangeWatch::~ClockChangeWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool ClockChangeWatch::Arm() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  itimerspec spec{};
  spec.it_value.tv_sec = now.tv_sec + 10LL * 365 * 86400;  // never expires in practice
  return ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) == 0;
}

bool ClockChangeWatch::Consume() {
  if (fd_ < 0) return false;
  std::uint64_t expirations = 0;
  const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
  const bool changed = n < 0 && errno == ECANCELED;
  Arm();
  return changed;
}

}  // namespace brenvik::service
