// Program tracking's real cache and watched list over the fake platform,
// seen through the uptime report's ProgramDirectory. Files that do not exist
// are titled by their file name and marked deleted, which is what most
// report tests want.
#pragma once

#include <memory>
#include <string>

#include "reports/uptime/program_directory.h"
#include "support/fakes.h"

namespace brenvik::test {

struct ProgramsFixture {
  ProgramsFixture();
  // Adds a watched program without notifying anyone.
  void Watch(const std::string& path);

  FakePlatform fake;
  ProgramCache cache;
  WatchedPrograms watched;
  TrackedProgramDirectory directory;
};

}  // namespace brenvik::test
