// An in-process stand-in for the Brenvik service on the real socket: it
// listens on the socket file in a data folder, records the bytes of every
// command, and on command 2 writes a prepared CopyForMonitor.dat. It can also
// be told to accept and never answer, to answer late, to flood the reply, or
// to do something else of the test's choosing on command 2, for the tests of
// a misbehaving service.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brenvik::test {

class FakeService {
 public:
  // Serves "pipe server ..." in dataFolder (which ends with a separator).
  explicit FakeService(std::string dataFolder);
  ~FakeService();
  FakeService(const FakeService&) = delete;
  FakeService& operator=(const FakeService&) = delete;

  // Lines to write to CopyForMonitor.dat on the next command 2 (UTF-8, with a
  // byte-order mark); empty writes nothing. Replaces what was queued.
  void PrepareHandOver(const std::string& lines);
  // Lines for the command 2 after those prepared or queued before.
  void QueueHandOver(const std::string& lines);
  // Accept connections but never reply.
  void SetSilent(bool silent) { silent_ = silent; }
  // Reply only after this many milliseconds.
  void SetReplyDelayMs(int ms) { replyDelayMs_ = ms; }
  // Reply with this many bytes (4 by default), sent as fast as they are taken.
  void SetReplyBytes(std::size_t bytes) { replyBytes_ = bytes; }
  // Run instead of writing the prepared lines on command 2 (on the service's
  // thread, before the reply); an empty function restores the default.
  void SetHandOverAction(std::function<void()> action);
  std::vector<std::string> Received();
  const std::string& socketPath() const { return socketPath_; }

 private:
  void Serve();
  void Handle(int client);

  std::string dataFolder_;
  std::string socketPath_;
  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> silent_{false};
  std::atomic<int> replyDelayMs_{0};
  std::atomic<std::size_t> replyBytes_{4};
  std::function<void()> action_;
  std::mutex mutex_;
  std::deque<std::string> prepared_;
  std::vector<std::string> received_;
  std::thread thread_;
};

}  // namespace brenvik::test
