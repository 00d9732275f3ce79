// The window's life with the data and the service: the import of the
// earlier history, the service that is not running or never answers, the
// loading panel, power events, errors of an action, and the settings and
// grid layout across a restart.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include "base/file_io.h"
#include "datastore/import/file_event_log.h"
#include "programs/program_discovery.h"
#include "programs/watched_programs.h"
#include "settings/column_layout.h"
#include "statistics/win_statistics.h"
#include "window/app_main.h"
#include "window/uptime_page.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

// Counts how often a widget is shown.
class ShowCounter : public QObject {
 public:
  explicit ShowCounter(QWidget* widget) { widget->installEventFilter(this); }
  int shown = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shown;
    return false;
  }
};

// Two runs in the System log (UTC): 2013-02-10 06:00 to 15:00 and a boot
// on 2013-02-11 that ended without a shutdown record before the next boot.
void UseSystemLog(test::WindowFixture& f) {
  const std::string path = f.dir.Write("system.log",
                                       "2013-02-10 06:00:00;6005\n"
                                       "2013-02-10 15:00:00;6006\n"
                                       "2013-02-11 07:00:00;6005\n"
                                       "2013-02-11 09:00:00;7036\n"
                                       "2013-02-12 07:00:00;6005\n");
  auto log = std::make_unique<FileEventLog>();
  log->SetFile(EventLogName::System, path);
  f.platform->eventLog = std::move(log);
}

QLabel* Label(test::WindowFixture& f, const char* name) { return f.Find<QLabel>(name); }

}  // namespace

class LifecycleTest : public QObject {
  Q_OBJECT

 private slots:
  void TheImportFillsTheEarlierHistoryAndRefreshes() {
    test::WindowFixture f;
    UseSystemLog(f);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);
    QTest::mouseClick(f.Find<QPushButton>("btImport"), Qt::LeftButton);

