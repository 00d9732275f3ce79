#include "support/programs_fixture.h"

namespace brenvik::test {

ProgramsFixture::ProgramsFixture()
    : fake(MakeFakePlatform()),
      cache(*fake.platform->versionResources, nullptr),
      watched(WatchedProgramsParts{*fake.platform->registry, *fake.platform->servicePipe,
                                   *fake.platform->shell, *fake.platform->versionResources,
                                   *fake.platform->files, nullptr, "/nonexistent/settings/",
                                   "/nonexistent/data/"}),
      directory(*fake.platform->versionResources, cache, watched) {}

void ProgramsFixture::Watch(const std::string& path) {
  watched.AddFileToProgramsWatched(path, true);
}

}  // namespace brenvik::test
