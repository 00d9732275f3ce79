// The "Logins" page: the notebook TabbedNotebookLogins with the report tab
// (the tree vstComputerLogins, the summary and the two exports), the time and
// run filter tab and the user filter tab, and btBrowseLogins under it. The
// page keeps the filter settings (LoginReportSettings) as the state of its
// controls, reads them before each action and shows what the login report's
// core returns; the tree's records belong to gArrCompRuns, given by Attach.
// Until Attach binds the runs and the services the page shows its controls.
#pragma once

#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "records/records.h"
#include "reports/chart/chart_picture.h"
#include "reports/logins/login_report.h"
#include "reports/logins/login_tree.h"
#include "reports/report_browse.h"
#include "window/report_page_parts.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;
class QTimeEdit;

namespace brenvik {

class ChartView;
class LoginTreeModel;
class LoginTreeView;
class PickListView;
struct EnvironmentValues;

struct LoginsPageParts {
  TArrRecComputerRun* runs = nullptr;     // gArrCompRuns
  std::int32_t* serviceStatus = nullptr;  // gServiceStatus
  Clock* clock = nullptr;
  SystemInfo* systemInfo = nullptr;
  Shell* shell = nullptr;
  FileSystem* files = nullptr;  // the exports
  LocaleInfo locale;
  TextOrder textOrder;  // the user column's sort
  // The pass with tree building, the known users, the message box, the
  // loading panel and the out-of-date notice of the uptime report.
  BrowseHooks hooks;
};

// The dialogs of the page; tests replace them.
struct LoginsDialogs {
  // The CSV save dialog opened in folder: the chosen file name (empty when
  // cancelled).
  std::function<std::string(const std::string& folder)> askCsvFile;
  std::function<void(const std::string&)> showMessage;
};

class LoginsPage : public QWidget {
  Q_OBJECT

 public:
  enum Tab { TabReport, TabTime, TabUser };

  explicit LoginsPage(QWidget* parent = nullptr);
  ~LoginsPage() override;

  void Attach(LoginsPageParts parts);
  bool Attached() const { return parts_.runs != nullptr; }

  LoginsDialogs& Dialogs() { return dialogs_; }
  LoginReportSettings& Settings() { return settings_; }
  LoginTree& Tree() { return tree_; }
  const std::string& gStrCompLogins() const { return gStrCompLogins_; }
  QTabWidget* Notebook() const { return notebook_; }
  LoginTreeView* TreeView() const { return view_; }
  // The timeline of one computer run with its logins, under the tree, and
  // the run it shows (a place in the tree, -1: none).
  ChartView* Timeline() const { return timeline_; }
  int TimelineRun() const { return timelineRun_; }

  // The settings of the last run into the controls (first stage: no
  // follow-up logic), and the page's values for saving.
  void ApplyEnvironment(const EnvironmentValues& values);
  void ReadEnvironment(EnvironmentValues& values);
  // Second stage: the captions, enabled states and tab names that follow
  // the restored controls.
  void ApplyDependentStates();

  // Handlers.
  void btBrowseLoginsClick();
  void btExportLoginsClick();
  void btExportLoginsHTMLClick();
  // The user list is refilled when it shows fewer rows than there are
  // known users (on showing the user filter tab).
  void TabbedNotebookLoginsClick();
  void vstComputerLoginsHeaderClick(int column);
  // Lets go of the records before their owner frees them.
  void ClearTree();
  // The timeline shows the run of the tree's current row.
  void vstComputerLoginsCurrentChanged();
  // A click on a span of the timeline selects its login (or its run) in the tree.
  void TimelineClick(long long item);

 private:
  QWidget* BuildReportTab();
  QWidget* BuildTimeTab();
  QWidget* BuildUserTab();
  void Connect();
  void ReadControls();
  void ShowSettings();
  void ManageLoginControls();
  ChartPicture LayOutTimeline(double width) const;
  template <typename Handler>
  void Run(Handler handler) {
    try {
      handler();
    } catch (const std::exception& error) {
      if (dialogs_.showMessage) dialogs_.showMessage(error.what());
    }
  }

  LoginsPageParts parts_;
  LoginsDialogs dialogs_;
  LoginReportSettings settings_;
  LoginTree tree_;
  std::string gStrCompLogins_;
  std::string csvPath_;  // LoginsCSVPath
  bool showing_ = false;

  QTabWidget* notebook_ = nullptr;
  QPushButton* btBrowseLogins_ = nullptr;
  // Report tab.
  LoginTreeModel* model_ = nullptr;
  LoginTreeView* view_ = nullptr;
  QTextEdit* summary_ = nullptr;
  QPushButton* btExportLogins_ = nullptr;
  QPushButton* btExportLoginsHTML_ = nullptr;
  ChartView* timeline_ = nullptr;
  int timelineRun_ = -1;
  // Time and run filter tab.
  QCheckBox* runsBox_ = nullptr;
  QRadioButton* rbEdit_ = nullptr;
  QLineEdit* edComputerRuns_ = nullptr;
  QRadioButton* rbSelected_ = nullptr;
  QComboBox* cmbbRunPeriod_ = nullptr;
  QRadioButton* rbRange_ = nullptr;
  RangePickers range_;
  // User filter tab.
  QCheckBox* usersBox_ = nullptr;
  QCheckBox* usersAll_ = nullptr;
  PickListView* usersList_ = nullptr;
};

}  // namespace brenvik
