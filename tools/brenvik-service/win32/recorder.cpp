#include "recorder.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/service_link/event_codes.h"
#include "datastore/service_link/log_line_writer.h"

namespace brenvik::service {
namespace {

constexpr std::int64_t kBootRounding = 10;
constexpr double kSecondsPerDay = 86400.0;

// WTS_SESSION_* codes of a session change notification.
enum WtsEvent : std::uint32_t {
  kConsoleConnect = 1,
  kConsoleDisconnect = 2,
  kRemoteConnect = 3,
  kRemoteDisconnect = 4,
  kLogon = 5,
  kLogoff = 6,
  kLock = 7,
  kUnlock = 8,
};

}  // namespace

void Warn(const std::string& text) { std::cerr << "brenvik-service: " << text << std::endl; }

// The parameters follow what the processing acts on: 5 with 1 (a login became
// active) or 0 (unlocked) always counts, 5 with 3 (connected again) only for
// a login that was not disconnected from the console; 6 with 0 ends the
// login, 1 marks it disconnected, 2 (locked) only makes it inactive.
std::optional<SessionLine> SessionChangeLine(std::uint32_t wtsEvent) {
  switch (wtsEvent) {
    case kLogon:
      return SessionLine{kEventLoginActive, "1"};
    case kUnlock:
      return SessionLine{kEventLoginActive, "0"};
    case kConsoleConnect:
    case kRemoteConnect:
      return SessionLine{kEventLoginActive, "3"};
    case kLogoff:
      return SessionLine{kEventLoginInactive, "0"};
    case kConsoleDisconnect:
    case kRemoteDisconnect:
      return SessionLine{kEventLoginInactive, "1"};
    case kLock:
      return SessionLine{kEventLoginInactive, "2"};
    default:
      return std::nullopt;
  }
}

std::string BootIdAt(std::int64_t unixNow, std::int64_t secondsSinceBoot) {
  const std::int64_t start = unixNow - secondsSinceBoot;
  return "boot-at-" + std::to_string((start + kBootRounding / 2) / kBootRounding * kBootRounding);
}

bool SameBoot(const std::string& a, const std::string& b) {
  const std::string prefix = "boot-at-";
  if (a.rfind(prefix, 0) != 0 || b.rfind(prefix, 0) != 0) return false;
  const long long x = std::strtoll(a.c_str() + prefix.size(), nullptr, 10);
  const long long y = std::strtoll(b.c_str() + prefix.size(), nullptr, 10);
  return std::llabs(x - y) <= kBootRounding;
}

Recorder::Recorder(DataFolders folders, Clock& clock, Accounts& accounts, FileSystem& files,
                   RecorderHooks hooks)
    : folders_(std::move(folders)),
      clock_(clock),
      accounts_(accounts),
      files_(files),
      self_(accounts.CurrentUser()),
      hooks_(std::move(hooks)),
      stateFile_(files_, folders_.dataFolder + kWinStateFile),
      log_(files_, folders_.dataFolder, folders_.dataFolder + kLogFile, false, stateFile_),
      lines_(log_, stateFile_, [this](const std::string& text) { Warn(text); }),
      programs_(accounts) {}

std::int64_t Recorder::UnixNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

void Recorder::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  files_.CreateFolders(folders_.settingsFolder);
  try {
    warnings_.SetLogFile(files_, folders_.dataFolder + kWarningsFile);
  } catch (const Error& e) {
    service::Warn(std::string("the warnings file cannot be read: ") + e.what());
  }
  log_.Open();
  lines_.FinishUnwritten();
  const auto list = ReadWatchedList(folders_.settingsFolder + kWatchedListFile,
                                    [this](const std::string& text) { Warn(text); });
  if (list) {
    programs_.SetWatched(*list);
  } else {
    Warn("cannot read the watched list; no program is watched until command 3");
  }
  ServiceState& state = stateFile_.state();
  const std::int64_t uptime = hooks_.secondsSinceBoot();
  const std::string boot = BootIdAt(UnixNow(), uptime);
  if (state.runOpen && SameBoot(state.bootId, boot)) {
    programs_.Restore(state.programs);  // the run goes on
    return;
  }
  state.bootId = boot;
  state.runOpen = true;
  state.programs.clear();
  lines_.WriteWithState({SelfLine(kEventWindowsStart, "", uptime)});
  RecordOpenSessions();
}

// The logins that were there before the service: each becomes the active one
// in turn, as the processing expects of a login it did not see begin.
void Recorder::RecordOpenSessions() {
  for (std::uint32_t session : hooks_.loggedOnSessions()) {
    if (const auto user = hooks_.sessionUser(session)) {
      Record(kEventLoginActive, user->user, user->domain, "1", std::nullopt);
    }
  }
}

void Recorder::Tick(bool heartbeatDue) {
  std::lock_guard<std::mutex> lock(mutex_);
  CheckFolders();
  ScanPrograms();
  if (heartbeatDue) RecordSelf(kEventHeartbeat, "", std::nullopt);
}

// The data tree may be removed under the service: it is made again, and the
// log starts anew with its next line.
void Recorder::CheckFolders() {
  if (!DirectoryExists(folders_.settingsFolder)) files_.CreateFolders(folders_.settingsFolder);
  if (!DirectoryExists(folders_.dataFolder)) {
    files_.CreateFolders(folders_.dataFolder + "Backup");
    Warn("the data folder was gone; made it again");
    lines_.SaveState();
  }
}

