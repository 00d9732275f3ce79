// What only Windows does to the window: the end of the session, heard by a
// hidden top-level window, closes it in order before the system may end the
// process; and a second brenvik.exe, started while the first one runs, is
// turned away by the first one's hidden TfrmBrenvikMain window with the
// system's message box.
#include <windows.h>

#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <functional>
#include <thread>

#include "base/file_io.h"
#include "datastore/startup/startup.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"
#include "window/app_main.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

const char* const kTables[] = {"History.cds", "Logins.cds", "Transactions.cds"};

// A top-level window of the class (and title, when given) that belongs to
// the process, hidden ones included.
HWND WindowOf(DWORD processId, const wchar_t* windowClass, const wchar_t* title = nullptr) {
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, windowClass, title)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == processId) return window;
  }
  return nullptr;
}

// Waits up to the time-out for what the predicate looks for, keeping this
// thread's own windows answering meanwhile.
template <typename T>
T WaitFor(std::function<T()> look, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  T found = look();
  while (!found && std::chrono::steady_clock::now() < end) {
    QTest::qWait(50);
    found = look();
  }
  return found;
}

// A brenvik.exe of its own, ended by force at the end if it still runs.
class Copy {
 public:
  Copy() {
    const std::string program = Win32Shell().ExecutableFolder() + BRENVIK_EXE_RELATIVE_PATH;
    std::wstring line = Utf8ToWide("\"" + program + "\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process_))
      QFAIL(LastWindowsErrorText("Cannot start " + program).c_str());
  }
  ~Copy() {
    if (!process_.hProcess) return;
    if (::WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0)
      ::TerminateProcess(process_.hProcess, 99);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
  }
  DWORD id() const { return process_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD WaitForExit(int timeoutMs) const {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0)
      ::GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION process_{};
};

// What an installer leaves for the current user: the product key, and the
// data tree named by the local machine's FolderDataPath. Both go at the end.
class Installed {
 public:
  explicit Installed(const std::string& root) {
    registry_.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
    registry_.OpenKey(RegistryRoot::LocalMachine, kProductKeyPath, true)
        ->WriteString("FolderDataPath", root);
  }
  ~Installed() {
    registry_.DeleteKey(RegistryRoot::LocalMachine, kProductKeyPath);
    registry_.DeleteKey(RegistryRoot::CurrentUser, kProductKeyPath);
  }
  std::unique_ptr<RegistryKey> UserKey() {
    return registry_.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
  }

 private:
  Win32Registry registry_;
};

// Asks the process's session watcher about the end of the session as the
// system does; false when there is no watcher or it did not answer in time.
bool EndSessionOf(DWORD processId, bool ending, LRESULT* queryAnswer = nullptr) {
  HWND watcher = WindowOf(processId, L"BrenvikSessionWatcher");
  if (!watcher) return false;
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(watcher, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 30000,
                             &answer))
    return false;
  if (queryAnswer) *queryAnswer = static_cast<LRESULT>(answer);
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(watcher, WM_ENDSESSION, ending, ENDSESSION_LOGOFF, SMTO_BLOCK, 30000,
                               &ignored) != 0;
}

}  // namespace

class SessionWin32Test : public QObject {
  Q_OBJECT

 private slots:
  // When WM_ENDSESSION has been answered the settings are stored and the
  // tables closed with their backups; a session end that was cancelled
  // changes nothing.
  void TheEndOfTheSessionClosesTheWindowInOrderBeforeItIsAnswered() {
    test::WindowFixture f;
    f.service->PrepareHandOver("2013-04-30 09:59:00;7200;;1;;0\r\n");
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    CloseOnStopSignals(window);
    QSignalSpy closedSpy(&window, &TfrmBrenvikMain::closed);
    QTest::mouseClick(f.Find<QPushButton>("btOptionsHist"), Qt::LeftButton);

    LRESULT granted = 0;
    QVERIFY(EndSessionOf(::GetCurrentProcessId(), false, &granted));
    QCOMPARE(granted, LRESULT{TRUE});
    QCOMPARE(closedSpy.count(), 0);
    QVERIFY(!f.ProductKey()->ValueExists("ActivePage"));

    QVERIFY(EndSessionOf(::GetCurrentProcessId(), true));
    QCOMPARE(closedSpy.count(), 1);
    QCOMPARE(f.ProductKey()->ReadInteger("ActivePage"), std::optional<std::int32_t>(4));
    for (const char* table : kTables) {
      QVERIFY2(FileExists(f.folders.dataFolder + "Backup\\" + table), table);
      QCOMPARE(ReadFileBytes(f.folders.dataFolder + "Backup\\" + table),
               ReadFileBytes(f.folders.dataFolder + table));
    }
    f.DestroyWindow();  // the backups are made once; nothing fails after
    QVERIFY(f.messages.errors.empty());
  }

