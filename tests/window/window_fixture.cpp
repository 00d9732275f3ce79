#include "window_fixture.h"

#include "base/file_io.h"
#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"
#include "support/failing_file_system.h"

namespace brenvik::test {

WindowFixture::WindowFixture() {
  folders = InitDataFoldersAt(test::NativeFiles(), dir.path() + "tree/");
  markerFolder = dir.path() + "tmp/";
  test::NativeFiles().CreateFolders(markerFolder);
  FakePlatform fake = MakeFakePlatform();
  clock = fake.clock;
  locale = fake.locale;
  shell = fake.shell;
  eventLog = fake.eventLog;
  platform = std::move(fake.platform);
  platform->registry = MakeTestRegistry(dir.path());
  // The session autostart keeps its Run key value in the registry just set.
  platform->autostart = std::make_unique<RunKeyAutostart>(*platform->registry, kFakeWindowProgram);
  TestServiceChannel channel = MakeTestServiceChannel(folders.dataFolder, 500);
  platform->servicePipe = std::move(channel.pipe);
  service = std::move(channel.service);
}

WindowFixture::~WindowFixture() { DestroyWindow(); }

TfrmBrenvikMain& WindowFixture::OpenWindow() {
  DestroyWindow();
  window_ =
      std::make_unique<TfrmBrenvikMain>(WindowContext{*platform, folders, markerFolder, messages});
  return *window_;
}

void WindowFixture::DestroyWindow() { window_.reset(); }

namespace {

class NoMessages : public Messages {
 public:
  void ShowMessage(const std::string& text) override {
    throw std::logic_error("unexpected message while preparing: " + text);
  }
};

}  // namespace

void WindowFixture::PrepareHistory(const std::vector<PreparedRun>& runs) {
  DataTables tables;
  NoMessages messages;
  OpenTables(tables,
             ServiceLink{*platform->servicePipe, *clock, *platform->files, folders.dataFolder},
             messages);
  for (const PreparedRun& run : runs) {
    const std::int64_t uptime = SecondsBetween(run.start, run.end);
    const bool windows = run.exePath == "Windows";
    tables.DataSetHistory.Append(
        {FieldValue(1), FieldValue(windows ? "" : "ann [PC1]"), FieldValue(run.exePath),
         FieldValue(), FieldValue(run.start), FieldValue(run.end), FieldValue(), FieldValue(),
         FieldValue(), FieldValue(uptime), FieldValue(run.idleSeconds),
         FieldValue(run.activeSeconds < 0 ? uptime : run.activeSeconds), FieldValue(windows),
         FieldValue(run.closedOk), FieldValue(false), FieldValue(false)});
  }
  CloseTablesAndBackup(tables, test::NativeFiles(), folders.dataFolder);
}

std::unique_ptr<RegistryKey> WindowFixture::ProductKey() {
  return platform->registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
}

}  // namespace brenvik::test
