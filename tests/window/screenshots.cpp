// Writes PNG pictures of the window's pages into the folder given as the
// first argument, over a prepared data tree; for looking at the window by eye.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <chrono>
#include <thread>

#include "base/file_io.h"
#include "programs/watched_programs.h"
#include "support/failing_file_system.h"
#include "support/pe_writer.h"
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
  // Programs for the Programms page, with titles and versions: two watched,
  // a folder to search.
  brenvik::test::NativeFiles().CreateFolders(fixture.dir.File("programs"));
  auto program = [&](const char* name, const char* title, std::uint16_t major,
                     std::uint16_t minor) {
    using namespace brenvik::test;
    return fixture.dir.Write(
        std::string("programs/") + name,
        PeWithVersionBlock(BuildVersionInfo(SimpleVersionInfo(title, major, minor, 0, 1))));
  };
  const std::string editor = program("editor.exe", "Text Editor", 2, 4);
  const std::string player = program("player.exe", "Media Player", 11, 0);
  program("calc.exe", "Calculator", 1, 0);
  program("notes.exe", "Notes", 3, 2);
  program("viewer.exe", "Picture Viewer", 5, 1);
  // A slow folder of the computer's programs, to show a search under way.
  brenvik::test::NativeFiles().CreateFolders(fixture.dir.File("pf"));
  for (int i = 0; i < 400; ++i) fixture.dir.Write("pf/tool" + std::to_string(i) + ".exe", "MZ");
  fixture.shell->folders[brenvik::SpecialFolder::ProgramFiles] = fixture.dir.File("pf") + "/";
  fixture.shell->onIsShortcut = [](const std::string&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  };
  {
    auto key = fixture.platform->registry->OpenKey(brenvik::RegistryRoot::CurrentUser,
                                                   brenvik::kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key->WriteString("Watched1", player);
  }
  // Titles and versions read from the files themselves.
  fixture.platform->versionResources = std::make_unique<brenvik::test::PeFileVersionResources>();
  brenvik::TfrmBrenvikMain& window = fixture.OpenWindow();
  window.Programms()->SetTabIndex(1);
  window.Programms()->SetSearchFolder(fixture.dir.File("programs"));
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
  // "&Search (slow)" under way: its progress line and Cancel button.
  window.findChild<QPushButton*>("btPrograms")->click();
  window.Programms()->SetTabIndex(0);
  window.Programms()->BitBtn5Click();
  waiting.restart();
  while (waiting.elapsed() < 500) app.processEvents(QEventLoop::AllEvents, 20);
  window.grab().save(folder + "/Programms-searching.png");
  window.findChild<QPushButton*>("btCancelStartUp")->click();
  while (window.Programms()->SearchesRunning()) app.processEvents(QEventLoop::AllEvents, 20);
  return 0;
}
