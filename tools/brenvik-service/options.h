// The command line of brenvik-service.
//
//   brenvik-service [--root DIR] [--replay FILE] [--heartbeat SECONDS]
//                   [--scan-interval MS] [--idle-after SECONDS]
//                   [--client-timeout MS] [--on-term auto|shutdown|exit]
//                   [--probe-seconds SECONDS]
//   brenvik-service [--root DIR] --status
//   brenvik-service [--root DIR] --print-data-folder
//   brenvik-service --install-user-key
//
// Without --root the data tree is the window's: FolderDataPath of the local
// machine's product key, else the user's data folder + Taveron/Brenvik/.
// --on-term says what SIGTERM means: auto asks the system manager whether the
// computer is shutting down (and takes a stop as a shutdown when no manager
// answers), shutdown always records the computer's stop, exit never does.
// --probe-seconds: how often sources of logins and idle time that were not
// found (logind, a display that comes up later) are looked for again.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brenvik::service {

enum class Action { Run, Status, PrintDataFolder, InstallUserKey, Help };
enum class TermMeaning { Auto, Shutdown, Exit };

struct Options {
  Action action = Action::Run;
  std::string root;        // empty: the window's lookup
  std::string replayFile;  // empty: record
  int heartbeatSeconds = 60;
  int scanIntervalMs = 1000;
  int idleAfterSeconds = 300;
  int clientTimeoutMs = 2000;
  int probeSeconds = 30;
  TermMeaning onTerm = TermMeaning::Auto;
};

// The options, or nothing with error set to what is wrong.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

const char* UsageText();

}  // namespace brenvik::service
