#include "shutdown_probe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

extern char** environ;

namespace brenvik::service {
namespace {

// The first line that `systemctl is-system-running` prints, or nothing.
std::optional<std::string> AskSystemManager(int timeoutMs) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char arg0[] = "systemctl", arg1[] = "is-system-running";
  char* argv[] = {arg0, arg1, nullptr};
  // The service blocks its signals to read them in its loop; the child gets
  // an empty mask.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t child = -1;
  const int spawned = posix_spawnp(&child, "systemctl", &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    return std::nullopt;
  }
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd p{out[0], POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buffer[128];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  const std::size_t end = text.find('\n');
  if (end == std::string::npos) return std::nullopt;
  return text.substr(0, end);
}

}  // namespace

std::optional<bool> SystemIsShuttingDown(int timeoutMs) {
  const auto state = AskSystemManager(timeoutMs);
  // "offline" and "unknown" come from a machine without a running manager.
  if (!state || state->empty() || *state == "offline" || *state == "unknown") return std::nullopt;
  return *state == "stopping";
}

}  // namespace brenvik::service
