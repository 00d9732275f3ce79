// The Logins page's handlers: reading the filter controls into the
// settings, the enabling rules and captions shown back, the browse with its
// tree, the header sort, the exports and the settings of the last run.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimeEdit>

#include "records/time_arithmetic.h"
#include "reports/chart/login_timeline.h"
#include "reports/chart/timeline_layout.h"
#include "reports/date_ranges.h"
#include "reports/logins/login_export.h"
#include "reports/uptime/pick_list.h"
#include "settings/environment.h"
#include "window/chart_view.h"
#include "window/csv_save_dialog.h"
#include "window/history/pick_list_view.h"
#include "window/history/qt_dates.h"
#include "window/logins/login_tree_view.h"
#include "window/logins_page.h"

namespace brenvik {
namespace {

LoginsDialogs DefaultDialogs(QWidget* owner) {
  LoginsDialogs dialogs;
  dialogs.askCsvFile = [owner](const std::string& folder) { return AskCsvFileName(owner, folder); };
  dialogs.showMessage = [owner](const std::string& text) {
    QMessageBox::information(owner, "Brenvik", QString::fromStdString(text));
  };
  return dialogs;
}

// The hourglass for the length of a build, also when it fails.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The three radios are restored one after the other, and checking one
// unchecks the others: the last one stored as checked wins. None checked
// leaves the default, "Date range:".
LoginRunsMode StoredRunsMode(const EnvironmentValues& values) {
  LoginRunsMode mode = LoginRunsMode::DateRange;
  if (values.runsSelected) mode = LoginRunsMode::Period;
  if (values.runsRange) mode = LoginRunsMode::DateRange;
  if (values.runsEdit) mode = LoginRunsMode::RunNumbers;
  return mode;
}

}  // namespace

void LoginsPage::Attach(LoginsPageParts parts) {
  if (!dialogs_.showMessage) dialogs_ = DefaultDialogs(this);
  parts_ = std::move(parts);
  tree_.SetTextOrder(parts_.textOrder);
  showing_ = true;
  const int period = cmbbRunPeriod_->currentIndex();
  cmbbRunPeriod_->clear();
  for (const std::string& item : PeriodItems(parts_.locale.firstDayOfWeek)) {
    cmbbRunPeriod_->addItem(QString::fromStdString(item));
  }
  cmbbRunPeriod_->setCurrentIndex(period);
  showing_ = false;
  model_->SetFormat(parts_.locale, NowWholeSeconds(*parts_.clock));
  if (notebook_->currentIndex() == TabUser) TabbedNotebookLoginsClick();
}

void LoginsPage::ReadControls() {
  settings_.runsFilterEnabled = runsBox_->isChecked();
  settings_.mode = rbEdit_->isChecked()       ? LoginRunsMode::RunNumbers
                   : rbSelected_->isChecked() ? LoginRunsMode::Period
                                              : LoginRunsMode::DateRange;
  settings_.runNumbers = edComputerRuns_->text().toStdString();
  settings_.periodIndex = std::max(0, cmbbRunPeriod_->currentIndex());
  range_.Read(settings_);
  settings_.usersFilterEnabled = usersBox_->isChecked();
}

void LoginsPage::ShowSettings() {
  showing_ = true;
  runsBox_->setChecked(settings_.runsFilterEnabled);
  rbEdit_->setChecked(settings_.mode == LoginRunsMode::RunNumbers);
  rbSelected_->setChecked(settings_.mode == LoginRunsMode::Period);
  rbRange_->setChecked(settings_.mode == LoginRunsMode::DateRange);
  edComputerRuns_->setText(QString::fromStdString(settings_.runNumbers));
  cmbbRunPeriod_->setCurrentIndex(settings_.periodIndex);
  range_.Show(settings_);
  usersBox_->setChecked(settings_.usersFilterEnabled);
  usersList_->Refill();
  showing_ = false;
}

// ManageLoginControlsAfterClick for both boxes, the radios' enabling rule
// and ManageLoginFilterNames.
void LoginsPage::ManageLoginControls() {
  const LoginFilterControls controls = GetLoginFilterControls(settings_);
  for (QWidget* radio : std::initializer_list<QWidget*>{rbEdit_, rbSelected_, rbRange_}) {
    radio->setEnabled(controls.runsControls);
  }
  range_.SetEnabled(controls.rangeControls);
  cmbbRunPeriod_->setEnabled(controls.periodCombo);
  edComputerRuns_->setEnabled(controls.runNumbersEdit);
  usersAll_->setEnabled(controls.userList);
  usersList_->setEnabled(controls.userList);
  runsBox_->setText(QString::fromStdString(controls.runsCaption));
  usersBox_->setText(QString::fromStdString(controls.usersCaption));
  notebook_->setTabText(TabTime, QString::fromStdString(controls.timeTabCaption));
  notebook_->setTabText(TabUser, QString::fromStdString(controls.userTabCaption));
}

void LoginsPage::ApplyEnvironment(const EnvironmentValues& values) {
  csvPath_ = values.loginsCsvPath;
  tree_.SetSortState(values.loginSortCol, SortOrderFromStored(values.loginSortDir));
  settings_.runNumbers = values.computerRuns;
  settings_.runsFilterEnabled = values.filterRuns;
  settings_.usersFilterEnabled = values.filterRunUsers;
  settings_.mode = StoredRunsMode(values);
  settings_.afterTicked = values.runAfter;
  settings_.beforeTicked = values.runBefore;
  settings_.afterDate = values.after.date;
  settings_.afterTime = values.after.time;
  settings_.beforeDate = values.before.date;
  settings_.beforeTime = values.before.time;
  settings_.periodIndex = values.runPeriod;
  ShowSettings();
  if (values.tabLogins >= 0 && values.tabLogins < notebook_->count()) {
    notebook_->setCurrentIndex(values.tabLogins);
  }
}

void LoginsPage::ApplyDependentStates() { ManageLoginControls(); }

void LoginsPage::ReadEnvironment(EnvironmentValues& values) {
  ReadControls();
  values.tabLogins = notebook_->currentIndex();
  values.loginsCsvPath = csvPath_;
  values.loginSortCol = tree_.SortColumn();
  values.loginSortDir = StoredSortOrder(tree_.SortDirection());
  values.computerRuns = settings_.runNumbers;
  values.filterRuns = settings_.runsFilterEnabled;
  values.filterRunUsers = settings_.usersFilterEnabled;
  values.runsSelected = settings_.mode == LoginRunsMode::Period;
  values.runsRange = settings_.mode == LoginRunsMode::DateRange;
  values.runsEdit = settings_.mode == LoginRunsMode::RunNumbers;
  values.runAfter = settings_.afterTicked;
  values.runBefore = settings_.beforeTicked;
  values.after = {settings_.afterDate, settings_.afterTime};
  values.before = {settings_.beforeDate, settings_.beforeTime};
  values.runPeriod = settings_.periodIndex;
}

void LoginsPage::btBrowseLoginsClick() {
  if (!Attached()) return;
  ReadControls();
  notebook_->setCurrentIndex(TabReport);
  // The pass frees the records the view shows: the view lets go first.
  ClearTree();
  LoginReportContext context;
  context.periodItems = PeriodItems(parts_.locale.firstDayOfWeek);
  context.firstDayOfWeek = parts_.locale.firstDayOfWeek;
  context.locale = parts_.locale;
  LoginBrowseResult result;
  try {
    WaitCursor hourglass;
    result = BrowseLoginHistory(settings_, *parts_.runs, tree_, *parts_.serviceStatus,
                                *parts_.clock, context, parts_.hooks);
  } catch (...) {
    ShowSettings();
    ManageLoginControls();
    throw;
  }
  model_->SetFormat(parts_.locale, NowWholeSeconds(*parts_.clock));
  view_->ShowTree();
  timelineRun_ = DefaultTimelineRun(tree_);
  timeline_->Relayout();
  summary_->setPlainText(QString::fromStdString(result.plain).replace("\r\n", "\n"));
  gStrCompLogins_ = std::move(result.html);
  // The build may have rebuilt the user list or switched the time filter off.
  ShowSettings();
  ManageLoginControls();
}

void LoginsPage::ClearTree() {
  tree_.Clear();
  timelineRun_ = -1;
  timeline_->Relayout();
  view_->ShowTree();
}

void LoginsPage::vstComputerLoginsHeaderClick(int column) {
  tree_.HeaderClick(column, MouseButton::Left);
  view_->ShowTree();
  timeline_->Relayout();  // the logins' places changed
}

ChartPicture LoginsPage::LayOutTimeline(double width) const {
  const bool shown = timelineRun_ >= 0 && timelineRun_ < static_cast<int>(tree_.Runs().size());
  if (!shown) {
    ChartPicture empty;
    empty.width = width;
    empty.height = 60;
    empty.message = "No computer run in this report.";
    return empty;
  }
  const DateTime now = parts_.clock ? NowWholeSeconds(*parts_.clock) : 0;
  return brenvik::LayOutTimeline(
      RunLoginsTimeline(tree_.Runs()[static_cast<std::size_t>(timelineRun_)], parts_.locale, now),
      width);
}

void LoginsPage::vstComputerLoginsCurrentChanged() {
  const QModelIndex current = view_->currentIndex();
  if (!current.isValid()) return;
  const int run = current.parent().isValid() ? current.parent().row() : current.row();
  if (run == timelineRun_) return;
  timelineRun_ = run;
  timeline_->Relayout();
}

void LoginsPage::TimelineClick(long long item) {
  if (timelineRun_ < 0 || timelineRun_ >= model_->rowCount()) return;
  const QModelIndex run = model_->index(timelineRun_, 0);
  const QModelIndex row = item < 0 ? run : model_->index(static_cast<int>(item), 0, run);
  if (!row.isValid()) return;
  view_->setCurrentIndex(row);
  view_->scrollTo(row);
}

void LoginsPage::TabbedNotebookLoginsClick() {
  if (!Attached() || !parts_.hooks.historyUsers) return;
  const std::vector<std::string> users = parts_.hooks.historyUsers();
  if (!UserListRebuildDue(settings_.users, users.size())) return;
  RebuildLoginUsers(settings_.users, users);
  usersList_->Refill();
}

// Before any build the file holds the header line only.
void LoginsPage::btExportLoginsClick() {
  if (!dialogs_.askCsvFile) dialogs_ = DefaultDialogs(this);
  const std::string fileName = dialogs_.askCsvFile(csvPath_);
  if (fileName.empty()) return;
  csvPath_ = FolderOfFile(fileName);
  ExportLoginCsv(*parts_.files, tree_, parts_.locale, fileName);
}

void LoginsPage::btExportLoginsHTMLClick() {
  if (!Attached()) return;
  ExportLoginHtml(*parts_.files, tree_, gStrCompLogins_, parts_.locale, *parts_.clock,
                  *parts_.systemInfo, *parts_.shell);
}

}  // namespace brenvik
