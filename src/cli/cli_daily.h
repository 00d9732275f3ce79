// The day-by-day report of brenvik-cli: the Windows runs of the history as
// per-day figures (reports/daily/day_figures.h) over the days asked for,
// printed as a table with a closing total, or as a JSON document.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "platform/locale.h"
#include "reports/daily/day_figures.h"

namespace brenvik::cli {

// The days of the report: a period's days up to today; the days from the day
// of --after to the day of --before (a --before at midnight ends the day
// before), each bound defaulting to the first run's day and today; without
// options the days from the first run to the last. Never a day after today.
DayRange DailyDays(const TimeOptions& time, const std::vector<RunSpan>& runs, DateTime now,
                   int firstDayOfWeek);

// The table: a title, a header, one line per day, a closing total; lines end
// with CR LF as the window's texts do. Dates follow the locale; times are
// hh:nn:ss ("24:00:00" when the last run goes on past midnight, "running"
// while it goes on, "-" on a day without runs); durations are hh:nn:ss with
// as many hour digits as needed.
std::string DailyReportText(const std::vector<DayFigures>& days, const LocaleInfo& locale);

Json DailyJson(const std::vector<DayFigures>& days, DateTime now, Clock& clock);

void RunDaily(Session& session, const DailyOptions& options, OutputFormat format,
              std::ostream& out);

}  // namespace brenvik::cli
