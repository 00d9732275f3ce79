// The user's settings: restored at creation in two stages, saved at close.
#include <QCheckBox>

#include "base/errors.h"
#include "datastore/service_link/diagnostic_log.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "window/logins_page.h"
#include "window/main_window.h"
#include "window/options_page.h"
#include "window/shell_parts.h"
#include "window/tray.h"
#include "window/uptime_page.h"

namespace brenvik {

std::string TfrmBrenvikMain::ColumnsSettingsPath() const {
  return context_.folders.settingsFolder + kColumnsSettingsFile;
}

void TfrmBrenvikMain::LoadEnvironment(bool fullLoad) {
  if (fullLoad) {
    Registry& registry = *context_.platform.registry;
    const DateTime now = NowWholeSeconds(*context_.platform.clock);
    auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
    environment_ = key ? ReadEnvironment(*key, now) : DefaultEnvironment(now);
    ApplyEnvironmentToControls();
    LoadWatchedPrograms();
  }
  // The statistics, the first processing pass at start-up. A failing pass
  // is reported; the rest of the settings are still restored.
  Guarded([&] { FetchStatistics(); });
  // "N/A, import now!" looks like a link while no completed run is known.
  if (CompareMoments(stats_.lastRunEnd, NullDate) == 0) uptimePage_->SetLabel5LinkLook(true);
  if (fullLoad)
    columnsLayout_ = LoadColumnsSettings(*context_.platform.files, ColumnsSettingsPath());
}

// The controls of this window take the restored values; the tray check box
// shows or hides the icon at once.
void TfrmBrenvikMain::ApplyEnvironmentToControls() {
  optionsPage_->chMinimizetoSystemTray()->setChecked(environment_.minimizeToTray);
  chMinimizetoSystemTrayClick();
  optionsPage_->chStartWithSession()->setChecked(context_.platform.autostart->IsOn());
  const int page = ValidPageIndex(environment_.activePage);
  ShowPage(page);
  ManageDown(navigation_->PageButton(page));
  ApplyProgramsSettings();
  ApplyHistorySettings();
  loginsPage_->ApplyEnvironment(environment_);
}

// The watched programs of the registry, in loading mode (nothing written, the
// service not told). Programs whose version resource could not be read are
// still watched; the reasons go to the diagnostic log.
void TfrmBrenvikMain::LoadWatchedPrograms() {
  const std::vector<std::string> problems = watched_->LoadFromRegistry();
  if (problems.empty()) return;
  const std::string time = FormatDateTime("yyyy-mm-dd hh:nn:ss", Now(), AppFormatSettings());
  for (const std::string& problem : problems) {
    diagnostics_.AddLogEntry(time, "LoadEnvironment", problem);
  }
}

void TfrmBrenvikMain::LoadEnvironmentSecondStage() {
  gbLoadingFirstStage = false;
  loginsPage_->ApplyDependentStates();
  tray_->SetActive(optionsPage_->chMinimizetoSystemTray()->isChecked());
}

void TfrmBrenvikMain::ReadEnvironmentFromControls() {
  environment_.minimizeToTray = optionsPage_->chMinimizetoSystemTray()->isChecked();
  environment_.activePage = ActivePage();
  ReadProgramsSettings();
  ReadHistorySettings();
  loginsPage_->ReadEnvironment(environment_);
}

void TfrmBrenvikMain::SaveEnvironment() {
  ReadEnvironmentFromControls();
  auto key = context_.platform.registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  if (!key) throw PlatformError("Cannot open the settings key " + std::string(kProductKeyPath));
  WriteEnvironment(*key, environment_, context_.platform.locale->Current());
  key.reset();
  SaveColumnsSettings(*context_.platform.files, ColumnsSettingsPath(), columnsLayout_);
  // Last, so that a failing filter file costs no other setting.
  SaveHistorySettings();
}

}  // namespace brenvik
