#include "window/app_main.h"

#include "datastore/startup.h"
#include "window/main_window.h"

namespace brenvik {

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

int RunBrenvik(BrenvikApplication& app, Platform& platform, MessageSink& messages) {
  if (!PassStartUpChecks(platform, messages)) return 0;
  const DataFolders folders = InitDataFolders(platform);
  app.setApplicationDisplayName(kApplicationTitle);
  int exitCode = 0;
  {
    TfrmBrenvikMain window(
        WindowContext{platform, folders, GetTempFolder(*platform.systemInfo), messages});
    QObject::connect(&window, &TfrmBrenvikMain::closed, &app, &QApplication::quit);
    QObject::connect(&window, &TfrmBrenvikMain::exitRequested, &app, &QApplication::quit);
    window.show();
    exitCode = app.exec();
  }
  return exitCode;
}

}  // namespace brenvik
