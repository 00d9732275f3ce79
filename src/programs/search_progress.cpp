#include "programs/search_progress.h"

namespace brenvik {

bool SearchMonitor::EntryExamined(const std::string& folder) {
  if (cancelled_) return false;
  ++progress_.entriesExamined;
  if (progress_.entriesExamined % kEntriesPerReport != 0) return true;
  progress_.current = folder;
  return Report();
}

bool SearchMonitor::ReadingProgram(const std::string& path) {
  if (cancelled_) return false;
  progress_.current = path;
  if (!Report()) return false;
  ++progress_.programsRead;
  return true;
}

bool SearchMonitor::Report() {
  if (callback_ && !callback_(progress_)) cancelled_ = true;
  return !cancelled_;
}

}  // namespace brenvik
