// The event codes of the activity log: what the service writes into the
// fourth field of a line and what the processing pass dispatches on.
#pragma once

#include <cstdint>

namespace brenvik {

enum EventCode : std::int32_t {
  kEventWindowsStart = 1,
  kEventWindowsStop = 2,
  kEventProgramStart = 3,
  kEventProgramEnd = 4,
  kEventLoginActive = 5,
  kEventLoginInactive = 6,
  kEventClockChanged = 7,
  kEventHeartbeat = 8,
  kEventIdle = 9,
};

}  // namespace brenvik
