// The brenvik program: the window over the native platform backend.
#include <cstdio>
#include <string>
#include <vector>

#include "datastore/startup/launch_options.h"
#include "window/app_main.h"
#include "window/application.h"
#include "window/start_up_probe.h"

int main(int argc, char** argv) {
  brenvik::NoteProcessStart();
  // --version and --help are answered before the toolkit looks for a display.
  const brenvik::LaunchOptions options =
      brenvik::ReadLaunchOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.printVersion || options.printHelp) {
    const std::string text =
        options.printVersion ? brenvik::LaunchVersionText() : brenvik::LaunchHelpText();
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  brenvik::BrenvikApplication app(argc, argv);
  brenvik::MessageBoxSink messages;
  app.SetMessageSink(&messages);
  auto platform = brenvik::CreateNativePlatform();
  return brenvik::RunBrenvik(app, *platform, messages, options.minimized);
}
