#include "window/start_up_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace brenvik {
namespace {

std::chrono::steady_clock::time_point& ProcessStart() {
  static std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  return start;
}

}  // namespace

void NoteProcessStart() { ProcessStart() = std::chrono::steady_clock::now(); }

void ExitAfterFirstPaintIfAsked(QWidget& window) {
  if (!qEnvironmentVariableIsSet("BRENVIK_EXIT_AFTER_FIRST_PAINT")) return;
  window.installEventFilter(new FirstPaintExit(window, ProcessStart()));
}

FirstPaintExit::FirstPaintExit(QWidget& window, std::chrono::steady_clock::time_point startedAt)
    : QObject(&window), startedAt_(startedAt) {}

bool FirstPaintExit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && !seen_) {
    seen_ = true;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - startedAt_)
            .count();
    std::printf("first paint after %.1f ms\n", ms);
    std::fflush(stdout);
    // The paint in progress finishes; the loop ends right after it.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace brenvik
