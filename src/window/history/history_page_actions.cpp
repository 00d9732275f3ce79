// The History page's handlers: reading the filter controls into the
// settings, the enabling rules shown back, the browse, the exports, the
// saved filters and the report's states.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimeEdit>

#include "base/file_io.h"
#include "records/time_arithmetic.h"
#include "reports/date_ranges.h"
#include "settings/column_layout.h"
#include "window/chart_view.h"
#include "window/csv_save_dialog.h"
#include "window/history/filter_name_dialog.h"
#include "window/history/history_grid.h"
#include "window/history/pick_list_view.h"
#include "window/history/qt_dates.h"
#include "window/history_page.h"

namespace brenvik {
namespace {

HistoryDialogs DefaultDialogs(QWidget* owner) {
  HistoryDialogs dialogs;
  dialogs.askCsvFile = [owner](const std::string& folder) { return AskCsvFileName(owner, folder); };
  dialogs.askFilterName = [owner](const std::string& text) -> std::optional<std::string> {
    TfrmFilterName dialog(owner);
    dialog.Edit1()->setText(QString::fromStdString(text));
    dialog.Edit1()->selectAll();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Edit1()->text().toStdString();
  };
  dialogs.showMessage = [owner](const std::string& text) {
    QMessageBox::information(owner, "Brenvik", QString::fromStdString(text));
  };
  dialogs.askYesNo = [owner](const std::string& text) {
    return QMessageBox::question(owner, "Brenvik", QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  return dialogs;
}

}  // namespace

DateTime HistoryPage::Now() const { return NowWholeSeconds(*parts_.clock); }

void HistoryPage::Attach(HistoryPageParts parts) {
  if (!dialogs_.showMessage) dialogs_ = DefaultDialogs(this);
  parts_ = std::move(parts);
  model_->SetServices(parts_.programs, parts_.locale, parts_.images);
  sourceList_->SetImages(parts_.images);
  showing_ = true;
  cmbbPeriod_->clear();
  for (const std::string& item : PeriodItems(parts_.firstDayOfWeek)) {
    cmbbPeriod_->addItem(QString::fromStdString(item));
  }
  showing_ = false;
  if (parts_.hooks.historyPrograms) {
    settings_.programs.RebuildPrograms(*parts_.programs, parts_.hooks.historyPrograms());
  }
  if (parts_.hooks.historyUsers) settings_.users.RebuildUsers(parts_.hooks.historyUsers());
  parts_.filters->ApplyFilterSettings(kPseudoFilterName, FilterFile::LastUsed, settings_);
  RefreshFilters();
  ShowSettings();
  ShowReport();
}

std::vector<GridColumn> HistoryPage::ColumnLayout() const { return grid_->CurrentLayout(); }

void HistoryPage::ApplyColumnLayout(const std::vector<GridColumn>& layout) {
  grid_->ApplyLayout(layout);
}

void HistoryPage::ReadControls() {
  settings_.sourceEnabled = sourceBox_->isChecked();
  settings_.sourceWindows = !rbHistProgram_->isChecked();
  settings_.timeEnabled = timeBox_->isChecked();
  settings_.timePredefined = rbPredefined_->isChecked();
  settings_.periodIndex = std::max(0, cmbbPeriod_->currentIndex());
  range_.Read(settings_);
  settings_.eventEnabled = eventBox_->isChecked();
  settings_.eventClosedOk = rbOk_->isChecked();
  settings_.userEnabled = userBox_->isChecked();
}

void HistoryPage::ShowSettings() {
  showing_ = true;
  sourceBox_->setChecked(settings_.sourceEnabled);
  rbHistComputer_->setChecked(settings_.sourceWindows);
  rbHistProgram_->setChecked(!settings_.sourceWindows);
  timeBox_->setChecked(settings_.timeEnabled);
  rbPredefined_->setChecked(settings_.timePredefined);
  rbRange_->setChecked(!settings_.timePredefined);
  cmbbPeriod_->setCurrentIndex(settings_.periodIndex);
  range_.Show(settings_);
  eventBox_->setChecked(settings_.eventEnabled);
  rbOk_->setChecked(settings_.eventClosedOk);
  rbCrash_->setChecked(!settings_.eventClosedOk);
  userBox_->setChecked(settings_.userEnabled);
  sourceList_->Refill();
  userList_->Refill();
  showing_ = false;
  ManageControls();
}

void HistoryPage::ManageControls() {
  const UptimeFilterControls controls = GetUptimeFilterControls(settings_);
  rbHistComputer_->setEnabled(controls.sourceRadios);
  rbHistProgram_->setEnabled(controls.sourceRadios);
  sourceAll_->setEnabled(controls.sourceList);
  sourceList_->setEnabled(controls.sourceList);
  rbPredefined_->setEnabled(controls.timeRadios);
  rbRange_->setEnabled(controls.timeRadios);
  cmbbPeriod_->setEnabled(controls.periodCombo);
  range_.SetEnabled(controls.rangeControls);
  rbOk_->setEnabled(controls.eventRadios);
  rbCrash_->setEnabled(controls.eventRadios);
  userAll_->setEnabled(controls.userList);
  userList_->setEnabled(controls.userList);
  sourceBox_->setText(QString::fromStdString(controls.sourceCaption));
  timeBox_->setText(QString::fromStdString(controls.timeCaption));
  eventBox_->setText(QString::fromStdString(controls.eventCaption));
  userBox_->setText(QString::fromStdString(controls.userCaption));
  for (int i = 0; i < notebook_->count() && i < static_cast<int>(controls.tabCaptions.size());
       ++i) {
    notebook_->setTabText(
        i, QString::fromStdString(controls.tabCaptions[static_cast<std::size_t>(i)]));
  }
  sourceList_->RefreshTicks();
  userList_->RefreshTicks();
}

void HistoryPage::btBrowseUptimeClick() {
  if (!Attached()) return;
  ReadControls();
  notebook_->setCurrentIndex(TabReport);
  model_->SetReport(nullptr);
  try {
    BrowseUptimeHistory(
        settings_, state_, *parts_.serviceStatus,
        UptimeBrowseParts{*parts_.report, *parts_.filters, *parts_.programs, *parts_.clock,
                          parts_.firstDayOfWeek, PeriodItems(parts_.firstDayOfWeek)},
        parts_.hooks);
  } catch (...) {
    state_.dataSourceEnabled = false;
    ShowReport();
    throw;
  }
  ShowSettings();
  RefreshFilters();
  ShowReport();
}

void HistoryPage::ShowReport() {
  model_->SetReport(state_.dataSourceEnabled ? parts_.report : nullptr);
  summary_->setPlainText(QString::fromStdString(state_.summaryText));
  notice_->setVisible(state_.noticeVisible);
  noticeImage_->setVisible(state_.noticeVisible);
  label35_->hide();
  label36_->hide();
  label36Image_->hide();
  if (state_.dataSourceEnabled) ShowSelectionLabels();
  ShowChart();
}

void HistoryPage::ShowChart() {
  chartData_ = model_->Report() ? BuildHistoryChartData(*model_->Report(), parts_.firstDayOfWeek)
                                : HistoryChartData{};
  chartSelected_ = DefaultSelectedBucket(chartData_);
  btExportChartCsv_->setEnabled(model_->Report() != nullptr);
  chart_->SetLayout([this](double width) { return LayOutChart(width); });
}

ChartPicture HistoryPage::LayOutChart(double width) {
  if (!model_->Report()) {
    ChartPicture closed;
    closed.width = width;
    closed.height = kHistoryBarsHeightBeside;
    closed.message = state_.noticeVisible ? "" : "Browse the uptime history to see its chart.";
    return closed;
  }
  // The window is wide and low: the timeline beside the bars.
  return HistoryChartPicture(*model_->Report(), chartData_, chartSelected_, width, parts_.locale,
                             Now(), true);
}

void HistoryPage::ChartClick(HitKind kind, long long item) {
  Cursor* report = model_->Report();
  if (!report || item < 0) return;
  std::set<std::size_t> rows;
  if (kind == HitKind::Bar) {
    if (item >= static_cast<long long>(chartData_.buckets.size())) return;
    chartSelected_ = static_cast<int>(item);
    rows = BucketRecNos(*report, chartData_.buckets[static_cast<std::size_t>(item)]);
    chart_->Relayout();
  } else {
    rows = {static_cast<std::size_t>(item)};
  }
  grid_->SelectRecNos(rows);
  ShowSelectionLabels();
}

void HistoryPage::btExportChartCsvClick() {
  if (!Attached() || !model_->Report()) return;
  const std::string fileName = dialogs_.askCsvFile(csvPath_);
  if (fileName.empty()) return;
  csvPath_ = FolderOfFile(fileName);
  WriteFileAtomic(*parts_.files, fileName, HistoryChartCsv(chartData_));
}

void HistoryPage::ShowSelectionLabels() {
  if (!model_->Report()) return;
  const auto summary =
      ProcessDBGridSelection(*model_->Report(), grid_->SelectedRecNos(), *parts_.programs, Now());
  if (!summary) return;
  label35_->setText(QString::fromStdString(summary->uptimeText));
  label36_->setText(QString::fromStdString(summary->sourceText));
  if (summary->image == SelectionSummary::Image::None) label36Image_->clear();
  if (summary->image == SelectionSummary::Image::Program) {
    label36Image_->setPixmap(WatchedListImage(parts_.images, summary->imageIndex).pixmap(16, 16));
  }
  label35_->setVisible(summary->visible);
  label36_->setVisible(summary->visible);
  label36Image_->setVisible(summary->visible && !label36Image_->pixmap().isNull());
}

void HistoryPage::ResetUptimeHistory(UptimeReportReset reason) {
  brenvik::ResetUptimeHistory(state_, reason);
  ShowReport();
}

void HistoryPage::btExportUptimeClick() {
  if (!Attached() || !state_.reportOpen) return;
  const std::string fileName = dialogs_.askCsvFile(csvPath_);
  if (fileName.empty()) return;
  csvPath_ = FolderOfFile(fileName);
  grid_->hide();
  try {
    const std::vector<GridColumn> layout = grid_->CurrentLayout();
    SaveColumnsSettings(*parts_.files, parts_.columnsSettingsPath, layout);
    ExportUptimeCsv(*parts_.files, *parts_.report, layout, parts_.locale, fileName);
  } catch (...) {
    grid_->show();
    throw;
  }
  grid_->ApplyLayout(LoadColumnsSettings(*parts_.files, parts_.columnsSettingsPath));
  grid_->show();
}

void HistoryPage::btExportUptimeHTMLClick() {
  if (!Attached() || !state_.reportOpen) return;
  ExportUptimeHtml(*parts_.files, *parts_.report, state_.summaryHtml, *parts_.clock, parts_.locale,
                   *parts_.systemInfo, *parts_.shell);
}

void HistoryPage::RefreshFilters() {
  if (!Attached()) return;
  lists_ = parts_.filters->RefreshFilters(lastFilters_->currentRow(), savedFilters_->currentRow());
  auto fill = [](QListWidget* box, const std::vector<std::string>& names, int selected) {
    box->clear();
    for (const std::string& name : names) box->addItem(QString::fromStdString(name));
    box->setCurrentRow(selected);
  };
  fill(lastFilters_, lists_.lastUsed, lists_.lastUsedSelected);
  fill(savedFilters_, lists_.saved, lists_.savedSelected);
}

void HistoryPage::ShowFilterDescription(FilterFile file) {
  QListWidget* box = file == FilterFile::LastUsed ? lastFilters_ : savedFilters_;
  if (!Attached() || box->currentRow() < 0) return;
  const FilterDescription description =
      parts_.filters->SelectFilter(box->currentItem()->text().toStdString(), file, true);
  filterMemo_->setPlainText(QString::fromStdString(description.plain));
}

void HistoryPage::ButtonApplyFilterClick() {
  if (!Attached()) return;
  const FilterChoice choice =
      ChooseFilterToApply(lists_, lastFilters_->currentRow(), savedFilters_->currentRow());
  if (!choice.file) return;
  if (savedFilters_->currentRow() >= 0) lastFilters_->setCurrentRow(-1);
  parts_.filters->ApplyFilterSettings(choice.name, *choice.file, settings_);
  state_.summaryHtml = parts_.filters->SelectFilter(choice.name, *choice.file, false).html;
  ShowSettings();
}

void HistoryPage::ButtonApplyFilterBrowseClick() {
  ButtonApplyFilterClick();
  btBrowseUptimeClick();
}

void HistoryPage::btFilterSaveClick() {
  if (!Attached() || lastFilters_->currentRow() < 0) return;
  const std::string oldName = lastFilters_->currentItem()->text().toStdString();
  if (RenameLastUsedFilter(*parts_.filters, oldName, dialogs_.askFilterName,
                           dialogs_.showMessage)) {
    RefreshFilters();
  }
}

void HistoryPage::btFilterDeleteClick() {
  if (!Attached() || savedFilters_->currentRow() < 0) return;
  const std::string name = savedFilters_->currentItem()->text().toStdString();
  if (!dialogs_.askYesNo(DeleteFilterQuestion(name))) return;
  parts_.filters->DeleteSaved(name);
  RefreshFilters();
}

void HistoryPage::PickListsChanged() {
  sourceList_->Refill();
  userList_->Refill();
  ManageControls();
}

void HistoryPage::SaveSettingsFilter() {
  if (!Attached()) return;
  ReadControls();
  parts_.filters->SaveFilter(SaveFilterAs::SettingsAtExit, settings_);
}

void HistoryPage::TabbedNotebookUptimeClick() {
  const int index = notebook_->currentIndex();
  if (index == TabSource || index == TabUser) TabChanged(index);
}

void HistoryPage::TabChanged(int index) {
  if (!Attached()) return;
  if (index == TabUser && parts_.hooks.historyUsers) {
    const auto users = parts_.hooks.historyUsers();
    if (UserListRebuildDue(settings_.users, users.size())) {
      settings_.users.RebuildUsers(users);
      userList_->Refill();
    }
  } else if (index == TabSource && parts_.hooks.historyPrograms) {
    const auto paths = parts_.hooks.historyPrograms();
    if (ProgramListRebuildDue(settings_.programs, parts_.programs->WatchedList().size(),
                              paths.size())) {
      settings_.programs.RebuildPrograms(*parts_.programs, paths);
      sourceList_->Refill();
    }
  } else if (index == TabSaved) {
    RefreshFilters();
  }
}

}  // namespace brenvik
