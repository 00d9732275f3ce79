#include "window/app_main.h"

#include <QSystemTrayIcon>
#include <memory>

#include "datastore/startup/startup.h"
#include "window/action_guard.h"
#include "window/main_window.h"
#include "window/start_up_probe.h"
#include "window/termination_signals.h"
#include "window/tray.h"

namespace brenvik {

std::string DataTreeInUseMessage(const std::string& dataFolder) {
  return "The data folder \"" + dataFolder +
         "\" is in use by another Brenvik program. Application will be closed now.";
}

bool PassStartUpChecks(Platform& platform, MessageSink& messages) {
  if (!CheckSingleInstance(platform, kMutexName, true)) {
    messages.ShowMessage(kAlreadyRunningMessage);
    return false;
  }
  if (!CheckUserKey(*platform.registry)) {
    messages.ShowMessage(kWrongUserMessage);
    return false;
  }
  return true;
}

void CloseOnStopSignals(TfrmBrenvikMain& window) {
  auto* watcher = new TerminationSignals(&window);
  QObject::connect(watcher, &TerminationSignals::stopRequested, &window, &QWidget::close);
  QObject::connect(watcher, &TerminationSignals::sessionEnding, &window,
                   &TfrmBrenvikMain::EndSession);
}

void ShowAtStart(TfrmBrenvikMain& window, bool minimized) {
  if (!minimized) {
    window.show();
  } else if (!window.Tray()->IsActive() || !QSystemTrayIcon::isSystemTrayAvailable()) {
    window.showMinimized();
  }
}

int RunBrenvik(QApplication& app, Platform& platform, MessageSink& messages, bool minimized) {
  if (!PassStartUpChecks(platform, messages)) return 0;
  const DataFolders folders = InitDataFolders(platform);
  if (!platform.singleInstance->LockDataTree(folders.dataFolder)) {
    messages.ShowMessage(DataTreeInUseMessage(folders.dataFolder));
    return 0;
  }
  app.setApplicationDisplayName(kApplicationTitle);
  std::unique_ptr<TfrmBrenvikMain> window;
  const bool created = RunGuarded(messages, [&] {
    window = std::make_unique<TfrmBrenvikMain>(
        WindowContext{platform, folders, GetTempFolder(*platform.systemInfo), messages});
  });
  if (!created) return 1;
  // The table recovery could not reach the service: the start-up is over,
  // the window is destroyed (closing and backing up the tables) at once.
  if (window->EndAfterStartUp()) return 0;
  QObject::connect(window.get(), &TfrmBrenvikMain::closed, &app, &QApplication::quit);
  QObject::connect(window.get(), &TfrmBrenvikMain::exitRequested, &app, &QApplication::quit);
  CloseOnStopSignals(*window);
  ExitAfterFirstPaintIfAsked(*window);
  ShowAtStart(*window, minimized);
  return app.exec();
}

}  // namespace brenvik
