#include "reports/chart/login_timeline.h"

#include <algorithm>
#include <map>

#include "records/text_helpers.h"
#include "reports/chart/report_timeline.h"
#include "statistics/uptime_hint.h"

namespace brenvik {
namespace {

std::string RunName(const TRecComputerRun& run) { return "No." + std::to_string(run.rRunID); }

ChartInk RecordInk(const TRecComputerRun& record, ChartInk normal) {
  if (!record.rClosedOk) return ChartInk::Crash;
  if (record.Level == 0 ? record.rRecordIncomplete : record.rLoginActive) return ChartInk::Running;
  return normal;
}

std::string HoverOf(const TRecComputerRun& record, const std::string& name,
                    const LocaleInfo& locale, DateTime now) {
  const bool running = record.Level == 0 ? record.rRecordIncomplete : record.rLoginActive;
  std::string text = RunHoverText(
      {name, record.rStartDateTime, record.rEndDateTime, running && record.rClosedOk,
       !record.rClosedOk, record.rUptimeSeconds, record.rActiveSeconds, record.rIdleSeconds},
      locale, now);
  if (record.Level != 0)
    text += "\nLocked: " + SecondsToUptimeHint(record.rLockedSeconds, now, true);
  return text;
}

// The lane of a user, added on first use.
int UserLane(TimelineInput& input, std::map<std::string, int>& lanes, const std::string& user) {
  const auto [it, added] = lanes.try_emplace(user, static_cast<int>(input.lanes.size()));
  if (added) input.lanes.push_back(user);
  return it->second;
}

}  // namespace

TimelineInput RunLoginsTimeline(const LoginTreeRun& run, const LocaleInfo& locale, DateTime now) {
  TimelineInput input;
  input.emptyMessage = "No computer run in this report.";
  if (!run.run) return input;
  const TRecComputerRun& computer = *run.run;
  input.title = "Computer run " + RunName(computer);
  input.from = computer.rStartDateTime;
  input.to = std::max(computer.rEndDateTime, computer.rStartDateTime + 1.0 / 86400);
  input.lanes.push_back(RunName(computer));
  input.spans.push_back({0, computer.rStartDateTime, computer.rEndDateTime,
                         RecordInk(computer, ChartInk::Active), -1,
                         HoverOf(computer, "Computer run " + RunName(computer), locale, now)});
  std::map<std::string, int> lanes;
  for (std::size_t i = 0; i < run.logins.size(); ++i) {
    const TRecComputerRun& login = *run.logins[i];
    const std::string user = UserDisplayName(login.rUserName, login.rDomain);
    input.spans.push_back({UserLane(input, lanes, user), login.rStartDateTime, login.rEndDateTime,
                           RecordInk(login, ChartInk::Login), static_cast<long long>(i),
                           HoverOf(login, user, locale, now)});
  }
  return input;
}

TimelineInput LoginsOverviewTimeline(const LoginTree& tree, const LocaleInfo& locale,
                                     DateTime now) {
  TimelineInput input;
  input.title = "Computer runs and logins";
  input.emptyMessage = "No computer run in this report.";
  if (tree.Runs().empty()) return input;
  input.lanes.push_back("Computer runs");
  input.from = tree.Runs().front().run->rStartDateTime;
  input.to = input.from;
  std::map<std::string, int> lanes;
  for (std::size_t r = 0; r < tree.Runs().size(); ++r) {
    const LoginTreeRun& run = tree.Runs()[r];
    const TRecComputerRun& computer = *run.run;
    input.from = std::min(input.from, computer.rStartDateTime);
    input.to = std::max({input.to, computer.rEndDateTime, computer.rStartDateTime});
    input.spans.push_back({0, computer.rStartDateTime, computer.rEndDateTime,
                           RecordInk(computer, ChartInk::Active), static_cast<long long>(r),
                           HoverOf(computer, "Computer run " + RunName(computer), locale, now)});
    for (const TRecComputerRun* login : run.logins) {
      const std::string user = UserDisplayName(login->rUserName, login->rDomain);
      input.spans.push_back({UserLane(input, lanes, user), login->rStartDateTime,
                             login->rEndDateTime, RecordInk(*login, ChartInk::Login),
                             static_cast<long long>(r), HoverOf(*login, user, locale, now)});
    }
  }
  if (!(input.to > input.from)) input.to = input.from + 1.0 / 86400;
  return input;
}

int DefaultTimelineRun(const LoginTree& tree) { return static_cast<int>(tree.Runs().size()) - 1; }

}  // namespace brenvik
