// The live statistics on the window: the refresh with its loading panel, the
// seconds timer, the captions and figures, the clipboard report, the
// "Computer turned off" caption and the tray balloon. The texts come from the
// statistics; the window copies them into its labels.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <exception>

#include "datastore/import/event_log_import.h"
#include "records/time_arithmetic.h"
#include "reports/session_processing.h"
#include "statistics/uptime_report_text.h"
#include "window/click_label.h"
#include "window/main_window.h"
#include "window/options_page.h"
#include "window/shell_parts.h"
#include "window/tray.h"
#include "window/uptime_page.h"

namespace brenvik {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DateTime TfrmBrenvikMain::Now() { return NowWholeSeconds(*context_.platform.clock); }

StatisticsServices TfrmBrenvikMain::Services() {
  return StatisticsServices{*context_.platform.clock, *processing_, *windowsHistory_, *this,
                            context_.platform.locale->Current()};
}

void TfrmBrenvikMain::FetchStatistics() {
  FetchWinStatistics(stats_, Now(), Services());
  ShowCaptions();
}

void TfrmBrenvikMain::ShowCaptions() {
  const WinStatisticsCaptions& c = stats_.captions;
  uptimePage_->Label7()->setText(Text(c.turnedOnCount));
  uptimePage_->Label6()->setText(Text(c.turnedOffCount));
  uptimePage_->Label8()->setText(Text(c.crashedCount));
  uptimePage_->label5()->setText(Text(c.lastTurnedOff));
  uptimePage_->label5()->setToolTip(Text(c.lastTurnedOffHint));
  uptimePage_->Label2()->setText(Text(c.lastTurnedOn));
  uptimePage_->label37()->setText(Text(c.trackingSince));
}

void TfrmBrenvikMain::ShowFigures(const UptimeFigureTexts& f) {
  uptimePage_->SetFigureRow(UptimePage::CurrentUptime, f.currentUptime);
  uptimePage_->SetFigureRow(UptimePage::CurrentIdle, f.currentIdle);
  uptimePage_->SetFigureRow(UptimePage::TotalUptime, f.totalUptime);
  uptimePage_->SetFigureRow(UptimePage::TotalIdle, f.totalIdle);
  uptimePage_->SetFigureRow(UptimePage::TotalDowntime, f.totalDowntime);
  uptimePage_->SetFigureRow(UptimePage::RecordUptime, f.recordUptime);
}

void TfrmBrenvikMain::ShowBlankFigures() { ShowFigures(ResetUptimeLabels()); }

void TfrmBrenvikMain::BeginBusy(const std::string& panelCaption) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  LoadingPanel* panel = navigation_->PanelLoadData();
  panel->Label14()->setText(Text(panelCaption).replace("\r\n", "\n"));
  panel->show();
  panel->repaint();
}

void TfrmBrenvikMain::EndBusy() {
  navigation_->PanelLoadData()->hide();
  QApplication::restoreOverrideCursor();
}

void TfrmBrenvikMain::ShowMessage(const std::string& text) { context_.messages.ShowMessage(text); }

void TfrmBrenvikMain::UptimeReportOutOfDate() { emit uptimeReportOutOfDate(); }

void TfrmBrenvikMain::timerSecondsTimer() {
  TickInputs inputs;
  inputs.windowVisible = isVisible();
  inputs.minimizeToTray = optionsPage_->chMinimizetoSystemTray()->isChecked();
  inputs.uptimePageActive = ActivePage() == PageUptime;
  inputs.secondsSinceLastInput = SecondsSinceLastInput(*context_.platform.clock);
  const TickOutput output = RunSecondsTick(cycle_, inputs, stats_, Now(), [this] {
    RefreshWinStats(stats_, Services());
    ShowCaptions();
  });
  if (output.figuresWritten) ShowFigures(output.figures);
  if (output.trayHintWritten) tray_->SetHint(Text(output.trayHint));
}

// The report is built after a refresh; a clipboard that refuses the text is
// not reported.
void TfrmBrenvikMain::lwuYearsClick() {
  const std::string report = CopyUptimeReport(stats_, Services());
  ShowCaptions();
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(Text(report));
}

void TfrmBrenvikMain::label5Click() {
  if (TurnedOffCaptionClickAction(*context_.platform.registry) ==
      TurnedOffClickAction::CopyReport) {
    lwuYearsClick();
  } else {
    btOptionsHistClick();
  }
}

void TfrmBrenvikMain::ShowUptime1Click() {
  const BalloonText balloon = UptimeBalloon(stats_, Now(), context_.platform.locale->Current());
  tray_->ShowBalloon(Text(balloon.title), Text(balloon.text));
}

void TfrmBrenvikMain::JvTrayIconBalloonShow() { tray_->SetHint(Text(TrayHintText(stats_, Now()))); }

}  // namespace brenvik

namespace brenvik {

// The import of the earlier history; whatever it reports, the statistics are
// refreshed afterwards (an import that has run before shows nothing).
void TfrmBrenvikMain::btImportClick() {
  std::exception_ptr failure;
  try {
    const int result = ImportEventLogHistory(tables_.DataSetHistory, stats_.firstBootDate,
                                             *context_.platform.registry,
                                             *context_.platform.eventLog, *context_.platform.clock);
    if (result == kImportExecuted) {
      ShowMessage(kImportDoneMessage);
      uptimePage_->SetLabel5LinkLook(false);
      uptimePage_->label5()->setToolTip(kCopyStatisticsHint);
      stats_.firstBootDate = NullDate;
      ShowPage(PageUptime);
      ManageDown(navigation_->PageButton(PageUptime));
    }
  } catch (...) {
    failure = std::current_exception();
  }
  LoadEnvironment(false);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace brenvik
