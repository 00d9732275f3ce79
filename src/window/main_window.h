// The main window TfrmBrenvikMain: a fixed 912 x 580 window with the banner,
// the navigation column and the five pages in one stack, the seconds timer,
// the tray icon and the marker that makes the running copy findable. The
// window owns the state that lives longer than one operation and bears the
// named handlers; the pages only lay out their controls. Every handler runs
// inside the general error report, so an error from the core ends the action
// and never the program.
//
// Life: the constructor runs the creation steps in order (the settings load
// in a first stage with gbLoadingFirstStage true, then the second stage);
// closing the window saves the settings and emits closed(); btExit emits
// exitRequested() without saving; the destructor closes the tables and makes
// the backups.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/startup.h"
#include "datastore/startup/tables.h"
#include "platform/platform.h"
#include "programs/program_cache.h"
#include "programs/watched_programs.h"
#include "reports/report_browse.h"
#include "reports/uptime/program_directory.h"
#include "reports/uptime/saved_filters.h"
#include "reports/uptime/uptime_filter.h"
#include "settings/column_layout.h"
#include "settings/environment.h"
#include "statistics/seconds_cycle.h"
#include "statistics/win_statistics.h"
#include "window/action_guard.h"
#include "window/messages.h"

class QPushButton;
class QStackedWidget;
class QTimer;

namespace brenvik {

class Banner;
class HistoryPage;
class InstanceMarker;
class LoginsPage;
class NavigationColumn;
class OptionsPage;
class ProgrammsPage;
class TrayIcon;
class UptimePage;
class SessionProcessing;

struct WindowContext {
  Platform& platform;
  DataFolders folders;
  // Where the running copy's marker lives (the temporary folder on Linux).
  std::string markerFolder;
  MessageSink& messages;
};

inline constexpr int kClientWidth = 912;
inline constexpr int kClientHeight = 580;

class TfrmBrenvikMain : public QWidget, private StatisticsHost, private Messages {
  Q_OBJECT

 public:
  // Page indexes of the stack.
  enum Page { PageUptime, PagePrograms, PageHistory, PageLogins, PageOptions };

  explicit TfrmBrenvikMain(WindowContext context, QWidget* parent = nullptr);
  ~TfrmBrenvikMain() override;

  // Shows a page by index or by name ("Uptime", "Programms", "History",
  // "Logins", "Options"); unknown names and indexes change nothing.
  void ShowPage(int index);
  void ShowPage(const QString& name);
  int ActivePage() const;
  // Raises the five page buttons, then presses aBut.
  void ManageDown(QPushButton* aBut);

  // Handlers.
  void btUptimeClick();
  void btProgramsClick();
  void btUptimeHistClick();
  void btLoginHistClick();
  void btOptionsHistClick();
  void btExitClick();
  void lVisitHomePageClick();
  void chMinimizetoSystemTrayClick();
  void chStartWithSessionClick();
  void mnuShowHideClick();
  void JvTrayIconDblClick();
  void timerSecondsTimer();
  void lwuYearsClick();
  void label5Click();
  void ShowUptime1Click();
  void JvTrayIconBalloonShow();
  void btImportClick();
  // A power event with its WM_POWERBROADCAST code; true grants a request.
  bool PowerBroadcast(int code);
  // The session ends (Windows): the process may be ended as soon as this
  // returns, so the window closes (settings saved) and the tables are closed
  // and backed up now instead of at destruction.
  void EndSession();

  // Settings (the environment of the user).
  void LoadEnvironment(bool fullLoad);
  void LoadEnvironmentSecondStage();
  void SaveEnvironment();

  bool LoadingFirstStage() const { return gbLoadingFirstStage; }
  std::int32_t ServiceStatus() const { return stats_.serviceFailureCount; }
  const WinStatistics& Statistics() const { return stats_; }
  DataTables& Tables() { return tables_; }
  // The table recovery could not reach the service: the program ends once
  // the start-up is over.
  bool EndAfterStartUp() const { return tables_.endAfterStartUp; }
  const EnvironmentValues& Environment() const { return environment_; }
  const ColumnLayout& ColumnsLayout() const { return columnsLayout_; }

