// The service's end of the command channel: the Unix-domain socket file
// "pipe server KRTV8810452MPLQWZXHBEN39017TAUYD" in the data folder. A client
// connects, writes the UTF-16LE text "code;param" and half-closes; the server
// answers with 4 bytes ("OK" when the command was carried out, "NO" when not)
// and closes.
//
// Only peers running as the service's own user or as root are served; others
// are disconnected at once without reading their message. Everything is
// non-blocking and driven by the caller's poll loop: a client that sends
// nothing, never half-closes or never reads its reply is dropped at its
// time-out or simply left behind, and never holds up another.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "command_message.h"

namespace brenvik::service {

// Whether a peer with this user id may send commands to a service running as
// ownUid.
bool PeerAllowed(uid_t peerUid, uid_t ownUid);

class CommandServer {
 public:
  // The handler carries out a command and says whether it succeeded.
  using Handler = std::function<bool(const ServiceCommand&)>;

  CommandServer(std::string socketPath, int clientTimeoutMs, Handler handler);
  ~CommandServer();
  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;

  // Binds the socket file (replacing a stale one) with access for the owner
  // only; PlatformError on failure.
  void Listen();
  // False when the socket file was removed or replaced since Listen.
  bool SocketFileIsOurs() const;

  // Appends the descriptors to poll: the listener, then every client.
  void AddPollFds(std::vector<pollfd>& fds) const;
  // Acts on what poll reported for the descriptors added from fds[first] on,
  // and drops clients whose time is up.
  void Handle(const std::vector<pollfd>& fds, std::size_t first);
  // Milliseconds until the earliest client time-out; -1 without clients.
  int MillisecondsToNextTimeout() const;

  std::size_t clientCount() const { return clients_.size(); }

 private:
  using SteadyClock = std::chrono::steady_clock;
  struct Client {
    std::string bytes;
    SteadyClock::time_point deadline;
  };

  void Accept();
  void Read(int fd);
  void Finish(int fd, const std::string& bytes);
  void Drop(int fd);
  void DropExpired();

  std::string socketPath_;
  int clientTimeoutMs_;
  Handler handler_;
  int listener_ = -1;
  dev_t socketDevice_ = 0;
  ino_t socketInode_ = 0;
  std::map<int, Client> clients_;
};

}  // namespace brenvik::service
