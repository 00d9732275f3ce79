// Runs the recorder: the pipe server on its thread, and the loop that ticks
// the recorder once a scan interval (with the heartbeat every heartbeat
// interval) until the stop event is set. The same loop serves --console and
// the Windows service; the service adds its registration with the service
// control manager, its status reports and its control handler.
#pragma once

#include <windows.h>

#include <string>

#include "datastore/startup/startup.h"
#include "platform/platform.h"
#include "recorder.h"
#include "win_options.h"

namespace brenvik::service {

inline constexpr const wchar_t* kServiceName = L"BrenvikService";
inline constexpr const wchar_t* kServiceDisplayName = L"Brenvik Service";

// Records until stopEvent is set; onRunning is called once the pipe is
// served. The process's exit status: 0, 1 when the log cannot be opened,
// 2 when another server has the pipe.
int RunRecorder(Recorder& recorder, const WinOptions& options, HANDLE stopEvent,
                const std::function<void()>& onRunning);

// The data tree of the options: --root, else the window's lookup.
DataFolders ServiceDataFolders(Platform& platform, const WinOptions& options);

// Foreground mode: records until Ctrl+C or the console closes.
int RunConsole(const WinOptions& options);
// Hands the process to the service control manager; 1 when it was not
// started as a service.
int RunAsService(const WinOptions& options);

// Registers the service (automatic start, LocalSystem) to run this
// executable, or removes it (stopping it first). 0 on success.
int InstallService();
int UninstallService();

}  // namespace brenvik::service
