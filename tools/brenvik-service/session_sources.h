// Where the logins on the seats and their idle state come from.
//
// logind (through libsystemd, opened at run time so that the service has no
// build or run-time dependency on it): the user sessions on seats, which one
// is the active session of its seat, and over the system bus the session's
// idle and lock hints. The X11 display (through the screen-saver extension):
// the idle time of the user who runs the service; without logind the display
// counts as that user's one login on the console. Without either, nothing is
// known and no login lines are written.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "login_tracker.h"

namespace brenvik::service {

class SessionSource {
 public:
  virtual ~SessionSource() = default;
  // The sessions now; nothing when the source cannot tell at the moment.
  virtual std::optional<std::vector<SeatSession>> Sessions(std::int64_t nowUnix) = 0;
};

// The logind sessions, or nullptr when logind is not running here.
std::unique_ptr<SessionSource> OpenLogindSessions();

// The display's idle time for user (X11 screen-saver extension, else the
// desktop's idle monitor on the session bus): idle from idleAfterSeconds of
// no input. nullptr when neither answers.
std::unique_ptr<SessionSource> OpenDisplaySession(const std::string& user,
                                                  std::int64_t idleAfterSeconds);

// logind where it runs, with the display's idle time filling in for the
// user's own active session when logind has no idle hint; else the display
// alone; else nullptr. description says what was found; complete is true
// when both were, so that nothing more can turn up later.
std::unique_ptr<SessionSource> OpenSessionSources(const std::string& user,
                                                  std::int64_t idleAfterSeconds,
                                                  std::string& description,
                                                  bool* complete = nullptr);

}  // namespace brenvik::service