void Recorder::ScanPrograms() {
  std::vector<RunningProcess> scan;
  if (programs_.WatchedCount() > 0) {
    scan =
        hooks_.scanProcesses([this](const std::string& exe) { return programs_.IsWatched(exe); });
  }
  const auto changes = programs_.Update(scan);
  if (changes.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(changes.size());
  for (const ProgramChange& change : changes) {
    const TrackedProgram& p = change.program;
    lines.push_back(LineOf(change.started ? kEventProgramStart : kEventProgramEnd, p.user, p.domain,
                           p.path, p.pid));
  }
  stateFile_.state().programs = programs_.Tracked();
  lines_.WriteWithState(lines);
}

bool Recorder::OnCommand(const ServiceCommand& command) {
  if (command.code == 3) {
    ReloadWatchedList();
    return true;
  }
  if (command.code != 2) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    const HandOverResult result = log_.HandOver();
    if (result.deferred) Warn("the window has not taken the last hand-over yet; lines wait");
  } catch (const Error& e) {
    Warn(e.what());
    return false;
  }
  try {
    log_.Compact(kCompactionBytes);
  } catch (const Error& e) {
    Warn(std::string("the activity log was not compacted: ") + e.what());
  }
  return true;
}

bool Recorder::OnIdleReport(const std::string& param, const CommandClient& client) {
  const auto report = ParseIdleReport(param);
  std::optional<std::string> refusal =
      report ? IdleReportRefusal(*report, client) : "it is not one";
  const auto user = refusal ? std::nullopt : accounts_.ProcessOwner(client.processId);
  if (!refusal && !user) refusal = "the user of the client's process is not known";
  if (!refusal) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    if (idleGate_.Admit(report->session, nowMs)) {
      for (const std::string& parameter : IdleLineParameters(*report)) {
        Record(kEventIdle, user->user, user->domain, parameter, std::nullopt);
      }
      return true;
    }
    refusal = "too soon after the last";
  }
  Warn("an idle report was refused: " + *refusal);
  return false;
}

void Recorder::ReloadWatchedList() {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto list = ReadWatchedList(folders_.settingsFolder + kWatchedListFile,
                                    [this](const std::string& text) { Warn(text); });
  if (!list) {
    Warn("cannot read the watched list; keeping the one in use");
    return;
  }
  programs_.SetWatched(*list);
}

void Recorder::OnShutdown() {
  std::lock_guard<std::mutex> lock(mutex_);
  ServiceState& state = stateFile_.state();
  if (!state.runOpen) return;
  state.runOpen = false;
  state.programs.clear();
  lines_.WriteWithState({SelfLine(kEventWindowsStop, "", std::nullopt)});
}

// Asleep the computer does not run: the run ends before the sleep and a new
// one starts after it, both lines with the resume mark.
void Recorder::OnSuspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  ServiceState& state = stateFile_.state();
  if (!state.runOpen) return;
  state.runOpen = false;
  lines_.WriteWithState({SelfLine(kEventWindowsStop, kResumeMark, std::nullopt)});
}

void Recorder::OnResume() {
  std::lock_guard<std::mutex> lock(mutex_);
  ServiceState& state = stateFile_.state();
  if (state.runOpen) return;  // a resume without the suspend before it
  const std::int64_t uptime = hooks_.secondsSinceBoot();
  state.bootId = BootIdAt(UnixNow(), uptime);
  state.runOpen = true;
  lines_.WriteWithState({SelfLine(kEventWindowsStart, kResumeMark, uptime)});
}

void Recorder::OnSessionChange(std::uint32_t wtsEvent, std::uint32_t sessionId) {
  const auto line = SessionChangeLine(wtsEvent);
  if (!line) return;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto user = hooks_.sessionUser(sessionId);
  if (!user) {
    Warn("session " + std::to_string(sessionId) + " has no user; its change is not recorded");
    return;
  }
  Record(line->event, user->user, user->domain, line->parameter, std::nullopt);
}

void Recorder::OnTimeChange(DateTime oldUtc, DateTime newUtc) {
  // The time service's small corrections are no change of the clock.
  if (std::fabs(newUtc - oldUtc) * kSecondsPerDay < 1.0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  RecordSelf(kEventClockChanged, FormatLogDateTime(oldUtc), std::nullopt);
}

void Recorder::Warn(const std::string& text) {
  service::Warn(text);
  try {
    warnings_.AddLogEntry(FormatLogDateTime(clock_.LocalNow()), "brenvik-service", text);
  } catch (const Error& e) {
    service::Warn(std::string("the warning was not kept: ") + e.what());
  }
}

std::string Recorder::LineOf(int event, const std::string& user, const std::string& domain,
                             const std::string& parameter, std::optional<std::int64_t> handle) {
  return FormatLogLine(
      LogLine{clock_.UtcNow(), clock_.UtcOffsetSeconds(), domain, user, event, parameter, handle});
}

std::string Recorder::SelfLine(int event, const std::string& parameter,
                               std::optional<std::int64_t> handle) {
  return LineOf(event, self_.user, self_.domain, parameter, handle);
}

void Recorder::RecordSelf(int event, const std::string& parameter,
                          std::optional<std::int64_t> handle) {
  Record(event, self_.user, self_.domain, parameter, handle);
}

void Recorder::Record(int event, const std::string& user, const std::string& domain,
                      const std::string& parameter, std::optional<std::int64_t> handle) {
  lines_.Append(LineOf(event, user, domain, parameter, handle));
}

}  // namespace brenvik::service
