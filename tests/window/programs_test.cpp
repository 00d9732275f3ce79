// The Programms page over the real window: the computer's programs found in
// prepared shell folders, the search tab, Start and Stop Tracking with what
// they write and send, the popup menu of each list, the deferred icons,
// drags and drops, and See Uptime History.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "base/file_io.h"
#include "base/utf8.h"
#include "programs/watched_programs.h"
#include "support/failing_file_system.h"
#include "support/native_path.h"
#include "window/background_search.h"
#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window/program_views.h"
#include "window/programms_page.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

ProgramTreeView* List(test::WindowFixture& f, const char* name) {
  return f.Find<ProgramTreeView>(name);
}

QStringList Texts(ProgramTreeView* list, int column) {
  QStringList texts;
  for (int row = 0; row < list->model()->rowCount(); ++row) {
    texts << list->model()->index(row, column).data().toString();
  }
  return texts;
}

void SelectRows(ProgramTreeView* list, std::initializer_list<int> rows) {
  list->clearSelection();
  for (int row : rows) {
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

void PressRight(ProgramTreeView* list, int row) {
  const QRect rect = list->visualRect(list->model()->index(row, 0));
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, rect.center());
  QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, rect.center());
}

QStringList VisibleItems(QMenu* menu) {
  QStringList items;
  for (QAction* action : menu->actions()) {
    if (action->isVisible() && !action->isSeparator()) items << action->text();
  }
  return items;
}

std::size_t Commands3(test::WindowFixture& f) {
  std::size_t count = 0;
  for (const std::string& message : f.service->Received()) {
    if (message == Utf8ToUtf16LeBytes("3;")) ++count;
  }
  return count;
}

// The window shown on the Programms page.
TfrmBrenvikMain& OpenOnPrograms(test::WindowFixture& f) {
  TfrmBrenvikMain& window = f.OpenWindow();
  window.show();
  window.ShowPage("Programms");
  if (!QTest::qWaitForWindowExposed(&window)) qWarning("the window was not exposed");
  return window;
}

// count program files p0.exe, p1.exe, ... (names from first on).
std::vector<std::string> NumberedPrograms(int count, int first = 0) {
  std::vector<std::string> files;
  for (int i = first; i < first + count; ++i) files.push_back("p" + std::to_string(i) + ".exe");
  return files;
}

// Waits for the page's searches, which run on worker threads, to end.
bool SearchesEnd(ProgrammsPage* page) {
  QElapsedTimer clock;
  clock.start();
  while (page->SearchesRunning() && clock.elapsed() < 10000) QTest::qWait(5);
  return !page->SearchesRunning();
}

void TriggerMenuItem(ProgrammsPage* page, const char* name) {
  for (QAction* action : page->popVST()->actions()) {
    if (action->objectName() == name) action->trigger();
  }
  page->popVST()->hide();
}

// A folder tree with programs and a document under root.
std::string MakeTree(test::WindowFixture& f, const std::string& name,
                     const std::vector<std::string>& files) {
  const std::string root = f.dir.File(name) + PathSeparator();
  for (const std::string& file : files) {
    const std::string path = root + test::NativePath(file);
    test::NativeFiles().CreateFolders(std::filesystem::path(path).parent_path().string());
    f.dir.Write(name + "/" + file, "MZ");
  }
  return root;
}

}  // namespace

class ProgramsTest : public QObject {
  Q_OBJECT

