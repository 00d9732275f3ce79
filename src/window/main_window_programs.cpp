// The window's side of program tracking: the Programms page connected to the
// watched list, the uptime report's source pick list kept in step with it,
// "See Uptime History", and the page's settings.
#include <QPushButton>

#include "datastore/startup/tables.h"
#include "reports/report_browse.h"
#include "reports/uptime/pick_list.h"
#include "window/history_page.h"
#include "window/main_window.h"
#include "window/programms_page.h"
#include "window/shell_parts.h"

namespace brenvik {

void TfrmBrenvikMain::AttachProgrammsPage() {
  Platform& platform = context_.platform;
  programCache_ =
      std::make_unique<ProgramCache>(*platform.versionResources, &programmsPage_->Icons());
  programDirectory_ = std::make_unique<TrackedProgramDirectory>(*platform.versionResources,
                                                                *programCache_, *watched_);
  ProgrammsPageParts parts{*watched_,
                           *platform.registry,
                           *platform.shell,
                           *platform.versionResources,
                           context_.messages,
                           {},
                           {},
                           {},
                           {}};
  parts.loadProgramToListValues = [this](const std::string& path, bool isWatched) {
    LoadProgramToListValues(UptimeFilter().programs, *programDirectory_, path, isWatched);
    historyPage_->PickListsChanged();
  };
  parts.removeProgramFromListValues = [this](const std::string& path) {
    RemoveProgramFromListValues(UptimeFilter().programs, *programDirectory_, path,
                                HistoryProgramPaths());
    historyPage_->PickListsChanged();
  };
  parts.seeUptimeHistory = [this](const std::string& path) { SeeUptimeHistory(path); };
  programmsPage_->Attach(std::move(parts));
}

// The paths of the programs that have rows in the uptime history, each once.
std::vector<std::string> TfrmBrenvikMain::HistoryProgramPaths() {
  CaseInsensitiveSet seen;
  std::vector<std::string> paths;
  Cursor rows(tables_.DataSetHistory);
  for (rows.First(); !rows.Eof(); rows.Next()) {
    std::string path = rows.AsText(history::kExePath);
    if (!path.empty() && seen.insert(path).second) paths.push_back(std::move(path));
  }
  return paths;
}

void TfrmBrenvikMain::SeeUptimeHistory(const std::string& exePath) {
  ShowPage(PageHistory);
  ManageDown(navigation_->PageButton(PageHistory));
  PrepareSeeUptimeHistory(UptimeFilter(), exePath);
  emit uptimeHistoryBrowseRequested();
}

void TfrmBrenvikMain::ApplyProgramsSettings() {
  programmsPage_->SetTabIndex(environment_.tabProgramms);
  programmsPage_->SetSearchFolder(environment_.searchInPath);
  programmsPage_->SetFetchShortcutTargets(environment_.checkBoxTargets);
}

void TfrmBrenvikMain::ReadProgramsSettings() {
  environment_.tabProgramms = programmsPage_->TabIndex();
  environment_.searchInPath = programmsPage_->SearchFolder();
  environment_.checkBoxTargets = programmsPage_->FetchShortcutTargets();
}

}  // namespace brenvik
