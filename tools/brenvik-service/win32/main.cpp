// brenvik-service.exe: the Brenvik service for Windows. See win_options.h for
// the command line and recorder.h for what it records.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "idle_agent.h"
#include "platform/win32/win32_error.h"
#include "service_host.h"
#include "win_options.h"

int wmain(int argc, wchar_t** argv) {
  using namespace brenvik;
  using namespace brenvik::service;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
  std::string error;
  const auto options = ParseWinOptions(args, error);
  if (!options) {
    std::cerr << "brenvik-service: " << error << "\n" << WinUsageText();
    return 64;
  }
  try {
    switch (options->action) {
      case WinAction::Help:
        std::cout << WinUsageText();
        return 0;
      case WinAction::Install:
        return InstallService();
      case WinAction::Uninstall:
        return UninstallService();
      case WinAction::IdleAgent:
        return RunIdleAgent(*options);
      case WinAction::Console:
        return RunConsole(*options);
      case WinAction::Service:
        return RunAsService(*options);
    }
  } catch (const Error& e) {
    std::cerr << "brenvik-service: " << e.what() << "\n";
  }
  return 1;
}
