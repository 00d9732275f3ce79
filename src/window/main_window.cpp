// Creation, destruction and the layout of the window.
#include "window/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>

#include "datastore/service_link/diagnostic_log.h"
#include "records/date_format.h"
#include "reports/session_processing.h"
#include "reports/uptime/uptime_report.h"
#include "statistics/history_summary_rows.h"
#include "window/action_guard.h"
#include "window/artwork.h"
#include "window/click_label.h"
#include "window/history_page.h"
#include "window/instance_marker.h"
#include "window/logins_page.h"
#include "window/options_page.h"
#include "window/programms_page.h"
#include "window/shell_parts.h"
#include "window/tray.h"
#include "window/uptime_page.h"

namespace brenvik {

TfrmBrenvikMain::TfrmBrenvikMain(WindowContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      context_(std::move(context)) {
  setObjectName(kMainWindowClass);
  BuildControls();
  ConnectHandlers();
  marker_ = InstanceMarker::Create(context_.markerFolder,
                                   [this](int code) { return PowerBroadcast(code); });

  // 1. The diagnostic log, the caption.
  diagnostics_.SetLogFile(*context_.platform.files, context_.folders.dataFolder + "UptimeLog.dat");
  setWindowTitle(kApplicationTitle);
  // 2. The first settings stage begins; files may be dropped on the window.
  gbLoadingFirstStage = true;
  setAcceptDrops(true);
  // 3. An empty watched list; the statistics state: no last end, no first
  // boot, no failures.
  Platform& platform = context_.platform;
  watched_ = std::make_unique<WatchedPrograms>(
      WatchedProgramsParts{*platform.registry, *platform.servicePipe, *platform.shell,
                           *platform.versionResources, *platform.files, &programmsPage_->Icons(),
                           context_.folders.settingsFolder, context_.folders.dataFolder});
  AttachProgrammsPage();
  stats_ = WinStatistics{};
  // 5. The seconds cycle starts from nothing; the figures are blank.
  cycle_ = SecondsCycleState{};
  ShowBlankFigures();
  // 6. The tables with their recovery (the report's calculated fields come
  // from the program directory); the program's date formats.
  tables_.historyCalcHandler = MakeHistoryCalcHandler(*programDirectory_);
  OpenTables(tables_,
             ServiceLink{*context_.platform.servicePipe, *context_.platform.clock,
                         *context_.platform.files, context_.folders.dataFolder},
             *this);
  InitAppFormatSettings(context_.platform.locale->Current());
  processing_ = std::make_unique<SessionProcessing>(context_.platform, tables_,
                                                    context_.folders.dataFolder, diagnostics_);
  windowsHistory_ = std::make_unique<TableWindowsHistory>(tables_);
  // 7. The start of the current run from the system's uptime.
  stats_ = InitialWinStatistics(*context_.platform.clock);
  // 8. The settings of the last run; their load runs the first refresh.
  // Failures are reported and the window still comes up.
  columnsLayout_ = DefaultHistoryColumns();
  Guarded([&] { LoadEnvironment(true); });
  // The History page over the tables and what the first pass found.
  Guarded([&] { AttachHistoryPage(); });
  // The Logins page over the computer-runs tree of the processing.
  Guarded([&] { AttachLoginsPage(); });
  // 11. The second stage applies what depends on the restored controls.
  LoadEnvironmentSecondStage();
  // 12. Every label that copies the report tells so.
  uptimePage_->SetReportHint(kCopyStatisticsHint);
  timer_->start();
}

// Destruction closes the tables (each written when changed) and makes the
// backup copies; the History page lets go of its report cursor first, the
// Logins page of the computer-runs tree.
TfrmBrenvikMain::~TfrmBrenvikMain() { ReleaseTables(); }

void TfrmBrenvikMain::ReleaseTables() {
  if (tablesReleased_) return;
  tablesReleased_ = true;
  timer_->stop();
  RunGuarded(context_.messages,
             [&] { historyPage_->ResetUptimeHistory(UptimeReportReset::OutOfDate); });
  loginsPage_->ClearTree();
  RunGuarded(context_.messages, [&] {
    CloseTablesAndBackup(tables_, *context_.platform.files, context_.folders.dataFolder);
  });
}

void TfrmBrenvikMain::EndSession() {
  close();
  ReleaseTables();
}

void TfrmBrenvikMain::BuildControls() {
  setWindowIcon(BrenvikIcon());
  setFixedSize(kClientWidth, kClientHeight);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  banner_ = new Banner(this);
  banner_->setGeometry(0, 0, kClientWidth, kBannerHeight);
  navigation_ = new NavigationColumn(this);
  navigation_->setGeometry(0, kBannerHeight, kNavigationWidth, kClientHeight - kBannerHeight);

  notebook_ = new QStackedWidget(this);
  notebook_->setObjectName("Notebook");
  notebook_->setGeometry(kNavigationWidth, kBannerHeight, kClientWidth - kNavigationWidth,
                         kClientHeight - kBannerHeight);
  uptimePage_ = new UptimePage(notebook_);
  programmsPage_ = new ProgrammsPage(notebook_);
  historyPage_ = new HistoryPage(notebook_);
  loginsPage_ = new LoginsPage(notebook_);
  optionsPage_ = new OptionsPage(notebook_);
  for (QWidget* page : {static_cast<QWidget*>(uptimePage_), static_cast<QWidget*>(programmsPage_),
                        static_cast<QWidget*>(historyPage_), static_cast<QWidget*>(loginsPage_),
                        static_cast<QWidget*>(optionsPage_)}) {
    notebook_->addWidget(page);
  }

  tray_ = new TrayIcon(this);
  timer_ = new QTimer(this);
  timer_->setObjectName("timerSeconds");
  timer_->setInterval(1000);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

void TfrmBrenvikMain::ConnectHandlers() {
  using Self = TfrmBrenvikMain;
  void (Self::*pageHandlers[NavigationColumn::kPageButtons])() = {
      &Self::btUptimeClick, &Self::btProgramsClick, &Self::btUptimeHistClick,
      &Self::btLoginHistClick, &Self::btOptionsHistClick};
  for (int i = 0; i < NavigationColumn::kPageButtons; ++i) {
    auto handler = pageHandlers[i];
    connect(navigation_->PageButton(i), &QPushButton::clicked, this,
            [this, handler] { Guarded([&] { (this->*handler)(); }); });
  }
  connect(navigation_->btExit(), &QPushButton::clicked, this,
          [this] { Guarded([&] { btExitClick(); }); });
  connect(banner_->lVisitHomePage(), &ClickLabel::clicked, this,
          [this] { Guarded([&] { lVisitHomePageClick(); }); });
  connect(optionsPage_->chMinimizetoSystemTray(), &QCheckBox::clicked, this,
          [this] { Guarded([&] { chMinimizetoSystemTrayClick(); }); });
  connect(optionsPage_->chStartWithSession(), &QCheckBox::clicked, this,
          [this] { Guarded([&] { chStartWithSessionClick(); }); });
  connect(tray_, &TrayIcon::showHideClicked, this,
          [this] { Guarded([&] { mnuShowHideClick(); }); });
  connect(tray_, &TrayIcon::doubleClicked, this,
          [this] { Guarded([&] { JvTrayIconDblClick(); }); });
  connect(tray_, &TrayIcon::showUptimeClicked, this,
          [this] { Guarded([&] { ShowUptime1Click(); }); });
  connect(tray_, &TrayIcon::balloonShown, this,
          [this] { Guarded([&] { JvTrayIconBalloonShow(); }); });
  connect(uptimePage_, &UptimePage::reportClicked, this,
          [this] { Guarded([&] { lwuYearsClick(); }); });
  connect(uptimePage_, &UptimePage::label5Clicked, this,
          [this] { Guarded([&] { label5Click(); }); });
  connect(optionsPage_->btImport(), &QPushButton::clicked, this,
          [this] { Guarded([&] { btImportClick(); }); });
  ConnectHistoryPage();
  connect(timer_, &QTimer::timeout, this, [this] { Guarded([&] { timerSecondsTimer(); }); });
}

bool TfrmBrenvikMain::IsFindable() const { return marker_ && marker_->IsFindable(); }

// The close query empties the three program lists (stopping a search that
// still runs) and always allows the close; the close saves the settings (a
// failure is reported and does not keep the window open).
void TfrmBrenvikMain::closeEvent(QCloseEvent* event) {
  Guarded([&] { programmsPage_->ClearTrees(); });
  Guarded([&] { SaveEnvironment(); });
  event->accept();
  emit closed();
}

}  // namespace brenvik
