// The two browse commands: "Browse uptime history" and "Browse login
// history", each in its order of steps — bring the tables up to date with the
// processing pass, show the service message at the fifth failure, refresh
// the pick lists that grew, drop a date range without bounds, then produce
// the report. The window (or the command line) binds the processing pass and
// the busy indication into the hooks and shows the states that come back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "datastore/tables/table.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "records/records.h"
#include "reports/logins/login_report.h"
#include "reports/uptime/saved_filters.h"
#include "reports/uptime/uptime_report.h"

namespace brenvik {

struct BrowseHooks {
  // The processing pass at now (tree building as the caller asks), updating
  // the failure counter it is given.
  std::function<void(bool buildTree, std::int32_t& failureCount, DateTime now)> processTransactions;
  // gslHistoryUsers and gslProgramsFetchedFromDB as the pass left them.
  std::function<std::vector<std::string>()> historyUsers;
  std::function<std::vector<std::string>()> historyPrograms;
  // A message box with the application title and an OK button.
  std::function<void(const std::string&)> showMessage;
  // The loading panel shown before the pass and hidden after it, also when
  // it fails. Either may be empty.
  std::function<void()> beginBusy;
  std::function<void()> endBusy;
  // An open uptime report is closed as out of date (UptimeReportReset::OutOfDate).
  // Run after the login report's pass; may be empty.
  std::function<void()> uptimeReportOutOfDate;
};

struct UptimeBrowseParts {
  Cursor& report;  // DataSetHistoryClone
  FilterStore& filters;
  ProgramDirectory& programs;
  Clock& clock;
  int firstDayOfWeek = 0;
  std::vector<std::string> periodItems;  // the texts of cmbbPeriod
};

// The time term of the uptime filter settings (empty when the time filter
// adds none).
std::string UptimeTimeTerm(const UptimeFilterSettings& settings,
                           const std::vector<std::string>& periodItems, DateTime now,
                           int firstDayOfWeek);

// Produces the uptime report into state: the settings may change (grown
// pick lists rebuilt, a date range without bounds switched off), the filter
// used is stored as a last-used filter, the report cursor is filtered, and
// the summary with the filters description is written. The selection labels
// are hidden afterwards. A failing pass ends the browse with the report
// detached.
void BrowseUptimeHistory(UptimeFilterSettings& settings, UptimeReportState& state,
                         std::int32_t& serviceStatus, const UptimeBrowseParts& parts,
                         const BrowseHooks& hooks);

// "See Uptime History" of the watched list: the source filter set to that
// one program (the first row of exactly this path ticked, every other row
// unticked) and the other filters cleared; the browse follows.
void PrepareSeeUptimeHistory(UptimeFilterSettings& settings, const std::string& exePath);

struct LoginBrowseResult {
  std::string plain;  // JvRichEditLoginHistory
  std::string html;   // gStrCompLogins
};

// Produces the login report: runs (gArrCompRuns) is extended by the pass,
// the tree is emptied before the pass frees any record it showed, an open
// uptime report is closed as out of date (hooks.uptimeReportOutOfDate), the
// user list is rebuilt when the known users changed in number, and the
// report is built into tree.
LoginBrowseResult BrowseLoginHistory(LoginReportSettings& settings, TArrRecComputerRun& runs,
                                     LoginTree& tree, std::int32_t& serviceStatus, Clock& clock,
                                     const LoginReportContext& context, const BrowseHooks& hooks);

}  // namespace brenvik
