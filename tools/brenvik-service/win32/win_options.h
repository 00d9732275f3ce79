// The command line of brenvik-service.exe.
//
//   brenvik-service.exe                    run as the Windows service (the
//                                          service control manager starts it so)
//   brenvik-service.exe --console [--root DIR] [--heartbeat SECONDS]
//                       [--scan-interval MS] [--client-timeout MS]
//   brenvik-service.exe --install | --uninstall
//   brenvik-service.exe --idle-agent [--idle-after SECONDS] [--poll MS]
//                       [--report-every SECONDS]
//   brenvik-service.exe --help
//
// Without --root the data tree is the window's: FolderDataPath of the local
// machine's product key, else the common data folder + Taveron\Brenvik\.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brenvik::service {

enum class WinAction { Service, Console, Install, Uninstall, IdleAgent, Help };

struct WinOptions {
  WinAction action = WinAction::Service;
  std::string root;
  int heartbeatSeconds = 60;
  int scanIntervalMs = 1000;
  int clientTimeoutMs = 2000;
  // The idle agent's: idle from this long without input, that period's
  // length reported again every reportEverySeconds, input looked at every
  // pollMs.
  int idleAfterSeconds = 300;
  int reportEverySeconds = 60;
  int pollMs = 5000;
};

// The options, or nothing with error set to what is wrong.
std::optional<WinOptions> ParseWinOptions(const std::vector<std::string>& args, std::string& error);

const char* WinUsageText();

}  // namespace brenvik::service
