// The statistics behind the "Uptime" page: the state the main window keeps
// between refreshes (start dates and second counts from which the once-a-second
// display derives every running figure), the summary pass over the Windows
// entries of the uptime history, and the refresh itself.
//
// The refresh reaches everything outside the core's arithmetic through small
// interfaces the caller provides: the processing pass, the rows of the
// history, and a host for the busy notice, the message box and the uptime
// report's out-of-date notice. Captions come back as plain texts (with their
// <b>/<u> markup) that the window copies into its labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "records/date_time.h"

namespace brenvik {

class Clock;

// The caption of the loading panel while a refresh runs.
inline constexpr const char* kLoadingPanelCaption =
    "Importing data from \r\nService Application...";
// Shown when the service failure counter has just reached kServiceMessageCount.
inline constexpr const char* kServiceNotRunningMessage =
    "It seems the service of Brenvik is not running.\r\n"
    "Please close the program and restart your computer.";
inline constexpr std::int32_t kServiceMessageCount = -5;
// The hint of every figure, count and date caption that copies the report.
inline constexpr const char* kCopyStatisticsHint =
    "Click here to copy uptime statistics to clipboard";
inline constexpr const char* kImportNowCaption = "<b><u>N/A, import now!</u></b>";
inline constexpr const char* kImportNowHint =
    "Click here to open Options, and import Windows uptime history";

// Every caller of the processing pass shows the service message exactly when
// the counter stands at -5 afterwards, so it appears once per run of failures.
inline bool ServiceMessageDue(std::int32_t failureCount) {
  return failureCount == kServiceMessageCount;
}

// The fields of one history row that the summaries read; start and end with
// their milliseconds dropped, the second counts as 32-bit values.
struct HistorySummaryRow {
  DateTime start = ZeroDateTime;
  DateTime end = ZeroDateTime;
  bool isWindows = false;
  bool closedOk = true;
  bool incomplete = false;
  std::int32_t uptimeSeconds = 0;
  std::int32_t idleSeconds = 0;
  std::int32_t activeSeconds = 0;
};

// What LoadSummary returns; in report mode idleSec and secMax stay 0.
struct SummaryTotals {
  std::int64_t recCount = 0;
  std::int64_t closedOk = 0;
  std::int64_t runningSec = 0;
  std::int64_t secMax = 0;
  std::int64_t idleSec = 0;
  std::int64_t idleTotal = 0;
  std::int64_t activeTotal = 0;
};

// The caption texts a refresh produces; the trailing comment names the label
// of the Uptime page each one goes into.
struct WinStatisticsCaptions {
  std::string turnedOnCount;      // Label7
  std::string turnedOffCount;     // Label6
  std::string crashedCount;       // Label8
  std::string lastTurnedOff;      // label5 (markup, or the import link)
  std::string lastTurnedOffHint;  // label5's hint
  std::string lastTurnedOn;       // Label2 (markup)
  std::string trackingSince;      // label37 (markup, date only)
};

// The statistics the main window keeps between refreshes; the trailing
// comment names the window's variable. Dates are local time; NullDate means
// "not known". The start moments are set so that now less the moment is the
// figure shown. recordSeconds is -1 while the current run holds the record.
struct WinStatistics {
  DateTime runStart = NullDate;          // gStartDateTime: the current Windows run began
  DateTime lastRunEnd = NullDate;        // gLastEndDateTime: the previous run ended
  DateTime firstBootDate = NullDate;     // gFirstBootDate: the oldest run tracked
  DateTime totalStart = NullDate;        // gTotalStartDate: now less the total uptime
  DateTime recordStart = NullDate;       // gMaxUptimeStartDate: now less the record uptime
  DateTime recordSetDate = NullDate;     // gMaxUptimeSetDate: when the record run began
  std::int64_t recordSeconds = 0;        // gMaxUptimeSecs
  std::int64_t idleSeconds = 0;          // gIdleSecs: idle time of the current run
  std::int64_t idleSecondsTotal = 0;     // gIdleSecsTotal
  bool recordSetInCurrentRun = false;    // gRecordSetInCurSess
  std::int32_t serviceFailureCount = 0;  // gServiceStatus: see ServiceMessageDue
  WinStatisticsCaptions captions;
};

// The start of the current Windows run estimated from the system uptime the
// performance counter gives (now when the counter is unknown).
DateTime BootMomentFromCounter(Clock& clock);

// The state at window creation: everything initial, runStart from the
// performance counter, and the derived start dates at that moment so that
// the figures make sense before the first refresh.
WinStatistics InitialWinStatistics(Clock& clock);

// Statistics mode: one pass over the Windows rows in append order. Computes
// lastRunEnd and firstBootDate only when they are NullDate on entry,
// sets recordSeconds and recordSetDate from the longest row (the first of
// equal lengths keeps the record). Negative counts in damaged rows are read as
// zero so that no sum runs backwards.
SummaryTotals LoadSummary(const std::vector<HistorySummaryRow>& rows, WinStatistics& stats);

// Report mode: row count, rows closed normally, and the sums of uptime,
// active and idle seconds over all rows.
SummaryTotals LoadSummary(const std::vector<HistorySummaryRow>& rows);

// The record rule at now: an earlier run keeps the record while the current
// uptime is below it; from the moment the current run equals it, the record
// is the current run. updateSessionFlag also sets recordSetInCurrentRun (the
// refresh does, the display tick does not).
void ApplyRecordRule(WinStatistics& stats, DateTime now, bool updateSessionFlag);

// The processing pass as the statistics refresh runs it: no runs tree. It
// updates the failure counter and returns the local start of the latest
// Windows row it wrote, or NullDate when it wrote none.
class StatisticsProcessing {
 public:
  virtual ~StatisticsProcessing() = default;
  virtual DateTime ProcessTransactions(std::int32_t& failureCount, DateTime startDateTime,
                                       DateTime dateOfCalc) = 0;
};

// The Windows rows of the uptime history ("cdsHistoryIsWindows = true"), in
// append order.
class WindowsHistorySource {
 public:
  virtual ~WindowsHistorySource() = default;
  virtual std::vector<HistorySummaryRow> WindowsRows() = 0;
};

// What a refresh shows or tells outside the core.
class StatisticsHost {
 public:
  virtual ~StatisticsHost() = default;
  // Hourglass cursor and the loading panel, painted at once; EndBusy always
  // follows, also when the refresh fails.
  virtual void BeginBusy(const std::string& panelCaption) = 0;
  virtual void EndBusy() = 0;
  // A message box with the application title and an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // An uptime report on screen is out of date and is closed.
  virtual void UptimeReportOutOfDate() = 0;
};

struct StatisticsServices {
  Clock& clock;
  StatisticsProcessing& processing;
  WindowsHistorySource& history;
  StatisticsHost& host;
  LocaleInfo locale;
};

// The full refresh at dateOfCalc (callers pass the current whole second).
void FetchWinStatistics(WinStatistics& stats, DateTime dateOfCalc,
                        const StatisticsServices& services);

// FetchWinStatistics at the current whole second, then the record rule.
void RefreshWinStats(WinStatistics& stats, const StatisticsServices& services);

}  // namespace brenvik
