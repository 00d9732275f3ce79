#include "statistics/win_statistics.h"

#include <algorithm>

#include "datastore/pass/run_start.h"
#include "platform/clock.h"
#include "records/time_arithmetic.h"
#include "statistics/uptime_hint.h"

namespace brenvik {
namespace {

std::int64_t NotNegative(std::int32_t value) { return std::max<std::int64_t>(value, 0); }

bool IsNull(DateTime value) { return CompareMoments(value, NullDate) == 0; }

// Idle seconds of a row as the page counts them: idle while logged in plus
// every second without an active login.
std::int64_t RowIdle(const HistorySummaryRow& row) {
  const std::int64_t uptime = NotNegative(row.uptimeSeconds);
  const std::int64_t active = std::min(NotNegative(row.activeSeconds), uptime);
  return NotNegative(row.idleSeconds) + (uptime - active);
}

class BusyScope {
 public:
  explicit BusyScope(StatisticsHost& host) : host_(host) { host_.BeginBusy(kLoadingPanelCaption); }
  ~BusyScope() { host_.EndBusy(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  StatisticsHost& host_;
};

void WriteCaptions(WinStatistics& stats, const SummaryTotals& totals, const LocaleInfo& locale) {
  WinStatisticsCaptions& c = stats.captions;
  c.turnedOnCount = std::to_string(totals.recCount);
  // The running entry counts as closed normally, hence the one less; a
  // history without any normally closed entry shows 0, not -1.
  c.turnedOffCount = std::to_string(std::max<std::int64_t>(totals.closedOk - 1, 0));
  c.crashedCount = std::to_string(totals.recCount - totals.closedOk);
  if (!IsNull(stats.lastRunEnd)) {
    c.lastTurnedOff = GetTimeHint("", stats.lastRunEnd, false, true, locale);
    c.lastTurnedOffHint = kCopyStatisticsHint;
  } else {
    c.lastTurnedOff = kImportNowCaption;
    c.lastTurnedOffHint = kImportNowHint;
  }
  c.lastTurnedOn = GetTimeHint("", stats.runStart, false, true, locale);
  c.trackingSince = IsNull(stats.firstBootDate)
                        ? "<b>N/A</b>"
                        : GetTimeHint("", stats.firstBootDate, true, true, locale);
}

// Dates one second off the run start are the same moment seen through two
// roundings; they are made equal so that no figure shows a stray second.
void SnapToStart(DateTime& value, DateTime start) {
  if (SecondsBetween(value, start) == 1) value = start;
}

}  // namespace

DateTime BootMomentFromCounter(Clock& clock) { return RunStartFromUptime(clock); }

WinStatistics InitialWinStatistics(Clock& clock) {
  WinStatistics stats;
  stats.runStart = BootMomentFromCounter(clock);
  stats.totalStart = stats.runStart;
  stats.recordStart = stats.runStart;
  return stats;
}

WindowsSummaryScan::WindowsSummaryScan(WinStatistics& stats)
    : stats_(stats),
      findLastEnd_(IsNull(stats.lastRunEnd)),
      findFirstBoot_(IsNull(stats.firstBootDate)) {
  stats_.recordSeconds = 0;
}

void WindowsSummaryScan::Add(const HistorySummaryRow& row) {
  const std::int64_t uptime = NotNegative(row.uptimeSeconds);
  totals_.recCount += 1;
  if (row.isWindows) {
    totals_.idleTotal += RowIdle(row);
    if (row.closedOk) totals_.closedOk += 1;
    totals_.runningSec += uptime;
    totals_.activeTotal += NotNegative(row.activeSeconds);
    if (row.incomplete) totals_.idleSec += RowIdle(row);
  }
  if (findLastEnd_ && row.isWindows && !row.incomplete &&
      (IsNull(stats_.lastRunEnd) || CompareMoments(stats_.lastRunEnd, row.end) < 0)) {
    stats_.lastRunEnd = row.end;
  }
  if (findFirstBoot_ && (first_ || CompareMoments(row.start, stats_.firstBootDate) < 0)) {
    stats_.firstBootDate = row.start;
  }
  first_ = false;
  if (uptime > totals_.secMax) {
    stats_.recordSetDate = row.start;
    totals_.secMax = uptime;
    stats_.recordSeconds = row.incomplete ? -1 : uptime;
  }
}

SummaryTotals WindowsSummaryScan::Finish() {
  stats_.idleSeconds = totals_.idleSec;
  stats_.idleSecondsTotal = totals_.idleTotal;
  return totals_;
}

SummaryTotals LoadSummary(const std::vector<HistorySummaryRow>& rows, WinStatistics& stats) {
  WindowsSummaryScan scan(stats);
  for (const HistorySummaryRow& row : rows) scan.Add(row);
  return scan.Finish();
}

std::vector<HistorySummaryRow> WindowsHistorySource::WindowsRows() {
  std::vector<HistorySummaryRow> all;
  VisitWindowsRows([&](std::span<const HistorySummaryRow> rows) {
    all.insert(all.end(), rows.begin(), rows.end());
  });
  return all;
}

SummaryTotals LoadSummary(const std::vector<HistorySummaryRow>& rows) {
  SummaryTotals totals;
  totals.recCount = static_cast<std::int64_t>(rows.size());
  for (const HistorySummaryRow& row : rows) {
    if (row.closedOk) totals.closedOk += 1;
    totals.runningSec += NotNegative(row.uptimeSeconds);
    totals.activeTotal += NotNegative(row.activeSeconds);
    totals.idleTotal += NotNegative(row.idleSeconds);
  }
  return totals;
}

void ApplyRecordRule(WinStatistics& stats, DateTime now, bool updateSessionFlag) {
  const std::int64_t current = SecondsBetween(stats.runStart, now);
  if (stats.recordSeconds != -1 && current < stats.recordSeconds) {
    if (updateSessionFlag) stats.recordSetInCurrentRun = false;
    stats.recordStart = AddSeconds(now, -stats.recordSeconds);
  } else {
    stats.recordSeconds = -1;
    stats.recordStart = stats.runStart;
    if (updateSessionFlag) stats.recordSetInCurrentRun = true;
  }
}

void FetchWinStatistics(WinStatistics& stats, DateTime dateOfCalc,
                        const StatisticsServices& services) {
  BusyScope busy(services.host);
  const DateTime processedStart = services.processing.ProcessTransactions(
      stats.serviceFailureCount, stats.runStart, dateOfCalc);
  if (ServiceMessageDue(stats.serviceFailureCount)) {
    services.host.ShowMessage(kServiceNotRunningMessage);
  }
  services.host.UptimeReportOutOfDate();
  if (!IsNull(processedStart)) stats.runStart = processedStart;

  WindowsSummaryScan scan(stats);
  services.history.VisitWindowsRows([&](std::span<const HistorySummaryRow> rows) {
    for (const HistorySummaryRow& row : rows) scan.Add(row);
  });
  const SummaryTotals totals = scan.Finish();
  WriteCaptions(stats, totals, services.locale);

  stats.totalStart = AddSeconds(dateOfCalc, -totals.runningSec);
  stats.recordStart = AddSeconds(dateOfCalc, -totals.secMax);
  SnapToStart(stats.firstBootDate, stats.runStart);
  SnapToStart(stats.recordStart, stats.runStart);
  SnapToStart(stats.totalStart, stats.runStart);
}

void RefreshWinStats(WinStatistics& stats, const StatisticsServices& services) {
  FetchWinStatistics(stats, NowWholeSeconds(services.clock), services);
  ApplyRecordRule(stats, NowWholeSeconds(services.clock), true);
}

}  // namespace brenvik
