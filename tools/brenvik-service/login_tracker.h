// Follows the logins on the seats of this computer and says what the activity
// log records about them:
//   5 (login became the active one)  parameter 1: became the seat's active
//                                    session; 0: unlocked again
//   6 (login stopped being active)   parameter 0: logged off; 1: another
//                                    session took the seat; 2: locked
//   9 (idle report)                  parameter: seconds idle; 0: active again
// The log names a login by user and domain, so the sessions of one user are
// taken together: the user is active while one of them is the active,
// unlocked session of its seat. While the user is idle the idle length is
// reported again every reportEverySeconds, and once more with its final length
// just before the report with 0, because the monitor counts the last length
// reported.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::service {

// One session on a seat, as a session source reports it.
struct SeatSession {
  std::string id;
  std::string user;
  bool active = false;                        // the active session of its seat
  bool locked = false;                        // its screen is locked
  std::optional<std::int64_t> idleSinceUnix;  // idle since then; nothing: not idle
};

// What the tracker knows of one user (kept across a restart of the service).
struct LoginState {
  std::string user;
  bool active = false;
  bool locked = false;
  bool reported = false;  // a login line was written for this user
  std::optional<std::int64_t> idleSinceUnix;
  std::int64_t lastIdleReportUnix = 0;
};

struct LoginEvent {
  int event = 0;
  std::string user;
  std::string parameter;
};

class LoginTracker {
 public:
  explicit LoginTracker(std::int64_t reportEverySeconds) : reportEvery_(reportEverySeconds) {}

  // The events for the change from the previous snapshot to this one.
  std::vector<LoginEvent> Update(const std::vector<SeatSession>& sessions, std::int64_t nowUnix);

  std::vector<LoginState> States() const;
  void Restore(const std::vector<LoginState>& states);

 private:
  void Compare(LoginState& before, const LoginState& now, std::int64_t nowUnix,
               std::vector<LoginEvent>& events);
  void ReportIdle(LoginState& before, const LoginState& now, std::int64_t nowUnix,
                  std::vector<LoginEvent>& events);

  std::int64_t reportEvery_;
  std::map<std::string, LoginState> users_;
};

}  // namespace brenvik::service
