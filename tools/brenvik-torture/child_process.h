// Running brenvik-cli and the service stand-in as child processes of the
// crash torture, and killing them with SIGKILL at a chosen moment: after a
// delay, or right after the n-th change of a file in the watched folders
// (a create, write, rename or delete seen through inotify), so that kills land
// between the steps of the program's file writes as often as inside them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brenvik::torture {

// Counts the file changes in a few folders (not recursive).
class FileEventWatch {
 public:
  explicit FileEventWatch(const std::vector<std::string>& folders);
  ~FileEventWatch();
  FileEventWatch(const FileEventWatch&) = delete;
  FileEventWatch& operator=(const FileEventWatch&) = delete;

  // Waits at most timeoutMs for changes and returns how many arrived.
  int Wait(int timeoutMs);
  // Forgets the changes that arrived so far.
  void Drain();

 private:
  int fd_ = -1;
};

struct KillPlan {
  enum class Kind { None, AfterDelay, AfterFileEvents };
  Kind kind = Kind::None;
  int delayMicros = 0;  // AfterDelay: from the start; AfterFileEvents: after the event
  int fileEvents = 0;   // AfterFileEvents: the event to kill after
};

struct ChildResult {
  bool killed = false;  // ended by the SIGKILL (not before it)
  int exitCode = -1;    // when it ended on its own
  double seconds = 0;
  int fileEvents = 0;  // changes seen while it ran
};

// Starts argv[0] with the arguments, stdout and stderr into outFile.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outFile);

// Runs the program to its end or to the kill of the plan. A child that
// does not end within timeoutSeconds is killed and reported as a failure
// (exitCode -1, killed false).
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& outFile,
                     const KillPlan& plan, FileEventWatch& watch, double timeoutSeconds = 30);

void KillAndReap(pid_t pid);

}  // namespace brenvik::torture
