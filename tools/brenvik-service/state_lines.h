// The activity log's lines as the service writes them, one with the state
// they belong to. Lines that go with a change of the state (a run opened or
// closed, a program or a login followed or no longer) are first noted in the
// state file as unwritten, then appended, and the note is cleared. A stop
// anywhere in between repeats no line and loses none: the next start
// (FinishUnwritten) writes the noted lines the log does not already end with.
// A line or a state that cannot be written is reported through the warning
// function; the service runs on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "activity_log.h"
#include "service_state.h"

namespace brenvik::service {

class StateLines {
 public:
  using WarnFunction = std::function<void(const std::string&)>;

  StateLines(ActivityLog& log, StateFile& stateFile, WarnFunction warn);

  // Saves the state (already changed by the caller) with the lines noted,
  // appends them, and clears the note.
  void WriteWithState(const std::vector<std::string>& lines);
  // At the start, after the log is open: the noted lines a stop left.
  void FinishUnwritten();
  // A line that changes no state (heartbeat, clock change); false when it
  // was not written.
  bool Append(const std::string& line);
  // Saves the state alone; false when it was not saved.
  bool SaveState();

  // Tests: called after the lines are appended, before the note is cleared
  // (an exception thrown there stands for the service being killed).
  std::function<void()> afterAppend;

 private:
  ActivityLog& log_;
  StateFile& stateFile_;
  WarnFunction warn_;
};

}  // namespace brenvik::service
