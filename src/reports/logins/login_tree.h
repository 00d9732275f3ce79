// The login tree as a model: one top-level row per computer run with its
// logins beneath, each row a pointer to a record of gArrCompRuns (which owns
// them and must outlive the tree). The cell texts, static texts, hints and
// fonts are produced on demand from the records; sorting by a header column
// reorders the logins within each run and leaves the runs in their order.
#pragma once

#include <string>
#include <vector>

#include "platform/locale.h"
#include "records/records.h"

namespace brenvik {

inline constexpr int kLoginTreeColumns = 6;
// The captions and widths of the six columns.
const std::vector<std::string>& LoginTreeCaptions();
const std::vector<int>& LoginTreeWidths();

struct LoginTreeRun {
  TRecComputerRun* run = nullptr;
  std::vector<TRecComputerRun*> logins;
  bool expanded = true;
};

enum class MouseButton { Left, Right, Middle };

struct CellFont {
  bool bold = false;
  bool blue = false;  // pure blue (0, 0, 255)
  bool operator==(const CellFont&) const = default;
};

// The order of the sorted column; the values are the numbers the settings
// store (LoginSortDir).
enum class SortOrder { Ascending = 0, Descending = 1 };
// The order a stored number names: 1 descending, anything else ascending.
SortOrder SortOrderFromStored(int stored);
inline int StoredSortOrder(SortOrder order) { return static_cast<int>(order); }

class LoginTree {
 public:
  void Clear() { runs_.clear(); }
  // Adds a run as a top-level row (Level 0, expanded).
  void AddRun(TRecComputerRun* run);
  // Adds a login under the last run (Level 1).
  void AddLogin(TRecComputerRun* login);
  const std::vector<LoginTreeRun>& Runs() const { return runs_; }

  // Column -1 means no sort.
  int SortColumn() const { return sortColumn_; }
  SortOrder SortDirection() const { return sortDirection_; }
  void SetSortState(int column, SortOrder direction);
  // Current sort column ascending -> descending -> no sort (rows stay);
  // another column -> ascending. Only the left button counts.
  void HeaderClick(int column, MouseButton button);
  // Stable sort of the logins within each run by the sort state; user
  // names compare by the text order given (bytes until one is set).
  void Sort();
  void SetTextOrder(TextOrder order) { textOrder_ = std::move(order); }

  void CollapseAll();
  void ExpandAll();
  void SetExpanded(std::size_t runIndex, bool expanded);

 private:
  std::vector<LoginTreeRun> runs_;
  int sortColumn_ = 1;
  SortOrder sortDirection_ = SortOrder::Ascending;
  TextOrder textOrder_;
};

// Texts of a cell (normal or static) for a run or a login record.
std::string LoginCellText(const TRecComputerRun& record, int column, bool staticText,
                          const LocaleInfo& locale, DateTime now);
std::string LoginCellHint(const TRecComputerRun& record, int column);
CellFont LoginCellFont(const TRecComputerRun& record, int column, bool staticText);
// <0, 0, >0; equal unless both records are logins. User names compare by
// textOrder (their bytes when it is empty).
int CompareLoginNodes(const TRecComputerRun& a, const TRecComputerRun& b, int column,
                      const TextOrder& textOrder = {});

}  // namespace brenvik
