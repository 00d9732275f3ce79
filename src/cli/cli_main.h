// The whole of one brenvik-cli run over a platform bundle: the command line
// read, the platform's clock and event logs replaced as the global options
// ask, the data tree found and held exclusively, the session started, the
// command run, the session closed. Returns the exit status:
//   0 success; 1 an error (its text on err); 2 a usage error (with the usage
//   line on err); 3 another process holds the data tree ("Brenvik is already
//   running!" on err, nothing touched).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace brenvik::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTreeInUse = 3;

// args: the arguments after the program name. The platform's parts are
// restored before returning.
int RunCli(const std::vector<std::string>& args, Platform& platform, std::ostream& out,
           std::ostream& err);

}  // namespace brenvik::cli
