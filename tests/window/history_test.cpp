// The "History" page inside the real window: the browse reads the window's
// own tables, "See Uptime History" browses that one program, a refresh of the
// statistics closes the report, and the filter in force comes back after a
// close and a new start.
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

#include "programs/watched_programs.h"
#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window/programms_page.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0) {
  return EncodeDateTime(y, mo, d, h, mi, 0);
}

// Three runs of the computer (one crashed) and one of a program, before the
// current run.
void PrepareRuns(test::WindowFixture& f) {
  f.clock->counter = (2 * 86400 + 3 * 3600) * f.clock->frequency;
  f.service->PrepareHandOver("2013-04-30 10:00:00;7200;;8;;\r\n");
  f.PrepareHistory({
      {At(2013, 3, 1, 8), At(2013, 3, 1, 17), true, 600, 31800},
      {At(2013, 3, 1, 9), At(2013, 3, 1, 10), true, 0, -1, "/usr/bin/vi"},
      {At(2013, 4, 10, 9), At(2013, 4, 13, 10, 30), false},
      {At(2013, 4, 20, 7), At(2013, 4, 20, 7, 30), true},
  });
}

HistoryGridModel* Model(TfrmBrenvikMain& window) { return window.History()->Grid()->Model(); }

QString Cell(TfrmBrenvikMain& window, int row, const std::string& field) {
  HistoryGridModel* model = Model(window);
  const auto& columns = model->Columns();
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].field == field) return model->index(row, static_cast<int>(c)).data().toString();
  }
  return "?";
}

QIcon TitleImage(TfrmBrenvikMain& window, int row) {
  HistoryGridModel* model = Model(window);
  const auto& columns = model->Columns();
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].field == "cdsHistoryRecProgramTitle") {
      return model->index(row, static_cast<int>(c)).data(Qt::DecorationRole).value<QIcon>();
    }
  }
  return {};
}

TfrmBrenvikMain& OpenOnHistory(test::WindowFixture& f) {
  TfrmBrenvikMain& window = f.OpenWindow();
  window.show();
  f.Find<QPushButton>("btUptimeHist")->click();
  return window;
}

}  // namespace

class HistoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void BrowseShowsTheRowsOfTheWindowsTables() {
    test::WindowFixture f;
    PrepareRuns(f);
    TfrmBrenvikMain& window = OpenOnHistory(f);
    QVERIFY(window.History()->Attached());
    QCOMPARE(f.Find<QStackedWidget>("Notebook")->currentWidget()->objectName(), QString("History"));
    QCOMPARE(Model(window)->rowCount(), 0);
    f.Find<QPushButton>("btBrowseUptime")->click();
    QVERIFY(f.messages.errors.empty());
    // The prepared runs and the current one, which the start-up pass wrote.
    QStringList rows;
    for (int row = 0; row < Model(window)->rowCount(); ++row) {
      rows << Cell(window, row, "cdsHistoryDateTimeStart") + " " +
                  Cell(window, row, "cdsHistoryExePath");
    }
    QCOMPARE(rows, (QStringList{"2013-03-01 08:00:00 Windows", "2013-03-01 09:00:00 /usr/bin/vi",
                                "2013-04-10 09:00:00 Windows", "2013-04-20 07:00:00 Windows",
                                "2013-04-28 09:00:00 Windows"}));
    QCOMPARE(f.Find<QTabWidget>("TabbedNotebookUptime")->currentIndex(),
             int(HistoryPage::TabReport));

