// The program's entry: the single-instance check, the per-user product key
// check, the data folders and the exclusive hold on the data tree, then the
// main window and the event loop.
#pragma once

#include <string>

#include "platform/platform.h"
#include "window/application.h"
#include "window/messages.h"

namespace brenvik {

// Steps 1 and 2 of the start-up: true when this copy may run; otherwise the
// reason has been shown ("Brenvik is already running!" or the message about
// the user who installed the program) and nothing else was touched.
bool PassStartUpChecks(Platform& platform, MessageSink& messages);

// Shown when another process (a copy run by another user, the command line)
// holds the data tree: nothing is touched.
std::string DataTreeInUseMessage(const std::string& dataFolder);

class TfrmBrenvikMain;

// A stop asked of the process by a signal closes the window as its close
// button does (settings saved); the end of the Windows session also closes
// the tables with their backups before the system may end the process. The
// watcher lives as long as the window.
void CloseOnStopSignals(TfrmBrenvikMain& window);

// Shows the window at the end of the start-up: normally, or, for a start
// with --minimized, hidden to the tray when its icon is on and a tray exists
// to bring it back from, else minimised to the taskbar.
void ShowAtStart(TfrmBrenvikMain& window, bool minimized);

// The whole start-up and the event loop; returns the process exit code.
int RunBrenvik(QApplication& app, Platform& platform, MessageSink& messages,
               bool minimized = false);

}  // namespace brenvik
