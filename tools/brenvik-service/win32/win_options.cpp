#include "win_options.h"

#include <cstdlib>

namespace brenvik::service {
namespace {

// A whole decimal number in [low, high].
std::optional<int> Number(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const int value = std::atoi(text.c_str());
  if (value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

std::optional<WinOptions> ParseWinOptions(const std::vector<std::string>& args,
                                          std::string& error) {
  WinOptions options;
  bool actionGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto setAction = [&](WinAction action) {
      if (actionGiven) {
        error = "only one of --console, --install, --uninstall, --idle-agent, --help";
      }
      options.action = action;
      actionGiven = true;
    };
    if (arg == "--console") {
      setAction(WinAction::Console);
    } else if (arg == "--install") {
      setAction(WinAction::Install);
    } else if (arg == "--uninstall") {
      setAction(WinAction::Uninstall);
    } else if (arg == "--idle-agent") {
      setAction(WinAction::IdleAgent);
    } else if (arg == "--help" || arg == "-h") {
      setAction(WinAction::Help);
    } else if (i + 1 >= args.size()) {
      error = "unknown option or missing value: " + arg;
    } else if (arg == "--root") {
      options.root = args[++i];
    } else {
      int* target = arg == "--heartbeat"        ? &options.heartbeatSeconds
                    : arg == "--scan-interval"  ? &options.scanIntervalMs
                    : arg == "--client-timeout" ? &options.clientTimeoutMs
                    : arg == "--idle-after"     ? &options.idleAfterSeconds
                    : arg == "--report-every"   ? &options.reportEverySeconds
                    : arg == "--poll"           ? &options.pollMs
                                                : nullptr;
      const auto value = target ? Number(args[++i], 1, 86400000) : std::nullopt;
      if (!target) {
        error = "unknown option: " + arg;
      } else if (!value) {
        error = "not a number in range for " + arg + ": " + args[i];
      } else {
        *target = *value;
      }
    }
    if (!error.empty()) return std::nullopt;
  }
  return options;
}

const char* WinUsageText() {
  return "usage: brenvik-service.exe                 (started by the service control manager)\n"
         "       brenvik-service.exe --console [--root DIR] [--heartbeat SECONDS]\n"
         "                           [--scan-interval MS] [--client-timeout MS]\n"
         "       brenvik-service.exe --install | --uninstall | --help\n"
         "       brenvik-service.exe --idle-agent [--idle-after SECONDS] [--poll MS]\n"
         "                           [--report-every SECONDS]\n";
}

}  // namespace brenvik::service
