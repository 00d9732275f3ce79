#include "command_server.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "platform/posix/posix_error.h"
#include "platform/posix/posix_service_pipe.h"

namespace brenvik::service {
namespace {

constexpr std::size_t kMaxClients = 64;

}  // namespace

bool PeerAllowed(uid_t peerUid, uid_t ownUid) { return peerUid == ownUid || peerUid == 0; }

CommandServer::CommandServer(std::string socketPath, int clientTimeoutMs, Handler handler)
    : socketPath_(std::move(socketPath)),
      clientTimeoutMs_(clientTimeoutMs),
      handler_(std::move(handler)) {}

CommandServer::~CommandServer() {
  for (const auto& [fd, client] : clients_) ::close(fd);
  if (listener_ >= 0) {
    ::close(listener_);
    if (SocketFileIsOurs()) ::unlink(socketPath_.c_str());
  }
}

void CommandServer::Listen() {
  if (listener_ >= 0) ::close(listener_);
  listener_ = -1;
  struct stat info;
  if (::lstat(socketPath_.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
    ::unlink(socketPath_.c_str());  // left by a service that ended without tidying
  }
  const int fd = ListenUnixSocket(socketPath_, 16);
  if (fd < 0) ThrowPosixError("Cannot serve \"" + socketPath_ + "\"", errno);
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  ::chmod(socketPath_.c_str(), 0600);
  if (::stat(socketPath_.c_str(), &info) == 0) {
    socketDevice_ = info.st_dev;
    socketInode_ = info.st_ino;
  }
  listener_ = fd;
}

bool CommandServer::SocketFileIsOurs() const {
  struct stat info;
  return ::lstat(socketPath_.c_str(), &info) == 0 && info.st_dev == socketDevice_ &&
         info.st_ino == socketInode_;
}

void CommandServer::AddPollFds(std::vector<pollfd>& fds) const {
  fds.push_back({listener_, POLLIN, 0});
  for (const auto& [fd, client] : clients_) fds.push_back({fd, POLLIN, 0});
}

void CommandServer::Handle(const std::vector<pollfd>& fds, std::size_t first) {
  bool accept = false;
  for (std::size_t i = first; i < fds.size(); ++i) {
    if (!fds[i].revents) continue;
    if (fds[i].fd == listener_) {
      accept = true;
    } else if (clients_.count(fds[i].fd)) {
      Read(fds[i].fd);
    }
  }
  if (accept) Accept();
  DropExpired();
}

void CommandServer::Accept() {
  while (true) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN: nobody else waiting; other errors: try at the next poll
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        !PeerAllowed(peer.uid, ::geteuid())) {
      std::cerr << "brenvik-service: refused a client of user id " << peer.uid << "\n";
      ::close(fd);
      continue;
    }
    if (clients_.size() >= kMaxClients) {
      ::close(fd);
      continue;
    }
    clients_[fd] = Client{{}, SteadyClock::now() + std::chrono::milliseconds(clientTimeoutMs_)};
  }
}

void CommandServer::Read(int fd) {
  Client& client = clients_[fd];
  char buffer[512];
  while (true) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
      client.bytes.append(buffer, static_cast<std::size_t>(n));
      if (client.bytes.size() > kMaxMessageBytes) return Drop(fd);
      continue;
    }
    if (n == 0) return Finish(fd, client.bytes);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) Drop(fd);
    return;
  }
}

void CommandServer::Finish(int fd, const std::string& bytes) {
  const auto command = ParseCommandMessage(bytes);
  const bool done = command && handler_(*command);
  const std::string reply = CommandReply(done);
  // The reply fits into an empty socket buffer; a client that does not read
  // it loses nothing of ours.
  [[maybe_unused]] ssize_t sent =
      ::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  Drop(fd);
}

void CommandServer::Drop(int fd) {
  ::close(fd);
  clients_.erase(fd);
}

void CommandServer::DropExpired() {
  const auto now = SteadyClock::now();
  for (auto it = clients_.begin(); it != clients_.end();) {
    if (it->second.deadline <= now) {
      ::close(it->first);
      it = clients_.erase(it);
    } else {
      ++it;
    }
  }
}

int CommandServer::MillisecondsToNextTimeout() const {
  if (clients_.empty()) return -1;
  auto earliest = clients_.begin()->second.deadline;
  for (const auto& [fd, client] : clients_) earliest = std::min(earliest, client.deadline);
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(earliest - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) + 1 : 0;
}

}  // namespace brenvik::service
