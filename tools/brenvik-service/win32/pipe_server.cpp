#include "pipe_server.h"

#include <sddl.h>

#include "platform/win32/win32_error.h"
#include "recorder.h"

namespace brenvik::service {
namespace {

constexpr DWORD kBufferBytes = 4096;

// The pipe's security attributes from kPipeSecurity; LocalFree the
// descriptor afterwards.
SECURITY_ATTRIBUTES PipeAttributes() {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kPipeSecurity, SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr)) {
    ThrowLastWindowsError("Making the pipe's security descriptor");
  }
  return attributes;
}

}  // namespace

PipeServer::PipeServer(std::wstring pipePath, int clientTimeoutMs, Handler handler)
    : pipePath_(std::move(pipePath)),
      clientTimeoutMs_(clientTimeoutMs),
      handler_(std::move(handler)),
      stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      io_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PipeServer::~PipeServer() {
  Stop();
  ::CloseHandle(stop_);
  ::CloseHandle(io_);
}

void PipeServer::Start() {
  SECURITY_ATTRIBUTES attributes = PipeAttributes();
  pipe_ = ::CreateNamedPipeW(
      pipePath_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
      kBufferBytes, kBufferBytes, static_cast<DWORD>(DefaultClientWaitMs()), &attributes);
  const DWORD error = ::GetLastError();
  ::LocalFree(attributes.lpSecurityDescriptor);
  if (pipe_ == INVALID_HANDLE_VALUE) ThrowWindowsError("Making the pipe", error);
  ::ResetEvent(stop_);
  thread_ = std::thread([this] { Serve(); });
}

void PipeServer::Stop() {
  if (thread_.joinable()) {
    ::SetEvent(stop_);
    thread_.join();
  }
  if (pipe_ != INVALID_HANDLE_VALUE) ::CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}

bool PipeServer::Await(OVERLAPPED& overlapped, DWORD ms, DWORD& bytes) {
  HANDLE handles[2] = {stop_, io_};
  if (::WaitForMultipleObjects(2, handles, FALSE, ms) != WAIT_OBJECT_0 + 1) {
    ::CancelIoEx(pipe_, &overlapped);
    ::GetOverlappedResult(pipe_, &overlapped, &bytes, TRUE);
    return false;
  }
  return ::GetOverlappedResult(pipe_, &overlapped, &bytes, FALSE) != 0;
}

void PipeServer::Serve() {
  while (::WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = io_;
    ::ResetEvent(io_);
    DWORD unused = 0;
    bool connected = ::ConnectNamedPipe(pipe_, &overlapped) != 0;
    const DWORD error = ::GetLastError();
    if (!connected && error == ERROR_PIPE_CONNECTED) connected = true;
    if (!connected && error == ERROR_IO_PENDING) {
      connected = Await(overlapped, INFINITE, unused);
    }
    if (!connected) {
      ::DisconnectNamedPipe(pipe_);
      if (error != ERROR_IO_PENDING) ::Sleep(100);  // no busy loop on a broken instance
      continue;
    }
    std::string message;
    if (ReadMessage(message)) {
      const auto command = ParseCommandMessage(message);
      WriteReply(CommandReply(command && handler_(*command, Client())));
      WaitForClose();
    } else {
      Warn("a client sent no command within the time-out, or too long a one; dropped");
    }
    ::DisconnectNamedPipe(pipe_);
  }
}

CommandClient PipeServer::Client() const {
  CommandClient client;
  ULONG pid = 0;
  if (::GetNamedPipeClientProcessId(pipe_, &pid)) client.processId = pid;
  ULONG session = 0;
  DWORD processSession = 0;
  if (::GetNamedPipeClientSessionId(pipe_, &session)) {
    client.session = session;
  } else if (pid != 0 && ::ProcessIdToSessionId(pid, &processSession)) {
    client.session = processSession;
  }
  return client;
}

bool PipeServer::ReadMessage(std::string& message) {
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(clientTimeoutMs_);
  char buffer[kBufferBytes];
  while (message.size() <= kMaxMessageBytes) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = io_;
    ::ResetEvent(io_);
    DWORD got = 0;
    BOOL whole = ::ReadFile(pipe_, buffer, sizeof buffer, &got, &overlapped);
    DWORD error = whole ? ERROR_SUCCESS : ::GetLastError();
    if (!whole && error == ERROR_IO_PENDING) {
      const DWORD now = ::GetTickCount();
      const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
      whole = Await(overlapped, left, got);
      error = whole ? ERROR_SUCCESS : ::GetLastError();
    } else if (!whole && error == ERROR_MORE_DATA) {
      ::GetOverlappedResult(pipe_, &overlapped, &got, FALSE);
    }
    message.append(buffer, got);
    if (whole) return message.size() <= kMaxMessageBytes;
    if (error != ERROR_MORE_DATA) return false;
  }
  return false;
}

void PipeServer::WriteReply(const std::string& reply) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = io_;
  ::ResetEvent(io_);
  DWORD sent = 0;
  if (!::WriteFile(pipe_, reply.data(), static_cast<DWORD>(reply.size()), &sent, &overlapped) &&
      ::GetLastError() == ERROR_IO_PENDING) {
    Await(overlapped, static_cast<DWORD>(clientTimeoutMs_), sent);
  }
}

// The reply is the client's once it has closed its end (a disconnect before
// would throw it away); a read ends with the broken pipe then.
void PipeServer::WaitForClose() {
  char byte;
  OVERLAPPED overlapped{};
  overlapped.hEvent = io_;
  ::ResetEvent(io_);
  DWORD got = 0;
  if (!::ReadFile(pipe_, &byte, 1, &got, &overlapped) && ::GetLastError() == ERROR_IO_PENDING) {
    Await(overlapped, static_cast<DWORD>(clientTimeoutMs_), got);
  }
}

}  // namespace brenvik::service
