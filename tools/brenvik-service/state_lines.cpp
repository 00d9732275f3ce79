#include "state_lines.h"

#include "base/errors.h"

namespace brenvik::service {

StateLines::StateLines(ActivityLog& log, StateFile& stateFile, WarnFunction warn)
    : log_(log), stateFile_(stateFile), warn_(std::move(warn)) {}

void StateLines::WriteWithState(const std::vector<std::string>& lines) {
  stateFile_.state().unwritten = lines;
  SaveState();
  for (const std::string& line : lines) Append(line);
  if (afterAppend) afterAppend();
  stateFile_.state().unwritten.clear();
  SaveState();
}

void StateLines::FinishUnwritten() {
  ServiceState& state = stateFile_.state();
  if (state.unwritten.empty()) return;
  for (const std::string& line : state.unwritten) {
    bool written = false;
    try {
      written = log_.EndsWithLine(line);
    } catch (const Error& e) {
      warn_(e.what());
    }
    if (!written) Append(line);
  }
  state.unwritten.clear();
  SaveState();
}

bool StateLines::Append(const std::string& line) {
  try {
    log_.Append(line);
    return true;
  } catch (const Error& e) {
    warn_("a line was not recorded: " + std::string(e.what()));
    return false;
  }
}

bool StateLines::SaveState() {
  try {
    stateFile_.Save();
    return true;
  } catch (const Error& e) {
    warn_(e.what());
    return false;
  }
}

}  // namespace brenvik::service
