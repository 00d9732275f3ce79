// The window shell: first start, navigation, the fixed frame, leaving by
// close or by btExit, the running copy being findable, power events and the
// general error report.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>
#ifndef _WIN32
#include <csignal>
#endif

#include "base/errors.h"
#include "base/file_io.h"
#ifndef _WIN32
#include "platform/posix/posix_system.h"
#endif
#include "window/action_guard.h"
#include "window/app_main.h"
#include "window/shell_parts.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

const char* const kPageButtons[] = {"btUptime", "btPrograms", "btUptimeHist", "btLoginHist",
                                    "btOptionsHist"};
const char* const kPageNames[] = {"Uptime", "Programms", "History", "Logins", "Options"};

QStringList PressedButtons(test::WindowFixture& f) {
  QStringList pressed;
  for (const char* name : kPageButtons) {
    if (f.Find<QPushButton>(name)->isChecked()) pressed << name;
  }
  return pressed;
}

QString CurrentPage(test::WindowFixture& f) {
  return f.Find<QStackedWidget>("Notebook")->currentWidget()->objectName();
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void FirstStartShowsTheUptimePageWithItsButtonPressed() {
    test::WindowFixture f;
    TfrmBrenvikMain& window = f.OpenWindow();
    QCOMPARE(CurrentPage(f), QString("Uptime"));
    QCOMPARE(PressedButtons(f), QStringList{"btUptime"});
    QVERIFY(!window.LoadingFirstStage());
    QCOMPARE(window.windowTitle(), QString("Brenvik"));
    QCOMPARE(window.size(), QSize(912, 580));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.Find<QLabel>("lVersion")->text(), QString("Version 1.3"));
    QVERIFY(f.Find<QWidget>("PanelLoadData")->isHidden());
    QCOMPARE(f.Find<QLabel>("Label14")->text(),
             QString("Importing data from \nService Application..."));
  }

  void EveryPageButtonShowsItsPageAndIsTheOnlyOnePressed() {
    test::WindowFixture f;
    f.OpenWindow().show();
    for (int i : {4, 2, 2, 3, 1, 0, 4}) {
      QTest::mouseClick(f.Find<QPushButton>(kPageButtons[i]), Qt::LeftButton);
      QCOMPARE(CurrentPage(f), QString(kPageNames[i]));
      QCOMPARE(PressedButtons(f), QStringList{kPageButtons[i]});
    }
  }

  void PagesAreSelectableByNameAndIndex() {
    test::WindowFixture f;
    TfrmBrenvikMain& window = f.OpenWindow();
    window.ShowPage("Logins");
    QCOMPARE(window.ActivePage(), 3);
    window.ShowPage(1);
    QCOMPARE(CurrentPage(f), QString("Programms"));
    window.ShowPage("Nonexistent");
    window.ShowPage(9);
    QCOMPARE(window.ActivePage(), 1);
  }

  void ClosingStoresTheSettingsAndExitDoesNot() {
    test::WindowFixture f;
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    QSignalSpy exitSpy(&window, &TfrmBrenvikMain::exitRequested);
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);
    QTest::mouseClick(f.Find<QPushButton>("btExit"), Qt::LeftButton);
    QCOMPARE(exitSpy.count(), 1);
    f.DestroyWindow();
    QVERIFY(!f.ProductKey()->ValueExists("ActivePage"));

    TfrmBrenvikMain& second = f.OpenWindow();
    QCOMPARE(second.ActivePage(), 0);
    second.show();
    QSignalSpy closedSpy(&second, &TfrmBrenvikMain::closed);
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);
    QVERIFY(second.close());
    QCOMPARE(closedSpy.count(), 1);
    QCOMPARE(f.ProductKey()->ReadInteger("ActivePage"), std::optional<std::int32_t>(4));

    f.OpenWindow();
    QCOMPARE(CurrentPage(f), QString("Options"));
    QCOMPARE(PressedButtons(f), QStringList{"btOptionsHist"});
  }

