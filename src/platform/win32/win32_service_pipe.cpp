#include "platform/win32/win32_service_pipe.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

// What one transaction needs and gives; shared with the calling thread so
// that a transaction left behind after a time-out still owns its buffers.
struct Transaction {
  std::wstring path;
  std::string message;
  std::vector<char> reply;
  DWORD replyBytes = 0;
  BOOL ok = FALSE;
  DWORD error = ERROR_SUCCESS;
};

// The account of a process's token, or nothing when it cannot be read.
std::vector<char> TokenUserOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<char> user(size);
  const BOOL ok = size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
  ::CloseHandle(token);
  if (!ok) return {};
  return user;
}

// Only a server of this user or of LocalSystem (the service's account) is
// believed: while the service is not running, any user can create a pipe of
// its name and answer. ERROR_ACCESS_DENIED for a server of another account.
// Where the system cannot name the server's process at all, nothing more
// can be checked and the server is taken.
DWORD CheckServer(HANDLE pipe) {
  ULONG pid = 0;
  if (!::GetNamedPipeServerProcessId(pipe, &pid)) return ERROR_SUCCESS;
  if (pid == ::GetCurrentProcessId()) return ERROR_SUCCESS;
  HANDLE server = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!server) return ERROR_ACCESS_DENIED;  // a process this user may not even look at
  const std::vector<char> theirs = TokenUserOf(server);
  ::CloseHandle(server);
  const std::vector<char> ours = TokenUserOf(::GetCurrentProcess());
  if (theirs.empty() || ours.empty()) return ERROR_ACCESS_DENIED;
  PSID theirSid = reinterpret_cast<const TOKEN_USER*>(theirs.data())->User.Sid;
  PSID ourSid = reinterpret_cast<const TOKEN_USER*>(ours.data())->User.Sid;
  if (::EqualSid(theirSid, ourSid) || ::IsWellKnownSid(theirSid, WinLocalSystemSid)) {
    return ERROR_SUCCESS;
  }
  return ERROR_ACCESS_DENIED;
}

// What CallNamedPipeW does (wait for a free instance, connect, message
// mode, one transaction, close), with the server checked before the message
// is written. The connection only lets the server identify this user, not
// act as this user.
BOOL CallCheckedPipe(Transaction& t) {
  const DWORD flags = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
  HANDLE pipe = ::CreateFileW(t.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, flags, nullptr);
  if (pipe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PIPE_BUSY &&
      ::WaitNamedPipeW(t.path.c_str(), NMPWAIT_USE_DEFAULT_WAIT)) {
    pipe = ::CreateFileW(t.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         flags, nullptr);
  }
  if (pipe == INVALID_HANDLE_VALUE) return FALSE;
  DWORD mode = PIPE_READMODE_MESSAGE;
  BOOL ok = ::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  if (ok) {
    const DWORD refused = CheckServer(pipe);
    if (refused != ERROR_SUCCESS) {
      ::CloseHandle(pipe);
      ::SetLastError(refused);
      return FALSE;
    }
    ok = ::TransactNamedPipe(pipe, t.message.data(), static_cast<DWORD>(t.message.size()),
                             t.reply.data(), static_cast<DWORD>(t.reply.size()), &t.replyBytes,
                             nullptr);
  }
  const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
  ::CloseHandle(pipe);
  ::SetLastError(error);
  return ok;
}

DWORD WINAPI RunTransaction(void* parameter) {
  std::unique_ptr<std::shared_ptr<Transaction>> owner(
      static_cast<std::shared_ptr<Transaction>*>(parameter));
  Transaction& t = **owner;
  t.ok = CallCheckedPipe(t);
  t.error = t.ok ? ERROR_SUCCESS : ::GetLastError();
  return 0;
}

}  // namespace

std::string LocalPipePath(const std::string& pipeName) { return "\\\\.\\pipe\\" + pipeName; }

std::string Win32ServicePipe::PipePath(const std::string&) { return LocalPipePath(pipeName_); }

std::string Win32ServicePipe::Transact(const std::string& pipePath, const std::string& message,
                                       std::size_t maxReply) {
  auto transaction = std::make_shared<Transaction>();
  transaction->path = Utf8ToWide(pipePath);
  transaction->message = message;
  transaction->reply.resize(maxReply > 0 ? maxReply : 1);
  auto* parameter = new std::shared_ptr<Transaction>(transaction);
  HANDLE thread = ::CreateThread(nullptr, 0, &RunTransaction, parameter, 0, nullptr);
  if (!thread) {
    delete parameter;
    ThrowLastWindowsError("Calling the service pipe");
  }
  if (::WaitForSingleObject(thread, static_cast<DWORD>(timeoutMs_)) == WAIT_TIMEOUT) {
    ::CancelSynchronousIo(thread);
    // A transaction that does not end on cancelling keeps running on its own
    // thread with its own buffers; the caller is not held up by it.
    ::WaitForSingleObject(thread, 500);
    ::CloseHandle(thread);
    ThrowWindowsError("Calling the service pipe", ERROR_TIMEOUT);
  }
  ::CloseHandle(thread);
  const Transaction& t = *transaction;
  if (!t.ok && t.error != ERROR_MORE_DATA) ThrowWindowsError("Calling the service pipe", t.error);
  const std::size_t got = t.ok ? t.replyBytes : maxReply;
  return std::string(t.reply.data(), std::min(got, maxReply));
}

}  // namespace brenvik
