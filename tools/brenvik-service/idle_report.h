// The idle agent's message to the service, and the service's rules for
// taking it. The agent runs in a user's session, where the user's input can
// be seen (the service, in session 0, cannot); it sends the command
// kIdleReportCommand on the service's pipe with the parameter
//   "<session>;idle;<seconds>"    the user has been idle for that long
//   "<session>;active;<seconds>"  the user is back; the idle period lasted
//                                 that long
// where <session> is the session the agent runs in. The service takes the
// user from the client process itself and the session from the pipe, never
// from the message: the session in the message only has to agree with the
// one the pipe reports. Each report becomes lines of event 9.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::service {

// A number the monitor never sends (it sends 2 and 3).
inline constexpr int kIdleReportCommand = 40;
// The longest idle length a report may carry: the line's parameter is read
// as a 32-bit number.
inline constexpr std::int64_t kMaxIdleSeconds = 2147483647;
// Reports of one session closer together than this are refused, so that a
// process in a user's session cannot flood the activity log.
inline constexpr std::int64_t kMinReportGapMs = 1000;

struct IdleReport {
  std::uint32_t session = 0;
  bool idle = false;  // false: the user is active again
  std::int64_t seconds = 0;
};

// The command parameter of a report.
std::string FormatIdleReport(const IdleReport& report);
// The report in a command parameter; nothing when it is not one (a field
// missing or left over, a number out of range, an unknown state).
std::optional<IdleReport> ParseIdleReport(const std::string& param);

// What the pipe knows of the client that sent a report: its session
// (nothing when the system could not say) and its process.
struct CommandClient {
  std::optional<std::uint32_t> session;
  std::uint32_t processId = 0;
};

// Why the service refuses a report from this client, or nothing when it
// takes it: session 0 has no user's input; an unknown session or one other
// than the message's is another session speaking for this one.
std::optional<std::string> IdleReportRefusal(const IdleReport& report, const CommandClient& client);

// The parameters of the event-9 lines for a report: the idle length, or for
// the return of the user the final length (when there was one) followed by
// 0, as the monitor counts the last length reported before the 0.
std::vector<std::string> IdleLineParameters(const IdleReport& report);

// The rate limit per session.
class IdleReportGate {
 public:
  // Whether a report of this session may be taken now; a report taken
  // starts the gap.
  bool Admit(std::uint32_t session, std::int64_t nowMs);

 private:
  std::map<std::uint32_t, std::int64_t> lastMs_;
};

}  // namespace brenvik::service
