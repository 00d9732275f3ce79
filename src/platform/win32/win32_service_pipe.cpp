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

DWORD WINAPI RunTransaction(void* parameter) {
  std::unique_ptr<std::shared_ptr<Transaction>> owner(
      static_cast<std::shared_ptr<Transaction>*>(parameter));
  Transaction& t = **owner;
  t.ok = ::CallNamedPipeW(t.path.c_str(), t.message.data(), static_cast<DWORD>(t.message.size()),
                          t.reply.data(), static_cast<DWORD>(t.reply.size()), &t.replyBytes,
                          NMPWAIT_USE_DEFAULT_WAIT);
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