  // The watched programs (garrProgramsWatched), restored at start-up.
  WatchedPrograms& Watched() { return *watched_; }
  ProgrammsPage* Programms() const { return programmsPage_; }
  // The uptime report's filters, kept by the History page; program tracking
  // keeps its source pick list in step with the watched list.
  UptimeFilterSettings& UptimeFilter();
  HistoryPage* History() const;
  // "See Uptime History": the History page, its button pressed, the source
  // filter set to that one program; then uptimeHistoryBrowseRequested().
  void SeeUptimeHistory(const std::string& exePath);
  LoginsPage* Logins() const { return loginsPage_; }
  UptimePage* Uptime() const { return uptimePage_; }
  OptionsPage* Options() const { return optionsPage_; }
  NavigationColumn* Navigation() const { return navigation_; }
  TrayIcon* Tray() const { return tray_; }
  QTimer* timerSeconds() const { return timer_; }
  bool IsFindable() const;

 signals:
  // The window was closed by the user (settings are saved).
  void closed();
  // btExit: end the application at once.
  void exitRequested();
  // The statistics were refreshed: an uptime report on screen is out of date.
  void uptimeReportOutOfDate();
  // The uptime report is to be run as "&Browse uptime history" does.
  void uptimeHistoryBrowseRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Files dropped anywhere on the window go to the watched list.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void ConnectHandlers();
  // Runs a handler inside the general error report.
  template <typename Handler>
  void Guarded(Handler handler) {
    RunGuarded(context_.messages, handler);
  }
  void ShowAgain();
  void HideToTray();
  void ApplyEnvironmentToControls();
  void ReadEnvironmentFromControls();
  std::string ColumnsSettingsPath() const;
  StatisticsServices Services();
  void FetchStatistics();
  void ShowCaptions();
  void ShowFigures(const UptimeFigureTexts& figures);
  void ShowBlankFigures();
  void LoadWatchedPrograms();
  void AttachProgrammsPage();
  void ApplyProgramsSettings();
  void ReadProgramsSettings();
  std::vector<std::string> HistoryProgramPaths();
  BrowseHooks ReportBrowseHooks();
  void AttachHistoryPage();
  void ConnectHistoryPage();
  void ApplyHistorySettings();
  void ReadHistorySettings();
  void SaveHistorySettings();
  void AttachLoginsPage();
  // What destruction does to the data, once: the tables closed and backed up.
  void ReleaseTables();
  DateTime Now();

  // StatisticsHost and the tables' Messages.
  void BeginBusy(const std::string& panelCaption) override;
  void EndBusy() override;
  void ShowMessage(const std::string& text) override;
  void UptimeReportOutOfDate() override;

  WindowContext context_;
  Banner* banner_ = nullptr;
  NavigationColumn* navigation_ = nullptr;
  QStackedWidget* notebook_ = nullptr;
  UptimePage* uptimePage_ = nullptr;
  ProgrammsPage* programmsPage_ = nullptr;
  HistoryPage* historyPage_ = nullptr;
  LoginsPage* loginsPage_ = nullptr;
  OptionsPage* optionsPage_ = nullptr;
  TrayIcon* tray_ = nullptr;
  QTimer* timer_ = nullptr;
  std::unique_ptr<InstanceMarker> marker_;

  bool gbLoadingFirstStage = true;
  bool tablesReleased_ = false;
  DiagnosticLog diagnostics_;  // UptimeLog.dat
  DataTables tables_;
  WinStatistics stats_;
  SecondsCycleState cycle_;
  std::unique_ptr<SessionProcessing> processing_;
  std::unique_ptr<WindowsHistorySource> windowsHistory_;
  std::unique_ptr<WatchedPrograms> watched_;
  std::unique_ptr<ProgramCache> programCache_;
  std::unique_ptr<TrackedProgramDirectory> programDirectory_;
  std::unique_ptr<FilterStore> filterStore_;
  EnvironmentValues environment_;
  ColumnLayout columnsLayout_;
};

}  // namespace brenvik
