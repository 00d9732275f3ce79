#include "statistics/history_summary_rows.h"

#include <algorithm>
#include <array>
#include <limits>

#include "base/errors.h"
#include "datastore/startup/tables.h"

namespace brenvik {
namespace {

std::int32_t Held32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The summary fields straight from the columns of the store: a refresh reads
// every Windows row, and going through the cursor for each field of each row
// cost more than the summing.
class SummaryColumns {
 public:
  explicit SummaryColumns(const TableStore& store)
      : start_(store.ColumnAt(history::kDateTimeStart)),
        end_(store.ColumnAt(history::kDateTimeEnd)),
        isWindows_(store.ColumnAt(history::kIsWindows)),
        closedOk_(store.ColumnAt(history::kClosedOk)),
        incomplete_(store.ColumnAt(history::kRecIncomplete)),
        uptime_(store.ColumnAt(history::kUptimeSeconds)),
        idle_(store.ColumnAt(history::kIdleSeconds)),
        active_(store.ColumnAt(history::kActiveSeconds)) {}

  HistorySummaryRow Read(std::size_t r) const {
    HistorySummaryRow row;
    row.start = DropMilliseconds(start_.nulls[r] ? 0.0 : start_.reals[r]);
    row.end = DropMilliseconds(end_.nulls[r] ? 0.0 : end_.reals[r]);
    row.isWindows = Flag(isWindows_, r);
    row.closedOk = Flag(closedOk_, r);
    row.incomplete = Flag(incomplete_, r);
    row.uptimeSeconds = Held32(uptime_.nulls[r] ? 0 : uptime_.longs[r]);
    row.idleSeconds = Held32(idle_.nulls[r] ? 0 : idle_.ints[r]);
    row.activeSeconds = Held32(active_.nulls[r] ? 0 : active_.longs[r]);
    return row;
  }

 private:
  static bool Flag(const Column& c, std::size_t r) { return !c.nulls[r] && c.bools[r] != 0; }

  const Column& start_;
  const Column& end_;
  const Column& isWindows_;
  const Column& closedOk_;
  const Column& incomplete_;
  const Column& uptime_;
  const Column& idle_;
  const Column& active_;
};

}  // namespace

std::vector<HistorySummaryRow> ReadSummaryRows(Cursor& cursor) {
  std::vector<HistorySummaryRow> rows;
  rows.reserve(cursor.RecordCount());
  const SummaryColumns columns(cursor.Rows());
  cursor.ForEachViewRow([&](std::size_t row) { rows.push_back(columns.Read(row)); });
  if (!rows.empty()) cursor.Last();
  return rows;
}

SummaryTotals LoadSummary(Cursor& cursor) { return LoadSummary(ReadSummaryRows(cursor)); }

// The rows the clone's filter "cdsHistoryIsWindows = true" lets through, in
// append order, read from the columns without building the clone's view:
// a sorted or filtered view is a list of every row it shows, which a refresh
// would rebuild (and throw away) for every change of the history. The rows
// go out in small batches, so nothing the size of the history is made.
void TableWindowsHistory::VisitWindowsRows(const BatchVisitor& visit) {
  const Cursor* clone = tables_.DataSetHistoryCloneWinUptime.get();
  if (clone == nullptr || !tables_.DataSetHistory.IsOpen()) {
    throw TableError("The uptime history is not open");
  }
  const TableStore& store = clone->Rows();
  const SummaryColumns columns(store);
  const Column& isWindows = store.ColumnAt(history::kIsWindows);
  constexpr std::size_t kBatch = 512;
  std::array<HistorySummaryRow, kBatch> batch;
  std::size_t count = 0;
  for (std::size_t r = 0; r < store.RowCount(); ++r) {
    if (isWindows.nulls[r] || isWindows.bools[r] == 0) continue;
    batch[count++] = columns.Read(r);
    if (count == kBatch) {
      visit(std::span<const HistorySummaryRow>(batch.data(), count));
      count = 0;
    }
  }
  if (count > 0) visit(std::span<const HistorySummaryRow>(batch.data(), count));
}

}  // namespace brenvik
