#include "window/messages.h"

#include <QMessageBox>

namespace brenvik {
namespace {

void Show(QWidget* parent, QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, QString::fromUtf8(kApplicationTitle), QString::fromStdString(text),
                  QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

void MessageBoxSink::ShowMessage(const std::string& text) {
  Show(parent_, QMessageBox::NoIcon, text);
}

void MessageBoxSink::ShowError(const std::string& text) {
  Show(parent_, QMessageBox::Critical, text);
}

}  // namespace brenvik
