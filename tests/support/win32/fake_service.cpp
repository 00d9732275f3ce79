#include "support/win32/fake_service.h"

#include <windows.h>

#include <stdexcept>

#include "base/text_file.h"
#include "base/utf8.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_service_pipe.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

class Event {
 public:
  Event() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Event() { ::CloseHandle(handle_); }
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

HANDLE NewInstance(const std::wstring& path) {
  return ::CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, 4096, 4096, 1000, nullptr);
}

}  // namespace

std::string UniqueTestPipeName() {
  static std::atomic<unsigned> counter{0};
  return "brenvik test pipe " + std::to_string(::GetCurrentProcessId()) + "-" +
         std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
}

FakeService::FakeService(std::string dataFolder, std::string pipeName)
    : dataFolder_(std::move(dataFolder)),
      pipePath_(LocalPipePath(pipeName)),
      stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ready_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      reply_(Utf8ToUtf16LeBytes("OK")) {
  thread_ = std::thread([this] { Serve(); });
  ::WaitForSingleObject(ready_, 5000);
}

FakeService::~FakeService() {
  ::SetEvent(stop_);
  thread_.join();
  for (void* pipe : unanswered_) ::CloseHandle(pipe);
  ::CloseHandle(stop_);
  ::CloseHandle(ready_);
}

void FakeService::PrepareHandOver(const std::string& lines) {
  std::lock_guard<std::mutex> lock(mutex_);
  prepared_.assign(1, lines);
}

void FakeService::QueueHandOver(const std::string& lines) {
  std::lock_guard<std::mutex> lock(mutex_);
  prepared_.push_back(lines);
}

void FakeService::SetReply(const std::string& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  reply_ = reply;
}

std::vector<std::string> FakeService::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

bool FakeService::WaitFor(void* event) {
  HANDLE handles[2] = {stop_, event};
  return ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

void FakeService::Serve() {
  const std::wstring path = Utf8ToWide(pipePath_);
  HANDLE next = NewInstance(path);
  ::SetEvent(ready_);
  while (next != INVALID_HANDLE_VALUE) {
    HANDLE pipe = next;
    Event connected;
    OVERLAPPED overlapped{};
    overlapped.hEvent = connected.get();
    bool ok = ::ConnectNamedPipe(pipe, &overlapped) || ::GetLastError() == ERROR_PIPE_CONNECTED;
    if (!ok && ::GetLastError() == ERROR_IO_PENDING) {
      DWORD unused = 0;
      ok = WaitFor(connected.get()) && ::GetOverlappedResult(pipe, &overlapped, &unused, FALSE);
      if (!ok) ::CancelIo(pipe);
    }
    if (::WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
      ::CloseHandle(pipe);
      return;
    }
    // The next instance exists before this one is answered and closed, so a
    // client never finds the pipe gone between two commands.
    next = NewInstance(path);
    if (ok) {
      Handle(pipe);
    } else {
      ::CloseHandle(pipe);
    }
  }
}

void FakeService::Handle(void* pipe) {
  Event done;
  std::string message;
  char buffer[512];
  while (true) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.get();
    ::ResetEvent(done.get());
    if (!::ReadFile(pipe, buffer, sizeof buffer, nullptr, &overlapped)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_IO_PENDING && !WaitFor(done.get())) {
        ::CancelIo(pipe);
        ::CloseHandle(pipe);
        return;
      }
      if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) {
        ::CloseHandle(pipe);
        return;
      }
    }
    DWORD got = 0;
    const BOOL whole = ::GetOverlappedResult(pipe, &overlapped, &got, TRUE);
    const DWORD error = ::GetLastError();
    message.append(buffer, got);
    if (whole) break;
    if (error != ERROR_MORE_DATA) {
      ::CloseHandle(pipe);
      return;
    }
  }
  std::string reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(message);
    if (message == Utf8ToUtf16LeBytes("2;") && !prepared_.empty()) {
      if (!prepared_.front().empty())
        WriteTextFileWithBom(test::NativeFiles(), dataFolder_ + "CopyForMonitor.dat",
                             prepared_.front());
      prepared_.pop_front();
    }
    reply = reply_;
    if (silent_) {
      unanswered_.push_back(pipe);
      return;
    }
  }
  if (hangUp_) {
    ::DisconnectNamedPipe(pipe);
    ::CloseHandle(pipe);
    return;
  }
  OVERLAPPED overlapped{};
  overlapped.hEvent = done.get();
  ::ResetEvent(done.get());
  DWORD sent = 0;
  if (!::WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), &sent, &overlapped) &&
      ::GetLastError() == ERROR_IO_PENDING && WaitFor(done.get())) {
    ::GetOverlappedResult(pipe, &overlapped, &sent, FALSE);
  }
  ::FlushFileBuffers(pipe);
  ::DisconnectNamedPipe(pipe);
  ::CloseHandle(pipe);
}

}  // namespace brenvik::test
