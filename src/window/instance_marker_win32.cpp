// The Windows marker: a hidden top-level window of class TfrmBrenvikMain, so
// that FindWindowW of a second copy finds this one, and whose window
// procedure answers WM_POWERBROADCAST (granting the suspend and standby
// queries) and WM_CLOSE: the installer and the uninstaller find the running
// copy by this class and ask it to close, which closes the main window as its
// close button does (settings saved, tables backed up).
#include <windows.h>

#include <QApplication>
#include <QWidget>

#include "datastore/startup/startup.h"
#include "window/instance_marker.h"

namespace brenvik {
namespace {

// Closes the main window on the window's thread once the message is done.
void CloseMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QLatin1String(kMainWindowClass)) {
      QMetaObject::invokeMethod(widget, &QWidget::close, Qt::QueuedConnection);
    }
  }
}

std::wstring Wide(const char* text) {
  std::wstring out;
  for (const char* c = text; *c; ++c) out += static_cast<wchar_t>(*c);
  return out;
}

class Win32InstanceMarker : public InstanceMarker {
 public:
  explicit Win32InstanceMarker(PowerHandler onPower) : onPower_(std::move(onPower)) {
    const std::wstring className = Wide(kMainWindowClass);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Win32InstanceMarker::Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className.c_str();
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), L"Brenvik", WS_POPUP, 0, 0, 0,
                                0, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window_) ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  ~Win32InstanceMarker() override {
    if (window_) ::DestroyWindow(window_);
  }

  bool IsFindable() const override { return window_ != nullptr; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_POWERBROADCAST) {
      auto* self =
          reinterpret_cast<Win32InstanceMarker*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      const bool granted = self && self->onPower_(static_cast<int>(wParam));
      return granted ? TRUE : ::DefWindowProcW(window, message, wParam, lParam);
    }
    // Not DefWindowProcW, which would destroy the marker and leave the copy
    // running unseen.
    if (message == WM_CLOSE) {
      CloseMainWindow();
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  PowerHandler onPower_;
};

}  // namespace

std::unique_ptr<InstanceMarker> InstanceMarker::Create(const std::string&, PowerHandler onPower) {
  return std::make_unique<Win32InstanceMarker>(std::move(onPower));
}

}  // namespace brenvik
