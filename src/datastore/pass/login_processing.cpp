#include "datastore/pass/login_processing.h"

#include <charconv>
#include <memory>
#include <unordered_set>
#include <vector>

#include "datastore/pass/computer_runs_tree.h"
#include "datastore/pass/pass_tables.h"
#include "datastore/startup/tables.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

bool IsSet(DateTime value, DateTime marker) { return CompareMoments(value, marker) != 0; }

// The Windows entry, or a program entry of the user under key (compared
// exactly, with regard to case).
bool ReceivesTimeOf(const TRecUptimeEntry& entry, const std::string& key) {
  if (entry.rType == TProgrameType::ptWindows) return true;
  return UserDisplayName(entry.rUserName, entry.rDomain) == key;
}

TRecLoginEntry& NewLogin(PassState& state, const std::string& key, const TransactionLine& line,
                         bool closedOk) {
  auto login = std::make_unique<TRecLoginEntry>();
  login->rRunID = static_cast<std::int32_t>(state.runId);
  login->rStartDateTime = state.currentTime;
  login->rEndDateTime = state.currentTime;
  login->rGMTOffset = line.offset;
  login->rUserName = line.user;
  login->rDomain = line.domain;
  login->rClosedOk = closedOk;
  login->rRecordIncomplete = true;
  return state.openLogins.Add(key, std::move(login));
}

}  // namespace

std::int32_t EventNumber(std::string_view parameter) {
  std::size_t i = 0;
  while (i < parameter.size() && parameter[i] == ' ') ++i;
  std::string_view rest = parameter.substr(i);
  if (!rest.empty() && rest.front() == '+') {
    rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == '-') return 0;
  }
  if (rest.empty()) return 0;
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (error != std::errc{} || end != rest.data() + rest.size()) return 0;
  return value;
}

void LoginsPreScan(PassState& state) {
  Table& logins = state.tables.logins;
  OpenForPass(logins);
  const TableStore& rows = logins.Rows();
  std::vector<std::size_t> incomplete;
  // A user and domain already taken in this scan make the same name again:
  // the rows name a few users, and a million of them are not spelt out each.
  std::unordered_set<std::uint64_t> namesTaken;
  for (std::size_t row = 0; row < rows.RowCount(); ++row) {
    const auto rowNumber = static_cast<std::int64_t>(row + 1 - incomplete.size());
    if (rowNumber >= state.listed.logins) {
      if (namesTaken.insert(TextPairKey(rows, row, logins::kUser, logins::kDomain)).second) {
        state.historyUsers.Add(
            UserDisplayName(rows.TextAt(row, logins::kUser), rows.TextAt(row, logins::kDomain)));
      }
      state.listed.logins = rowNumber;
    }
    if (rows.BooleanAt(row, logins::kRecIncomplete)) {
      incomplete.push_back(row);
    } else if (state.buildTree) {
      TreeTakeLoginRow(state.runs, rows, row);
    }
  }
  DeleteRows(logins, incomplete);
  if (!incomplete.empty()) logins.Save();
  logins.Last();
  state.loginsMark = logins.RecNo();
}

void LoginPreStep(PassState& state) {
  if (state.tables.logins.RecordCount() == 0 && state.openLogins.Empty() &&
      IsSet(state.initialBootTime, NullDate)) {
    state.currentTime = state.initialBootTime;
  }
}

void IdleReport(PassState& state, const TransactionLine& line) {
  const std::string key = UserDisplayName(line.user, line.domain);
  TRecLoginEntry* login = state.openLogins.Find(key);
  if (login == nullptr || !login->rIsActive) return;
  const std::int32_t seconds = EventNumber(line.parameter);
  if (seconds == 0) {
    EndIdle(state, key, ZeroDateTime);
    login->rIsInIdleState = false;
  } else if (seconds > 0) {
    login->rIdleSeconds = seconds;
    if (!login->rIsInIdleState) {
      login->rIsInIdleState = true;
      login->rIdleStartDateTime = AddSeconds(state.currentTime, -seconds);
    }
  }
}

void LoginActivated(PassState& state, const TransactionLine& line) {
  const std::string key = UserDisplayName(line.user, line.domain);
  TRecLoginEntry* login = state.openLogins.Find(key);
  const std::int32_t n = EventNumber(line.parameter);
  const bool actedOn = n == 0 || n == 1 ||
                       (n == 3 && login != nullptr && !login->rConsoleDisconnected) ||
                       state.resumePending;
  if (!actedOn) return;
  state.resumePending = false;
  for (const auto& item : state.openLogins) {
    item.object->rIsActive = false;
    item.object->rIsInIdleState = false;
  }
  if (login == nullptr) login = &NewLogin(state, key, line, false);
  login->rActiveStartDateTime = state.currentTime;
  login->rConsoleDisconnected = false;
  login->rIsActive = true;
}

