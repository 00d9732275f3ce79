// Navigation, the buttons of the shell, the tray and the power events.
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include "window/history_page.h"
#include "window/instance_marker.h"
#include "window/logins_page.h"
#include "window/main_window.h"
#include "window/options_page.h"
#include "window/shell_parts.h"
#include "window/tray.h"

namespace brenvik {

void TfrmBrenvikMain::ShowPage(int index) {
  if (index < 0 || index >= notebook_->count()) return;
  notebook_->setCurrentIndex(index);
}

void TfrmBrenvikMain::ShowPage(const QString& name) {
  for (int i = 0; i < notebook_->count(); ++i) {
    if (notebook_->widget(i)->objectName() == name) {
      ShowPage(i);
      return;
    }
  }
}

int TfrmBrenvikMain::ActivePage() const { return notebook_->currentIndex(); }

void TfrmBrenvikMain::ManageDown(QPushButton* aBut) {
  for (int i = 0; i < NavigationColumn::kPageButtons; ++i) {
    navigation_->PageButton(i)->setChecked(false);
  }
  aBut->setChecked(true);
}

void TfrmBrenvikMain::btUptimeClick() {
  ShowPage("Uptime");
  timerSecondsTimer();
  ManageDown(navigation_->PageButton(PageUptime));
}

void TfrmBrenvikMain::btProgramsClick() {
  ShowPage("Programms");
  ManageDown(navigation_->PageButton(PagePrograms));
}

// Showing a page refreshes the pick list of its filter tab on screen first.
void TfrmBrenvikMain::btUptimeHistClick() {
  historyPage_->TabbedNotebookUptimeClick();
  ShowPage("History");
  ManageDown(navigation_->PageButton(PageHistory));
}

void TfrmBrenvikMain::btLoginHistClick() {
  if (loginsPage_->Notebook()->currentIndex() == LoginsPage::TabUser) {
    loginsPage_->TabbedNotebookLoginsClick();
  }
  ShowPage("Logins");
  ManageDown(navigation_->PageButton(PageLogins));
}

void TfrmBrenvikMain::btOptionsHistClick() {
  ShowPage("Options");
  ManageDown(navigation_->PageButton(PageOptions));
}

// The application ends without the close: the settings are not saved, the
// destruction still closes the tables and makes the backups.
void TfrmBrenvikMain::btExitClick() { emit exitRequested(); }

// A home page that cannot be opened is not reported.
void TfrmBrenvikMain::lVisitHomePageClick() {
  context_.platform.shell->OpenDocument(kHomePageAddress);
}

void TfrmBrenvikMain::chMinimizetoSystemTrayClick() {
  tray_->SetActive(optionsPage_->chMinimizetoSystemTray()->isChecked());
}

// The box shows the entry as it is: after a change that failed (the error is
// reported) it goes back to the state the session will really have.
void TfrmBrenvikMain::chStartWithSessionClick() {
  SessionAutostart& autostart = *context_.platform.autostart;
  QCheckBox* box = optionsPage_->chStartWithSession();
  try {
    autostart.Set(box->isChecked());
  } catch (...) {
    box->setChecked(autostart.IsOn());
    throw;
  }
}

void TfrmBrenvikMain::mnuShowHideClick() {
  if (isVisible()) {
    HideToTray();
  } else {
    ShowAgain();
  }
}

void TfrmBrenvikMain::JvTrayIconDblClick() {
  if (!isVisible()) {
    ShowAgain();
  } else {
    showMinimized();
  }
}

void TfrmBrenvikMain::HideToTray() { hide(); }

void TfrmBrenvikMain::ShowAgain() {
  show();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

// Minimising hides the window while the tray icon is active; otherwise it is
// an ordinary minimise to the taskbar.
void TfrmBrenvikMain::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_->IsActive()) {
    QTimer::singleShot(0, this, [this] {
      if (isMinimized() && tray_->IsActive()) HideToTray();
    });
  }
}

namespace {

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data) return paths;
  for (const QUrl& url : data->urls()) {
    // The system's own separators: the shell backend reads these paths.
    if (url.isLocalFile())
      paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
  }
  return paths;
}

}  // namespace

void TfrmBrenvikMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

// Programs and shortcuts to programs become watched; when something was
// taken the service has been told and the window comes to the front.
void TfrmBrenvikMain::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = LocalFiles(event->mimeData());
  event->acceptProposedAction();
  Guarded([&] {
    if (watched_->ProcessDragDrop(paths)) {
      raise();
      activateWindow();
    }
  });
}

// Every power event starts the service-failure count again; the suspend and
// standby queries and the suspend itself are granted.
bool TfrmBrenvikMain::PowerBroadcast(int code) {
  stats_.serviceFailureCount = 0;
  return code == kPowerQuerySuspend || code == kPowerQueryStandby || code == kPowerSuspend;
}

}  // namespace brenvik
