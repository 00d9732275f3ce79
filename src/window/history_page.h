// The "History" page: the notebook TabbedNotebookUptime with the report tab,
// the four filter tabs and the saved filters tab, and btBrowseUptime under
// it. The page keeps the filter settings (UptimeFilterSettings) as the state
// of its controls, reads them before each action, and shows what the
// report's core returns; the rules live in src/reports. Until Attach binds
// the report cursor and its services the page shows its controls only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datastore/tables/table.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "reports/chart/history_chart.h"
#include "reports/report_browse.h"
#include "reports/uptime/saved_filters.h"
#include "reports/uptime/uptime_export.h"
#include "reports/uptime/uptime_filter.h"
#include "reports/uptime/uptime_report.h"
#include "window/report_page_parts.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QTextEdit;
class QTimeEdit;

namespace brenvik {

class ChartView;
class FileIconImages;
class HistoryGridModel;
class HistoryGridView;
class PickListView;

struct HistoryPageParts {
  Cursor* report = nullptr;  // DataSetHistoryClone
  ProgramDirectory* programs = nullptr;
  const FileIconImages* images = nullptr;  // WatchedProgrammsImgList; null: the style's
  FilterStore* filters = nullptr;
  Clock* clock = nullptr;
  SystemInfo* systemInfo = nullptr;
  Shell* shell = nullptr;
  FileSystem* files = nullptr;            // the exports and ColumnsSettings.ini
  std::int32_t* serviceStatus = nullptr;  // gServiceStatus
  LocaleInfo locale;
  int firstDayOfWeek = 0;
  BrowseHooks hooks;
  std::string columnsSettingsPath;  // ColumnsSettings.ini
};

// The dialogs of the page; tests replace them.
struct HistoryDialogs {
  // The CSV save dialog opened in folder: the chosen file name (empty when
  // cancelled); the folder it opened in is remembered.
  std::function<std::string(const std::string& folder)> askCsvFile;
  // TfrmFilterName with the text given: the entered name, nothing on cancel.
  std::function<std::optional<std::string>(const std::string& text)> askFilterName;
  std::function<void(const std::string&)> showMessage;
  std::function<bool(const std::string&)> askYesNo;
};

class HistoryPage : public QWidget {
  Q_OBJECT

 public:
  enum Tab { TabReport, TabSource, TabTime, TabEvent, TabUser, TabSaved };

  explicit HistoryPage(QWidget* parent = nullptr);
  ~HistoryPage() override;

  // Binds the report and its services; builds the program list once and
  // restores the settings in force at the last exit.
  void Attach(HistoryPageParts parts);
  bool Attached() const { return parts_.report != nullptr; }

  HistoryDialogs& Dialogs() { return dialogs_; }
  UptimeFilterSettings& Settings() { return settings_; }
  const UptimeReportState& ReportState() const { return state_; }
  // The remembered CSV folder (UptimeCSVPath).
  std::string& UptimeCsvPath() { return csvPath_; }
  QTabWidget* Notebook() const { return notebook_; }
  HistoryGridView* Grid() const { return grid_; }
  // The chart of the report over the grid, its data and the bucket whose
  // timeline it shows (-1: none).
  ChartView* Chart() const { return chart_; }
  const HistoryChartData& ChartData() const { return chartData_; }
  int ChartSelection() const { return chartSelected_; }

  // The column layout the grid shows, and applying a stored one.
  std::vector<GridColumn> ColumnLayout() const;
  void ApplyColumnLayout(const std::vector<GridColumn>& layout);

  // Handlers.
  void btBrowseUptimeClick();
  void btExportUptimeClick();
  void btExportUptimeHTMLClick();
  // The chart's data (one line per bar) to a CSV file the user chooses.
  void btExportChartCsvClick();
  // A click in the chart: a bar shows its timeline and selects its rows in
  // the grid; a span selects its row.
  void ChartClick(HitKind kind, long long item);
  void ButtonApplyFilterClick();
  void ButtonApplyFilterBrowseClick();
  void btFilterSaveClick();
  void btFilterDeleteClick();
  // aType 1 hides the out-of-date notice; 2 closes an open report.
  void ResetUptimeHistory(UptimeReportReset reason);
  // The settings shown in the controls again (after a load from a filter).
  void ShowSettings();
  // Stores the settings in force as the pseudo filter (at exit).
  void SaveSettingsFilter();
  void RefreshFilters();
  // The pick list of the filter tab shown (source or user) is refreshed as
  // on showing that tab.
  void TabbedNotebookUptimeClick();
  // The pick lists' rows were changed from outside (the watched list): the
  // lists show them again.
  void PickListsChanged();

 private:
  QWidget* BuildReportTab();
  QWidget* BuildSourceTab();
  QWidget* BuildTimeTab();
  QWidget* BuildEventTab();
  QWidget* BuildUserTab();
  QWidget* BuildSavedTab();
  void Connect();
  void ReadControls();
  void ManageControls();
  void ShowReport();
  void ShowSelectionLabels();
  void ShowChart();
  ChartPicture LayOutChart(double width);
  void TabChanged(int index);
  void ShowFilterDescription(FilterFile file);
  // Runs a handler; an error of the core ends the action with its message.
  template <typename Handler>
  void Run(Handler handler) {
    try {
      handler();
    } catch (const std::exception& error) {
      if (dialogs_.showMessage) dialogs_.showMessage(error.what());
    }
  }
  DateTime Now() const;

  HistoryPageParts parts_;
  HistoryDialogs dialogs_;
  UptimeFilterSettings settings_;
  UptimeReportState state_;
  std::string csvPath_;
  bool showing_ = false;
  FilterLists lists_;

  QTabWidget* notebook_ = nullptr;
  QPushButton* btBrowseUptime_ = nullptr;
  // Report tab.
  HistoryGridModel* model_ = nullptr;
  HistoryGridView* grid_ = nullptr;
  QLabel* label35_ = nullptr;
  QLabel* label36_ = nullptr;
  QLabel* label36Image_ = nullptr;  // the image of Label36
  QTextEdit* summary_ = nullptr;
  QLabel* notice_ = nullptr;
  QLabel* noticeImage_ = nullptr;
  QPushButton* btExportUptime_ = nullptr;
  QPushButton* btExportUptimeHTML_ = nullptr;
  QPushButton* btExportChartCsv_ = nullptr;
  ChartView* chart_ = nullptr;
  QScrollArea* chartArea_ = nullptr;
  HistoryChartData chartData_;
  int chartSelected_ = -1;
  // Source tab.
  QCheckBox* sourceBox_ = nullptr;
  QRadioButton* rbHistComputer_ = nullptr;
  QRadioButton* rbHistProgram_ = nullptr;
  QCheckBox* sourceAll_ = nullptr;
  PickListView* sourceList_ = nullptr;
  // Time tab.
  QCheckBox* timeBox_ = nullptr;
  QRadioButton* rbPredefined_ = nullptr;
  QRadioButton* rbRange_ = nullptr;
  QComboBox* cmbbPeriod_ = nullptr;
  RangePickers range_;
  // Event tab.
  QCheckBox* eventBox_ = nullptr;
  QRadioButton* rbOk_ = nullptr;
  QRadioButton* rbCrash_ = nullptr;
  // User tab.
  QCheckBox* userBox_ = nullptr;
  QCheckBox* userAll_ = nullptr;
  PickListView* userList_ = nullptr;
  // Saved filters tab.
  QListWidget* lastFilters_ = nullptr;
  QListWidget* savedFilters_ = nullptr;
  QPlainTextEdit* filterMemo_ = nullptr;
};

}  // namespace brenvik
