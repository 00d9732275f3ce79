// The two pick lists of the uptime filters (programs and users) and the login
// report's user list as plain models: rows with a tick each and the state of
// the list's select-all box. The widget shows the rows and reports clicks;
// the rules of a click, of the select-all box, of a rebuild with its carried
// over ticks, and of bold drawing live here.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "reports/uptime/program_directory.h"

namespace brenvik {

inline constexpr const char* kStatusTracked = "Tracked...";
inline constexpr const char* kStatusHistory = "History";

struct PickRow {
  std::string key;     // the program path, or the user name
  std::string title;   // the program title (empty in user lists)
  std::string status;  // "Tracked..." / "History" (empty in user lists)
  int icon = -1;       // image index (program list)
  bool ticked = false;
};

// Names compared without regard to letter case (FoldCase).
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using CaseInsensitiveSet = std::set<std::string, CaseInsensitiveLess>;

class PickList {
 public:
  const std::vector<PickRow>& Rows() const { return rows_; }
  std::size_t Size() const { return rows_.size(); }
  std::size_t TickedCount() const;
  bool SelectAll() const { return selectAll_; }
  void SetSelectAllBox(bool ticked) { selectAll_ = ticked; }

  std::vector<std::string> TickedKeys() const;
  std::vector<std::string> UntickedKeys() const;

  // A click on a row: off its check box the tick toggles (on the box the
  // widget toggled it already and passes the new state through SetTicked);
  // then the select-all box follows (SyncSelectAll).
  void ClickRow(std::size_t index, bool onCheckBox);
  void SetTicked(std::size_t index, bool ticked);
  // Clear when no row is ticked, ticked when every row is, else unchanged.
  void SyncSelectAll();
  // A click on the select-all box: every row takes its new state.
  void ClickSelectAll(bool ticked);
  // Unticks every row, then ticks the first row whose key equals each of keys
  // (exact text); keys matching no row are ignored. Then SyncSelectAll.
  void TickExactly(const std::vector<std::string>& keys);

  // Row edits for the upkeep of the program list by program tracking.
  void InsertAtTop(PickRow row);
  void Append(PickRow row);
  // Deletes the first row whose key equals key exactly; false when none.
  bool RemoveFirstWithKey(const std::string& key);
  void Clear() { rows_.clear(); }

  // User list rebuild: ticked names are carried over (letter case ignored);
  // one row per source name in its order.
  void RebuildUsers(const std::vector<std::string>& sourceUsers);
  // Program list rebuild: ticks carried over by title; the watched programs
  // first ("Tracked..."), then the history programs that are not watched and
  // whose file exists ("History"), then those whose file is gone.
  void RebuildPrograms(ProgramDirectory& programs, const std::vector<std::string>& historyPaths);

 private:
  CaseInsensitiveSet TakeTicked(bool byTitle);

  std::vector<PickRow> rows_;
  bool selectAll_ = false;
};

// A row of a program or user list of the uptime filters is drawn in bold
// when it is ticked and "Program" is selected in the source filter.
bool PickRowDrawnBold(const PickRow& row, bool programSelected);
// The image shown in the "Program filename" column: image 2 for a row whose
// image index is 0, else none (-1).
int ProgramFileNameImage(const PickRow& row);

// The upkeep of the program list while programs start or stop being
// tracked (program tracking calls these through its list hooks). Loading a
// watched program replaces its first row (exact path) by one at the top with
// "Tracked..."; a program that is not watched gets a "History" row at the
// end. Removing deletes the first row of the path and, when the path has
// uptime history and a cache entry, appends a "History" row for it.
void LoadProgramToListValues(PickList& list, ProgramDirectory& programs, const std::string& path,
                             bool isWatched);
void RemoveProgramFromListValues(PickList& list, ProgramDirectory& programs,
                                 const std::string& path,
                                 const std::vector<std::string>& historyPaths);

// When a list is due for a rebuild on showing its tab.
bool UserListRebuildDue(const PickList& users, std::size_t historyUserCount);
bool ProgramListRebuildDue(const PickList& programs, std::size_t watchedCount,
                           std::size_t historyPathCount);

}  // namespace brenvik
