#include "support/posix/fake_service.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "base/text_file.h"
#include "base/utf8.h"
#include "platform/posix/posix_service_pipe.h"
#include "support/failing_file_system.h"

namespace brenvik::test {

FakeService::FakeService(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {
  socketPath_ = dataFolder_ + kServicePipeName;
  ::unlink(socketPath_.c_str());
  listener_ = ListenUnixSocket(socketPath_, 8);
  if (listener_ < 0) throw std::runtime_error("FakeService: cannot listen on " + socketPath_);
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("FakeService: pipe");
  wakeRead_ = fds[0];
  wakeWrite_ = fds[1];
  thread_ = std::thread([this] { Serve(); });
}

FakeService::~FakeService() {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &byte, 1);
  thread_.join();
  ::close(listener_);
  ::close(wakeRead_);
  ::close(wakeWrite_);
  ::unlink(socketPath_.c_str());
}

void FakeService::PrepareHandOver(const std::string& lines) {
  std::lock_guard<std::mutex> lock(mutex_);
  prepared_.assign(1, lines);
}

void FakeService::QueueHandOver(const std::string& lines) {
  std::lock_guard<std::mutex> lock(mutex_);
  prepared_.push_back(lines);
}

void FakeService::SetHandOverAction(std::function<void()> action) {
  std::lock_guard<std::mutex> lock(mutex_);
  action_ = std::move(action);
}

std::vector<std::string> FakeService::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void FakeService::Serve() {
  std::vector<int> silentClients;
  while (true) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) break;
    const int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    if (silent_) {
      silentClients.push_back(client);  // held open, never answered
      continue;
    }
    Handle(client);
  }
  for (int fd : silentClients) ::close(fd);
}

void FakeService::Handle(int client) {
  std::string message;
  char buffer[512];
  ssize_t n;
  while ((n = ::recv(client, buffer, sizeof buffer, 0)) > 0) message.append(buffer, n);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(message);
    if (message == Utf8ToUtf16LeBytes("2;") && action_) {
      action_();
    } else if (message == Utf8ToUtf16LeBytes("2;") && !prepared_.empty()) {
      if (!prepared_.front().empty())
        WriteTextFileWithBom(test::NativeFiles(), dataFolder_ + "CopyForMonitor.dat",
                             prepared_.front());
      prepared_.pop_front();
    }
  }
  if (replyDelayMs_ > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs_.load()));
  // "OK" in UTF-16, repeated for a longer reply.
  std::string block(std::min<std::size_t>(replyBytes_, 64 * 1024), '\0');
  for (std::size_t i = 0; i < block.size(); i += 4)
    block.replace(i, 4, std::string("O\0K\0", 4), 0, block.size() - i);
  for (std::size_t sent = 0; sent < replyBytes_;) {
    const std::size_t want = std::min(block.size(), replyBytes_ - sent);
    const ssize_t n = ::send(client, block.data(), want, MSG_NOSIGNAL);
    if (n <= 0) break;  // the client has closed
    sent += static_cast<std::size_t>(n);
  }
  ::close(client);
}

}  // namespace brenvik::test
