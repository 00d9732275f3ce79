#include "service_daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
#include "boot_info.h"
#include "datastore/service_link/event_codes.h"
#include "datastore/service_link/log_line_writer.h"
#include "platform/posix/posix_clock.h"
#include "platform/service_pipe.h"
#include "process_scan.h"
#include "shutdown_probe.h"

namespace brenvik::service {
namespace {

void Warn(const std::string& text) { std::cerr << "brenvik-service: " << text << std::endl; }

std::string StateFileName(const Options& options) {
  return options.replayFile.empty() ? kStateFile : kReplayStateFile;
}

}  // namespace

std::optional<long> RunningServicePid(const std::string& dataFolder) {
  const std::string path = dataFolder + kLockFile;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<long> pid;
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    pid = n > 0 ? std::strtol(buffer, nullptr, 10) : 0;
  }
  ::close(fd);
  return pid;
}

ServiceDaemon::ServiceDaemon(const Options& options, DataFolders folders, Clock& clock,
                             Accounts& accounts, FileSystem& files)
    : options_(options),
      folders_(std::move(folders)),
      clock_(clock),
      files_(files),
      self_(accounts.CurrentUser()),
      replay_(!options.replayFile.empty()),
      stateFile_(files_, folders_.dataFolder + StateFileName(options)),
      log_(files_, folders_.dataFolder,
           replay_ ? options.replayFile : folders_.dataFolder + kLogFile, replay_, stateFile_),
      server_(folders_.dataFolder + kServicePipeName, options.clientTimeoutMs,
              [this](const ServiceCommand& command) { return OnCommand(command); }),
      programs_(accounts),
      logins_(options.heartbeatSeconds) {}

ServiceDaemon::~ServiceDaemon() {
  if (signalFd_ >= 0) ::close(signalFd_);
  if (lockFd_ >= 0) ::close(lockFd_);
}

bool ServiceDaemon::Lock() {
  if (lockFd_ >= 0) ::close(lockFd_);
  const std::string path = folders_.dataFolder + kLockFile;
  lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) return false;
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(lockFd_, 0) != 0 || ::pwrite(lockFd_, pid.data(), pid.size(), 0) < 0) {
    Warn("cannot write " + path);
  }
  return true;
}

int ServiceDaemon::Run() {
  if (!Lock()) {
    Warn("another brenvik-service serves " + folders_.dataFolder);
    return 2;
  }
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, s);
  ::sigprocmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  signalFd_ = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  try {
    log_.Open();
  } catch (const Error& e) {
    Warn(e.what());
    return 1;
  }
  if (replay_) {
    std::cerr << "brenvik-service: replaying " << options_.replayFile << " for "
              << folders_.dataFolder << std::endl;
  } else {
    sessions_ = OpenSessionSources(self_.user, options_.idleAfterSeconds, sessionSources_,
                                   &sessionSourcesComplete_);
    nextProbe_ = SteadyClock::now() + std::chrono::seconds(options_.probeSeconds);
    const bool sleepKnown = sleepWatch_.Open();
    std::cerr << "brenvik-service: suspend and resume "
              << (sleepKnown ? "noticed (logind)" : "not noticed (no system bus)") << std::endl;
    std::cerr << "brenvik-service: recording into " << log_.logPath()
              << "; logins and idle time from " << sessionSources_ << "; clock changes "
              << (clockWatch_.fd() >= 0 ? "noticed" : "not noticed") << std::endl;
    ReloadWatchedList();
    RecordStart();
  }
  // The socket appears only now, so that a client finds the start recorded.
  try {
    server_.Listen();
  } catch (const Error& e) {
    Warn(e.what());
    return 1;
  }
  nextHeartbeat_ = SteadyClock::now() + std::chrono::seconds(options_.heartbeatSeconds);
  Tick();
  Loop();
  if (terminated_ && !replay_) RecordStop();
  return 0;
}

