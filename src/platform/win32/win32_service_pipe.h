// The service channel on Windows: one transaction on the local named pipe
// \\.\pipe\pipe server KRTV8810452MPLQWZXHBEN39017TAUYD as CallNamedPipeW makes
// it (connect, wait for a free instance as long as the pipe's default
// time-out allows, write the message, read at most maxReply bytes, close),
// except that the server must be a process of this user or LocalSystem
// before the message is written. A reply longer than maxReply is cut, not an
// error. The whole transaction is bounded by a time-out, so a service that
// takes the message and never answers cannot block the caller: the call is
// cancelled and PlatformError raised.
#pragma once

#include <string>

#include "platform/service_pipe.h"

namespace brenvik {

class Win32ServicePipe : public ServicePipe {
 public:
  // pipeName: the name after \\.\pipe\ (tests serve pipes of their own).
  explicit Win32ServicePipe(std::string pipeName = kServicePipeName, int timeoutMs = 2000)
      : pipeName_(std::move(pipeName)), timeoutMs_(timeoutMs) {}
  // The pipe does not live in the data folder: the folder is not used.
  std::string PipePath(const std::string& dataFolder) override;
  std::string Transact(const std::string& pipePath, const std::string& message,
                       std::size_t maxReply) override;

 private:
  std::string pipeName_;
  int timeoutMs_;
};

// "\\.\pipe\" + name
std::string LocalPipePath(const std::string& pipeName);

}  // namespace brenvik
