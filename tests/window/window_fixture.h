// What every GUI test needs: a temporary data tree with its settings and data
// folders, a platform whose registry is the real store inside that tree,
// whose service pipe is the real channel (served by the fake service), and
// whose clock, locale, shell and event log are fakes a test can script; a
// message sink that records instead of blocking; and the real window over
// all of it.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "datastore/startup/startup.h"
#include "platform/platform.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "window/main_window.h"
#include "window/messages.h"
#include "window_platform.h"

namespace brenvik::test {

// One row of a prepared uptime history (Windows unless a path is given).
struct PreparedRun {
  DateTime start;
  DateTime end;
  bool closedOk = true;
  std::int32_t idleSeconds = 0;
  std::int64_t activeSeconds = -1;  // -1: active throughout
  std::string exePath = "Windows";
};

class WindowFixture {
 public:
  WindowFixture();
  ~WindowFixture();

  // A new window over the tree (the previous one, if any, is destroyed first,
  // as at the end of a run).
  TfrmBrenvikMain& OpenWindow();
  // Destroys the window without closing it (what follows btExit).
  void DestroyWindow();
  TfrmBrenvikMain* window() const { return window_.get(); }

  // Writes the rows into History.cds of the tree (as complete rows of run 1),
  // through the tables as the program keeps them.
  void PrepareHistory(const std::vector<PreparedRun>& runs);

  // The product key of the current user, created when missing.
  std::unique_ptr<RegistryKey> ProductKey();

  template <typename T>
  T* Find(const QString& name) const {
    return window_->findChild<T*>(name);
  }

  TempDir dir;
  DataFolders folders;
  std::unique_ptr<Platform> platform;
  FakeClock* clock = nullptr;
  FakeLocale* locale = nullptr;
  FakeShell* shell = nullptr;
  FakeEventLog* eventLog = nullptr;
  RecordingMessageSink messages;
  std::unique_ptr<FakeService> service;
  std::string markerFolder;

 private:
  std::unique_ptr<TfrmBrenvikMain> window_;
};

}  // namespace brenvik::test
