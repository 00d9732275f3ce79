// How a long program search (a folder tree of a million entries, or all the
// programs on the computer) tells how far it got and how whoever runs it
// stops it. The search hands a SearchMonitor every directory entry it looks
// at and every found program before reading its title and version; the
// monitor passes the figures on to a callback now and then. A callback that
// returns false ends the search at that point: what was listed before stays,
// in the order the whole search would have given it, and nothing more is
// read.
//
// The callback runs on the searching thread; with the search on a worker
// thread it must hand the figures over safely.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace brenvik {

struct SearchProgress {
  std::size_t entriesExamined = 0;  // directory entries looked at
  std::size_t programsRead = 0;     // found programs whose title and version were read
  std::string current;              // the folder being listed or the program being read
};

// False: stop the search.
using SearchProgressCallback = std::function<bool(const SearchProgress&)>;

class SearchMonitor {
 public:
  // The callback hears of every kEntriesPerReport-th entry and of every
  // program read; without a callback the monitor only counts.
  static constexpr std::size_t kEntriesPerReport = 64;

  explicit SearchMonitor(SearchProgressCallback callback = {}) : callback_(std::move(callback)) {}

  // An entry of folder was looked at; false once the search is to stop.
  bool EntryExamined(const std::string& folder);
  // The program at path is about to be read; false once the search is to stop.
  bool ReadingProgram(const std::string& path);
  // The callback asked to stop (it is not called again).
  bool Cancelled() const { return cancelled_; }
  const SearchProgress& Progress() const { return progress_; }

 private:
  bool Report();

  SearchProgressCallback callback_;
  SearchProgress progress_;
  bool cancelled_ = false;
};

}  // namespace brenvik
