#include "platform/posix/posix_service_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/posix/posix_error.h"

namespace brenvik {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Fills addr with path, or with /proc/self/fd/N/name when path is too long; in
// that case folderFd receives the open folder that the name is relative to.
bool FillAddress(const std::string& path, sockaddr_un& addr, Fd& folderFd) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  std::string target = path;
  if (target.size() >= sizeof addr.sun_path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
      errno = ENAMETOOLONG;
      return false;
    }
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    Fd dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return false;
    target = "/proc/self/fd/" + std::to_string(dir.get()) + "/" + path.substr(slash + 1);
    if (target.size() >= sizeof addr.sun_path) {
      errno = ENAMETOOLONG;
      return false;
    }
    folderFd.reset(dir.release());
  }
  std::memcpy(addr.sun_path, target.data(), target.size());
  return true;
}

int RemainingMs(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until fd is ready for events; false on time-out.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline) {
  while (true) {
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready > 0) return true;
    if (ready == 0) {
      errno = ETIMEDOUT;
      return false;
    }
    if (errno != EINTR) return false;
  }
}

void WriteAll(int fd, const std::string& bytes, SteadyClock::time_point deadline) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (!WaitFor(fd, POLLOUT, deadline)) ThrowPosixError("Writing to the service pipe", errno);
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      ThrowPosixError("Writing to the service pipe", errno);
    }
    sent += static_cast<std::size_t>(n);
  }
}

// A server that keeps sending has answered; past this many bytes the rest
// is not waited for, so a flood costs neither memory nor the whole time-out.
constexpr std::size_t kReplyDrainLimit = 64 * 1024;

std::string ReadReply(int fd, std::size_t maxReply, SteadyClock::time_point deadline) {
  std::string reply;
  std::size_t received = 0;
  char buffer[4096];
  while (received < kReplyDrainLimit) {
    if (!WaitFor(fd, POLLIN, deadline)) ThrowPosixError("Waiting for the service's reply", errno);
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n == 0) return reply;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      ThrowPosixError("Reading the service's reply", errno);
    }
    received += static_cast<std::size_t>(n);
    const std::size_t room = maxReply - std::min(maxReply, reply.size());
    reply.append(buffer, std::min(room, static_cast<std::size_t>(n)));
  }
  return reply;
}

// Only a service of this user or of root is believed: another user could
// otherwise serve a socket planted in a shared data folder and make the
// program take in lines of its choosing.
bool TrustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

void CheckSocketFile(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) ThrowPosixError("Opening the service pipe", errno);
  if (!S_ISSOCK(info.st_mode)) ThrowPosixError("Opening the service pipe", ENOTSOCK);
  if (!TrustedOwner(info.st_uid)) {
    ThrowPosixError(
        "The service pipe belongs to another user (uid " + std::to_string(info.st_uid) + ")",
        EPERM);
  }
}

void CheckPeer(int fd) {
#ifdef SO_PEERCRED
  ucred peer{};
  socklen_t length = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) {
    ThrowPosixError("Asking who serves the service pipe", errno);
  }
  if (!TrustedOwner(peer.uid)) {
    ThrowPosixError(
        "The service pipe is served by another user (uid " + std::to_string(peer.uid) + ")", EPERM);
  }
#else
  (void)fd;
#endif
}

}  // namespace

int ConnectUnixSocket(const std::string& path, bool nonBlocking) {
  sockaddr_un addr;
  Fd folder(-1);
  if (!FillAddress(path, addr, folder)) return -1;
  const int flags = SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0);
  Fd sock(::socket(AF_UNIX, flags, 0));
  if (sock.get() < 0) return -1;
  if (::connect(sock.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 &&
      !(nonBlocking && (errno == EINPROGRESS || errno == EAGAIN))) {
    return -1;
  }
  return sock.release();
}

int ListenUnixSocket(const std::string& path, int backlog) {
  sockaddr_un addr;
  Fd folder(-1);
  if (!FillAddress(path, addr, folder)) return -1;
  Fd sock(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (sock.get() < 0) return -1;
  if (::bind(sock.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
  if (::listen(sock.get(), backlog) != 0) return -1;
  return sock.release();
}

std::string PosixServicePipe::PipePath(const std::string& dataFolder) {
  std::string folder = dataFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + kServicePipeName;
}

std::string PosixServicePipe::Transact(const std::string& pipePath, const std::string& message,
                                       std::size_t maxReply) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs_);
  CheckSocketFile(pipePath);
  Fd sock(ConnectUnixSocket(pipePath, true));
  if (sock.get() < 0) ThrowPosixError("Connecting to the service pipe", errno);
  if (!WaitFor(sock.get(), POLLOUT, deadline)) {
    ThrowPosixError("Connecting to the service pipe", errno);
  }
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, &error, &length);
  if (error != 0) ThrowPosixError("Connecting to the service pipe", error);
  CheckPeer(sock.get());
  WriteAll(sock.get(), message, deadline);
  ::shutdown(sock.get(), SHUT_WR);
  std::string reply = ReadReply(sock.get(), maxReply, deadline);
  // A server that closes without a word has not taken the command.
  if (reply.empty()) ThrowPosixError("Reading the service's reply", ECONNRESET);
  return reply;
}

}  // namespace brenvik
