// The "History" page inside the real window: the browse reads the window's
// own tables, "See Uptime History" browses that one program, a refresh of the
// statistics closes the report, and the filter in force comes back after a
// close and a new start.
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0) { return EncodeDateTime(y, mo, d, h, mi, 0); }

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
    QCOMPARE(f.Find<QTabWidget>("TabbedNotebookUptime")->currentIndex(), int(HistoryPage::TabReport));

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
