#include <windows.h>

#include "window/termination_signals.h"

namespace brenvik {
namespace {

constexpr const wchar_t* kSessionWindowClass = L"BrenvikSessionWatcher";

LRESULT CALLBACK SessionProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* watcher = reinterpret_cast<TerminationSignals*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing here ever holds a session up
    case WM_ENDSESSION:
      if (wParam && watcher) emit watcher->sessionEnding();
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateSessionWindow(TerminationSignals* watcher) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &SessionProcedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kSessionWindowClass;
  // A second watcher in the process finds the class registered already.
  ::RegisterClassW(&windowClass);
  // A top-level window (not a message-only one): only those hear the end of
  // the session. It is never shown.
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kSessionWindowClass, L"Brenvik", WS_POPUP, 0, 0,
                                  0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window) ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(watcher));
  return window;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent), sessionWindow_(CreateSessionWindow(this)) {}

TerminationSignals::~TerminationSignals() {
  if (sessionWindow_) ::DestroyWindow(static_cast<HWND>(sessionWindow_));
}

void TerminationSignals::Drain() {}

}  // namespace brenvik