void ServiceDaemon::Loop() {
  std::vector<pollfd> fds;
  while (!stop_) {
    fds.clear();
    fds.push_back({signalFd_, POLLIN, 0});
    fds.push_back({clockWatch_.fd(), POLLIN, 0});  // a negative fd is skipped by poll
    fds.push_back({sleepWatch_.fd(), sleepWatch_.events(), 0});
    const std::size_t serverFirst = fds.size();
    server_.AddPollFds(fds);
    const auto untilTick =
        std::chrono::duration_cast<std::chrono::milliseconds>(nextTick_ - SteadyClock::now())
            .count();
    int timeout = static_cast<int>(std::max<long long>(0, untilTick));
    const int clientTimeout = server_.MillisecondsToNextTimeout();
    if (clientTimeout >= 0) timeout = std::min(timeout, clientTimeout);
    if (::poll(fds.data(), fds.size(), timeout) < 0) {
      for (pollfd& p : fds) p.revents = 0;
    }
    if (fds[0].revents && ReadSignal()) return;
    if (fds[1].revents && clockWatch_.Consume()) OnClockSet();
    if (fds[2].revents) {
      for (bool sleeping : sleepWatch_.Consume()) OnSleep(sleeping);
    }
    server_.Handle(fds, serverFirst);
    if (SteadyClock::now() >= nextTick_) Tick();
  }
}

// Acts on the pending signals; true when the service is to stop.
bool ServiceDaemon::ReadSignal() {
  signalfd_siginfo info;
  while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    if (info.ssi_signo == SIGHUP) {
      ReloadWatchedList();
      continue;
    }
    terminated_ = info.ssi_signo == SIGTERM;
    stop_ = true;
  }
  return stop_;
}

// A failed compaction leaves the log as it was; the hand-over stands.
void ServiceDaemon::CompactLog() {
  try {
    log_.Compact(kCompactionBytes);
  } catch (const Error& e) {
    Warn(std::string("the activity log was not compacted: ") + e.what());
  }
}

bool ServiceDaemon::OnCommand(const ServiceCommand& command) {
  if (command.code == 2) {
    try {
      const HandOverResult result = log_.HandOver();
      if (result.deferred) Warn("the window has not taken the last hand-over yet; lines wait");
      CompactLog();
      return true;
    } catch (const Error& e) {
      Warn(e.what());
      return false;
    }
  }
  if (command.code == 3) {
    ReloadWatchedList();
    return true;
  }
  return false;
}

void ServiceDaemon::Tick() {
  nextTick_ = SteadyClock::now() + std::chrono::milliseconds(options_.scanIntervalMs);
  CheckFolders();
  if (replay_) return;
  ScanPrograms();
  // sd-bus may have read a signal ahead of what poll reports.
  for (bool sleeping : sleepWatch_.Consume()) OnSleep(sleeping);
  ProbeSessionSources();
  FollowLogins();
  if (SteadyClock::now() >= nextHeartbeat_) {
    nextHeartbeat_ += std::chrono::seconds(options_.heartbeatSeconds);
    Record(kEventHeartbeat, self_.user, self_.domain, "", std::nullopt);
  }
  clockTrack_.Remember(RealtimeSeconds(), BootClockSeconds());
}

// The data tree or the socket file may be removed under the service; both
// are made again, and the log starts anew on its next line.
void ServiceDaemon::CheckFolders() {
  if (!DirectoryExists(folders_.settingsFolder)) files_.CreateFolders(folders_.settingsFolder);
  if (!DirectoryExists(folders_.dataFolder)) {
    Warn("the data folder was gone; making it again");
    files_.CreateFolders(folders_.dataFolder + "Backup");
    if (!Lock()) Warn("another brenvik-service took over " + folders_.dataFolder);
    SaveState();
  }
  if (!server_.SocketFileIsOurs()) {
    try {
      server_.Listen();
    } catch (const Error& e) {
      Warn(e.what());
    }
  }
}

void ServiceDaemon::ReloadWatchedList() {
  const auto list = ReadWatchedList(folders_.settingsFolder + kWatchedListFile);
  if (!list) {
    Warn("cannot read the watched list; keeping the one in use");
    return;
  }
  programs_.SetWatched(*list);
}

void ServiceDaemon::ScanPrograms() {
  std::vector<RunningProcess> scan;
  if (programs_.WatchedCount() > 0) {
    scan = ScanProcesses([this](const std::string& exe) { return programs_.IsWatched(exe); });
  }
  const auto changes = programs_.Update(scan);
  for (const ProgramChange& change : changes) {
    const TrackedProgram& p = change.program;
    Record(change.started ? kEventProgramStart : kEventProgramEnd, p.user, p.domain, p.path, p.pid);
  }
  if (!changes.empty()) {
    stateFile_.state().programs = programs_.Tracked();
    SaveState();
  }
}