 private slots:
  void ComputerProgramsComeFromTheShellFoldersOnceAndFilter() {
    test::WindowFixture f;
    const std::string programFiles =
        MakeTree(f, "pf", {"Editor/editor.exe", "Editor/readme.txt", "Player/player.exe"});
    const std::string desktop = MakeTree(f, "desk", {"calc.exe"});
    const std::string menu = MakeTree(f, "menu", {"Editor.lnk"});
    f.shell->folders[SpecialFolder::ProgramFiles] = programFiles;
    f.shell->folders[SpecialFolder::DesktopDirectory] = desktop;
    f.shell->folders[SpecialFolder::StartMenuUser] = menu;
    // The shortcut leads to a program listed already: it stays once.
    f.shell->shortcuts[menu + "Editor.lnk"] = {test::NativePath(programFiles + "Editor/editor.exe"),
                                               "", "Edit", ""};
    TfrmBrenvikMain& window = OpenOnPrograms(f);

    QTest::mouseClick(f.Find<QPushButton>("BitBtn5"), Qt::LeftButton);
    QVERIFY(SearchesEnd(window.Programms()));
    ProgramTreeView* startUp = List(f, "vstStartUp");
    QStringList paths = Texts(startUp, 2);
    paths.sort();
    QCOMPARE(paths,
             (QStringList{
                 QString::fromStdString(desktop + "calc.exe"),
                 QString::fromStdString(test::NativePath(programFiles + "Editor/editor.exe")),
                 QString::fromStdString(test::NativePath(programFiles + "Player/player.exe"))}));
    QCOMPARE(Texts(startUp, 0).count("editor.exe"), 1);
    // A second press does not search again.
    f.dir.Write("desk/later.exe", "MZ");
    QTest::mouseClick(f.Find<QPushButton>("BitBtn5"), Qt::LeftButton);
    QVERIFY(!window.Programms()->SearchesRunning());
    QCOMPARE(startUp->model()->rowCount(), 3);

    f.Find<QLineEdit>("edSearchStartup")->setText("PLAY");
    QCOMPARE(Texts(startUp, 0), QStringList{"player.exe"});
    f.Find<QLineEdit>("edSearchStartup")->setText("*calc*");
    QCOMPARE(Texts(startUp, 0), QStringList{"calc.exe"});
    f.Find<QLineEdit>("edSearchStartup")->clear();
    QCOMPARE(startUp->model()->rowCount(), 3);

    // Its menu, and Start Tracking from it.
    PressRight(startUp, 2);
    QCOMPARE(window.Programms()->popVSTTag(), ProgrammsPage::Tag::StartUp);
    QCOMPARE(VisibleItems(window.Programms()->popVST()),
             (QStringList{"Start Tracking", "Show in Explorer...", "Start Now"}));
    TriggerMenuItem(window.Programms(), "cmdWatchSelectedPrograms");
    QCOMPARE(Texts(List(f, "vstWatchedProgram"), 2), QStringList{Texts(startUp, 2)[2]});
    // The tab's own button acts on its list, wherever the last press was.
    PressRight(List(f, "vstWatchedProgram"), 0);
    window.Programms()->popVST()->hide();
    SelectRows(startUp, {0});
    QTest::mouseClick(f.Find<QPushButton>("JvXPButton2"), Qt::LeftButton);
    QCOMPARE(Texts(List(f, "vstWatchedProgram"), 2),
             (QStringList{Texts(startUp, 2)[2], Texts(startUp, 2)[0]}));
    QVERIFY(f.messages.errors.empty());
  }