void LoginDeactivated(PassState& state, const TransactionLine& line) {
  const std::string key = UserDisplayName(line.user, line.domain);
  TRecLoginEntry* login = state.openLogins.Find(key);
  const std::int32_t n = EventNumber(line.parameter);
  if (n == 1 && login != nullptr && !login->rIsActive) {
    login->rConsoleDisconnected = true;
    return;
  }
  if (login == nullptr) {
    login = &NewLogin(state, key, line, true);
    login->rActiveStartDateTime = state.currentTime;
    login->rIsActive = true;
  }
  EndIdle(state, key, state.currentTime);
  if (login->rIsActive) {
    AddWrapped(login->rActiveSeconds,
               SecondsBetween(state.currentTime, login->rActiveStartDateTime));
    DistributeActive(state, key, login->rActiveStartDateTime, state.currentTime);
    login->rIsActive = false;
  }
  if (n != 0) return;
  login->rEndDateTime = state.currentTime;
  login->rClosedOk = true;
  login->rRecordIncomplete = true;
  login->rLoginActive = false;
  WriteLoginRow(state, *login);
  state.openLogins.Remove(login);
}

void EndIdle(PassState& state, std::string key, DateTime at) {
  if (key.empty() && !state.openLogins.Empty() && state.openLogins.First().object->rIsInIdleState) {
    key = state.openLogins.First().key;
  }
  TRecLoginEntry* login = state.openLogins.Find(key);
  if (login == nullptr || !login->rIsActive || !login->rIsInIdleState) return;
  login->rIsInIdleState = false;
  if (IsSet(at, ZeroDateTime)) {
    login->rIdleSeconds = static_cast<std::int32_t>(SecondsBetween(at, login->rIdleStartDateTime));
  }
  AddWrapped(login->rIdleSecondsTotal, login->rIdleSeconds);
  state.runIdleSeconds += login->rIdleSeconds;
  if (!IsSet(at, ZeroDateTime)) at = state.currentTime;
  for (const auto& item : state.openEntries) {
    TRecUptimeEntry& entry = *item.object;
    if (!ReceivesTimeOf(entry, key)) continue;
    const DateTime idleStart = AddSeconds(at, -login->rIdleSeconds);
    if (CompareMoments(idleStart, entry.rStartDateTime) == 1) {
      AddWrapped(entry.rIdleSeconds, login->rIdleSeconds);
    } else {
      AddWrapped(entry.rIdleSeconds, SecondsBetween(at, entry.rStartDateTime));
    }
  }
  login->rIdleSeconds = 0;
}

void DistributeActive(PassState& state, const std::string& key, DateTime from, DateTime to) {
  if (key.empty()) return;
  for (const auto& item : state.openEntries) {
    TRecUptimeEntry& entry = *item.object;
    if (!ReceivesTimeOf(entry, key)) continue;
    if (CompareMoments(entry.rStartDateTime, from) == -1) {
      AddWrapped(entry.rActiveSeconds, SecondsBetween(from, to));
    } else {
      AddWrapped(entry.rActiveSeconds, SecondsBetween(entry.rStartDateTime, to));
    }
  }
}

void CloseLogin(PassState& state, const std::string& key, TRecLoginEntry& login, CloseMode mode,
                DateTime end) {
  if (mode == CloseMode::KeepEnds) {
    end = login.rEndDateTime;
  } else {
    login.rEndDateTime = end;
  }
  if (login.rIsActive) {
    EndIdle(state, key, end);
    AddWrapped(login.rActiveSeconds, SecondsBetween(end, login.rActiveStartDateTime));
    DistributeActive(state, key, login.rActiveStartDateTime, end);
  }
  switch (mode) {
    case CloseMode::StillRunning:
      login.rClosedOk = true;
      login.rRecordIncomplete = true;
      login.rLoginActive = true;
      break;
    case CloseMode::Crashed:
      login.rClosedOk = false;
      login.rRecordIncomplete = false;
      login.rLoginActive = false;
      break;
    case CloseMode::Stopped:
      login.rClosedOk = true;
      login.rRecordIncomplete = false;
      login.rLoginActive = false;
      break;
    case CloseMode::KeepEnds:
      break;
  }
  WriteLoginRow(state, login);
}

void WriteLoginRow(PassState& state, TRecLoginEntry& login) {
  const std::int64_t uptime = SecondsBetween(login.rStartDateTime, login.rEndDateTime);
  if (uptime < login.rIdleSecondsTotal) login.rIdleSecondsTotal = static_cast<std::int32_t>(uptime);
  login.rStartDateTime = AddSeconds(login.rStartDateTime, login.rGMTOffset);
  login.rEndDateTime = AddSeconds(login.rEndDateTime, login.rGMTOffset);
  if (state.buildTree) TreeTakeLogin(state.runs, state.runId, login, uptime);
  state.historyUsers.Add(UserDisplayName(login.rUserName, login.rDomain));
  Table& logins = state.tables.logins;
  logins.Append({login.rRunID, login.rUserName, login.rDomain,
                 DropMilliseconds(login.rStartDateTime), DropMilliseconds(login.rEndDateTime),
                 uptime, login.rIdleSecondsTotal, login.rActiveSeconds, login.rClosedOk,
                 login.rRecordIncomplete, login.rLoginActive});
  state.listed.logins = static_cast<std::int64_t>(logins.RecordCount()) - 1;
}

}  // namespace brenvik
