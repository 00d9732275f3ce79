// Noticing that the system clock was set. A timer on the wall clock, armed
// far in the future with TFD_TIMER_CANCEL_ON_SET, becomes readable (with
// ECANCELED) whenever the clock is set; the clock's reading before the change
// is worked out from the last reading and the boot clock, which the change
// does not move.
#pragma once

#include <optional>

namespace brenvik::service {

// Follows the wall clock against the boot clock.
class ClockTrack {
 public:
  // Notes both clocks now (seconds).
  void Remember(double realtime, double boottime);
  // What the wall clock would read at boottime had nobody set it; nothing
  // before the first Remember.
  std::optional<double> ExpectedRealtime(double boottime) const;

 private:
  std::optional<double> realtime_;
  double boottime_ = 0;
};

class ClockChangeWatch {
 public:
  ClockChangeWatch();
  ~ClockChangeWatch();
  ClockChangeWatch(const ClockChangeWatch&) = delete;
  ClockChangeWatch& operator=(const ClockChangeWatch&) = delete;

  // The descriptor to poll for reading; -1 when the system offers no such
  // timer (then no clock change is noticed).
  int fd() const { return fd_; }
  // After fd became readable: true when the clock was set. Arms the timer
  // again.
  bool Consume();

 private:
  bool Arm();
  int fd_ = -1;
};

}  // namespace brenvik::service
