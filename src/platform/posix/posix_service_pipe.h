// The service channel on Linux: a Unix-domain stream socket file named
// "pipe server KRTV8810452MPLQWZXHBEN39017TAUYD" in the data folder. A
// transaction connects, writes the message, half-closes, and reads at most
// maxReply bytes until the end of the stream, all within one time-out. A path
// longer than a socket address holds is reached through /proc/self/fd.
#pragma once

#include <string>

#include "platform/service_pipe.h"

namespace brenvik {

class PosixServicePipe : public ServicePipe {
 public:
  explicit PosixServicePipe(int timeoutMs = 2000) : timeoutMs_(timeoutMs) {}
  std::string PipePath(const std::string& dataFolder) override;
  std::string Transact(const std::string& pipePath, const std::string& message,
                       std::size_t maxReply) override;

 private:
  int timeoutMs_;
};

// Connects a stream socket to the socket file at path, also when the path is
// longer than sockaddr_un holds; returns the descriptor or -1 with errno set.
// The socket is non-blocking when nonBlocking is true (the connect may then be
// in progress).
int ConnectUnixSocket(const std::string& path, bool nonBlocking);

// Binds a listening stream socket to path (long paths through the folder's
// descriptor); returns the descriptor or -1 with errno set.
int ListenUnixSocket(const std::string& path, int backlog);

}  // namespace brenvik
