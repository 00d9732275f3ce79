// The timeline of a stretch of the uptime report: every row of the report
// that touches the stretch becomes a span, in the lane of the computer
// ("Windows" rows) or of its program (by the row's title), the crashed ones
// in the crash colour and those still running in their own colour. A span's
// item is the row's place in the report's view (RecNo), so a click on it can
// select the row in the grid. Also the rows a stretch covers, for a click on
// a bar.
#pragma once

#include <cstddef>
#include <set>
#include <string>

#include "datastore/tables/table.h"
#include "platform/locale.h"
#include "reports/chart/timeline_layout.h"

namespace brenvik {

inline constexpr const char* kComputerLane = "Computer";

// The spans of the rows from `from` up to (not including) `to`, in view
// order; the cursor's row is kept. Rows without start or end are left out.
TimelineInput ReportTimeline(Cursor& report, DateTime from, DateTime to, const LocaleInfo& locale,
                             DateTime now);

// The places (RecNo) of the rows whose run overlaps [from, to): a run that
// ends exactly at `from` or starts exactly at `to` does not count, a run of
// no length at `from` does.
std::set<std::size_t> RecNosBetween(Cursor& report, DateTime from, DateTime to);

// The tooltip of a run: its lane name, start, end (or "running"), uptime,
// active and idle time, and "Crashed" for a crash.
struct RunHoverFigures {
  std::string name;
  DateTime start = 0;
  DateTime end = 0;
  bool running = false;
  bool crashed = false;
  std::int64_t uptimeSeconds = 0;
  std::int64_t activeSeconds = 0;
  std::int64_t idleSeconds = 0;
};
std::string RunHoverText(const RunHoverFigures& run, const LocaleInfo& locale, DateTime now);

}  // namespace brenvik