    // A refresh of the statistics makes the report out of date: it closes.
    emit window.uptimeReportOutOfDate();
    QCOMPARE(Model(window)->rowCount(), 0);
  }

  void SeeUptimeHistoryBrowsesThatProgramOnly() {
    test::WindowFixture f;
    PrepareRuns(f);
    TfrmBrenvikMain& window = OpenOnHistory(f);
    // The pick lists the watched list keeps in step are the page's own.
    QCOMPARE(&window.UptimeFilter(), &window.History()->Settings());
    window.SeeUptimeHistory("/usr/bin/vi");
    QVERIFY(f.messages.errors.empty());
    QCOMPARE(Model(window)->rowCount(), 1);
    QCOMPARE(Cell(window, 0, "cdsHistoryExePath"), QString("/usr/bin/vi"));
  }

  // Title images come from the watched list by the cached index: the Windows
  // picture for Windows rows, the program's own icon for a watched program,
  // also beside Label36 when its rows are selected.
  void TitleImagesAreThoseOfTheWatchedList() {
    test::WindowFixture f;
    const std::string tool = f.dir.Write("tool.exe", "MZ");
    f.clock->counter = (2 * 86400 + 3 * 3600) * f.clock->frequency;
    f.service->PrepareHandOver("2013-04-30 10:00:00;7200;;8;;\r\n");
    f.PrepareHistory({
        {At(2013, 3, 1, 8), At(2013, 3, 1, 17), true},
        {At(2013, 3, 1, 9), At(2013, 3, 1, 10), true, 0, -1, tool},
        {At(2013, 3, 1, 11), At(2013, 3, 1, 12), true, 0, -1, tool},
    });
    f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true)
        ->WriteString("Watched0", tool);
    TfrmBrenvikMain& window = OpenOnHistory(f);
    f.Find<QPushButton>("btBrowseUptime")->click();
    QVERIFY(f.messages.errors.empty());
    const FileIconImages& images = window.Programms()->Icons();
    QCOMPARE(Cell(window, 1, "cdsHistoryExePath"), QString::fromStdString(tool));
    QCOMPARE(TitleImage(window, 0).cacheKey(),
             images.Icon(ImageListId::Watched, kWindowsImage).cacheKey());
    // The stored images come first; the tool's icon is the first fetched.
    const QIcon toolImage = images.Icon(ImageListId::Watched, kMissingFileImage + 1);
    QVERIFY(!toolImage.isNull());
    QCOMPARE(TitleImage(window, 1).cacheKey(), toolImage.cacheKey());
    QCOMPARE(TitleImage(window, 2).cacheKey(), toolImage.cacheKey());

    auto* label36Image = f.Find<QLabel>("Label36Image");
    window.History()->Grid()->ClickRow(1, Qt::NoModifier);
    window.History()->Grid()->ClickRow(2, Qt::ControlModifier);
    emit window.History()->Grid()->selectionSettled();
    QCOMPARE(f.Find<QLabel>("Label36")->text(), QString("tool.exe (2)"));
    QVERIFY(label36Image->isVisibleTo(window.History()));
    QCOMPARE(label36Image->pixmap().toImage(), toolImage.pixmap(16, 16).toImage());
    // Windows rows have no image beside Label36.
    window.History()->Grid()->ClickRow(0, Qt::NoModifier);
    window.History()->Grid()->ClickRow(3, Qt::ControlModifier);
    emit window.History()->Grid()->selectionSettled();
    QCOMPARE(f.Find<QLabel>("Label36")->text(), QString("Windows (My Computer) (2)"));
    QVERIFY(!label36Image->isVisibleTo(window.History()));
  }

  void TheFilterInForceComesBackAfterARestart() {
    test::WindowFixture f;
    PrepareRuns(f);
    {
      TfrmBrenvikMain& window = OpenOnHistory(f);
      window.History()->Notebook()->setCurrentIndex(HistoryPage::TabEvent);
      f.Find<QAbstractButton>("FilterCheckBoxEvent")->click();
      f.Find<QAbstractButton>("rbHistEventTerminatedCrash")->click();
      window.close();
    }
    TfrmBrenvikMain& window = OpenOnHistory(f);
    QVERIFY(window.History()->Settings().eventEnabled);
    QVERIFY(!window.History()->Settings().eventClosedOk);
    f.Find<QPushButton>("btBrowseUptime")->click();
    QCOMPARE(Model(window)->rowCount(), 1);
  }
};

}  // namespace brenvik

QTEST_MAIN(brenvik::HistoryWindowTest)
#include "history_test.moc"
