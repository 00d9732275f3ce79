// Ends the window in order when the system asks the process to stop: on
// Linux SIGTERM (the session ending, systemd, kill), SIGINT and SIGHUP (the
// terminal it was started from going away) become a close of the main
// window on the window's thread, the same close as its close button: the
// settings are saved and, at destruction, the tables backed up. Without it
// the process died at once and the run's settings were lost.
//
// A signal handler may do almost nothing, so it only writes a byte to a
// pipe that the window's event loop watches. One watcher at a time; the
// signals go back to their default action when it is destroyed.
//
// On Windows the session's end is the stop: the watcher keeps a hidden
// top-level window that grants WM_QUERYENDSESSION and, on a WM_ENDSESSION
// that ends the session, emits sessionEnding() before it answers, because
// Windows may end the process as soon as every window has answered. Windows
// sends these to every top-level window, whatever the platform plugin.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace brenvik {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  // A stop was asked for (once for any number of signals before it is seen).
  void stopRequested();
  // The session ends now (Windows); receivers must finish before returning.
  void sessionEnding();

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
#ifdef _WIN32
  void* sessionWindow_ = nullptr;  // the hidden window (HWND)
#endif
};

}  // namespace brenvik