  // The system's power events reach the window through its hidden window:
  // the suspend query is granted, and after resume the count of failures to
  // reach the service starts again.
  void PowerEventsComeThroughTheHiddenMainWindow() {
    test::WindowFixture f;
    f.service.reset();  // not running
    TfrmBrenvikMain& window = f.OpenWindow();
    window.show();
    QVERIFY(window.ServiceStatus() < 0);
    HWND marker = WindowOf(::GetCurrentProcessId(), L"TfrmBrenvikMain");
    QVERIFY(marker);
    QVERIFY(!::IsWindowVisible(marker));
    QCOMPARE(::SendMessageW(marker, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0), LRESULT{TRUE});
    QCOMPARE(window.ServiceStatus(), 0);
    QTest::mouseClick(f.Find<QWidget>("Label7"), Qt::LeftButton);  // a refresh fails again
    QVERIFY(window.ServiceStatus() < 0);
    ::SendMessageW(marker, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    QCOMPARE(window.ServiceStatus(), 0);
  }

  // Two real processes: the second finds the first one's hidden window,
  // shows "Brenvik is already running!" in the system's message box with
  // the caption "Brenvik", and ends when it is answered; the first then
  // closes in order at the end of the session and ends by itself.
  void ASecondBrenvikExeIsTurnedAwayAndTheFirstEndsWithTheSession() {
    test::TempDir root;
    Installed installed(root.path());
    const std::string dataFolder = root.path() + "Data\\";
    test::NativeFiles().CreateFolders(dataFolder);
    test::FakeService service(dataFolder, kServicePipeName);

    Copy first;
    const auto firstWindow = [&] { return WindowOf(first.id(), L"TfrmBrenvikMain"); };
    QVERIFY2(WaitFor<HWND>(firstWindow, 60000), "the first copy made no TfrmBrenvikMain window");
    QVERIFY(!::IsWindowVisible(firstWindow()));

    Copy second;
    const auto box = [&] { return WindowOf(second.id(), L"#32770", L"Brenvik"); };
    QVERIFY2(WaitFor<HWND>(box, 60000), "the second copy showed no message box");
    wchar_t text[200] = {};
    ::GetDlgItemTextW(box(), 0xFFFF, text, 200);
    QCOMPARE(QString::fromWCharArray(text), QString("Brenvik is already running!"));
    QVERIFY(!WindowOf(second.id(), L"TfrmBrenvikMain"));
    ::PostMessageW(box(), WM_COMMAND, IDOK, 0);
    QCOMPARE(second.WaitForExit(30000), DWORD{0});
    QVERIFY(firstWindow());

    // The first copy is up once it listens for the end of the session.
    const auto watcher = [&] { return WindowOf(first.id(), L"BrenvikSessionWatcher"); };
    if (!WaitFor<HWND>(watcher, 60000)) {
      wchar_t shown[400] = {};
      if (HWND message = WindowOf(first.id(), L"#32770"))
        ::GetDlgItemTextW(message, 0xFFFF, shown, 400);
      QFAIL(qPrintable("the first copy did not come up; its message: " +
                       QString::fromWCharArray(shown)));
    }
    QVERIFY(EndSessionOf(first.id(), true));
    QVERIFY(installed.UserKey()->ValueExists("ActivePage"));  // the settings stored
    for (const char* table : kTables) QVERIFY2(FileExists(dataFolder + "Backup\\" + table), table);
    QCOMPARE(first.WaitForExit(30000), DWORD{0});
  }
};

}  // namespace brenvik

QTEST_MAIN(brenvik::SessionWin32Test)
#include "session_win32_test.moc"
