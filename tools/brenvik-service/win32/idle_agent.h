// The idle agent: brenvik-service.exe --idle-agent, one per user session,
// started at login from the Run entry the installer writes. The service runs
// in session 0 and cannot see a user's input; the agent, in the user's
// session, looks at the time of the last input (GetLastInputInfo) every
// poll interval and sends the idle reports its IdleWatch decides on to the
// service, on the service's own pipe. While the service is not there it
// goes on quietly and offers the report again at the next poll. A second
// agent in the same session ends at once (a mutex in the session's
// namespace).
#pragma once

#include "win_options.h"

namespace brenvik::service {

// Runs until the session ends; 0 when another agent already serves the
// session, 1 when it cannot run (session 0, no mutex).
int RunIdleAgent(const WinOptions& options);

}  // namespace brenvik::service
