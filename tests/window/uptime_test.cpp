// The "Uptime" page over a prepared history: the figures, counts and date
// captions after the start-up refresh, the clipboard report, the "Computer
// turned off" caption, the seconds timer with the tray, and the balloon.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include "window/click_label.h"
#include "window/tray.h"
#include "window/uptime_page.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

// A mark of the service at now, so that the hand-over finds its file at once.
void ServeHeartbeat(test::WindowFixture& f) {
  f.service->PrepareHandOver("2013-04-30 10:00:00;7200;;8;;\r\n");
}

// Now is 2013-04-30 12:00:00; the system has been up 2 days 3:10:05, so the
// current run started 2013-04-28 08:49:55, and ann's login became active a
// minute later (the service logs UTC, two hours behind). Three earlier runs,
// one crashed, the crashed one the longest (3 days 1:30), and a program's run.
void PrepareThreeRuns(test::WindowFixture& f) {
  f.clock->counter = (2 * 86400 + 3 * 3600 + 10 * 60 + 5) * f.clock->frequency;
  f.service->PrepareHandOver(
      "2013-04-28 06:49:55;7200;;1;;0\r\n"
      "2013-04-28 06:50:55;7200;PC1|ann;5;0;\r\n");
  f.PrepareHistory({
      {At(2013, 3, 1, 8), At(2013, 3, 1, 17), true, 600, 31800},
      {At(2013, 3, 1, 9), At(2013, 3, 1, 10), true, 0, -1, "/usr/bin/vi"},
      {At(2013, 4, 10, 9), At(2013, 4, 13, 10, 30), false},
      {At(2013, 4, 20, 7), At(2013, 4, 20, 7, 30), true},
  });
}

QStringList Row(test::WindowFixture& f, int row) {
  QStringList texts;
  for (int unit = 0; unit < UptimePage::kUnits; ++unit) {
    texts << f.window()->Uptime()->Figure(row, unit)->text();
  }
  return texts;
}

QString TextOf(test::WindowFixture& f, const char* name) { return f.Find<QLabel>(name)->text(); }

const char* const kExpectedReport =
    "Uptime report at: 2013-04-30 12:00:00\r\n\r\n"
    "Current\r\n"
    "   Uptime: 2 days 3 hours 10 minutes 5 seconds\r\n"
    "   Idle time: 1 minutes\r\n\r\n"
    "Total\r\n"
    "   Uptime: 5 days 14 hours 10 minutes 5 seconds\r\n"
    "   Idle time: 21 minutes\r\n"
    "   Downtime: 1 months 23 days 13 hours 49 minutes 55 seconds\r\n\r\n"
    "Highest Uptime (record)\r\n"
    "   3 days 1 hours 30 minutes [Date set 2013-04-10]\r\n\r\n"
    "Turned on 4 times\r\n"
    "Turned off 2 times\r\n"
    "Crashed 1 times\r\n\r\n"
    "Last time was turned on at 2013-04-28 08:49:55\r\n"
    "Last time was turned off at 2013-04-20 07:30:00\r\n\r\n"
    "Counting uptime since 2013-03-01";

}  // namespace

class UptimeTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QGuiApplication::clipboard()->clear(); }

  void TheFiguresCountsAndCaptionsFollowTheHistory() {
    test::WindowFixture f;
    PrepareThreeRuns(f);
    f.OpenWindow().show();
    QTest::mouseClick(f.Find<QPushButton>("btUptime"), Qt::LeftButton);
    QCOMPARE(Row(f, UptimePage::CurrentUptime), QStringList({"", "", "2", "3", "10", "5"}));
    QCOMPARE(Row(f, UptimePage::CurrentIdle), QStringList({"", "", "", "0", "1", "0"}));
    QCOMPARE(Row(f, UptimePage::TotalUptime), QStringList({"", "", "5", "14", "10", "5"}));
    QCOMPARE(Row(f, UptimePage::TotalIdle), QStringList({"", "", "", "0", "21", "0"}));
    QCOMPARE(Row(f, UptimePage::TotalDowntime), QStringList({"", "1", "23", "13", "49", "55"}));
    QCOMPARE(Row(f, UptimePage::RecordUptime), QStringList({"", "", "3", "1", "30", "0"}));
    QCOMPARE(TextOf(f, "Label7"), QString("4"));
    QCOMPARE(TextOf(f, "Label6"), QString("2"));
    QCOMPARE(TextOf(f, "Label8"), QString("1"));
    QCOMPARE(TextOf(f, "Label2"), QString("<b>2013-04-28 - 08:49:55</b>"));
    QCOMPARE(TextOf(f, "label5"), QString("<b>2013-04-20 - 07:30:00</b>"));
    QCOMPARE(TextOf(f, "label37"), QString("<b>2013-03-01</b>"));
    QCOMPARE(f.Find<QLabel>("lwmuSec")->toolTip(),
             QString("Click here to copy uptime statistics to clipboard"));
    QCOMPARE(f.Find<QLabel>("label5")->palette().color(QPalette::WindowText), QColor(0, 84, 168));
  }

  void TheFiguresRunOnWithTheClock() {
    test::WindowFixture f;
    PrepareThreeRuns(f);
    f.OpenWindow().show();
    f.clock->Advance(3600 * 1000 + 55 * 1000);
    f.window()->timerSecondsTimer();
    QCOMPARE(Row(f, UptimePage::CurrentUptime), QStringList({"", "", "2", "4", "11", "0"}));
    QCOMPARE(Row(f, UptimePage::TotalIdle), QStringList({"", "", "", "0", "21", "0"}));
    QCOMPARE(f.window()->Tray()->Hint(), QString("Computer Uptime - 2 days 4 hours 11 minutes "));
  }

  void AClickOnAnyFigureOrCountCopiesTheReport() {
    test::WindowFixture f;
    PrepareThreeRuns(f);
    f.OpenWindow().show();
    for (const char* name : {"lwtuHr", "lwuYears", "Label8", "Label2", "label37"}) {
      QGuiApplication::clipboard()->clear();
      ServeHeartbeat(f);
      QTest::mouseClick(f.Find<QLabel>(name), Qt::LeftButton);
      QCOMPARE(QGuiApplication::clipboard()->text(), QString(kExpectedReport));
    }
    QVERIFY(f.messages.errors.empty());
  }

  void TurnedOffWithoutTheImportOpensTheOptions() {
    test::WindowFixture f;
    f.OpenWindow().show();
    QLabel* label5 = f.Find<QLabel>("label5");
    QCOMPARE(label5->text(), QString("<b><u>N/A, import now!</u></b>"));
    QCOMPARE(label5->toolTip(),
             QString("Click here to open Options, and import Windows uptime history"));
    QCOMPARE(label5->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(label5->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(label5, Qt::LeftButton);
    QCOMPARE(f.Find<QStackedWidget>("Notebook")->currentWidget()->objectName(), QString("Options"));
    QVERIFY(f.Find<QPushButton>("btOptionsHist")->isChecked());
    QVERIFY(!f.Find<QPushButton>("btUptime")->isChecked());
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
  }

  void TurnedOffAfterTheImportCopiesTheReport() {
    test::WindowFixture f;
    PrepareThreeRuns(f);
    f.ProductKey()->WriteBool("WindowsImportExecuted", true);
    f.OpenWindow().show();
    ServeHeartbeat(f);
    QTest::mouseClick(f.Find<QLabel>("label5"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString(kExpectedReport));
    QCOMPARE(f.window()->ActivePage(), 0);
  }

  void TheTrayHintFollowsTheUptimeWhileHiddenOnlyWithTheTrayOption() {
    test::WindowFixture f;
    PrepareThreeRuns(f);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    window.timerSecondsTimer();
    window.hide();
    const QString before = window.Tray()->Hint();
    f.clock->Advance(60 * 1000);
    window.timerSecondsTimer();
    QCOMPARE(window.Tray()->Hint(), before);  // hidden without the tray: only counting

    f.Find<QCheckBox>("chMinimizetoSystemTray")->click();
    QVERIFY(window.Tray()->IsActive());
    window.timerSecondsTimer();
    QCOMPARE(window.Tray()->Hint(),
             QString("Computer Uptime - 2 days 3 hours 11 minutes 5 seconds"));
    // The figures of the hidden page stay as they were.
    QCOMPARE(Row(f, UptimePage::CurrentUptime), QStringList({"", "", "2", "3", "10", "5"}));
  }

  void ShowHideTwiceRestoresTheWindowOnItsPage() {
    test::WindowFixture f;
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    f.Find<QCheckBox>("chMinimizetoSystemTray")->click();
    QTest::mouseClick(f.Find<QPushButton>("btLoginHist"), Qt::LeftButton);
    window.Tray()->mnuShowHide()->trigger();
    QVERIFY(!window.isVisible());
    window.Tray()->mnuShowHide()->trigger();
    QVERIFY(window.isVisible());
    QCOMPARE(window.ActivePage(), 3);
    QVERIFY(f.Find<QPushButton>("btLoginHist")->isChecked());
    // Minimising while the icon is active leaves only the icon; a double-click
    // on the icon brings the window back, and minimises it again.
    window.showMinimized();
    QTRY_VERIFY(!window.isVisible());
    emit window.Tray()->doubleClicked();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    emit window.Tray()->doubleClicked();
    QTRY_VERIFY(!window.isVisible());
    window.Tray()->mnuShowHide()->trigger();
    f.Find<QCheckBox>("chMinimizetoSystemTray")->click();
    QVERIFY(!window.Tray()->IsActive());
  }

  void TheBalloonShowsTheUptimeAndTheBootMoment() {
    test::WindowFixture f;
    f.clock->counter = 3 * 60 * f.clock->frequency;
    ServeHeartbeat(f);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.Tray()->ShowUptime1()->trigger();
    QCOMPARE(window.Tray()->LastBalloonTitle(), QString("Computer Uptime"));
    QCOMPARE(window.Tray()->LastBalloonText(),
             QString("3 minutes \r\n\r\nComputer turned on: 2013-04-30 - 11:57:00"));
    QCOMPARE(window.Tray()->Hint(), QString("Computer Uptime - 3 minutes "));
  }
};

}  // namespace brenvik

QTEST_MAIN(brenvik::UptimeTest)
#include "uptime_test.moc"
