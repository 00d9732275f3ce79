// The service's end of the command pipe on Windows. One instance of the
// named pipe exists at a time, made with FILE_FLAG_FIRST_PIPE_INSTANCE, so
// that a second server of the name is refused while this one runs (and the
// service does not start when someone else serves the name). Its security
// descriptor admits LocalSystem, the administrators and authenticated users
// (read, write, and setting the message mode, not making instances) and
// refuses network logons; remote clients are rejected as well.
//
// A thread of its own serves one client at a time: it reads one message of
// at most kMaxMessageBytes (a longer one is refused), waiting no longer than
// the client time-out for it, hands it to the handler, writes the 4-byte
// reply and waits, again bounded, for the client to close. A client that
// never writes, writes too much or never reads is dropped at its time-out;
// the recorder never waits for a client.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "command_message.h"
#include "idle_report.h"

namespace brenvik::service {

// The pipe's security descriptor in the SDDL form.
inline constexpr const wchar_t* kPipeSecurity =
    L"D:P(D;;GA;;;NU)(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12018b;;;AU)";

class PipeServer {
 public:
  // The handler carries out a command and says whether it did; it gets the
  // client's session and process as the pipe reports them.
  using Handler = std::function<bool(const ServiceCommand&, const CommandClient& client)>;

  PipeServer(std::wstring pipePath, int clientTimeoutMs, Handler handler);
  ~PipeServer();
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  // Makes the pipe and starts serving it; PlatformError when the pipe cannot
  // be made (ERROR_ACCESS_DENIED: another server has the name).
  void Start();
  void Stop();

 private:
  void Serve();
  // Waits for the overlapped operation up to ms; false on time-out or stop
  // (the operation is then cancelled).
  bool Await(OVERLAPPED& overlapped, DWORD ms, DWORD& bytes);
  // One message; false when there is none within the time-out or it is too
  // long.
  bool ReadMessage(std::string& message);
  void WriteReply(const std::string& reply);
  void WaitForClose();
  // The connected client's process and session (the session of its
  // process where the pipe cannot say).
  CommandClient Client() const;
  // How long a client waiting for the pipe (WaitNamedPipe's default wait)
  // is told to wait: longer than a silent client may hold it, so that a
  // caller queued behind one is served after the drop instead of timing out
  // at the same moment.
  int DefaultClientWaitMs() const { return 2 * clientTimeoutMs_ + 1000; }

  std::wstring pipePath_;
  int clientTimeoutMs_;
  Handler handler_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE stop_ = nullptr;
  HANDLE io_ = nullptr;
  std::thread thread_;
};

}  // namespace brenvik::service
