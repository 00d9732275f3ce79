// The window's side of the uptime report: the History page bound to the
// report cursor, the program directory, the saved filters of the settings
// folder and the window's processing pass; its filter settings are the ones
// the watched list keeps in step.
#include <QTabWidget>

#include "reports/date_ranges.h"
#include "reports/session_processing.h"
#include "window/history_page.h"
#include "window/main_window.h"
#include "window/programms_page.h"

namespace brenvik {

UptimeFilterSettings& TfrmBrenvikMain::UptimeFilter() { return historyPage_->Settings(); }

HistoryPage* TfrmBrenvikMain::History() const { return historyPage_; }

// The reports' passes run as the statistics refresh runs them, on a copy of
// the run's start, with the loading panel shown; after the login report's
// pass an open uptime report is out of date.
BrowseHooks TfrmBrenvikMain::ReportBrowseHooks() {
  BrowseHooks hooks = processing_->Hooks(stats_.runStart);
  hooks.showMessage = [this](const std::string& text) { ShowMessage(text); };
  hooks.beginBusy = [this] { BeginBusy(kLoadingPanelCaption); };
  hooks.endBusy = [this] { EndBusy(); };
  hooks.uptimeReportOutOfDate = [this] {
    historyPage_->ResetUptimeHistory(UptimeReportReset::OutOfDate);
  };
  return hooks;
}

// Needs the opened tables and the first processing pass (the pick lists are
// built from what it found); without the report cursor the page stays idle.
void TfrmBrenvikMain::AttachHistoryPage() {
  if (!tables_.DataSetHistoryClone) return;
  Platform& platform = context_.platform;
  const LocaleInfo locale = platform.locale->Current();
  filterStore_ = std::make_unique<FilterStore>(*platform.files, context_.folders.settingsFolder,
                                               *platform.clock, locale, *programDirectory_,
                                               PeriodItems(locale.firstDayOfWeek));
  HistoryPageParts parts;
  parts.report = tables_.DataSetHistoryClone.get();
  parts.programs = programDirectory_.get();
  parts.images = &programmsPage_->Icons();
  parts.filters = filterStore_.get();
  parts.clock = platform.clock.get();
  parts.systemInfo = platform.systemInfo.get();
  parts.shell = platform.shell.get();
  parts.files = platform.files.get();
  parts.serviceStatus = &stats_.serviceFailureCount;
  parts.locale = locale;
  parts.firstDayOfWeek = locale.firstDayOfWeek;
  parts.hooks = ReportBrowseHooks();
  parts.columnsSettingsPath = ColumnsSettingsPath();
  historyPage_->Attach(std::move(parts));
  historyPage_->ApplyColumnLayout(columnsLayout_);
}

// "See Uptime History" and a refresh of the statistics reach the page.
void TfrmBrenvikMain::ConnectHistoryPage() {
  connect(this, &TfrmBrenvikMain::uptimeReportOutOfDate, historyPage_, [this] {
    Guarded([&] { historyPage_->ResetUptimeHistory(UptimeReportReset::OutOfDate); });
  });
  connect(this, &TfrmBrenvikMain::uptimeHistoryBrowseRequested, historyPage_, [this] {
    Guarded([&] {
      historyPage_->ShowSettings();
      historyPage_->btBrowseUptimeClick();
    });
  });
}

// The shown filter tab and the remembered CSV folder.
void TfrmBrenvikMain::ApplyHistorySettings() {
  if (environment_.tabUptime >= 0 && environment_.tabUptime < historyPage_->Notebook()->count()) {
    historyPage_->Notebook()->setCurrentIndex(environment_.tabUptime);
  }
  historyPage_->UptimeCsvPath() = environment_.uptimeCsvPath;
}

void TfrmBrenvikMain::ReadHistorySettings() {
  environment_.tabUptime = historyPage_->Notebook()->currentIndex();
  environment_.uptimeCsvPath = historyPage_->UptimeCsvPath();
  if (historyPage_->Attached()) columnsLayout_ = historyPage_->ColumnLayout();
}

// At close: the filter in force as the pseudo filter.
void TfrmBrenvikMain::SaveHistorySettings() {
  if (historyPage_->Attached()) historyPage_->SaveSettingsFilter();
}

}  // namespace brenvik
