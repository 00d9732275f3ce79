// brenvik-cli: the reports, the import and the watched list of Brenvik from
// the command line, over the native platform backend.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_main.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  auto platform = brenvik::CreateNativePlatform();
  const int status = brenvik::cli::RunCli(args, *platform, std::cout, std::cerr);
  std::cout.flush();
  return std::cout.good() ? status : brenvik::cli::kExitError;
}
