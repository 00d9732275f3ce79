#include "datastore/pass/computer_runs_tree.h"

#include <memory>

#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

std::int32_t Narrow(std::int64_t value) { return static_cast<std::int32_t>(value); }

std::unique_ptr<TRecComputerRun> NewNode(std::int64_t runId, DateTime start, DateTime end,
                                         std::int32_t level) {
  auto node = std::make_unique<TRecComputerRun>();
  node->rRunID = Narrow(runId);
  node->rStartDateTime = start;
  node->rEndDateTime = end;
  node->rStateOfInit = 0;
  node->Level = level;
  node->rRecordIncomplete = false;
  node->rLoginActive = false;
  return node;
}

void SetFigures(TRecComputerRun& node, std::int64_t idle, std::int64_t active,
                std::int64_t uptime) {
  node.rIdleSeconds = Narrow(idle);
  node.rActiveSeconds = Narrow(active);
  node.rUptimeSeconds = Narrow(uptime);
  node.rLockedSeconds = Narrow(uptime - active);
}

}  // namespace

void PrepareTree(TArrRecComputerRun& runs) {
  for (auto& node : runs) node->rStateOfInit = 1;
  if (!runs.empty() && runs.back()->rRecordIncomplete) runs.pop_back();
}

void TreeTakeHistoryRow(TArrRecComputerRun& runs, const TableStore& history, std::size_t row) {
  if (!history.BooleanAt(row, history::kIsWindows)) return;
  const std::int64_t runId = history.LargeintAt(row, history::kRunId);
  if (runId < 1 || static_cast<std::int64_t>(runs.size()) >= runId) return;
  const DateTime start = DropMilliseconds(history.DateTimeAt(row, history::kDateTimeStart));
  const DateTime end = DropMilliseconds(history.DateTimeAt(row, history::kDateTimeEnd));
  auto node = NewNode(runId, start, end, 0);
  SetFigures(*node, history.IntegerAt(row, history::kIdleSeconds),
             history.LargeintAt(row, history::kActiveSeconds), SecondsBetween(start, end));
  node->rClosedOk = history.BooleanAt(row, history::kClosedOk);
  runs.push_back(std::move(node));
}

void TreeTakeLoginRow(TArrRecComputerRun& runs, const TableStore& logins, std::size_t row) {
  const std::int64_t runId = logins.LargeintAt(row, logins::kRunId);
  if (runId < 1 || runId > static_cast<std::int64_t>(runs.size())) return;
  TRecComputerRun& run = *runs[static_cast<std::size_t>(runId - 1)];
  if (run.rStateOfInit != 0) return;
  const DateTime start = DropMilliseconds(logins.DateTimeAt(row, logins::kDateTimeStart));
  const DateTime end = DropMilliseconds(logins.DateTimeAt(row, logins::kDateTimeEnd));
  auto node = NewNode(runId, start, end, 1);
  SetFigures(*node, logins.IntegerAt(row, logins::kIdleSeconds),
             logins.LargeintAt(row, logins::kActiveSecs), SecondsBetween(start, end));
  node->rUserName = logins.TextAt(row, logins::kUser);
  node->rDomain = logins.TextAt(row, logins::kDomain);
  node->rClosedOk = logins.BooleanAt(row, logins::kClosedOk);
  run.rArrOfLogins.push_back(std::move(node));
}

void TreeTakeLogin(TArrRecComputerRun& runs, std::int64_t runId, const TRecLoginEntry& login,
                   std::int64_t uptimeSeconds) {
  if (runs.empty() || runs.back()->rRunID != Narrow(runId)) {
    auto run = NewNode(runId, login.rStartDateTime, login.rEndDateTime, 0);
    SetFigures(*run, 0, 0, 0);
    run->rClosedOk = true;
    runs.push_back(std::move(run));
  }
  auto node = NewNode(runId, login.rStartDateTime, login.rEndDateTime, 1);
  SetFigures(*node, login.rIdleSecondsTotal, login.rActiveSeconds, uptimeSeconds);
  node->rUserName = login.rUserName;
  node->rDomain = login.rDomain;
  node->rClosedOk = login.rClosedOk;
  node->rLoginActive = login.rLoginActive;
  node->rRecordIncomplete = login.rRecordIncomplete;
  runs.back()->rArrOfLogins.push_back(std::move(node));
}

void TreeTakeWindowsRow(TArrRecComputerRun& runs, std::int64_t runId, const TRecUptimeEntry& entry,
                        std::int64_t uptimeSeconds) {
  TRecComputerRun* node = nullptr;
  if (!runs.empty() && runs.back()->rRunID == Narrow(runId)) {
    node = runs.back().get();
  } else {
    runs.push_back(NewNode(runId, entry.rStartDateTime, entry.rEndDateTime, 0));
    node = runs.back().get();
    node->rUserName = entry.rUserName;
    node->rDomain = entry.rDomain;
  }
  // A node added for a run that is still going on is marked so as well, so
  // that the next tree-building pass rebuilds it instead of keeping figures
  // that go stale when the run ends in a pass that builds no tree.
  node->rRecordIncomplete = entry.rRecordIncomplete;
  node->rStartDateTime = entry.rStartDateTime;
  node->rEndDateTime = entry.rEndDateTime;
  SetFigures(*node, entry.rIdleSeconds, entry.rActiveSeconds, uptimeSeconds);
  node->rClosedOk = entry.rClosedOk;
  node->rStateOfInit = 0;
  node->Level = 0;
}

}  // namespace brenvik
