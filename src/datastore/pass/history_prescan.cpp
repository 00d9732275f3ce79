#include "datastore/pass/history_prescan.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "datastore/pass/computer_runs_tree.h"
#include "datastore/pass/pass_tables.h"
#include "datastore/startup/tables.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

// The key under which a deleted program row keeps its hang decision; the row
// written again for the same interval produces the same key.
std::string RowHangKey(const TableStore& rows, std::size_t row) {
  const DateTime start = rows.DateTimeAt(row, history::kDateTimeStart);
  const DateTime end = rows.DateTimeAt(row, history::kDateTimeEnd);
  return FormatDateTime("yyyymmddhhnnss", start, AppFormatSettings()) +
         std::to_string(SecondsBetween(start, end)) + rows.TextAt(row, history::kExePath);
}

bool StoredTransactionsBeginWithStop(const Table& transactions) {
  const TableStore& rows = transactions.Rows();
  return rows.RowCount() > 0 && rows.IntegerAt(0, transact::kEventType) == kEventWindowsStop;
}

}  // namespace

void HistoryPreScan(PassState& state) {
  Table& history = state.tables.history;
  OpenForPass(history);
  if (state.buildTree) PrepareTree(state.runs);
  const TableStore& rows = history.Rows();
  std::vector<std::size_t> incomplete;
  std::int64_t highestRun = 0;
  std::int64_t highestCompleteRun = 0;
  std::unordered_set<std::uint64_t> pathsTaken;
  for (std::size_t row = 0; row < rows.RowCount(); ++row) {
    const std::int64_t runId = rows.LargeintAt(row, history::kRunId);
    highestRun = std::max(highestRun, runId);
    const bool isProgram = !rows.BooleanAt(row, history::kIsWindows);
    if (rows.BooleanAt(row, history::kRecIncomplete)) {
      if (isProgram) {
        TextKeySet& keys =
            rows.BooleanAt(row, history::kClosedOk) ? state.cleanRowKeys : state.hungRowKeys;
        keys.insert(RowHangKey(rows, row));
      }
      incomplete.push_back(row);
      continue;
    }
    highestCompleteRun = std::max(highestCompleteRun, runId);
    const auto rowNumber = static_cast<std::int64_t>(row + 1 - incomplete.size());
    if (rowNumber >= state.listed.history) {
      // Each path is added once per scan, however many rows run it.
      if (isProgram &&
          pathsTaken.insert(TextPairKey(rows, row, history::kExePath, history::kExePath)).second) {
        state.programsFetched.Add(rows.TextAt(row, history::kExePath));
      }
      state.listed.history = rowNumber;
    }
    if (state.buildTree) TreeTakeHistoryRow(state.runs, rows, row);
  }
  DeleteRows(history, incomplete);
  if (!incomplete.empty()) history.Save();
  history.Last();
  state.historyMark = history.RecNo();

  // The run number the replay starts from: the highest one recorded, so that
  // imported rows (run 0, appended after the recorded ones) never lower it.
  // When the stored transactions begin with the Windows stop that ended the
  // last complete run, the replay of that stop counts the run up again, so
  // the provisional rows written after it must not count.
  const std::int64_t base =
      StoredTransactionsBeginWithStop(state.tables.transactions) ? highestCompleteRun : highestRun;
  state.runId = std::max<std::int64_t>(base, 1);
}

}  // namespace brenvik
