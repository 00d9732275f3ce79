#include "window/application.h"

#include "window/action_guard.h"
#include "window/ui_font.h"

namespace brenvik {

BrenvikApplication::BrenvikApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromUtf8(kApplicationTitle));
  setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
  // The window may live hidden in the tray; the program ends when the window
  // closes or the Exit button is pressed, not when the last visible window
  // (a message box, say) goes away.
  setQuitOnLastWindowClosed(false);
  UseInstalledUiFont();
}

bool BrenvikApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  RunGuarded(sink_ ? *sink_ : fallback_, [&] { result = QApplication::notify(receiver, event); });
  return result;
}

}  // namespace brenvik
