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

SummaryTotals LoadSummary(const std::vector<HistorySummaryRow>& rows, WinStatistics& stats) {
  SummaryTotals totals;
  const bool findLastEnd = IsNull(stats.lastRunEnd);
  const bool findFirstBoot = IsNull(stats.firstBootDate);
  stats.recordSeconds = 0;
  totals.recCount = static_cast<std::int64_t>(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const HistorySummaryRow& row = rows[i];
    const DateTime start = row.start;
    const DateTime end = row.end;
    const std::int64_t uptime = NotNegative(row.uptimeSeconds);
    if (row.isWindows) {
      totals.idleTotal += RowIdle(row);
      if (row.closedOk) totals.closedOk += 1;
      totals.runningSec += uptime;
      totals.activeTotal += NotNegative(row.activeSeconds);
      if (row.incomplete) totals.idleSec += RowIdle(row);
    }
    if (findLastEnd && row.isWindows && !row.incomplete &&
        (IsNull(stats.lastRunEnd) || CompareMoments(stats.lastRunEnd, end) < 0)) {
      stats.lastRunEnd = end;
    }
    if (findFirstBoot && (i == 0 || CompareMoments(start, stats.firstBootDate) < 0)) {
      stats.firstBootDate = start;
    }
    if (uptime > totals.secMax) {
      stats.recordSetDate = start;
      totals.secMax = uptime;
      stats.recordSeconds = row.incomplete ? -1 : uptime;
    }
  }
  stats.idleSeconds = totals.idleSec;
  stats.idleSecondsTotal = totals.idleTotal;
  return totals;
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

  const SummaryTotals totals = LoadSummary(services.history.WindowsRows(), stats);
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
