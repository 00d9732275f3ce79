// The summaries read the uptime history through the table engine: the
// summary fields of every row of a cursor's view (start and end with their
// milliseconds dropped), the Windows rows that the statistics scan, and
// LoadSummary in report mode over the report cursor.
#pragma once

#include <vector>

#include "statistics/win_statistics.h"

namespace brenvik {

class Cursor;
struct DataTables;

// The rows of the cursor's view (its filter and index apply) from the first
// to the last; the cursor is left on the last row. Second counts beyond the
// 32-bit range of damaged rows are held at its limits.
std::vector<HistorySummaryRow> ReadSummaryRows(Cursor& cursor);

// Report mode over the report cursor as it is filtered and sorted.
SummaryTotals LoadSummary(Cursor& cursor);

// The Windows rows of the history, in append order: the rows of
// DataSetHistoryCloneWinUptime filtered to "cdsHistoryIsWindows = true",
// read from its columns. The clone is looked up on each call, since the
// tables recreate it when they reopen.
class TableWindowsHistory : public WindowsHistorySource {
 public:
  explicit TableWindowsHistory(DataTables& tables) : tables_(tables) {}
  void VisitWindowsRows(const BatchVisitor& visit) override;

 private:
  DataTables& tables_;
};

}  // namespace brenvik
