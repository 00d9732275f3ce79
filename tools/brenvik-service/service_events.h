// The event codes the service writes into the activity log (what each means
// is listed in service_daemon.h and login_tracker.h).
#pragma once

namespace brenvik::service {

enum ServiceEvent : int {
  kEventWindowsStarted = 1,
  kEventWindowsStopped = 2,
  kEventProgramStarted = 3,
  kEventProgramEnded = 4,
  kEventLoginActivated = 5,
  kEventLoginDeactivated = 6,
  kEventClockChanged = 7,
  kEventHeartbeat = 8,
  kEventIdleReport = 9,
};

}  // namespace brenvik::service
