// The transport of the service command channel: one transaction on the
// service's pipe (connect, write the message bytes, read at most maxReply
// bytes, close). Windows uses the named pipe; the POSIX backend a Unix-domain
// socket file of the same name in the data folder.
#pragma once

#include <cstddef>
#include <string>

namespace brenvik {

inline constexpr const char* kServicePipeName = "pipe server KRTV8810452MPLQWZXHBEN39017TAUYD";

class ServicePipe {
 public:
  virtual ~ServicePipe() = default;
  // Where the service serves its pipe, given the data folder.
  virtual std::string PipePath(const std::string& dataFolder) = 0;
  // Runs one transaction and returns the reply bytes; raises PlatformError on
  // any failure (no server, refused, time-out).
  virtual std::string Transact(const std::string& pipePath, const std::string& message,
                               std::size_t maxReply) = 0;
};

}  // namespace brenvik
