#include "window/ui_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace brenvik {

void UseInstalledUiFont() {
#ifdef Q_OS_WIN
  const QStringList installed = QFontDatabase::families();
  QFont font = QApplication::font();
  const bool logical = font.family().startsWith(QLatin1String("MS Shell Dlg"));
  if (!logical && installed.contains(font.family())) return;
  for (const char* family :
       {"Segoe UI", "Tahoma", "Verdana", "Arial", "Liberation Sans", "DejaVu Sans"}) {
    if (installed.contains(QString::fromLatin1(family))) {
      font.setFamily(QString::fromLatin1(family));
      font.setPointSize(9);
      QApplication::setFont(font);
      return;
    }
  }
#endif
}

}  // namespace brenvik
