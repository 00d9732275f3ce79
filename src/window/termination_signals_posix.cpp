#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>

#include "window/termination_signals.h"

namespace brenvik {
namespace {

constexpr std::array<int, 3> kStopSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe of the one watcher: [0] read by the event loop, [1] written by
// the handler.
int gPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing is lost by dropping this one.
  [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
  errno = saved;
}

void SetHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (gPipe[0] >= 0 || pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
  SetHandler(OnStopSignal);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  SetHandler(SIG_DFL);
  delete notifier_;
  close(gPipe[0]);
  close(gPipe[1]);
  gPipe[0] = gPipe[1] = -1;
}

void TerminationSignals::Drain() {
  char bytes[64];
  while (read(gPipe[0], bytes, sizeof bytes) > 0) {
  }
  emit stopRequested();
}

}  // namespace brenvik
