#include "statistics/history_summary_rows.h"

#include <algorithm>
#include <limits>

#include "base/errors.h"
#include "datastore/tables.h"

namespace brenvik {
namespace {

constexpr const char* kWindowsRowsFilter = "cdsHistoryIsWindows = true";

std::int32_t Held32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

HistorySummaryRow ReadRow(const Cursor& c) {
  HistorySummaryRow row;
  row.start = DropMilliseconds(c.AsDateTime(history::kDateTimeStart));
  row.end = DropMilliseconds(c.AsDateTime(history::kDateTimeEnd));
  row.isWindows = c.AsBoolean(history::kIsWindows);
  row.closedOk = c.AsBoolean(history::kClosedOk);
  row.incomplete = c.AsBoolean(history::kRecIncomplete);
  row.uptimeSeconds = Held32(c.AsLargeint(history::kUptimeSeconds));
  row.idleSeconds = Held32(c.AsLargeint(history::kIdleSeconds));
  row.activeSeconds = Held32(c.AsLargeint(history::kActiveSeconds));
  return row;
}

}  // namespace

std::vector<HistorySummaryRow> ReadSummaryRows(Cursor& cursor) {
  std::vector<HistorySummaryRow> rows;
  rows.reserve(cursor.RecordCount());
  for (cursor.First(); !cursor.Eof(); cursor.Next()) rows.push_back(ReadRow(cursor));
  if (!rows.empty()) cursor.Last();
  return rows;
}

SummaryTotals LoadSummary(Cursor& cursor) { return LoadSummary(ReadSummaryRows(cursor)); }

std::vector<HistorySummaryRow> TableWindowsHistory::WindowsRows() {
  Cursor* clone = tables_.DataSetHistoryCloneWinUptime.get();
  if (clone == nullptr) throw TableError("The uptime history is not open");
  if (clone->FilterText() != kWindowsRowsFilter) clone->SetFilter(kWindowsRowsFilter);
  clone->SetFiltered(true);
  return ReadSummaryRows(*clone);
}

}  // namespace brenvik
