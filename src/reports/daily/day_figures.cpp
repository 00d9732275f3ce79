#include "reports/daily/day_figures.h"

#include <algorithm>

namespace brenvik {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

std::int64_t ToLinearSeconds(DateTime value) {
  const std::int64_t ms = ToLinearMs(value);
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

DateTime FromLinearSeconds(std::int64_t seconds) { return FromLinearMs(seconds * 1000); }

std::int64_t DayOfSecond(std::int64_t second) {
  return second >= 0 ? second / kSecondsPerDay : -((-second + kSecondsPerDay - 1) / kSecondsPerDay);
}

// The share of total that belongs to the first `part` of `whole` seconds,
// rounded down; consecutive differences of it add up to total exactly.
std::int64_t ShareUpTo(std::int64_t total, std::int64_t part, std::int64_t whole) {
  if (whole <= 0) return part > 0 ? total : 0;
  // A damaged row may span centuries: the product is taken in 128 bits.
  return static_cast<std::int64_t>(static_cast<__int128>(total) * part / whole);
}

}  // namespace

std::vector<DaySegment> SplitAtMidnights(const RunSpan& run) {
  const std::int64_t from = ToLinearSeconds(run.start);
  const std::int64_t to = std::max(from, ToLinearSeconds(run.end));
  const std::int64_t length = to - from;
  const std::int64_t active = std::clamp<std::int64_t>(run.activeSeconds, 0, length);
  const std::int64_t idle = std::clamp<std::int64_t>(run.idleSeconds, 0, length);

  std::vector<DaySegment> segments;
  std::int64_t cursor = from;
  do {
    const std::int64_t day = DayOfSecond(cursor);
    const std::int64_t segmentEnd = std::min(to, (day + 1) * kSecondsPerDay);
    DaySegment segment;
    segment.day = day;
    segment.start = FromLinearSeconds(cursor);
    segment.end = FromLinearSeconds(segmentEnd);
    segment.seconds = segmentEnd - cursor;
    segment.activeSeconds =
        ShareUpTo(active, segmentEnd - from, length) - ShareUpTo(active, cursor - from, length);
    segment.idleSeconds =
        ShareUpTo(idle, segmentEnd - from, length) - ShareUpTo(idle, cursor - from, length);
    segment.runStartsHere = cursor == from;
    segment.runEndsHere = segmentEnd == to;
    segments.push_back(segment);
    cursor = segmentEnd;
  } while (cursor < to);
  return segments;
}

DayRange DaysOfRuns(const std::vector<RunSpan>& runs) {
  DayRange range;
  bool any = false;
  for (const RunSpan& run : runs) {
    const std::int64_t from = ToLinearSeconds(run.start);
    const std::int64_t to = std::max(from, ToLinearSeconds(run.end));
    // A run ending exactly at midnight has nothing on the day that begins.
    const std::int64_t lastDay = to > from ? DayOfSecond(to - 1) : DayOfSecond(from);
    range.first = any ? std::min(range.first, DayOfSecond(from)) : DayOfSecond(from);
    range.last = any ? std::max(range.last, lastDay) : lastDay;
    any = true;
  }
  return range;
}

namespace {

void AddSegment(DayFigures& day, const DaySegment& segment, const RunSpan& run) {
  if (!day.firstOn || segment.start < *day.firstOn) {
    day.firstOn = segment.start;
    day.firstOnRunStart = run.start;
  }
  // Of runs ending at the same moment, one still going on wins.
  const bool stillRunning = run.running && segment.runEndsHere;
  if (!day.lastOff || segment.end > *day.lastOff) {
    day.lastOff = segment.end;
    day.lastOffRunStart = run.start;
    day.running = stillRunning;
  } else if (segment.end == *day.lastOff && stillRunning) {
    day.running = true;
    day.lastOffRunStart = run.start;
  }
  day.uptimeSeconds += segment.seconds;
  day.activeSeconds += segment.activeSeconds;
  day.idleSeconds += segment.idleSeconds;
  if (segment.runStartsHere) ++day.boots;
  if (segment.runEndsHere && !run.closedOk && !run.running) ++day.crashes;
}

}  // namespace

std::vector<DayFigures> BuildDayFigures(const std::vector<RunSpan>& runs, DayRange range) {
  std::vector<DayFigures> days;
  if (range.Empty()) return days;
  days.resize(static_cast<std::size_t>(range.last - range.first + 1));
  for (std::size_t i = 0; i < days.size(); ++i)
    days[i].day = range.first + static_cast<std::int64_t>(i);
  for (const RunSpan& run : runs) {
    for (const DaySegment& segment : SplitAtMidnights(run)) {
      if (segment.day < range.first || segment.day > range.last) continue;
      AddSegment(days[static_cast<std::size_t>(segment.day - range.first)], segment, run);
    }
  }
  return days;
}

namespace {

void AddDay(PeriodFigures& period, const DayFigures& day) {
  if (day.firstOn && !period.firstOn) {
    period.firstOn = day.firstOn;
    period.firstOnRunStart = day.firstOnRunStart;
  }
  if (day.lastOff) {
    period.lastOff = day.lastOff;
    period.lastOffRunStart = day.lastOffRunStart;
    period.running = day.running;
  }
  period.uptimeSeconds += day.uptimeSeconds;
  period.activeSeconds += day.activeSeconds;
  period.idleSeconds += day.idleSeconds;
  period.boots += day.boots;
  period.crashes += day.crashes;
}

// The number of the bucket a day falls in; equal keys share a bucket.
std::int64_t BucketKey(std::int64_t day, BucketSize size, int firstDayOfWeek) {
  const DateTime midnight = ComposeDateTime(day, 0);
  switch (size) {
    case BucketSize::Day:
      return day;
    case BucketSize::Week: {
      // DayOfWeek counts 1 = Sunday; the locale counts 0 = Monday.
      const int mondayBased = (DayOfWeek(midnight) + 5) % 7;
      const int back = (mondayBased - firstDayOfWeek + 7) % 7;
      return day - back;
    }
    case BucketSize::Month: {
      const DateParts parts = DecodeDate(midnight);
      return static_cast<std::int64_t>(parts.year) * 12 + parts.month;
    }
  }
  return day;
}

}  // namespace

PeriodFigures SumDays(const std::vector<DayFigures>& days) {
  PeriodFigures period;
  if (days.empty()) return period;
  period.firstDay = days.front().day;
  period.lastDay = days.back().day;
  for (const DayFigures& day : days) AddDay(period, day);
  return period;
}

std::vector<PeriodFigures> BucketDays(const std::vector<DayFigures>& days, BucketSize size,
                                      int firstDayOfWeek) {
  std::vector<PeriodFigures> buckets;
  std::int64_t currentKey = 0;
  for (const DayFigures& day : days) {
    const std::int64_t key = BucketKey(day.day, size, firstDayOfWeek);
    if (buckets.empty() || key != currentKey) {
      buckets.push_back(PeriodFigures{});
      buckets.back().firstDay = day.day;
      currentKey = key;
    }
    buckets.back().lastDay = day.day;
    AddDay(buckets.back(), day);
  }
  return buckets;
}

BucketSize BucketSizeFor(DayRange range, std::int64_t maxDays) {
  const std::int64_t count = range.Empty() ? 0 : range.last - range.first + 1;
  if (count <= maxDays) return BucketSize::Day;
  if (count <= maxDays * 7) return BucketSize::Week;
  return BucketSize::Month;
}

}  // namespace brenvik
