#include "support/history_rows.h"

#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"

namespace brenvik::test {

std::unique_ptr<Table> MakeHistoryTable() {
  auto table = std::make_unique<Table>("DataSetHistory", HistorySchema());
  table->CreateEmpty();
  return table;
}

void AppendHistoryRow(Table& table, const HistoryRow& row) {
  const bool windows = row.exePath == "Windows";
  const std::int64_t uptime =
      row.uptimeSeconds >= 0 ? row.uptimeSeconds : SecondsBetween(row.start, row.end);
  FieldValue start = row.nullTimes ? FieldValue() : FieldValue(row.start);
  FieldValue end = row.nullTimes || row.nullEnd ? FieldValue() : FieldValue(row.end);
  FieldValue idle = row.nullSpans ? FieldValue() : FieldValue(row.idleSeconds);
  FieldValue active = row.nullSpans ? FieldValue() : FieldValue(row.activeSeconds);
  table.Append({row.runId, row.user, row.exePath, FieldValue(), start, end, FieldValue(),
                FieldValue(), FieldValue(), uptime, idle, active, windows, row.closedOk,
                row.incomplete, row.imported});
}

}  // namespace brenvik::test
