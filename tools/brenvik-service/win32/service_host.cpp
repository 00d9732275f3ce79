#include "service_host.h"

#include <atomic>
#include <chrono>
#include <iostream>

#include "base/errors.h"
#include "control_handler.h"
#include "pipe_server.h"
#include "platform/platform.h"
#include "platform/service_pipe.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_service_pipe.h"
#include "system_probes.h"

namespace brenvik::service {
namespace {

using SteadyClock = std::chrono::steady_clock;

HANDLE gConsoleStop = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
  ::SetEvent(gConsoleStop);
  return TRUE;
}

std::wstring ExecutablePath() {
  std::wstring path(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

// What the service's threads share with the control handler.
struct ServiceContext {
  WinOptions options;
  SERVICE_STATUS_HANDLE status = nullptr;
  HANDLE stop = nullptr;
  Recorder* recorder = nullptr;
  std::atomic<DWORD> checkPoint{0};
} gService;

void ReportStatus(DWORD state, DWORD exitCode = NO_ERROR) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? kAcceptedControls : 0;
  status.dwWin32ExitCode = exitCode == NO_ERROR ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  status.dwServiceSpecificExitCode = exitCode;
  status.dwCheckPoint =
      state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : ++gService.checkPoint;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 5000;
  ::SetServiceStatus(gService.status, &status);
}

DWORD WINAPI ServiceControl(DWORD control, DWORD eventType, void* eventData, void*) {
  const auto stop = [] {
    ReportStatus(SERVICE_STOP_PENDING);
    ::SetEvent(gService.stop);
  };
  if (!gService.recorder) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) stop();
    return NO_ERROR;
  }
  return HandleServiceControl(*gService.recorder, stop, control, eventType, eventData);
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  gService.status = ::RegisterServiceCtrlHandlerExW(kServiceName, &ServiceControl, nullptr);
  if (!gService.status) return;
  ReportStatus(SERVICE_START_PENDING);
  int result = 1;
  try {
    auto platform = CreateNativePlatform();
    Recorder recorder(ServiceDataFolders(*platform, gService.options), *platform->clock,
                      *platform->accounts, *platform->files, SystemHooks());
    gService.recorder = &recorder;
    result = RunRecorder(recorder, gService.options, gService.stop,
                         [] { ReportStatus(SERVICE_RUNNING); });
    gService.recorder = nullptr;
  } catch (const Error& e) {
    gService.recorder = nullptr;
    Warn(e.what());
  }
  ReportStatus(SERVICE_STOPPED, static_cast<DWORD>(result));
}

}  // namespace

DataFolders ServiceDataFolders(Platform& platform, const WinOptions& options) {
  if (!options.root.empty()) {
    std::string root = options.root;
    if (root.back() != '\\' && root.back() != '/') root += '\\';
    return InitDataFoldersAt(*platform.files, root);
  }
  return InitDataFolders(platform);
}

int RunRecorder(Recorder& recorder, const WinOptions& options, HANDLE stopEvent,
                const std::function<void()>& onRunning) {
  try {
    recorder.Start();
  } catch (const Error& e) {
    Warn(e.what());
    return 1;
  }
  PipeServer pipe(Utf8ToWide(LocalPipePath(kServicePipeName)), options.clientTimeoutMs,
                  [&recorder](const ServiceCommand& command, const CommandClient& client) {
                    if (command.code == kIdleReportCommand) {
                      return recorder.OnIdleReport(command.param, client);
                    }
                    return recorder.OnCommand(command);
                  });
  try {
    pipe.Start();
  } catch (const Error& e) {
    Warn(std::string("another server has the pipe: ") + e.what());
    return 2;
  }
  std::cerr << "brenvik-service: recording into " << recorder.logPath() << std::endl;
  onRunning();
  const auto heartbeat = std::chrono::seconds(options.heartbeatSeconds);
  auto nextHeartbeat = SteadyClock::now() + heartbeat;
  do {
    const bool due = SteadyClock::now() >= nextHeartbeat;
    if (due) nextHeartbeat += heartbeat;
    recorder.Tick(due);
  } while (::WaitForSingleObject(stopEvent, static_cast<DWORD>(options.scanIntervalMs)) ==
           WAIT_TIMEOUT);
  pipe.Stop();
  return 0;
}

int RunConsole(const WinOptions& options) {
  gConsoleStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  auto platform = CreateNativePlatform();
  Recorder recorder(ServiceDataFolders(*platform, options), *platform->clock, *platform->accounts,
                    *platform->files, SystemHooks());
  return RunRecorder(recorder, options, gConsoleStop, [] {});
}

int RunAsService(const WinOptions& options) {
  gService.options = options;
  gService.stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  wchar_t name[] = L"BrenvikService";
  SERVICE_TABLE_ENTRYW table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
  if (!::StartServiceCtrlDispatcherW(table)) {
    Warn("not started by the service control manager (use --console to run in the foreground)");
    return 1;
  }
  return 0;
}

int InstallService() {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!manager) {
    Warn(WindowsErrorText("cannot open the service control manager", ::GetLastError()));
    return 1;
  }
  const std::wstring command = L"\"" + ExecutablePath() + L"\"";
  SC_HANDLE service = ::CreateServiceW(
      manager, kServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr,
      nullptr /* LocalSystem */, nullptr);
  DWORD error = service ? NO_ERROR : ::GetLastError();
  if (error == ERROR_SERVICE_EXISTS) {
    // An upgrade: the service keeps its registration and runs the new file.
    service = ::OpenServiceW(manager, kServiceName, SERVICE_CHANGE_CONFIG);
    error =
        service && ::ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                          SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                          nullptr, nullptr, nullptr, kServiceDisplayName)
            ? NO_ERROR
            : ::GetLastError();
  }
  if (service) {
    SERVICE_PRESHUTDOWN_INFO preshutdown{10000};
    ::ChangeServiceConfig2W(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown);
    ::CloseServiceHandle(service);
  }
  ::CloseServiceHandle(manager);
  if (error != NO_ERROR) {
    Warn(WindowsErrorText("cannot register the service", error));
    return 1;
  }
  std::cout << "BrenvikService registered (automatic start, LocalSystem)\n";
  return 0;
}

int UninstallService() {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) {
    Warn(WindowsErrorText("cannot open the service control manager", ::GetLastError()));
    return 1;
  }
  SC_HANDLE service =
      ::OpenServiceW(manager, kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
  DWORD error = service ? NO_ERROR : ::GetLastError();
  if (service) {
    SERVICE_STATUS status{};
    if (::ControlService(service, SERVICE_CONTROL_STOP, &status)) {
      for (int i = 0; i < 100 && ::QueryServiceStatus(service, &status) &&
                      status.dwCurrentState != SERVICE_STOPPED;
           ++i) {
        ::Sleep(100);
      }
    }
    if (!::DeleteService(service)) error = ::GetLastError();
    ::CloseServiceHandle(service);
  }
  ::CloseServiceHandle(manager);
  if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
    std::cout << "BrenvikService was not registered\n";
    return 0;
  }
  if (error != NO_ERROR) {
    Warn(WindowsErrorText("cannot remove the service", error));
    return 1;
  }
  std::cout << "BrenvikService removed\n";
  return 0;
}

}  // namespace brenvik::service
