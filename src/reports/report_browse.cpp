#include "reports/report_browse.h"

#include "records/time_arithmetic.h"
#include "reports/date_ranges.h"
#include "statistics/win_statistics.h"

namespace brenvik {

namespace {

// Runs the pass between the busy calls and shows the service message once
// the counter has just reached the fifth failure.
void RunPass(const BrowseHooks& hooks, bool buildTree, std::int32_t& serviceStatus, DateTime now) {
  if (hooks.beginBusy) hooks.beginBusy();
  try {
    if (hooks.processTransactions) hooks.processTransactions(buildTree, serviceStatus, now);
  } catch (...) {
    if (hooks.endBusy) hooks.endBusy();
    throw;
  }
  if (ServiceMessageDue(serviceStatus) && hooks.showMessage)
    hooks.showMessage(kServiceNotRunningMessage);
  if (hooks.endBusy) hooks.endBusy();
}

std::vector<std::string> Listed(const std::function<std::vector<std::string>()>& list) {
  return list ? list() : std::vector<std::string>{};
}

}  // namespace

std::string UptimeTimeTerm(const UptimeFilterSettings& s,
                           const std::vector<std::string>& periodItems, DateTime now,
                           int firstDayOfWeek) {
  if (!s.timeEnabled) return {};
  DateRangeRequest request;
  request.predefinedPeriod = s.timePredefined;
  const std::size_t index = s.periodIndex >= 0 ? static_cast<std::size_t>(s.periodIndex) : 0;
  if (index < periodItems.size()) {
    request.periodItem = periodItems[index];
  } else if (!periodItems.empty()) {
    request.periodItem = periodItems.front();
  }
  request.afterTicked = s.afterTicked;
  request.beforeTicked = s.beforeTicked;
  request.dateAfter = s.afterDate;
  request.timeAfter = s.afterTime;
  request.dateBefore = s.beforeDate;
  request.timeBefore = s.beforeTime;
  return GetDateRangeString(request, now, firstDayOfWeek).term;
}

void BrowseUptimeHistory(UptimeFilterSettings& settings, UptimeReportState& state,
                         std::int32_t& serviceStatus, const UptimeBrowseParts& parts,
                         const BrowseHooks& hooks) {
  const DateTime now = DropMilliseconds(parts.clock.LocalNow());
  state.reportOpen = true;
  const std::size_t users = Listed(hooks.historyUsers).size();
  const std::size_t programs = Listed(hooks.historyPrograms).size();
  ResetUptimeHistory(state, UptimeReportReset::BrowseBegins);
  state.dataSourceEnabled = false;
  RunPass(hooks, false, serviceStatus, now);

  const std::vector<std::string> historyUsers = Listed(hooks.historyUsers);
  const std::vector<std::string> historyPrograms = Listed(hooks.historyPrograms);
  if (historyUsers.size() != users) settings.users.RebuildUsers(historyUsers);
  if (historyPrograms.size() != programs)
    settings.programs.RebuildPrograms(parts.programs, historyPrograms);
  DropEmptyDateRange(settings);

  const std::string name = parts.filters.SaveFilter(SaveFilterAs::NewLastUsed, settings);
  const FilterDescription filters = parts.filters.SelectFilter(name, FilterFile::LastUsed, false);
  state.summaryText = filters.plain;
  state.summaryHtml = filters.html;

  parts.report.SetFilter(BuildUptimePredicate(
      settings, UptimeTimeTerm(settings, parts.periodItems, now, parts.firstDayOfWeek)));
  parts.report.SetFiltered(true);
  const UptimeSummary summary = ShowSummary(parts.report, filters.plain, filters.html, now);
  state.summaryText = summary.plain;
  state.summaryHtml = summary.html;
  state.dataSourceEnabled = true;
}

void PrepareSeeUptimeHistory(UptimeFilterSettings& settings, const std::string& exePath) {
  settings.sourceEnabled = true;
  settings.sourceWindows = false;
  settings.programs.TickExactly({exePath});
  settings.timeEnabled = false;
  settings.eventEnabled = false;
  settings.userEnabled = false;
}

LoginBrowseResult BrowseLoginHistory(LoginReportSettings& settings, TArrRecComputerRun& runs,
                                     LoginTree& tree, std::int32_t& serviceStatus, Clock& clock,
                                     const LoginReportContext& context, const BrowseHooks& hooks) {
  LoginReportContext build = context;
  build.now = NowWholeSeconds(clock);
  const std::size_t users = Listed(hooks.historyUsers).size();
  tree.Clear();  // the pass may free the records the tree shows
  RunPass(hooks, true, serviceStatus, build.now);
  if (hooks.uptimeReportOutOfDate) hooks.uptimeReportOutOfDate();

  const std::vector<std::string> historyUsers = Listed(hooks.historyUsers);
  if (historyUsers.size() != users) RebuildLoginUsers(settings.users, historyUsers);
  DropEmptyLoginDateRange(settings);
  LoginReportResult result = BuildLoginReport(runs, settings, build, tree);
  return {std::move(result.plain), std::move(result.html)};
}

}  // namespace brenvik
