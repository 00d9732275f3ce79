#include "datastore/startup/launch_options.h"

#include "base/version.h"

namespace brenvik {

LaunchOptions ReadLaunchOptions(const std::vector<std::string>& args) {
  LaunchOptions options;
  for (const std::string& arg : args) {
    if (arg == "--") break;  // the rest belongs to no option
    if (arg == kMinimizedOption) options.minimized = true;
    if (arg == "--version") options.printVersion = true;
    if (arg == "--help" || arg == "-h") options.printHelp = true;
  }
  return options;
}

std::string LaunchVersionText() { return std::string("brenvik ") + kBrenvikVersion + "\n"; }

std::string LaunchHelpText() {
  return "brenvik [--minimized] [--version] [--help]\n"
         "\n"
         "Shows how long this computer and the programs you choose have been running.\n"
         "\n"
         "  --minimized   start hidden in the system tray when \"Show in System tray\" is\n"
         "                on, otherwise minimised\n"
         "  --version     print the version and end\n"
         "  --help        print this text and end\n";
}

}  // namespace brenvik
