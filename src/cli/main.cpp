// brenvik-cli: the reports, the import and the watched list of Brenvik from
// the command line, over the native platform backend.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_main.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A reader that goes away (| head) makes the writes fail instead of ending
  // the process before the tables are closed and backed up.
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
  // The texts carry their own line ends (the reports CR LF): written as they
  // are, not with every LF turned into CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  auto platform = brenvik::CreateNativePlatform();
  const int status = brenvik::cli::RunCli(args, *platform, std::cout, std::cerr);
  std::cout.flush();
  return std::cout.good() ? status : brenvik::cli::kExitError;
}
