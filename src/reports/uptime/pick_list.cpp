#include "reports/uptime/pick_list.h"

#include <algorithm>

#include "programs/path_compare.h"

namespace brenvik {

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return FoldCase(a) < FoldCase(b);
}

std::size_t PickList::TickedCount() const {
  return static_cast<std::size_t>(
      std::count_if(rows_.begin(), rows_.end(), [](const PickRow& r) { return r.ticked; }));
}

std::vector<std::string> PickList::TickedKeys() const {
  std::vector<std::string> keys;
  for (const PickRow& row : rows_)
    if (row.ticked) keys.push_back(row.key);
  return keys;
}

std::vector<std::string> PickList::UntickedKeys() const {
  std::vector<std::string> keys;
  for (const PickRow& row : rows_)
    if (!row.ticked) keys.push_back(row.key);
  return keys;
}

void PickList::ClickRow(std::size_t index, bool onCheckBox) {
  if (index >= rows_.size()) return;
  if (!onCheckBox) rows_[index].ticked = !rows_[index].ticked;
  SyncSelectAll();
}

void PickList::SetTicked(std::size_t index, bool ticked) {
  if (index < rows_.size()) rows_[index].ticked = ticked;
}

void PickList::SyncSelectAll() {
  const std::size_t ticked = TickedCount();
  if (ticked == 0) {
    selectAll_ = false;
  } else if (ticked == rows_.size()) {
    selectAll_ = true;
  }
}

void PickList::ClickSelectAll(bool ticked) {
  selectAll_ = ticked;
  for (PickRow& row : rows_) row.ticked = ticked;
}

void PickList::TickExactly(const std::vector<std::string>& keys) {
  for (PickRow& row : rows_) row.ticked = false;
  for (const std::string& key : keys) {
    auto it = std::find_if(rows_.begin(), rows_.end(),
                           [&](const PickRow& row) { return row.key == key; });
    if (it != rows_.end()) it->ticked = true;
  }
  SyncSelectAll();
}

void PickList::InsertAtTop(PickRow row) { rows_.insert(rows_.begin(), std::move(row)); }

void PickList::Append(PickRow row) { rows_.push_back(std::move(row)); }

bool PickList::RemoveFirstWithKey(const std::string& key) {
  auto it =
      std::find_if(rows_.begin(), rows_.end(), [&](const PickRow& row) { return row.key == key; });
  if (it == rows_.end()) return false;
  rows_.erase(it);
  return true;
}

CaseInsensitiveSet PickList::TakeTicked(bool byTitle) {
  CaseInsensitiveSet ticked;
  for (const PickRow& row : rows_)
    if (row.ticked) ticked.insert(byTitle ? row.title : row.key);
  rows_.clear();
  return ticked;
}

void PickList::RebuildUsers(const std::vector<std::string>& sourceUsers) {
  const CaseInsensitiveSet ticked = TakeTicked(false);
  for (const std::string& name : sourceUsers) {
    PickRow row;
    row.key = name;
    row.ticked = ticked.contains(name);
    rows_.push_back(std::move(row));
  }
}

void PickList::RebuildPrograms(ProgramDirectory& programs,
                               const std::vector<std::string>& historyPaths) {
  CaseInsensitiveSet ticked = TakeTicked(true);
  for (const TRecProgramme& watched : programs.WatchedList()) {
    PickRow row{watched.rLongExePath, watched.rProgrammeName, kStatusTracked, watched.rIcon, false};
    if (ticked.erase(watched.rProgrammeName) > 0) row.ticked = true;
    rows_.push_back(std::move(row));
  }
  std::vector<PickRow> gone;
  for (const std::string& path : historyPaths) {
    if (programs.FindWatched(path) != nullptr) continue;
    const TRecProgramme& entry = programs.CacheEntry(path);
    PickRow row{path, entry.rProgrammeName, kStatusHistory, entry.rIcon,
                ticked.contains(entry.rProgrammeName)};
    (entry.rFileDeleted ? gone : rows_).push_back(std::move(row));
  }
  for (PickRow& row : gone) rows_.push_back(std::move(row));
}

namespace {

PickRow RowOf(const TRecProgramme& entry, const char* status) {
  return PickRow{entry.rLongExePath, entry.rProgrammeName, status, entry.rIcon, false};
}

}  // namespace

void LoadProgramToListValues(PickList& list, ProgramDirectory& programs, const std::string& path,
                             bool isWatched) {
  const TRecProgramme& entry = programs.CacheEntry(path);
  if (isWatched || programs.FindWatched(path) != nullptr) {
    list.RemoveFirstWithKey(path);
    list.InsertAtTop(RowOf(entry, kStatusTracked));
  } else {
    list.Append(RowOf(entry, kStatusHistory));
  }
}

void RemoveProgramFromListValues(PickList& list, ProgramDirectory& programs,
                                 const std::string& path,
                                 const std::vector<std::string>& historyPaths) {
  list.RemoveFirstWithKey(path);
  bool hasHistory = false;
  for (const std::string& known : historyPaths)
    hasHistory = hasHistory || SamePathIgnoringCase(known, path);
  const TRecProgramme* cached = programs.FindCached(path);
  if (hasHistory && cached != nullptr) list.Append(RowOf(*cached, kStatusHistory));
}

bool PickRowDrawnBold(const PickRow& row, bool programSelected) {
  return row.ticked && programSelected;
}

int ProgramFileNameImage(const PickRow& row) { return row.icon == 0 ? 2 : -1; }

bool UserListRebuildDue(const PickList& users, std::size_t historyUserCount) {
  return historyUserCount > users.Size();
}

bool ProgramListRebuildDue(const PickList& programs, std::size_t watchedCount,
                           std::size_t historyPathCount) {
  return programs.Size() == watchedCount && historyPathCount > 0;
}

}  // namespace brenvik