  void StartTrackingWatchesWritesTheFileAndTellsTheService() {
    test::WindowFixture f;
    const std::string root = MakeTree(f, "tree", {"a/alpha.exe", "b/beta.exe", "b/notes.txt"});
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    window.Programms()->SetTabIndex(1);
    QApplication::processEvents();
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    QVERIFY(SearchesEnd(window.Programms()));
    ProgramTreeView* search = List(f, "vstSearchTree");
    QCOMPARE(search->model()->rowCount(), 2);
    const std::size_t before = Commands3(f);

    SelectRows(search, {0, 1});
    PressRight(search, 0);  // on a selected entry: the selection stays
    QCOMPARE(window.Programms()->popVSTTag(), ProgrammsPage::Tag::Search);
    QCOMPARE(VisibleItems(window.Programms()->popVST()),
             (QStringList{"Start Tracking", "Show in Explorer...", "Start Now"}));
    TriggerMenuItem(window.Programms(), "cmdWatchSelectedPrograms");

    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    QCOMPARE(watched->model()->rowCount(), 2);
    QCOMPARE(window.Watched().Programs().size(), std::size_t{2});
    const std::string file = f.folders.settingsFolder + kProgramsToWatchFile;
    QVERIFY(FileExists(file));
    QCOMPARE(ReadFileBytes(file), ProgramsToWatchFileBytes(window.Watched().Programs()));
    QCOMPARE(Commands3(f), before + 1);
    // The source pick list of the uptime report has both at the top.
    const auto& rows = window.UptimeFilter().programs.Rows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(rows[0].status, std::string(kStatusTracked));

    // Again, by a double click (the view's signal): the message names the one watched already.
    SelectRows(search, {1});
    emit search->doubleClicked(search->model()->index(1, 0));
    QCOMPARE(f.messages.messages.size(), std::size_t{1});
    const std::string expected =
        std::string(kAlreadyWatchedMessage) + "\r\n(1) " + Texts(search, 2)[1].toStdString();
    QCOMPARE(f.messages.messages[0], expected);
    QCOMPARE(Commands3(f), before + 1);
    QVERIFY(f.messages.errors.empty());
  }

