// The Programms page over the real window: the computer's programs found in
// prepared shell folders, the search tab, Start and Stop Tracking with what
// they write and send, the popup menu of each list, the deferred icons,
// drags and drops, and See Uptime History.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "base/file_io.h"
#include "base/utf8.h"
#include "programs/watched_programs.h"
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

// A folder tree with programs and a document under root.
std::string MakeTree(test::WindowFixture& f, const std::string& name,
                     const std::vector<std::string>& files) {
  const std::string root = f.dir.File(name) + "/";
  for (const std::string& file : files) {
    const std::string path = root + file;
    ForceDirectories(std::filesystem::path(path).parent_path().string());
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
    const std::string programFiles = MakeTree(f, "pf", {"Editor/editor.exe", "Editor/readme.txt",
                                                        "Player/player.exe"});
    const std::string desktop = MakeTree(f, "desk", {"calc.exe"});
    const std::string menu = MakeTree(f, "menu", {"Editor.lnk"});
    f.shell->folders[SpecialFolder::ProgramFiles] = programFiles;
    f.shell->folders[SpecialFolder::DesktopDirectory] = desktop;
    f.shell->folders[SpecialFolder::StartMenuUser] = menu;
    // The shortcut leads to a program listed already: it stays once.
    f.shell->shortcuts[menu + "Editor.lnk"] = {programFiles + "Editor/editor.exe", "", "Edit", ""};
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.ShowPage("Programms");
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(f.Find<QPushButton>("BitBtn5"), Qt::LeftButton);
    ProgramTreeView* startUp = List(f, "vstStartUp");
    QStringList paths = Texts(startUp, 2);
    paths.sort();
    QCOMPARE(paths, (QStringList{QString::fromStdString(desktop + "calc.exe"),
                                 QString::fromStdString(programFiles + "Editor/editor.exe"),
                                 QString::fromStdString(programFiles + "Player/player.exe")}));
    QCOMPARE(Texts(startUp, 0).count("editor.exe"), 1);
    // A second press does not search again.
    f.dir.Write("desk/later.exe", "MZ");
    QTest::mouseClick(f.Find<QPushButton>("BitBtn5"), Qt::LeftButton);
    QCOMPARE(startUp->model()->rowCount(), 3);

    f.Find<QLineEdit>("edSearchStartup")->setText("PLAY");
    QCOMPARE(Texts(startUp, 0), QStringList{"player.exe"});
    f.Find<QLineEdit>("edSearchStartup")->setText("*calc*");
    QCOMPARE(Texts(startUp, 0), QStringList{"calc.exe"});
    f.Find<QLineEdit>("edSearchStartup")->clear();
    QCOMPARE(startUp->model()->rowCount(), 3);
    QVERIFY(f.messages.errors.empty());
  }

  void StartTrackingWatchesWritesTheFileAndTellsTheService() {
    test::WindowFixture f;
    const std::string root = MakeTree(f, "tree", {"a/alpha.exe", "b/beta.exe", "b/notes.txt"});
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.ShowPage("Programms");
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Programms()->SetTabIndex(1);
    QApplication::processEvents();
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    ProgramTreeView* search = List(f, "vstSearchTree");
    QCOMPARE(search->model()->rowCount(), 2);
    const std::size_t before = Commands3(f);

    SelectRows(search, {0, 1});
    PressRight(search, 0);  // on a selected entry: the selection stays
    QCOMPARE(window.Programms()->popVSTTag(), int(ProgrammsPage::TagSearch));
    QCOMPARE(VisibleItems(window.Programms()->popVST()),
             (QStringList{"Start Tracking", "Show in Explorer...", "Start Now"}));
    for (QAction* action : window.Programms()->popVST()->actions()) {
      if (action->objectName() == "cmdWatchSelectedPrograms") action->trigger();
    }
    window.Programms()->popVST()->hide();

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
    const std::string expected = std::string(kAlreadyWatchedMessage) + "\r\n(1) " +
                                 Texts(search, 2)[1].toStdString();
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
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.ShowPage("Programms");
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    QCOMPARE(Texts(watched, 2), (QStringList{QString::fromStdString(editor),
                                             QString::fromStdString(player)}));
    PressRight(watched, 1);  // an unselected entry becomes the only selected one
    QCOMPARE(watched->SelectedPaths(), std::vector<std::string>{player});
    QCOMPARE(VisibleItems(window.Programms()->popVST()),
             (QStringList{"Stop Tracking", "See Uptime History", "Show in Explorer...",
                          "Start Now"}));
    window.Programms()->popVST()->hide();

    // Start Now on a file that no longer exists does nothing; double click
    // starts an existing one.
    emit watched->doubleClicked(watched->model()->index(1, 0));
    QCOMPARE(f.shell->started, std::vector<std::string>{player});
    std::filesystem::remove(player);
    window.Programms()->actExecuteProgramExecute();
    QCOMPARE(f.shell->started.size(), std::size_t{1});

    const std::size_t before = Commands3(f);
    SelectRows(watched, {0});
    watched->setFocus();
    QTest::keyClick(watched, Qt::Key_Delete);
    QCOMPARE(Texts(watched, 2), QStringList{QString::fromStdString(player)});
    QCOMPARE(window.Watched().Programs().size(), std::size_t{1});
    QCOMPARE(Commands3(f), before + 1);
    auto after = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, false);
    QCOMPARE(after->ReadString("Watched0").value_or(""), player);
    QVERIFY(!after->ReadString("Watched1"));
  }

  void SeeUptimeHistoryTicksOneRowAndShowsTheHistoryPage() {
    test::WindowFixture f;
    const std::string editor = f.dir.Write("editor.exe", "MZ");
    const std::string player = f.dir.Write("player.exe", "MZ");
    auto key = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
    key->WriteString("Watched0", editor);
    key->WriteString("Watched1", player);
    key.reset();
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.ShowPage("Programms");
    QVERIFY(QTest::qWaitForWindowExposed(&window));
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
  }

  void IconsWaitWhileAFinderListScrolls() {
    test::WindowFixture f;
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i) files.push_back("p" + std::to_string(1000 + i) + ".exe");
    const std::string root = MakeTree(f, "many", files);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.ShowPage("Programms");
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ProgrammsPage* page = window.Programms();
    page->SetTabIndex(1);
    QApplication::processEvents();
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
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
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.ShowPage("Programms");
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    f.Find<QLineEdit>("edSearch")->setText(QString::fromStdString(root));
    QTest::mouseClick(f.Find<QPushButton>("btnSearch1"), Qt::LeftButton);
    ProgramTreeView* search = List(f, "vstSearchTree");
    ProgramTreeView* watched = List(f, "vstWatchedProgram");
    SelectRows(search, {1});
    std::unique_ptr<QMimeData> data(search->model()->mimeData({search->model()->index(1, 0)}));
    QCOMPARE(data->data(kProgramEntryMime).toStdString(), root + "two.exe");
    // An entry that does not come from a finder list is refused.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(watched->viewport(), &enter);
    QVERIFY(!enter.isAccepted());

    // Files from the desktop: only programs are taken.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(root + "one.exe")),
                   QUrl::fromLocalFile(QString::fromStdString(f.dir.Write("a.txt", "x")))});
    QDragEnterEvent fileEnter(QPoint(400, 300), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &fileEnter);
    QDropEvent fileDrop(QPointF(400, 300), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &fileDrop);
    QCOMPARE(Texts(watched, 2), QStringList{QString::fromStdString(root + "one.exe")});
  }
};

}  // namespace brenvik

QTEST_MAIN(brenvik::ProgramsTest)
#include "programs_test.moc"
