// Day-by-day figures of a report's runs: for every local calendar day, the
// first switch-on, the last switch-off (or that the last run still goes on),
// uptime, active and idle time, the runs begun (boots, for Windows runs) and
// the runs that ended in a crash; and the same summed per week or month.
//
// A run that crosses midnight is split at midnight. The history keeps a run's
// start and end in the local time of its start (a clock change during the run
// has already been folded into both by the processing pass), so the midnights
// are those of that time line; a run ending after a daylight-saving change is
// split where its own clock struck midnight. Active and idle seconds are kept
// per run, not per moment, so they are shared out over the run's days in
// proportion to the seconds of each day, rounded so that the days of one run
// add up to the run's figures exactly.
//
// Pure functions over plain values: the callers (command line, window chart,
// exports) read the rows and hand them in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/date_time.h"

namespace brenvik {

// One run as the history holds it.
struct RunSpan {
  DateTime start = ZeroDateTime;  // local, whole seconds
  // Local, whole seconds; an end before the start counts as the start.
  DateTime end = ZeroDateTime;
  std::int64_t idleSeconds = 0;
  std::int64_t activeSeconds = 0;
  bool isWindows = true;
  bool closedOk = true;  // false: ended by a crash (or a hung program)
  bool running = false;  // still going on; its end is the time of the report
  std::string program;   // the executable path of a program run
};

// The part of one run that falls on one day.
struct DaySegment {
  std::int64_t day = 0;           // day number (days since 1899-12-30)
  DateTime start = ZeroDateTime;  // local
  DateTime end = ZeroDateTime;    // local; midnight of the next day when the run goes on
  std::int64_t seconds = 0;
  std::int64_t activeSeconds = 0;
  std::int64_t idleSeconds = 0;
  bool runStartsHere = false;  // the run began on this day
  bool runEndsHere = false;    // the run ended (or is still running) on this day
};

// The run cut at every midnight it crosses, in time order; a run of no
// length gives one segment of no length on its day.
std::vector<DaySegment> SplitAtMidnights(const RunSpan& run);

struct DayFigures {
  std::int64_t day = 0;  // day number; ComposeDateTime(day, 0) is its midnight
  // Start of the day's first segment and end of its last one; midnight when a
  // run goes on from the day before or into the next day. Empty without runs.
  std::optional<DateTime> firstOn;
  std::optional<DateTime> lastOff;
  // The starts of the runs firstOn and lastOff belong to: a run's times are
  // in the UTC offset of its start, so a reader that needs the offset of
  // either moment takes the one of this start.
  DateTime firstOnRunStart = ZeroDateTime;
  DateTime lastOffRunStart = ZeroDateTime;
  bool running = false;  // the day's last segment belongs to a run still going on
  std::int64_t uptimeSeconds = 0;
  std::int64_t activeSeconds = 0;
  std::int64_t idleSeconds = 0;
  int boots = 0;    // runs begun on the day
  int crashes = 0;  // runs that ended on the day in a crash
  bool operator==(const DayFigures&) const = default;
};

// Inclusive day numbers.
struct DayRange {
  std::int64_t first = 0;
  std::int64_t last = -1;
  bool Empty() const { return last < first; }
};

// The days from the first run's start to the last run's end; empty without runs.
DayRange DaysOfRuns(const std::vector<RunSpan>& runs);

// One entry per day of the range, days without runs included; parts of runs
// outside the range are left out.
std::vector<DayFigures> BuildDayFigures(const std::vector<RunSpan>& runs, DayRange range);

// The figures of several days together: sums, and the first switch-on and
// last switch-off of the days that had runs.
struct PeriodFigures {
  std::int64_t firstDay = 0;
  std::int64_t lastDay = 0;
  std::optional<DateTime> firstOn;
  std::optional<DateTime> lastOff;
  DateTime firstOnRunStart = ZeroDateTime;
  DateTime lastOffRunStart = ZeroDateTime;
  bool running = false;
  std::int64_t uptimeSeconds = 0;
  std::int64_t activeSeconds = 0;
  std::int64_t idleSeconds = 0;
  int boots = 0;
  int crashes = 0;
  bool operator==(const PeriodFigures&) const = default;
};

PeriodFigures SumDays(const std::vector<DayFigures>& days);

enum class BucketSize { Day, Week, Month };

// The days grouped into calendar weeks (beginning on firstDayOfWeek, 0 =
// Monday ... 6 = Sunday, as the locale counts) or calendar months; the first
// and last bucket may be partial. The days must be consecutive, as BuildDayFigures gives them.
std::vector<PeriodFigures> BucketDays(const std::vector<DayFigures>& days, BucketSize size,
                                      int firstDayOfWeek);

// A bucket size that keeps a chart of the range to a readable number of bars:
// days up to maxDays days, weeks up to maxDays weeks, months beyond.
BucketSize BucketSizeFor(DayRange range, std::int64_t maxDays = 120);

}  // namespace brenvik
