// brenvik-datagen: writes a data tree of generated history for the
// benchmarks.
//   brenvik-datagen --root DIR --boots N [--programs-per-boot P] [--seed S]
//                   [--time-scale F] [--first-year Y] [--boots-csv FILE]
//   brenvik-datagen --log FILE --sessions N [--lines-per-session L] [--seed S]
//                   [--first-year Y]
// The tables go to DIR/Data/ (the layout brenvik-cli --root reads); the
// boots, for another uptime tool, to FILE. --log writes an activity log of N
// working sessions instead, for the service stand-in's --replay.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "base/file_io.h"
#include "data_generator.h"
#include "platform/platform.h"
#include "records/date_time.h"

int main(int argc, char** argv) {
  using namespace brenvik;
  datagen::GeneratorOptions options;
  std::string root;
  std::string csv;
  std::string log;
  std::size_t sessions = 10;
  std::size_t linesPerSession = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--root") {
      root = value;
    } else if (name == "--boots") {
      options.boots = std::strtoul(value.c_str(), nullptr, 10);
    } else if (name == "--programs-per-boot") {
      options.programsPerBoot = std::strtoul(value.c_str(), nullptr, 10);
    } else if (name == "--seed") {
      options.seed = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (name == "--time-scale") {
      options.timeScale = std::strtod(value.c_str(), nullptr);
    } else if (name == "--first-year") {
      options.firstBoot = EncodeDateTime(std::atoi(value.c_str()), 1, 2, 8, 0, 0);
    } else if (name == "--log") {
      log = value;
    } else if (name == "--sessions") {
      sessions = std::strtoul(value.c_str(), nullptr, 10);
    } else if (name == "--lines-per-session") {
      linesPerSession = std::strtoul(value.c_str(), nullptr, 10);
    } else if (name == "--boots-csv") {
      csv = value;
    } else {
      std::fprintf(stderr, "brenvik-datagen: unknown option %s\n", name.c_str());
      return 2;
    }
  }
  if (!log.empty()) {
    try {
      WriteFileAtomic(
          *CreateNativeFileSystem(), log,
          datagen::ActivityLog(options.firstBoot, sessions, linesPerSession, options.seed));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "brenvik-datagen: %s\n", error.what());
      return 1;
    }
    return 0;
  }
  if (root.empty()) {
    std::fprintf(stderr,
                 "usage: brenvik-datagen --root DIR --boots N [--programs-per-boot P] "
                 "[--seed S] [--boots-csv FILE]\n");
    return 2;
  }
  try {
    const std::string data = root + PathSeparator() + "Data" + PathSeparator();
    const datagen::GeneratedHistory made = datagen::WriteDataTree(options, data);
    if (!csv.empty()) WriteFileAtomic(*CreateNativeFileSystem(), csv, datagen::BootsCsv(made));
    std::printf("%zu boots, %zu program rows, %zu logins, %zu crashes\n", made.boots.size(),
                made.programRows, made.loginRows, made.crashes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brenvik-datagen: %s\n", error.what());
    return 1;
  }
  return 0;
}
