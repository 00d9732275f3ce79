// Writes PNG pictures of the window's pages into the folder given as the
// first argument, over a prepared data tree; for looking at the window by eye.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>

#include "programs/watched_programs.h"
#include "window/main_window.h"
#include "window/programms_page.h"
#include "window_fixture.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  brenvik::test::WindowFixture fixture;
  // Up 2 days 3:10:05 at 2013-04-30 12:00:00, after three earlier runs.
  using brenvik::EncodeDateTime;
  fixture.clock->counter = (2 * 86400 + 3 * 3600 + 10 * 60 + 5) * fixture.clock->frequency;
  // The service hands over the stop that ended the last prepared run, a run
  // with two logins that ended in a crash, the boot of the current run and
  // ann's login.
  fixture.service->PrepareHandOver(
      "2013-04-20 05:30:00;7200;;2;;\r\n"
      "2013-04-26 07:00:00;7200;;1;;0\r\n"
      "2013-04-26 07:01:10;7200;PC1|ann;5;0;\r\n"
      "2013-04-26 09:15:00;7200;PC1|ann;6;0;\r\n"
      "2013-04-26 09:20:30;7200;PC1|bob;5;0;\r\n"
      "2013-04-26 11:02:00;7200;PC1|bob;6;0;\r\n"
      "2013-04-28 06:49:55;7200;;1;;0\r\n"
      "2013-04-28 06:50:55;7200;PC1|ann;5;0;\r\n");
  fixture.PrepareHistory({
      {EncodeDateTime(2012, 3, 1, 8, 0, 0), EncodeDateTime(2012, 3, 1, 17, 0, 0), true, 600, 31800},
      {EncodeDateTime(2013, 4, 10, 9, 0, 0), EncodeDateTime(2013, 4, 13, 10, 30, 0), false},
      {EncodeDateTime(2013, 4, 20, 7, 0, 0), EncodeDateTime(2013, 4, 20, 7, 30, 0), true},
  });
  // Programs for the Programms page: two watched, a folder to search.
  const std::string editor = fixture.dir.Write("editor.exe", "MZ");
  const std::string player = fixture.dir.Write("player.exe", "MZ");
  for (const char* name : {"calc.exe", "notes.exe", "viewer.exe"}) fixture.dir.Write(name, "MZ");
  {
    auto key = fixture.platform->registry->OpenKey(brenvik::RegistryRoot::CurrentUser,
                                                   brenvik::kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key->WriteString("Watched1", player);
  }
  brenvik::TfrmBrenvikMain& window = fixture.OpenWindow();
  window.Programms()->SetTabIndex(1);
  window.Programms()->SetSearchFolder(fixture.dir.path());
  window.Programms()->btnSearch1Click();
  window.show();
  // The search runs on a worker thread; its result comes in as an event.
  QElapsedTimer waiting;
  waiting.start();
  while (window.Programms()->SearchesRunning() && waiting.elapsed() < 10000) {
    app.processEvents(QEventLoop::AllEvents, 20);
  }
  app.processEvents();
  const char* pages[] = {"Uptime", "Programms", "History", "Logins", "Options"};
  const char* buttons[] = {"btUptime", "btPrograms", "btUptimeHist", "btLoginHist",
                           "btOptionsHist"};
  for (int i = 0; i < 5; ++i) {
    window.findChild<QPushButton*>(buttons[i])->click();
    // The History page with its report run.
    if (i == 2) window.findChild<QPushButton*>("btBrowseUptime")->click();
    // The Logins page with its tree built.
    if (i == 3) window.findChild<QPushButton*>("btBrowseLogins")->click();
    app.processEvents();
    window.grab().save(folder + "/" + pages[i] + ".png");
  }
  return 0;
}
