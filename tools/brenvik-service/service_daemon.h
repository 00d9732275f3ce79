// The Brenvik service stand-in for one data tree: serves the command channel,
// records this computer's activity into the activity log and hands new lines
// over on request. One poll loop drives everything: the socket and its
// clients, signals, the clock-change timer and a tick (once a second by
// default) that scans the watched programs, follows the logins, writes the
// heartbeat and makes the data folder and the socket again when they vanish.
//
// What it records:
//   1  at its start, the first time in a boot (handle: seconds since boot);
//      a restart within the same boot continues the run without a new line
//   2  on SIGTERM when the computer shuts down (see Options::onTerm)
//   3/4  starts and ends of watched programs (handle: process id)
//   5/6/9  logins and idle periods, where logind or a display tells
//   7  the clock being set (parameter: its reading before the change)
//   8  every heartbeatSeconds
// In replay mode nothing is recorded: a prepared log is handed over instead.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "activity_log.h"
#include "clock_watch.h"
#include "command_server.h"
#include "datastore/startup/startup.h"
#include "login_tracker.h"
#include "options.h"
#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "service_state.h"
#include "session_sources.h"
#include "sleep_watch.h"
#include "watched_programs.h"

namespace brenvik::service {

inline constexpr const char* kLockFile = "BrenvikService.lock";
inline constexpr const char* kStateFile = "BrenvikService.state";
inline constexpr const char* kReplayStateFile = "BrenvikReplay.state";

// The process id of the service holding the data folder's lock, or nothing
// when no service holds it.
std::optional<long> RunningServicePid(const std::string& dataFolder);

class ServiceDaemon {
 public:
  // Every file it writes goes through files, which must outlive it.
  ServiceDaemon(const Options& options, DataFolders folders, Clock& clock, Accounts& accounts,
                FileSystem& files);
  ~ServiceDaemon();
  ServiceDaemon(const ServiceDaemon&) = delete;
  ServiceDaemon& operator=(const ServiceDaemon&) = delete;

  // Runs until SIGTERM or SIGINT; the process's exit status.
  int Run();

 private:
  using SteadyClock = std::chrono::steady_clock;

  bool Lock();
  void Loop();
  bool ReadSignal();
  bool OnCommand(const ServiceCommand& command);
  void CompactLog();
  void ProbeSessionSources();
  void OnSleep(bool sleeping);
  void Tick();
  void CheckFolders();
  void ReloadWatchedList();
  void ScanPrograms();
  void FollowLogins();
  void OnClockSet();
  void RecordStart();
  void RecordStop();
  void Record(int event, const std::string& user, const std::string& domain,
              const std::string& parameter, std::optional<std::int64_t> handle);
  void SaveState();

  Options options_;
  DataFolders folders_;
  Clock& clock_;
  FileSystem& files_;
  AccountName self_;
  bool replay_;
  StateFile stateFile_;
  ActivityLog log_;
  CommandServer server_;
  ProgramTracker programs_;
  LoginTracker logins_;
  std::unique_ptr<SessionSource> sessions_;
  ClockChangeWatch clockWatch_;
  SleepWatch sleepWatch_;
  ClockTrack clockTrack_;
  int lockFd_ = -1;
  int signalFd_ = -1;
  bool stop_ = false;
  bool terminated_ = false;
  SteadyClock::time_point nextTick_;
  SteadyClock::time_point nextHeartbeat_;
  SteadyClock::time_point nextProbe_;
  std::string sessionSources_;
  bool sessionSourcesComplete_ = false;
};

}  // namespace brenvik::service