// A display that comes up after the service (a login after boot) or logind
// started late: what was not found at the start is looked for again.
void ServiceDaemon::ProbeSessionSources() {
  if (sessionSourcesComplete_ || SteadyClock::now() < nextProbe_) return;
  nextProbe_ = SteadyClock::now() + std::chrono::seconds(options_.probeSeconds);
  std::string found;
  bool complete = false;
  auto sources = OpenSessionSources(self_.user, options_.idleAfterSeconds, found, &complete);
  if (found == sessionSources_) return;
  sessions_ = std::move(sources);
  sessionSources_ = found;
  sessionSourcesComplete_ = complete;
  std::cerr << "brenvik-service: logins and idle time now from " << found << std::endl;
}

void ServiceDaemon::FollowLogins() {
  if (!sessions_) return;
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  const auto sessions = sessions_->Sessions(now);
  if (!sessions) return;
  const auto events = logins_.Update(*sessions, now);
  for (const LoginEvent& e : events) Record(e.event, e.user, self_.domain, e.parameter, {});
  if (!events.empty()) {
    stateFile_.state().logins = logins_.States();
    SaveState();
  }
}

void ServiceDaemon::OnClockSet() {
  const double boot = BootClockSeconds();
  const double real = RealtimeSeconds();
  const auto expected = clockTrack_.ExpectedRealtime(boot);
  clockTrack_.Remember(real, boot);
  if (replay_ || !expected || std::fabs(real - *expected) < 1.0) return;
  Record(kEventClockChanged, self_.user, self_.domain,
         FormatLogDateTime(UnixSecondsToDateTime(*expected)), std::nullopt);
}

void ServiceDaemon::RecordStart() {
  ServiceState& state = stateFile_.state();
  const std::string boot = CurrentBootId();
  if (!boot.empty() && state.bootId == boot && state.runOpen) {
    // Restarted within the run of this boot: it goes on, and so do the
    // programs and logins tracked before.
    programs_.Restore(state.programs);
    logins_.Restore(state.logins);
    return;
  }
  Record(kEventWindowsStart, self_.user, self_.domain, "", SecondsSinceBoot());
  state.bootId = boot;
  state.runOpen = true;
  state.programs.clear();
  state.logins.clear();
  SaveState();
}

void ServiceDaemon::RecordStop() {
  bool shutdown = options_.onTerm == TermMeaning::Shutdown;
  if (options_.onTerm == TermMeaning::Auto) shutdown = SystemIsShuttingDown().value_or(true);
  ServiceState& state = stateFile_.state();
  if (shutdown) {
    Record(kEventWindowsStop, self_.user, self_.domain, "", std::nullopt);
    state.runOpen = false;
    state.programs.clear();
    state.logins.clear();
  }
  SaveState();
}

// Asleep the computer does not run: the run ends before the sleep and a new
// one starts after it, both lines with the resume mark.
void ServiceDaemon::OnSleep(bool sleeping) {
  ServiceState& state = stateFile_.state();
  if (sleeping && state.runOpen) {
    Record(kEventWindowsStop, self_.user, self_.domain, kResumeMarkParameter, std::nullopt);
    state.runOpen = false;
    SaveState();
  } else if (!sleeping && !state.runOpen) {
    Record(kEventWindowsStart, self_.user, self_.domain, kResumeMarkParameter, SecondsSinceBoot());
    state.bootId = CurrentBootId();
    state.runOpen = true;
    SaveState();
  }
}

void ServiceDaemon::Record(int event, const std::string& user, const std::string& domain,
                           const std::string& parameter, std::optional<std::int64_t> handle) {
  LogLine line{clock_.UtcNow(), clock_.UtcOffsetSeconds(), domain, user, event, parameter, handle};
  try {
    log_.Append(FormatLogLine(line));
  } catch (const Error& e) {
    Warn(e.what());
  }
}

void ServiceDaemon::SaveState() {
  try {
    stateFile_.Save();
  } catch (const Error& e) {
    Warn(e.what());
  }
}

}  // namespace brenvik::service
