// The window's side of the login report: the Logins page bound to the
// computer-runs tree that the processing keeps, with the reports' pass (see
// ReportBrowseHooks).
#include "reports/session_processing.h"
#include "window/logins_page.h"
#include "window/main_window.h"

namespace brenvik {

void TfrmBrenvikMain::AttachLoginsPage() {
  Platform& platform = context_.platform;
  LoginsPageParts parts;
  parts.runs = &processing_->ComputerRuns();
  parts.serviceStatus = &stats_.serviceFailureCount;
  parts.clock = platform.clock.get();
  parts.systemInfo = platform.systemInfo.get();
  parts.shell = platform.shell.get();
  parts.files = platform.files.get();
  parts.locale = platform.locale->Current();
  parts.textOrder = platform.locale->Order();
  parts.hooks = ReportBrowseHooks();
  loginsPage_->Attach(std::move(parts));
}

}  // namespace brenvik
