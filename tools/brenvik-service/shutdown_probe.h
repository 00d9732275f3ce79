// Whether the computer is shutting down, asked when the service is told to
// stop: only then is the stop a stop of the computer. The system manager
// answers "stopping" to `systemctl is-system-running` during a shutdown; a
// user logging out stops the service too, and that is not one.
#pragma once

#include <optional>

namespace brenvik::service {

// true: shutting down; false: the system goes on running; nothing: no
// system manager could be asked (it did not answer within timeoutMs).
std::optional<bool> SystemIsShuttingDown(int timeoutMs = 2000);

}  // namespace brenvik::service
