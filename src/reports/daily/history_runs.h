// The runs of the uptime history as the day figures take them: every row of
// a cursor's view (its filter and sort apply) read into a RunSpan. A row of
// the Windows run still going on (cdsHistoryRecIncomplete) is running; so is
// a program row of that run whose end is the end of that Windows row, since
// the processing pass writes everything still open with the time of the pass.
#pragma once

#include <optional>
#include <vector>

#include "reports/daily/day_figures.h"

namespace brenvik {

class Cursor;

enum class RunKinds { All, WindowsOnly };

// The cursor's position is not changed. WindowsOnly leaves the program rows
// out, and `within` the rows that have no second on those days, without
// reading them: copying the paths is most of the cost of reading all rows.
std::vector<RunSpan> ReadRunSpans(Cursor& cursor, RunKinds kinds = RunKinds::All,
                                  std::optional<DayRange> within = std::nullopt);

// Only the Windows runs, or only the program runs, of a list.
std::vector<RunSpan> WindowsRuns(const std::vector<RunSpan>& runs);
std::vector<RunSpan> ProgramRuns(const std::vector<RunSpan>& runs);

}  // namespace brenvik
