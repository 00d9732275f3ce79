#include "reports/logins/login_tree.h"

#include <algorithm>

#include "records/date_format.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"
#include "statistics/uptime_hint.h"

namespace brenvik {

const std::vector<std::string>& LoginTreeCaptions() {
  static const std::vector<std::string> captions = {
      "Computer runs and logins", "Start date and time", "Duration", "Active", "Idle", "Locked"};
  return captions;
}

const std::vector<int>& LoginTreeWidths() {
  static const std::vector<int> widths = {265, 140, 100, 100, 85, 85};
  return widths;
}

void LoginTree::AddRun(TRecComputerRun* run) {
  run->Level = 0;
  runs_.push_back(LoginTreeRun{run, {}, true});
}

void LoginTree::AddLogin(TRecComputerRun* login) {
  if (runs_.empty()) return;
  login->Level = 1;
  runs_.back().logins.push_back(login);
}

SortOrder SortOrderFromStored(int stored) {
  return stored == 1 ? SortOrder::Descending : SortOrder::Ascending;
}

void LoginTree::SetSortState(int column, SortOrder direction) {
  sortColumn_ = column >= 0 && column < kLoginTreeColumns ? column : -1;
  sortDirection_ = direction;
}

void LoginTree::HeaderClick(int column, MouseButton button) {
  if (button != MouseButton::Left || column < 0 || column >= kLoginTreeColumns) return;
  if (column == sortColumn_) {
    if (sortDirection_ == SortOrder::Ascending) {
      sortDirection_ = SortOrder::Descending;
    } else {
      sortColumn_ = -1;  // the rows stay as the last sort left them
      sortDirection_ = SortOrder::Ascending;
      return;
    }
  } else {
    sortColumn_ = column;
    sortDirection_ = SortOrder::Ascending;
  }
  Sort();
}

void LoginTree::Sort() {
  if (sortColumn_ < 0) return;
  const int column = sortColumn_;
  const bool descending = sortDirection_ == SortOrder::Descending;
  for (LoginTreeRun& run : runs_) {
    std::stable_sort(run.logins.begin(), run.logins.end(),
                     [&](const TRecComputerRun* a, const TRecComputerRun* b) {
                       const int order = CompareLoginNodes(*a, *b, column, textOrder_);
                       return descending ? order > 0 : order < 0;
                     });
  }
}

void LoginTree::CollapseAll() {
  for (LoginTreeRun& run : runs_) run.expanded = false;
}

void LoginTree::ExpandAll() {
  for (LoginTreeRun& run : runs_) run.expanded = true;
}

void LoginTree::SetExpanded(std::size_t runIndex, bool expanded) {
  if (runIndex < runs_.size()) runs_[runIndex].expanded = expanded;
}

std::string LoginCellText(const TRecComputerRun& r, int column, bool staticText,
                          const LocaleInfo& locale, DateTime now) {
  if (r.Level == 0) {
    if (column != 0) return {};
    if (staticText) {
      if (!r.rClosedOk) return "(Crashed)";
      return r.rRecordIncomplete ? "(Running...)" : "";
    }
    return "No." + std::to_string(r.rRunID) + "   " + DateTimeToString(r.rStartDateTime, locale) +
           "   -   " + DateTimeToString(r.rEndDateTime, locale);
  }
  if (staticText) return column == 0 && r.rLoginActive ? "(Logged on)" : "";
  const auto seconds = [&](std::int64_t s) { return SecondsToUptimeHint(s, now, true); };
  switch (column) {
    case 0:
      return UserDisplayName(r.rUserName, r.rDomain);
    case 1:
      return DateTimeToString(r.rStartDateTime, locale);
    case 2:
      return GetUptimeHint(r.rStartDateTime, r.rEndDateTime, true);
    case 3:
      return seconds(r.rActiveSeconds);
    case 4:
      return seconds(r.rIdleSeconds);
    case 5:
      return seconds(r.rLockedSeconds);
    default:
      return {};
  }
}

std::string LoginCellHint(const TRecComputerRun& r, int column) {
  if (r.Level == 0) return {};
  switch (column) {
    case 1:
      return "Date and time of login";
    case 2:
      return "Duration of login session [y m d h:m:s]";
    case 3:
      return "Active time (time session was active, not idle) [y m d h:m:s]";
    case 4:
      return "Idle time (time session was active, and idle) [y m d h:m:s]";
    case 5:
      return "Locked time (time session was not active, i.e. locked) [y m d h:m:s]";
    default:
      return {};
  }
}

CellFont LoginCellFont(const TRecComputerRun& r, int column, bool staticText) {
  if (column != 0) return {};
  if (staticText) return {false, true};
  return {r.Level == 0, false};
}

int CompareLoginNodes(const TRecComputerRun& a, const TRecComputerRun& b, int column,
                      const TextOrder& textOrder) {
  if (a.Level == 0 || b.Level == 0) return 0;
  const auto sign = [](std::int64_t d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); };
  switch (column) {
    case 0: {
      const std::string nameA = a.rUserName + a.rDomain;
      const std::string nameB = b.rUserName + b.rDomain;
      return sign(textOrder ? textOrder(nameA, nameB) : nameA.compare(nameB));
    }
    case 1:
      return CompareMoments(a.rStartDateTime, b.rStartDateTime);
    case 2:
      return sign(std::int64_t{a.rUptimeSeconds} - b.rUptimeSeconds);
    case 3:
      return sign(std::int64_t{a.rActiveSeconds} - b.rActiveSeconds);
    case 4:
      return sign(std::int64_t{a.rIdleSeconds} - b.rIdleSeconds);
    case 5:
      return sign(std::int64_t{a.rLockedSeconds} - b.rLockedSeconds);
    default:
      return 0;
  }
}

}  // namespace brenvik
