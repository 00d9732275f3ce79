// The charts of the report pages in the real window: the History page's
// chart over the grid shows a plain message for an empty report and bars
// with tooltips for a browsed one; a click on a bar shows its day's timeline
// and selects the day's rows in the grid, a click on a span its row; the
// chart's data goes to a CSV file. The Logins page's timeline shows the run
// of the tree's current row, and a click on a login selects it in the tree.
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

#include "base/file_io.h"
#include "reports/chart/history_chart.h"
#include "window/chart_view.h"
#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window/logins/login_tree_view.h"
#include "window/logins_page.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

using test::PreparedRun;

// The middle of the first hit of a kind (and item, when given).
QPoint HitPoint(const ChartView& chart, HitKind kind, long long item = -2) {
  for (const ChartHit& hit : chart.Picture().hits) {
    if (hit.kind != kind || (item != -2 && hit.item != item)) continue;
    return QPoint(static_cast<int>(hit.rect.x + hit.rect.width / 2),
                  static_cast<int>(hit.rect.y + hit.rect.height / 2));
  }
  return QPoint(-1, -1);
}

int Hits(const ChartView& chart, HitKind kind) {
  int n = 0;
  for (const ChartHit& hit : chart.Picture().hits) n += hit.kind == kind;
  return n;
}

// The window's pass adds the current run: up an hour at 2013-04-30 12:00.
struct ChartSetup {
  ChartSetup() { f.clock->counter = 3600 * f.clock->frequency; }
  HistoryPage& OpenHistory() {
    TfrmBrenvikMain& window = f.OpenWindow();
    window.resize(912, 700);
    window.show();
    f.Find<QAbstractButton>("btUptimeHist")->click();
    return *window.History();
  }
  ChartView& Chart() { return *f.Find<ChartView>("UptimeChart"); }

  test::WindowFixture f;
};

class ChartTest : public QObject {
  Q_OBJECT

 private slots:
  void AnEmptyReportShowsAPlainMessage() {
    ChartSetup s;
    HistoryPage& page = s.OpenHistory();
    QVERIFY(s.f.Find<QScrollArea>("UptimeChartArea") != nullptr);
    // Crashed runs only: there are none.
    s.f.Find<QAbstractButton>("FilterCheckBoxEvent")->click();
    s.f.Find<QAbstractButton>("rbHistEventTerminatedCrash")->click();
    s.f.Find<QAbstractButton>("btBrowseUptime")->click();
    QVERIFY(page.ReportState().dataSourceEnabled);
    QCOMPARE(QString::fromStdString(s.Chart().Picture().message), QString(kEmptyChartMessage));
    QCOMPARE(Hits(s.Chart(), HitKind::Bar), 0);
    QVERIFY(s.Chart().HoverTextAt(QPoint(100, 100)).isEmpty());
  }

  void BarsHoverAndSelectTheirDaysRows() {
    ChartSetup s;
    // Two runs on 29 April (the second crashed), one on 30 April before the
    // current one.
    s.f.PrepareHistory({
        {EncodeDateTime(2013, 4, 29, 8, 0, 0), EncodeDateTime(2013, 4, 29, 12, 0, 0), true},
        {EncodeDateTime(2013, 4, 29, 13, 0, 0), EncodeDateTime(2013, 4, 29, 17, 0, 0), false},
        {EncodeDateTime(2013, 4, 30, 9, 0, 0), EncodeDateTime(2013, 4, 30, 10, 0, 0), true},
    });
    HistoryPage& page = s.OpenHistory();
    s.f.Find<QAbstractButton>("btBrowseUptime")->click();
    ChartView& chart = s.Chart();
    QTRY_VERIFY(chart.width() > 200);
    QCOMPARE(Hits(chart, HitKind::Bar), 2);
    QCOMPARE(page.ChartSelection(), 1);  // the last day's timeline
    QCOMPARE(Hits(chart, HitKind::Span), 2);

    const QPoint first = HitPoint(chart, HitKind::Bar, 0);
    const QString hover = chart.HoverTextAt(first);
    QVERIFY2(hover.startsWith("Monday 2013-04-29\nFirst on: 08:00:00\nLast off: 17:00:00\n"
                              "Uptime: 08:00:00\n"),
             qPrintable(hover));
    QVERIFY(hover.endsWith("Boots: 2\nCrashes: 1"));

    QTest::mouseClick(&chart, Qt::LeftButton, {}, first);
    QCOMPARE(page.ChartSelection(), 0);
    QCOMPARE(page.Grid()->SelectedRecNos(), (std::set<std::size_t>{1, 2}));
    QVERIFY(s.f.Find<QLabel>("Label35")->isVisible());  // two rows: their summary
    QCOMPARE(Hits(chart, HitKind::Span), 2);

    // A span selects its row alone.
    QTest::mouseClick(&chart, Qt::LeftButton, {}, HitPoint(chart, HitKind::Span, 2));
    QCOMPARE(page.Grid()->SelectedRecNos(), (std::set<std::size_t>{2}));
  }