  void DeleteKeyStopsTrackingAndTheWatchedMenuDiffers() {
    test::WindowFixture f;
    const std::string editor = f.dir.Write("editor.exe", "MZ");
    const std::string player = f.dir.Write("player.exe", "MZ");
    auto key = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key->WriteString("Watched1", player);
    key.reset();
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    QCOMPARE(Texts(watched, 2),
             (QStringList{QString::fromStdString(editor), QString::fromStdString(player)}));
    PressRight(watched, 1);  // an unselected entry becomes the only selected one
    QCOMPARE(watched->SelectedPaths(), std::vector<std::string>{player});
    QCOMPARE(
        VisibleItems(window.Programms()->popVST()),
        (QStringList{"Stop Tracking", "See Uptime History", "Show in Explorer...", "Start Now"}));
    window.Programms()->popVST()->hide();

    // Start Now on a file that no longer exists does nothing; double click
    // starts an existing one.
    emit watched->doubleClicked(watched->model()->index(1, 0));
    QCOMPARE(f.shell->started, std::vector<std::string>{player});
    std::filesystem::remove(player);
    window.Programms()->actExecuteProgramExecute(ProgrammsPage::Tag::Watched);
    QCOMPARE(f.shell->started.size(), std::size_t{1});

    const std::size_t before = Commands3(f);
    SelectRows(watched, {0});
    watched->setFocus();
    QTest::keyClick(watched, Qt::Key_Delete);
    QCOMPARE(Texts(watched, 2), QStringList{QString::fromStdString(player)});
    QCOMPARE(window.Watched().Programs().size(), std::size_t{1});
    QCOMPARE(Commands3(f), before + 1);
    auto after =
        f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, false);
    QCOMPARE(after->ReadString("Watched0").value_or(""), player);
    QVERIFY(!after->ReadString("Watched1"));
  }

  void SeeUptimeHistoryTicksOneRowAndShowsTheHistoryPage() {
    test::WindowFixture f;
    const std::string editor = f.dir.Write("editor.exe", "MZ");
    const std::string player = f.dir.Write("player.exe", "MZ");
    f.PrepareHistory({
        {EncodeDateTime(2013, 3, 1, 8, 0, 0), EncodeDateTime(2013, 3, 1, 17, 0, 0)},
        {EncodeDateTime(2013, 3, 1, 9, 0, 0), EncodeDateTime(2013, 3, 1, 10, 0, 0), true, 0, -1,
         editor},
        {EncodeDateTime(2013, 3, 1, 11, 0, 0), EncodeDateTime(2013, 3, 1, 12, 0, 0), true, 0, -1,
         player},
        {EncodeDateTime(2013, 3, 2, 11, 0, 0), EncodeDateTime(2013, 3, 2, 12, 0, 0), false, 0, -1,
         player},
    });
    auto key = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key->WriteString("Watched1", player);
    key.reset();
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    QSignalSpy browse(&window, &TfrmBrenvikMain::uptimeHistoryBrowseRequested);
    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    SelectRows(watched, {1, 0});
    window.Programms()->cmdSeeHistoryClick();
    QCOMPARE(f.Find<QStackedWidget>("Notebook")->currentWidget()->objectName(), QString("History"));
    QVERIFY(f.Find<QPushButton>("btUptimeHist")->isChecked());
    const UptimeFilterSettings& filter = window.UptimeFilter();
    QCOMPARE(filter.programs.TickedKeys(), std::vector<std::string>{player});
    QVERIFY(filter.sourceEnabled && !filter.sourceWindows);
    QCOMPARE(browse.count(), 1);
    // The report holds that program's runs only.
    HistoryGridModel* grid = window.History()->Grid()->Model();
    QCOMPARE(grid->rowCount(), 2);
    int pathColumn = -1;
    for (std::size_t c = 0; c < grid->Columns().size(); ++c) {
      if (grid->Columns()[c].field == "cdsHistoryExePath") pathColumn = static_cast<int>(c);
    }
    QVERIFY(pathColumn >= 0);
    for (int row = 0; row < grid->rowCount(); ++row) {
      QCOMPARE(grid->index(row, pathColumn).data().toString(), QString::fromStdString(player));
    }
    QVERIFY(f.messages.errors.empty());
  }

  void IconsWaitWhileAFinderListScrolls() {
    test::WindowFixture f;
    const std::string root = MakeTree(f, "many", NumberedPrograms(200, 1000));
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    ProgrammsPage* page = window.Programms();
    page->SetTabIndex(1);
    QApplication::processEvents();
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    QVERIFY(SearchesEnd(page));
    ProgramTreeView* search = List(f, "vstSearchTree");
    search->repaint();
    const int shownFirst = page->Icons().Fetches();
    QVERIFY(shownFirst > 0);
    QVERIFY(shownFirst < 100);  // only the drawn entries

    search->setFocus();
    QTest::keyClick(search, Qt::Key_PageDown);
    QTest::keyClick(search, Qt::Key_PageDown);
    QVERIFY(page->ImageDrawingDisabled());
    search->repaint();
    QCOMPARE(page->Icons().Fetches(), shownFirst);
    QVERIFY(page->IdleTimer() && page->IdleTimer()->interval() == 500);
    QTRY_VERIFY_WITH_TIMEOUT(!page->ImageDrawingDisabled(), 2000);
    QVERIFY(!page->IdleTimer());
    search->repaint();
    QVERIFY(page->Icons().Fetches() > shownFirst);
    // Drawn again, nothing is fetched twice.
    const int fetched = page->Icons().Fetches();
    search->repaint();
    QCOMPARE(page->Icons().Fetches(), fetched);
  }

  void DropsTakeProgramsFromFinderListsAndFromTheDesktop() {
    test::WindowFixture f;
    const std::string root = MakeTree(f, "tree", {"one.exe", "two.exe"});
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    QVERIFY(SearchesEnd(window.Programms()));
    ProgramTreeView* search = List(f, "vstSearchTree");
    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    SelectRows(search, {1});
    std::unique_ptr<QMimeData> data(search->model()->mimeData({search->model()->index(1, 0)}));
    QCOMPARE(data->data(kProgramEntryMime).toStdString(), root + "two.exe");
    // An entry that does not come from a finder list is refused.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(watched->viewport(), &enter);
    QVERIFY(!enter.isAccepted());

    // Files from the desktop: only programs are taken, a shortcut's program
    // instead of the shortcut; the service hears of it once.
    const std::string toDocument = f.dir.Write("Manual.LNK", "shortcut");
    f.shell->shortcuts[toDocument] = {f.dir.Write("manual.pdf", "%PDF"), "", "Manual", ""};
    const std::string toProgram = f.dir.Write("Two.LNK", "shortcut");
    f.shell->shortcuts[toProgram] = {root + "two.exe", "", "Second", ""};
    const std::size_t before = Commands3(f);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(f.dir.Write("a.txt", "x"))),
                   QUrl::fromLocalFile(QString::fromStdString(root + "one.exe")),
                   QUrl::fromLocalFile(QString::fromStdString(toDocument)),
                   QUrl::fromLocalFile(QString::fromStdString(toProgram))});
    QDragEnterEvent fileEnter(QPoint(400, 300), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &fileEnter);
    QVERIFY(fileEnter.isAccepted());
    QDropEvent fileDrop(QPointF(400, 300), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &fileDrop);
    QCOMPARE(Texts(watched, 2), (QStringList{QString::fromStdString(root + "one.exe"),
                                             QString::fromStdString(root + "two.exe")}));
    QCOMPARE(Commands3(f), before + 1);
    QCOMPARE(ReadFileBytes(f.folders.settingsFolder + kProgramsToWatchFile),
             ProgramsToWatchFileBytes(window.Watched().Programs()));
  }

  // A search held in the middle of a big folder: the window goes on
  // answering, shows how far the search got, and Cancel ends it early.
  void ALongSearchLeavesTheWindowAnsweringAndCanBeCancelled() {
    test::WindowFixture f;
    const std::string root = MakeTree(f, "big", NumberedPrograms(400));
    std::atomic<int> asked{0};
    std::atomic<bool> held{false};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    f.shell->onIsShortcut = [&](const std::string&) {
      if (++asked != 150) return;
      held = true;
      released.wait_for(std::chrono::seconds(10));
    };
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    ProgrammsPage* page = window.Programms();
    page->SetTabIndex(1);
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(held, 5000);

    // Timers fire, buttons work, the progress comes through.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 2000);
    QVERIFY(page->SearchesRunning());
    QVERIFY(!f.Find<QPushButton>("btnSearch1")->isEnabled());
    QVERIFY(f.Find<QWidget>("pnSearchProgress")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(f.Find<QLabel>("lbSearchProgress")->text().startsWith("128 files"),
                             2000);
    f.Find<QPushButton>("btUptime")->click();
    QCOMPARE(window.ActivePage(), int(TfrmBrenvikMain::PageUptime));
    window.ShowPage("Programms");

    QTest::mouseClick(f.Find<QPushButton>("btCancelSearch"), Qt::LeftButton);
    release.set_value();
    QVERIFY(SearchesEnd(page));
    QVERIFY(page->TabSearch()->WasCancelled());
    QVERIFY(asked < 150 + int(SearchMonitor::kEntriesPerReport) + 1);  // stopped at the next report
    QCOMPARE(List(f, "vstSearchTree")->model()->rowCount(), 0);
    QVERIFY(!f.Find<QWidget>("pnSearchProgress")->isVisible());
    QVERIFY(f.Find<QPushButton>("btnSearch1")->isEnabled());

    // Run again to its end: the whole folder.
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    QVERIFY(SearchesEnd(page));
    QVERIFY(!page->TabSearch()->WasCancelled());
    QCOMPARE(List(f, "vstSearchTree")->model()->rowCount(), 400);
    QVERIFY(f.messages.errors.empty());
  }

  // Closing the window empties the three lists, also while "&Search (slow)"
  // still runs: the search stops and its result never arrives.
  void ClosingEmptiesTheListsAndStopsASearch() {
    test::WindowFixture f;
    f.shell->folders[SpecialFolder::ProgramFiles] = MakeTree(f, "pf", NumberedPrograms(300));
    std::atomic<int> asked{0};
    f.shell->onIsShortcut = [&](const std::string&) {
      ++asked;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    const std::string editor = f.dir.Write("editor.exe", "MZ");
    auto key = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key.reset();
    TfrmBrenvikMain& window = OpenOnPrograms(f);
    ProgrammsPage* page = window.Programms();
    QCOMPARE(List(f, "vstWatchedProgram")->model()->rowCount(), 1);
    QTest::mouseClick(f.Find<QPushButton>("BitBtn5"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(asked > 0, 5000);
    window.close();
    QVERIFY(!page->SearchesRunning());
    QVERIFY(asked < 300);
    QTest::qWait(50);  // a late result would arrive now
    for (const char* name : {"vstStartUp", "vstSearchTree", "vstWatchedProgram"}) {
      QCOMPARE(List(f, name)->model()->rowCount(), 0);
    }
    QVERIFY(page->StartUpEntries().empty());
    // The watched programs themselves stay until the window goes.
    QCOMPARE(window.Watched().Programs().size(), std::size_t{1});
    QVERIFY(f.messages.errors.empty());
  }

#ifndef _WIN32
  // Icons from the icon theme: the one the program's launcher names, else
  // the one of the file's type (launchers and icon themes are Linux's).
  void IconsComeFromTheLauncherOrTheFileType() {
    test::WindowFixture f;
    const QString theme = QString::fromStdString(f.dir.File("icons"));
    test::NativeFiles().CreateFolders(f.dir.File("icons/brenviktest/16x16/apps"));
    test::NativeFiles().CreateFolders(f.dir.File("icons/brenviktest/16x16/mimetypes"));
    f.dir.Write("icons/brenviktest/index.theme",
                "[Icon Theme]\nName=brenviktest\nDirectories=16x16/apps,16x16/mimetypes\n\n"
                "[16x16/apps]\nSize=16\nType=Fixed\n\n[16x16/mimetypes]\nSize=16\nType=Fixed\n");
    QPixmap square(16, 16);
    square.fill(Qt::red);
    QVERIFY(square.save(theme + "/brenviktest/16x16/apps/brenvik-editor.png"));
    QVERIFY(square.save(theme + "/brenviktest/16x16/mimetypes/application-x-executable.png"));
    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({theme});
    QIcon::setThemeName("brenviktest");

    const std::string editor = f.dir.Write("editor.exe", "MZ");
    const std::string player = f.dir.Write("player.exe", "MZ");
    f.shell->folders[SpecialFolder::StartMenuUser] = f.dir.File("menu") + "/";
    test::NativeFiles().CreateFolders(f.dir.File("menu/tools"));
    const std::string launcher = f.dir.Write("menu/tools/editor.desktop", "[Desktop Entry]");
    f.shell->shortcuts[launcher] = {editor, "", "Edits", "brenvik-editor"};
    auto key = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key->WriteString("Watched1", player);
    key.reset();
    TfrmBrenvikMain& window = f.OpenWindow();
    FileIconImages& icons = window.Programms()->Icons();
    QCOMPARE(icons.FileIcon(editor).name(), QString("brenvik-editor"));
    QCOMPARE(icons.FileIcon(player).name(), QString("application-x-executable"));
    QVERIFY(icons.FileIcon(f.dir.File("gone.exe")).isNull());
    // The watched list drew them from there.
    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    const auto decoration = [&](int row) {
      return watched->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().name();
    };
    QCOMPARE(decoration(0), QString("brenvik-editor"));
    QCOMPARE(decoration(1), QString("application-x-executable"));
    // Icon= may also name an image file, or a theme name with its extension.
    QVERIFY(!IconOfLauncherValue(f.dir.File("icons/brenviktest/16x16/apps/brenvik-editor.png"))
                 .isNull());
    QCOMPARE(IconOfLauncherValue("brenvik-editor.png").name(), QString("brenvik-editor"));
    QVERIFY(IconOfLauncherValue(f.dir.File("nothing.png")).isNull());
    QIcon::setThemeSearchPaths(oldPaths);
    QIcon::setThemeName(oldTheme);
  }
#endif
};

}  // namespace brenvik

QTEST_MAIN(brenvik::ProgramsTest)
#include "programs_test.moc"
