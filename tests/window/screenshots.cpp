// Writes PNG pictures of the window's pages into the folder given as the
// first argument, over a prepared data tree; for looking at the window by eye.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>

#include "window/main_window.h"
#include "window_fixture.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  brenvik::test::WindowFixture fixture;
  brenvik::TfrmBrenvikMain& window = fixture.OpenWindow();
  window.show();
  app.processEvents();
  const char* pages[] = {"Uptime", "Programms", "History", "Logins", "Options"};
  const char* buttons[] = {"btUptime", "btPrograms", "btUptimeHist", "btLoginHist",
                           "btOptionsHist"};
  for (int i = 0; i < 5; ++i) {
    window.findChild<QPushButton*>(buttons[i])->click();
    app.processEvents();
    window.grab().save(folder + "/" + pages[i] + ".png");
  }
  return 0;
}
