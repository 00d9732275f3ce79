#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace brenvik::torture {
namespace {

using SteadyClock = std::chrono::steady_clock;

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

void SpinFor(int micros) {
  const auto until = SteadyClock::now() + std::chrono::microseconds(micros);
  while (SteadyClock::now() < until) {
  }
}

// The child's status once it has ended, without waiting.
bool Reaped(pid_t pid, int& status) {
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return true;
    if (r == 0) return false;
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
}

int WaitStatus(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  return status;
}

void Fill(ChildResult& result, int status, bool sentKill) {
  result.killed = sentKill && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

FileEventWatch::FileEventWatch(const std::vector<std::string>& folders) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("inotify_init1 failed");
  const std::uint32_t mask =
      IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE;
  for (const std::string& folder : folders) {
    if (::inotify_add_watch(fd_, folder.c_str(), mask) < 0) {
      throw std::runtime_error("cannot watch " + folder);
    }
  }
}

FileEventWatch::~FileEventWatch() {
  if (fd_ >= 0) ::close(fd_);
}

int FileEventWatch::Wait(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return 0;
  alignas(inotify_event) char buffer[8192];
  int events = 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      ++events;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  return events;
}

void FileEventWatch::Drain() {
  while (Wait(0) > 0) {
  }
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& outFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

void KillAndReap(pid_t pid) {
  ::kill(pid, SIGKILL);
  WaitStatus(pid);
}

ChildResult RunChild(const std::vector<std::string>& argv, const std::string& outFile,
                     const KillPlan& plan, FileEventWatch& watch, double timeoutSeconds) {
  watch.Drain();
  ChildResult result;
  const auto start = SteadyClock::now();
  const pid_t pid = Spawn(argv, outFile);
  int status = 0;
  if (plan.kind == KillPlan::Kind::AfterDelay) {
    std::this_thread::sleep_until(start + std::chrono::microseconds(plan.delayMicros));
    ::kill(pid, SIGKILL);
    Fill(result, WaitStatus(pid), true);
    result.seconds = SecondsSince(start);
    return result;
  }
  for (;;) {
    result.fileEvents += watch.Wait(1);
    if (plan.kind == KillPlan::Kind::AfterFileEvents && result.fileEvents >= plan.fileEvents) {
      SpinFor(plan.delayMicros);
      ::kill(pid, SIGKILL);
      Fill(result, WaitStatus(pid), true);
      break;
    }
    if (Reaped(pid, status)) {
      Fill(result, status, false);
      break;
    }
    if (SecondsSince(start) > timeoutSeconds) {
      KillAndReap(pid);
      result.exitCode = -1;
      break;
    }
  }
  result.seconds = SecondsSince(start);
  return result;
}

}  // namespace brenvik::torture
