#include "reports/daily/history_runs.h"

#include <algorithm>
#include <optional>

#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

class RunColumns {
 public:
  explicit RunColumns(const TableStore& store)
      : path_(store.ColumnAt(history::kExePath)),
        start_(store.ColumnAt(history::kDateTimeStart)),
        end_(store.ColumnAt(history::kDateTimeEnd)),
        isWindows_(store.ColumnAt(history::kIsWindows)),
        closedOk_(store.ColumnAt(history::kClosedOk)),
        incomplete_(store.ColumnAt(history::kRecIncomplete)),
        idle_(store.ColumnAt(history::kIdleSeconds)),
        active_(store.ColumnAt(history::kActiveSeconds)) {}

  bool IsWindows(std::size_t r) const { return Flag(isWindows_, r); }
  bool IsIncomplete(std::size_t r) const { return Flag(incomplete_, r); }

  // The row has a second on the days (or a moment, for a row of no length).
  bool Touches(std::size_t r, const DayRange& days) const {
    const DateTime start = start_.nulls[r] ? 0.0 : start_.reals[r];
    const DateTime end = std::max(start, end_.nulls[r] ? 0.0 : end_.reals[r]);
    const DateTime from = ComposeDateTime(days.first, 0);
    const DateTime to = ComposeDateTime(days.last + 1, 0);
    return start < to && (end > from || (end == start && start >= from));
  }

  RunSpan Read(std::size_t r) const {
    RunSpan run;
    run.start = DropMilliseconds(start_.nulls[r] ? 0.0 : start_.reals[r]);
    run.end = DropMilliseconds(end_.nulls[r] ? 0.0 : end_.reals[r]);
    run.isWindows = Flag(isWindows_, r);
    run.closedOk = Flag(closedOk_, r);
    run.running = Flag(incomplete_, r);  // settled for programs afterwards
    run.idleSeconds = std::max<std::int64_t>(idle_.nulls[r] ? 0 : idle_.ints[r], 0);
    run.activeSeconds = std::max<std::int64_t>(active_.nulls[r] ? 0 : active_.longs[r], 0);
    if (!run.isWindows && !path_.nulls[r]) run.program = path_.pool.At(path_.texts[r]);
    return run;
  }

 private:
  static bool Flag(const Column& c, std::size_t r) { return !c.nulls[r] && c.bools[r] != 0; }

  const Column& path_;
  const Column& start_;
  const Column& end_;
  const Column& isWindows_;
  const Column& closedOk_;
  const Column& incomplete_;
  const Column& idle_;
  const Column& active_;
};

// The end the pass gave the Windows row of the current run, looked up in the
// whole table: a report of programs alone does not show that row. The row is
// among the last ones, so the search goes backwards.
std::optional<DateTime> CurrentRunEnd(const TableStore& store, const RunColumns& columns) {
  for (std::size_t row = store.RowCount(); row-- > 0;) {
    if (columns.IsWindows(row) && columns.IsIncomplete(row)) return columns.Read(row).end;
  }
  return std::nullopt;
}

// A program row of the current run runs on only when it ends with the pass;
// one that ended within the run keeps its own, earlier end.
void SettleRunningPrograms(std::vector<RunSpan>& runs, std::optional<DateTime> passTime) {
  for (RunSpan& run : runs) {
    if (run.isWindows || !run.running) continue;
    run.running = passTime && run.closedOk && CompareMoments(run.end, *passTime) == 0;
  }
}

}  // namespace

std::vector<RunSpan> ReadRunSpans(Cursor& cursor, RunKinds kinds, std::optional<DayRange> within) {
  std::vector<RunSpan> runs;
  const RunColumns columns(cursor.Rows());
  if (kinds == RunKinds::All && !within) runs.reserve(cursor.RecordCount());
  cursor.ForEachViewRow([&](std::size_t row) {
    if (kinds == RunKinds::WindowsOnly && !columns.IsWindows(row)) return;
    if (within && !columns.Touches(row, *within)) return;
    runs.push_back(columns.Read(row));
  });
  if (kinds == RunKinds::All) SettleRunningPrograms(runs, CurrentRunEnd(cursor.Rows(), columns));
  return runs;
}

std::vector<RunSpan> WindowsRuns(const std::vector<RunSpan>& runs) {
  std::vector<RunSpan> result;
  std::copy_if(runs.begin(), runs.end(), std::back_inserter(result),
               [](const RunSpan& run) { return run.isWindows; });
  return result;
}

std::vector<RunSpan> ProgramRuns(const std::vector<RunSpan>& runs) {
  std::vector<RunSpan> result;
  std::copy_if(runs.begin(), runs.end(), std::back_inserter(result),
               [](const RunSpan& run) { return !run.isWindows; });
  return result;
}

}  // namespace brenvik
