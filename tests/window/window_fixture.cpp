#include "window_fixture.h"

#include "base/file_io.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_service_pipe.h"

namespace brenvik::test {

WindowFixture::WindowFixture() {
  folders = InitDataFoldersAt(dir.path() + "tree/");
  markerFolder = dir.path() + "tmp/";
  ForceDirectories(markerFolder);
  FakePlatform fake = MakeFakePlatform();
  clock = fake.clock;
  locale = fake.locale;
  shell = fake.shell;
  eventLog = fake.eventLog;
  platform = std::move(fake.platform);
  platform->registry =
      std::make_unique<PosixRegistry>(dir.path() + "user/", dir.path() + "machine/");
  platform->servicePipe = std::make_unique<PosixServicePipe>(500);
  service = std::make_unique<FakeService>(folders.dataFolder);
}

WindowFixture::~WindowFixture() { DestroyWindow(); }

TfrmBrenvikMain& WindowFixture::OpenWindow() {
  DestroyWindow();
  window_ = std::make_unique<TfrmBrenvikMain>(
      WindowContext{*platform, folders, markerFolder, messages});
  return *window_;
}

void WindowFixture::DestroyWindow() { window_.reset(); }

std::unique_ptr<RegistryKey> WindowFixture::ProductKey() {
  return platform->registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
}

}  // namespace brenvik::test
