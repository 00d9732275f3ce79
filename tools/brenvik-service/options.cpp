#include "options.h"

#include <cstdlib>

namespace brenvik::service {
namespace {

bool ToPositive(const std::string& text, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || number <= 0 || number > 86'400'000) return false;
  value = static_cast<int>(number);
  return true;
}

}  // namespace

const char* UsageText() {
  return "usage: brenvik-service [--root DIR] [--replay FILE] [--heartbeat SECONDS]\n"
         "                       [--scan-interval MS] [--idle-after SECONDS]\n"
         "                       [--client-timeout MS] [--on-term auto|shutdown|exit]\n"
         "                       [--probe-seconds SECONDS]\n"
         "       brenvik-service [--root DIR] --status | --print-data-folder\n"
         "       brenvik-service --install-user-key\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    auto number = [&](int& out) {
      std::string text;
      return value(text) && ToPositive(text, out);
    };
    bool ok = true;
    std::string text;
    if (arg == "--root") {
      ok = value(options.root) && !options.root.empty();
      if (ok && options.root.back() != '/') options.root += '/';
    } else if (arg == "--replay") {
      ok = value(options.replayFile) && !options.replayFile.empty();
    } else if (arg == "--heartbeat") {
      ok = number(options.heartbeatSeconds);
    } else if (arg == "--scan-interval") {
      ok = number(options.scanIntervalMs);
    } else if (arg == "--idle-after") {
      ok = number(options.idleAfterSeconds);
    } else if (arg == "--probe-seconds") {
      ok = number(options.probeSeconds);
    } else if (arg == "--client-timeout") {
      ok = number(options.clientTimeoutMs);
    } else if (arg == "--on-term") {
      ok = value(text) && (text == "auto" || text == "shutdown" || text == "exit");
      options.onTerm = text == "shutdown" ? TermMeaning::Shutdown
                       : text == "exit"   ? TermMeaning::Exit
                                          : TermMeaning::Auto;
    } else if (arg == "--status") {
      options.action = Action::Status;
    } else if (arg == "--print-data-folder") {
      options.action = Action::PrintDataFolder;
    } else if (arg == "--install-user-key") {
      options.action = Action::InstallUserKey;
    } else if (arg == "--help" || arg == "-h") {
      options.action = Action::Help;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
    if (!ok) {
      error = "option " + arg + " needs a valid value";
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace brenvik::service
