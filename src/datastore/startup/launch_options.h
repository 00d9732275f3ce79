// The window program's own command line. The options below are read; every
// other argument is left to the widget toolkit (which has options of its
// own, such as -platform), so nothing here is a usage error.
//   brenvik [--minimized] [--version] [--help]
// --minimized is what the session autostart entry passes: the window starts
// hidden to the tray when the tray option is on, else minimised.
#pragma once

#include <string>
#include <vector>

namespace brenvik {

inline constexpr const char* kMinimizedOption = "--minimized";

struct LaunchOptions {
  bool minimized = false;
  bool printVersion = false;
  bool printHelp = false;
};

// args: the arguments after the program name.
LaunchOptions ReadLaunchOptions(const std::vector<std::string>& args);

// What --version and --help print, each ended by a line break.
std::string LaunchVersionText();
std::string LaunchHelpText();

}  // namespace brenvik
