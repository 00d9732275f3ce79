// brenvik-cli: the reports, the import and the watched list of Brenvik from
// the command line, over the native platform backend.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_main.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A reader that goes away (| head) makes the writes fail instead of ending
  // the process before the tables are closed and backed up.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  auto platform = brenvik::CreateNativePlatform();
  const int status = brenvik::cli::RunCli(args, *platform, std::cout, std::cerr);
  std::cout.flush();
  return std::cout.good() ? status : brenvik::cli::kExitError;
}
