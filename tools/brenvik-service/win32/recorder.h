// What the Windows service records, behind one lock: the activity log with
// its hand-over, the state that survives a restart, the watched programs and
// the events the service control manager reports. The pipe's thread, the
// control handler's thread and the service's own loop all call in here; the
// pieces that ask Windows (the uptime, the process snapshot, the sessions)
// come in as hooks, so that tests can drive every event with a real log.
//
// A start within the boot whose run is still open (the service was stopped
// or killed while the computer ran on) continues that run: no new line 1,
// and the programs tracked before are taken up again.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "activity_log.h"
#include "command_message.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/startup.h"
#include "idle_report.h"
#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "records/date_time.h"
#include "service_state.h"
#include "state_lines.h"
#include "watched_programs.h"

namespace brenvik::service {

inline constexpr const char* kWinStateFile = "BrenvikService.state";
inline constexpr const char* kResumeMark = "pmWindowReceivedPCResume";
// What the recorder could not do, for a service that has no console: the
// newest entries, in the diagnostic log's format.
inline constexpr const char* kWarningsFile = "BrenvikService.log";

struct RecorderHooks {
  // Seconds since the computer started (GetTickCount64).
  std::function<std::int64_t()> secondsSinceBoot;
  // The running processes whose executable the predicate accepts.
  std::function<std::vector<RunningProcess>(const std::function<bool(const std::string&)>&)>
      scanProcesses;
  // The user of a session; nothing when it has none.
  std::function<std::optional<AccountName>(std::uint32_t)> sessionUser;
  // The sessions with a logged-on user at this moment.
  std::function<std::vector<std::uint32_t>()> loggedOnSessions;
};

// What a line says about a session change (WTS_SESSION_* codes); nothing for
// changes that are not recorded.
struct SessionLine {
  int event = 0;
  std::string parameter;
};
std::optional<SessionLine> SessionChangeLine(std::uint32_t wtsEvent);

// The boot a tick count belongs to, as the state file keeps it: the moment
// of the start in whole seconds since 1970, rounded to 10 seconds.
std::string BootIdAt(std::int64_t unixNow, std::int64_t secondsSinceBoot);
// Whether two boot ids name the same boot (a tick count and the clock read
// a moment apart may round differently).
bool SameBoot(const std::string& a, const std::string& b);

class Recorder {
 public:
  // Every file it writes goes through files, which must outlive it.
  Recorder(DataFolders folders, Clock& clock, Accounts& accounts, FileSystem& files,
           RecorderHooks hooks);

  // Opens the log and records the start (or continues the run); FileError
  // when the log cannot be opened.
  void Start();
  // Once a scan interval: the data folder, the watched programs, the
  // heartbeat when heartbeatDue.
  void Tick(bool heartbeatDue);
  // A pipe command; true when it was carried out.
  bool OnCommand(const ServiceCommand& command);
  // The computer is shutting down: line 2, the run is closed.
  void OnShutdown();
  void OnSuspend();
  void OnResume();
  void OnSessionChange(std::uint32_t wtsEvent, std::uint32_t sessionId);
  // The system time was set from oldUtc to newUtc.
  void OnTimeChange(DateTime oldUtc, DateTime newUtc);
  // The idle agent's command: the lines of event 9 for the user of the
  // client's process. False, with a warning, when the report is refused
  // (not a report, from another session than its own, too soon after the
  // last one of its session, or from a process whose user is not known).
  bool OnIdleReport(const std::string& param, const CommandClient& client);
  // Command 3 and the start: the watched list read again.
  void ReloadWatchedList();

  const std::string& logPath() const { return log_.logPath(); }

 private:
  void RecordOpenSessions();
  void ScanPrograms();
  void CheckFolders();
  void Record(int event, const std::string& user, const std::string& domain,
              const std::string& parameter, std::optional<std::int64_t> handle);
  void RecordSelf(int event, const std::string& parameter, std::optional<std::int64_t> handle);
  std::string LineOf(int event, const std::string& user, const std::string& domain,
                     const std::string& parameter, std::optional<std::int64_t> handle);
  std::string SelfLine(int event, const std::string& parameter, std::optional<std::int64_t> handle);
  std::int64_t UnixNow();
  // To standard error and to the warnings file.
  void Warn(const std::string& text);

  std::mutex mutex_;
  IdleReportGate idleGate_;
  DataFolders folders_;
  Clock& clock_;
  Accounts& accounts_;
  FileSystem& files_;
  AccountName self_;
  RecorderHooks hooks_;
  StateFile stateFile_;
  ActivityLog log_;
  StateLines lines_;
  ProgramTracker programs_;
  DiagnosticLog warnings_;
};

// Writes a warning to standard error (the console in --console mode; a
// service run by the service control manager has none, so the recorder also
// keeps its warnings in kWarningsFile).
void Warn(const std::string& text);

}  // namespace brenvik::service
