#include "window/messages.h"

#ifdef _WIN32
#include <windows.h>

#include <QGuiApplication>
#include <QWidget>
#else
#include <QMessageBox>
#endif

namespace brenvik {
namespace {

#ifdef _WIN32
// The system's own message box, as Windows programs show it. Its owner is the
// parent's native window where the platform has one (the offscreen platform
// has none); without an owner the box is modal for the whole thread.
void Show(QWidget* parent, bool error, const std::string& text) {
  HWND owner = nullptr;
  if (parent && QGuiApplication::platformName() == QLatin1String("windows"))
    owner = reinterpret_cast<HWND>(parent->window()->winId());
  const std::wstring wideText = QString::fromStdString(text).toStdWString();
  const std::wstring caption = QString::fromUtf8(kApplicationTitle).toStdWString();
  const UINT style = MB_OK | (error ? MB_ICONERROR : 0) | (owner ? 0 : MB_TASKMODAL);
  ::MessageBoxW(owner, wideText.c_str(), caption.c_str(), style);
}
#else
void Show(QWidget* parent, bool error, const std::string& text) {
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QString::fromUtf8(kApplicationTitle), QString::fromStdString(text),
                  QMessageBox::Ok, parent);
  box.exec();
}
#endif

}  // namespace

void MessageBoxSink::ShowMessage(const std::string& text) { Show(parent_, false, text); }

void MessageBoxSink::ShowError(const std::string& text) { Show(parent_, true, text); }

}  // namespace brenvik
