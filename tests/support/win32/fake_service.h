// An in-process stand-in for the Brenvik service on a real named pipe: a
// server thread serves message-mode instances of the pipe, records the bytes
// of every command, answers with a chosen reply, and on command 2 writes a
// prepared CopyForMonitor.dat into the data folder. It can also be told to
// take messages and never answer, for time-out tests, or to hang up.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brenvik::test {

// A pipe name of its own for every call, so that tests running side by side
// never meet on one pipe.
std::string UniqueTestPipeName();

class FakeService {
 public:
  // Serves \\.\pipe\<pipeName>; dataFolder ends with a separator.
  FakeService(std::string dataFolder, std::string pipeName);
  ~FakeService();
  FakeService(const FakeService&) = delete;
  FakeService& operator=(const FakeService&) = delete;

  // Lines to write to CopyForMonitor.dat on the next command 2 (UTF-8, with a
  // byte-order mark); empty writes nothing. Replaces what was queued.
  void PrepareHandOver(const std::string& lines);
  // Lines for the command 2 after those prepared or queued before.
  void QueueHandOver(const std::string& lines);
  // The reply to every later message (the 4 bytes of "OK" in UTF-16LE unless
  // set); an empty reply is a message of no bytes.
  void SetReply(const std::string& reply);
  // Take messages but never reply.
  void SetSilent(bool silent) { silent_ = silent; }
  // Take messages and close the pipe without a word.
  void SetHangUp(bool hangUp) { hangUp_ = hangUp; }
  std::vector<std::string> Received();
  // \\.\pipe\<pipeName>
  const std::string& pipePath() const { return pipePath_; }

 private:
  void Serve();
  // False when the service is stopping.
  bool WaitFor(void* event);
  void Handle(void* pipe);

  std::string dataFolder_;
  std::string pipePath_;
  void* stop_ = nullptr;   // manual-reset event
  void* ready_ = nullptr;  // set once the first instance exists
  std::atomic<bool> silent_{false};
  std::atomic<bool> hangUp_{false};
  std::mutex mutex_;
  std::deque<std::string> prepared_;
  std::string reply_;
  std::vector<std::string> received_;
  std::vector<void*> unanswered_;  // instances held open in silent mode
  std::thread thread_;
};

}  // namespace brenvik::test
