// The start of the run the computer is in, as the system's uptime gives it:
// now (whole seconds) less the uptime in whole seconds from the performance
// counter. The first start of the program and a processing pass that finds
// no run open both take it.
#pragma once

#include "platform/clock.h"
#include "records/date_time.h"

namespace brenvik {

// Now when the counter or its frequency is unknown (zero).
DateTime RunStartFromUptime(Clock& clock);

}  // namespace brenvik