    QCOMPARE(f.messages.messages,
             std::vector<std::string>{"The Import Procedure has been executed succesfully."});
    QCOMPARE(window.ActivePage(), 0);
    QVERIFY(f.Find<QPushButton>("btUptime")->isChecked());
    QVERIFY(!f.Find<QPushButton>("btOptionsHist")->isChecked());
    QCOMPARE(Label(f, "label5")->text(), QString("<b>2013-02-11 - 11:00:00</b>"));
    QCOMPARE(Label(f, "label5")->palette().color(QPalette::WindowText), QColor(0, 84, 168));
    QCOMPARE(Label(f, "label5")->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(Label(f, "label5")->toolTip(),
             QString("Click here to copy uptime statistics to clipboard"));
    QCOMPARE(Label(f, "label37")->text(), QString("<b>2013-02-10</b>"));
    // Two imported runs and the current one.
    QCOMPARE(Label(f, "Label7")->text(), QString("3"));
    QCOMPARE(Label(f, "Label8")->text(), QString("1"));
    QCOMPARE(f.ProductKey()->ReadBool("WindowsImportExecuted"), std::optional<bool>(true));

    // A second import is refused without a word; the figures are refreshed.
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);
    QTest::mouseClick(f.Find<QPushButton>("btImport"), Qt::LeftButton);
    QCOMPARE(f.messages.messages.size(), std::size_t{1});
    QCOMPARE(window.ActivePage(), 4);
    QCOMPARE(Label(f, "Label7")->text(), QString("3"));
    QVERIFY(f.messages.errors.empty());
  }

  void AFailingImportIsReportedAndTheWindowGoesOn() {
    test::WindowFixture f;
    auto log = std::make_unique<FileEventLog>();
    log->SetFile(EventLogName::System, f.dir.File("missing.log"));
    f.platform->eventLog = std::move(log);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);
    ShowCounter panel(f.Find<QWidget>("PanelLoadData"));
    QTest::mouseClick(f.Find<QPushButton>("btImport"), Qt::LeftButton);
    QCOMPARE(f.messages.errors.size(), std::size_t{1});
    QVERIFY(f.messages.messages.empty());
    QCOMPARE(panel.shown, 1);  // the statistics were refreshed all the same
    QVERIFY(!f.ProductKey()->ValueExists("WindowsImportExecuted"));
    QTest::mouseClick(f.Find<QPushButton>("btUptime"), Qt::LeftButton);
    QCOMPARE(window.ActivePage(), 0);
  }

  void TheServiceMessageComesAtTheFifthFailureAndAgainAfterAPowerEvent() {
    test::WindowFixture f;
    f.service.reset();  // not running
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    for (int click = 0; click < 6; ++click) {
      QTest::mouseClick(Label(f, "Label7"), Qt::LeftButton);
    }
    QCOMPARE(window.ServiceStatus(), -7);
    QCOMPARE(f.messages.messages, std::vector<std::string>{kServiceNotRunningMessage});
    QVERIFY(window.PowerBroadcast(4));
    for (int click = 0; click < 5; ++click) {
      QTest::mouseClick(Label(f, "Label7"), Qt::LeftButton);
    }
    QCOMPARE(f.messages.messages.size(), std::size_t{2});
    QVERIFY(Label(f, "Label7")->text() == "1");
  }

  void AServiceThatNeverAnswersCostsAtMostTheChannelsTimeOut() {
    test::WindowFixture f;
    f.service->SetSilent(true);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    ShowCounter panel(f.Find<QWidget>("PanelLoadData"));
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(Label(f, "lwuSec"), Qt::LeftButton);
    QVERIFY2(timer.elapsed() < 500 + 400, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(panel.shown, 1);
    QVERIFY(f.Find<QWidget>("PanelLoadData")->isHidden());
    QCOMPARE(window.ServiceStatus(), -2);
  }

  void SettingsOfEveryTypeSurviveARestart() {
    test::WindowFixture f;
    {
      auto key = f.ProductKey();
      // Values of the pages built later: restored and written back as read.
      key->WriteString("UptimeCSVPath", "/home/ann/uptime.csv");
      key->WriteInteger("vstLoginSortCol", 4);
      key->WriteBool("FilterCheckBoxRuns", true);
      key->WriteBool("chComputerRunAfter", true);
      key->WriteString("dateTimePickCompRunAfter", "2013-02-03");
      key->WriteString("tmEdCompRunAfter", "1899-12-30 07:08:09");
    }
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    f.Find<QCheckBox>("chMinimizetoSystemTray")->click();
    QTest::mouseClick(f.Find<QPushButton>("btUptimeHist"), Qt::LeftButton);
    QVERIFY(window.close());

    TfrmBrenvikMain& again = f.OpenWindow();
    QVERIFY(f.Find<QCheckBox>("chMinimizetoSystemTray")->isChecked());
    QCOMPARE(again.ActivePage(), 2);
    QVERIFY(f.Find<QPushButton>("btUptimeHist")->isChecked());
    QCOMPARE(again.Environment().uptimeCsvPath, std::string("/home/ann/uptime.csv"));
    QCOMPARE(again.Environment().loginSortCol, 4);
    QVERIFY(again.Environment().filterRuns);
    QCOMPARE(again.Environment().after.date, EncodeDate(2013, 2, 3));
    QCOMPARE(again.Environment().after.time, EncodeTime(7, 8, 9, 0));
    auto key = f.ProductKey();
    QCOMPARE(key->ReadInteger("chMinimizetoSystemTray"), std::optional<std::int32_t>(1));
    QCOMPARE(key->ReadString("tmEdCompRunAfter"),
             std::optional<std::string>("1899-12-30 07:08:09"));
    QCOMPARE(key->ReadInteger("cmbbRunPeriod"), std::optional<std::int32_t>(3));
  }

  void TheSessionStartBoxIsTheRunKeyValueItself() {
    test::WindowFixture f;
    const auto runValue = [&] {
      auto key = f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kRunKeyPath, false);
      return key ? key->ReadString(kAutostartValueName) : std::nullopt;
    };
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    QVERIFY(!f.Find<QCheckBox>("chStartWithSession")->isChecked());
    QVERIFY(!runValue());
    f.Find<QCheckBox>("chStartWithSession")->click();
    QCOMPARE(runValue(), std::optional<std::string>("\"" + std::string(test::kFakeWindowProgram) +
                                                    "\" --minimized"));

    // A new window, with no settings saved in between, shows the entry.
    TfrmBrenvikMain& again = f.OpenWindow();
    again.show();
    QVERIFY(f.Find<QCheckBox>("chStartWithSession")->isChecked());
    f.Find<QCheckBox>("chStartWithSession")->click();
    QVERIFY(!runValue());
    QVERIFY(f.messages.messages.empty());
  }

  void ADamagedGridLayoutIsReplacedByTheDefault() {
    test::WindowFixture f;
    const std::string path = f.folders.settingsFolder + kColumnsSettingsFile;
    f.dir.Write("tree/Settings/" + std::string(kColumnsSettingsFile), "\x7f\x45LF garbage");
    TfrmBrenvikMain& window = f.OpenWindow();
    QVERIFY(!FileExists(path));
    QVERIFY(window.ColumnsLayout() == DefaultHistoryColumns());
    window.show();
    QVERIFY(window.close());
    QVERIFY(DecodeColumnLayout(ReadFileBytes(path)) == DefaultHistoryColumns());
  }

  void ADamagedTableWithoutTheServiceEndsTheProgramAfterStartUp() {
    test::WindowFixture f;
    f.ProductKey();
    f.platform->registry->OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, true)
        ->WriteString("FolderDataPath", f.dir.path() + "tree/");
    f.dir.Write("tree/Data/History.cds", "not a table");
    f.service.reset();
    QCOMPARE(RunBrenvik(*qApp, *f.platform, f.messages), 0);
    // No backups either: the second attempt starts empty, with its message.
    QCOMPARE(f.messages.messages,
             (std::vector<std::string>{"Database has been corrupted. Restoring from backup, but "
                                       "service can not be connected. Closing down...",
                                       "Unfortunately due to severe database file damage, uptime "
                                       "history has been lost."}));
    // The window was destroyed, so the tables were closed and backed up.
    QVERIFY(FileExists(f.folders.dataFolder + "Backup/History.cds"));
  }

  void ADataTreeHeldByAnotherProgramIsLeftAlone() {
    test::WindowFixture f;
    f.ProductKey();
    f.platform->registry->OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, true)
        ->WriteString("FolderDataPath", f.dir.path() + "tree/");
    auto instance = std::make_unique<test::FakeSingleInstance>();
    instance->treesHeldByOthers = {f.folders.dataFolder};
    f.platform->singleInstance = std::move(instance);
    QCOMPARE(RunBrenvik(*qApp, *f.platform, f.messages), 0);
    QCOMPARE(f.messages.messages,
             std::vector<std::string>{DataTreeInUseMessage(f.folders.dataFolder)});
    QVERIFY(!FileExists(f.folders.dataFolder + "History.cds"));
    QVERIFY(!FileExists(f.folders.dataFolder + "UptimeLog.dat"));
  }

  void WatchedProgramsAreRestoredAndDroppedProgramsWatched() {
    test::WindowFixture f;
    const std::string editor = f.dir.Write("editor.exe", "MZ");
    const std::string player = f.dir.Write("player.exe", "MZ");
    f.platform->registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true)
        ->WriteString("Watched0", editor);
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    QCOMPARE(window.Watched().Programs().size(), std::size_t{1});
    QCOMPARE(window.Watched().Programs()[0].rLongExePath, editor);
    const std::size_t commandsBefore = f.service->Received().size();

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(player)),
                  QUrl::fromLocalFile(QString::fromStdString(f.dir.Write("notes.txt", "x")))});
    // As a drag arrives: entering makes the window the drop target.
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QCOMPARE(window.Watched().Programs().size(), std::size_t{2});
    QCOMPARE(window.Watched().Programs()[1].rLongExePath, player);
    QVERIFY(FileExists(f.folders.settingsFolder + "ProgrammsToWatch.ini"));
    QCOMPARE(f.service->Received().size(), commandsBefore + 1);  // command 3
    QVERIFY(f.messages.errors.empty());
  }

  void ClosingBacksUpTheTables() {
    test::WindowFixture f;
    f.service->PrepareHandOver("2013-04-30 09:59:00;7200;;1;;0\r\n");
    f.OpenWindow().show();
    QVERIFY(f.window()->close());
    f.DestroyWindow();
    for (const char* table : {"History.cds", "Logins.cds", "Transactions.cds"}) {
      const std::string file = f.folders.dataFolder + table;
      const std::string backup = f.folders.dataFolder + "Backup/" + table;
      QVERIFY2(FileExists(backup), table);
      QVERIFY(ReadFileBytes(backup) == ReadFileBytes(file));
    }
    QVERIFY(!FileExists(f.folders.dataFolder + "Backup/LogInformation.dat"));
  }
};

}  // namespace brenvik

QTEST_MAIN(brenvik::LifecycleTest)
#include "lifecycle_test.moc"