  void ChartDataGoesToACsvFile() {
    ChartSetup s;
    s.f.PrepareHistory(
        {{EncodeDateTime(2013, 4, 29, 8, 0, 0), EncodeDateTime(2013, 4, 29, 12, 0, 0), true}});
    HistoryPage& page = s.OpenHistory();
    const std::string file = s.f.dir.File("chart.csv");
    page.Dialogs().askCsvFile = [&](const std::string&) { return file; };
    s.f.Find<QAbstractButton>("btBrowseUptime")->click();
    s.f.Find<QAbstractButton>("btExportChartCsv")->click();
    QCOMPARE(QString::fromStdString(ReadFileBytes(file)),
             QString::fromStdString(HistoryChartCsv(page.ChartData())));
    QVERIFY(ReadFileBytes(file).find("2013-04-29\t2013-04-29\t2013-04-29 08:00:00\t") !=
            std::string::npos);
  }

  void LoginTimelineFollowsTheTreeAndSelectsALogin() {
    test::WindowFixture f;
    f.clock->counter = 4 * 3600 * f.clock->frequency;
    // Run 1 crashed with ann's and bob's logins; run 2 goes on with ann.
    f.service->PrepareHandOver(
        "2013-04-29 06:00:00;7200;;1;;0\r\n"
        "2013-04-29 06:01:00;7200;PC1|ann;5;0;\r\n"
        "2013-04-29 06:31:00;7200;PC1|ann;6;0;\r\n"
        "2013-04-29 06:35:00;7200;PC1|bob;5;0;\r\n"
        "2013-04-29 10:00:00;7200;PC1|bob;6;0;\r\n"
        "2013-04-30 06:00:00;7200;;1;;0\r\n"
        "2013-04-30 06:01:00;7200;PC1|ann;5;0;\r\n");
    TfrmBrenvikMain& window = f.OpenWindow();
    window.resize(912, 700);
    window.show();
    f.Find<QAbstractButton>("btLoginHist")->click();
    auto& timeline = *f.Find<ChartView>("LoginTimeline");
    QCOMPARE(QString::fromStdString(timeline.Picture().message),
             QString("No computer run in this report."));
    f.Find<QAbstractButton>("btBrowseLogins")->click();
    LoginsPage& page = *window.Logins();
    QCOMPARE(page.TimelineRun(), 1);
    QCOMPARE(Hits(timeline, HitKind::Span), 2);  // the run and ann's login

    LoginTreeView& tree = *page.TreeView();
    tree.setCurrentIndex(tree.Model()->index(0, 0));
    QCOMPARE(page.TimelineRun(), 0);
    QCOMPARE(Hits(timeline, HitKind::Span), 3);
    QVERIFY(timeline.HoverTextAt(HitPoint(timeline, HitKind::Span, 1)).startsWith("bob [PC1]\n"));
    QTest::mouseClick(&timeline, Qt::LeftButton, {}, HitPoint(timeline, HitKind::Span, 1));
    const QModelIndex current = tree.currentIndex();
    QCOMPARE(current.parent().row(), 0);
    QCOMPARE(current.row(), 1);
  }
};

}  // namespace
}  // namespace brenvik

QTEST_MAIN(brenvik::ChartTest)
#include "chart_test.moc"