#ifndef _WIN32
  // A session that ends sends SIGTERM, a terminal that goes away SIGHUP:
  // the window closes as by its close button and keeps the run's settings.
  void AStopSignalClosesTheWindowAndStoresTheSettings() {
    test::WindowFixture f;
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    CloseOnStopSignals(window);
    QSignalSpy closedSpy(&window, &TfrmBrenvikMain::closed);
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);
    QVERIFY(std::raise(SIGTERM) == 0);
    QTRY_COMPARE(closedSpy.count(), 1);
    QCOMPARE(f.ProductKey()->ReadInteger("ActivePage"), std::optional<std::int32_t>(4));

    // The next window takes the signals over; once it is gone they have
    // their default action again.
    TfrmBrenvikMain& second = f.OpenWindow();
    second.show();
    CloseOnStopSignals(second);
    QSignalSpy secondClosed(&second, &TfrmBrenvikMain::closed);
    QVERIFY(std::raise(SIGHUP) == 0);
    QTRY_COMPARE(secondClosed.count(), 1);
    f.DestroyWindow();
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    QVERIFY(now.sa_handler == SIG_DFL);
  }
#endif

  void AStoredPageOutOfRangeStartsOnTheUptimePage() {
    test::WindowFixture f;
    f.ProductKey()->WriteInteger("ActivePage", 7);
    f.OpenWindow();
    QCOMPARE(CurrentPage(f), QString("Uptime"));
    QCOMPARE(PressedButtons(f), QStringList{"btUptime"});
  }

  void TheHomePageLinkOpensTheAddress() {
    test::WindowFixture f;
    f.OpenWindow().show();
    QTest::mouseClick(f.Find<QLabel>("lVisitHomePage"), Qt::LeftButton);
    QCOMPARE(f.shell->opened, std::vector<std::string>{kHomePageAddress});
  }

  void ASecondCopyRefusesWhileTheWindowExists() {
    test::WindowFixture f;
    f.ProductKey();  // installed for this user
    std::unique_ptr<SingleInstance> first = test::MakeSingleInstance(f.markerFolder);
    first->CreateLock(kMutexName);
    TfrmBrenvikMain& window = f.OpenWindow();
    QVERIFY(window.IsFindable());

    Platform& platform = *f.platform;
    platform.singleInstance = test::MakeSingleInstance(f.markerFolder);
    RecordingMessageSink messages;
    QVERIFY(!PassStartUpChecks(platform, messages));
    QCOMPARE(messages.messages, std::vector<std::string>{"Brenvik is already running!"});

    // Once the window is gone a copy starts, even while the lock is still held
    // (a copy that crashed without its window).
    f.DestroyWindow();
    RecordingMessageSink later;
    QVERIFY(PassStartUpChecks(platform, later));
    QVERIFY(later.messages.empty());
  }

  void ACopyForAnotherUserIsTurnedAway() {
    test::WindowFixture f;
    Platform& platform = *f.platform;
    platform.singleInstance = test::MakeSingleInstance(f.markerFolder);
    RecordingMessageSink messages;
    QVERIFY(!PassStartUpChecks(platform, messages));
    QCOMPARE(messages.messages,
             std::vector<std::string>{"Program must be run by the same person that installed it. "
                                      "Application will be closed now."});
  }

#ifndef _WIN32
  void AStaleWindowSocketDoesNotHideTheNewWindow() {
    test::WindowFixture f;
    const std::string path = MainWindowSocketPath(f.markerFolder, kMainWindowClass);
    // A file at the socket's place without a server behind it, as a crash
    // leaves it.
    f.dir.Write("tmp/" + path.substr(f.markerFolder.size()), "");
    QVERIFY(f.OpenWindow().IsFindable());
    PosixSingleInstance probe(f.markerFolder);
    QVERIFY(probe.MainWindowExists(kMainWindowClass));
  }
#endif

  void PowerEventsGrantSuspendQueriesOnly() {
    test::WindowFixture f;
    TfrmBrenvikMain& window = f.OpenWindow();
    for (int code : {0, 1, 4}) QVERIFY(window.PowerBroadcast(code));
    for (int code : {2, 7, 18}) QVERIFY(!window.PowerBroadcast(code));
    QCOMPARE(window.ServiceStatus(), 0);
  }

  void AnErrorInAnActionIsReportedAndTheProgramGoesOn() {
    RecordingMessageSink sink;
    QVERIFY(!RunGuarded(sink, [] { throw FileError("Cannot write \"History.cds\""); }));
    QVERIFY(!RunGuarded(sink, [] { throw 42; }));
    QVERIFY(RunGuarded(sink, [] {}));
    QCOMPARE(sink.errors,
             (std::vector<std::string>{"Cannot write \"History.cds\"", kUnknownErrorText}));
  }
};

}  // namespace brenvik

QTEST_MAIN(brenvik::ShellTest)
#include "shell_test.moc"
