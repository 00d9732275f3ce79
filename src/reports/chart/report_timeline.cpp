#include "reports/chart/report_timeline.h"

#include <map>
#include <vector>

#include "datastore/startup/tables.h"
#include "records/date_format.h"
#include "statistics/uptime_hint.h"

namespace brenvik {
namespace {

bool Overlaps(DateTime start, DateTime end, DateTime from, DateTime to) {
  if (end < start) end = start;
  if (start == end) return start >= from && start < to;
  return start < to && end > from;
}

// The physical rows and places of the report's rows overlapping the stretch.
struct RowPlace {
  std::size_t row = 0;
  std::size_t recNo = 0;
};
std::vector<RowPlace> RowsBetween(Cursor& report, DateTime from, DateTime to) {
  const TableStore& rows = report.Rows();
  std::vector<RowPlace> found;
  std::size_t place = 0;
  report.ForEachViewRow([&](std::size_t row) {
    ++place;
    if (rows.IsNull(row, history::kDateTimeStart) || rows.IsNull(row, history::kDateTimeEnd))
      return;
    const DateTime start = rows.DateTimeAt(row, history::kDateTimeStart);
    const DateTime end = rows.DateTimeAt(row, history::kDateTimeEnd);
    if (Overlaps(start, end, from, to)) found.push_back({row, place});
  });
  return found;
}

ChartInk RowInk(const TableStore& rows, std::size_t row) {
  if (!rows.BooleanAt(row, history::kClosedOk)) return ChartInk::Crash;
  if (rows.BooleanAt(row, history::kRecIncomplete)) return ChartInk::Running;
  return rows.BooleanAt(row, history::kIsWindows) ? ChartInk::Active : ChartInk::Program;
}

}  // namespace

std::string RunHoverText(const RunHoverFigures& run, const LocaleInfo& locale, DateTime now) {
  const auto duration = [&](std::int64_t s) { return SecondsToUptimeHint(s, now, true); };
  std::string text = run.name + "\nStart: " + DateTimeToString(run.start, locale) + "\nEnd: " +
                     (run.running ? std::string("running") : DateTimeToString(run.end, locale));
  text += "\nUptime: " + duration(run.uptimeSeconds) + "\nActive: " + duration(run.activeSeconds) +
          "\nIdle: " + duration(run.idleSeconds);
  if (run.crashed) text += "\nCrashed";
  return text;
}

TimelineInput ReportTimeline(Cursor& report, DateTime from, DateTime to, const LocaleInfo& locale,
                             DateTime now) {
  TimelineInput input;
  input.from = from;
  input.to = to;
  input.emptyMessage = "No run in this time.";
  const std::vector<RowPlace> found = RowsBetween(report, from, to);
  if (found.empty()) return input;
  const TableStore& rows = report.Rows();
  const std::size_t keep = report.RecNo();
  std::map<std::string, int> programLanes;
  input.lanes.push_back(kComputerLane);
  for (const RowPlace& place : found) {
    const bool windows = rows.BooleanAt(place.row, history::kIsWindows);
    std::string name = kComputerLane;
    if (!windows) {
      // The title is a calculated field, read through the cursor.
      report.MoveToRecNo(place.recNo);
      name = report.AsText(history::kRecProgramTitle);
    }
    int lane = 0;
    if (!windows) {
      const auto [it, added] = programLanes.try_emplace(name, static_cast<int>(input.lanes.size()));
      if (added) input.lanes.push_back(name);
      lane = it->second;
    }
    RunHoverFigures figures{name,
                            rows.DateTimeAt(place.row, history::kDateTimeStart),
                            rows.DateTimeAt(place.row, history::kDateTimeEnd),
                            rows.BooleanAt(place.row, history::kRecIncomplete),
                            !rows.BooleanAt(place.row, history::kClosedOk),
                            rows.LargeintAt(place.row, history::kUptimeSeconds),
                            rows.LargeintAt(place.row, history::kActiveSeconds),
                            rows.LargeintAt(place.row, history::kIdleSeconds)};
    input.spans.push_back({lane, figures.start, figures.end, RowInk(rows, place.row),
                           static_cast<long long>(place.recNo),
                           RunHoverText(figures, locale, now)});
  }
  if (keep >= 1 && keep <= report.RecordCount()) report.MoveToRecNo(keep);
  return input;
}

std::set<std::size_t> RecNosBetween(Cursor& report, DateTime from, DateTime to) {
  std::set<std::size_t> recNos;
  for (const RowPlace& place : RowsBetween(report, from, to)) recNos.insert(place.recNo);
  return recNos;
}

}  // namespace brenvik
