#include "datastore/pass/transaction_loop.h"

#include <algorithm>
#include <memory>

#include "base/errors.h"
#include "base/utf8.h"
#include "datastore/pass/line_reader.h"
#include "datastore/pass/login_processing.h"
#include "datastore/pass/run_start.h"
#include "datastore/pass/uptime_rows.h"
#include "datastore/startup/tables.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

constexpr std::uint32_t kBootShiftLimit = 300;
constexpr const char* kResumeMark = "pmwindowreceivedpcresume";

TransactionLine ReadStoredRow(const Table& transactions) {
  TransactionLine line;
  line.dateTime = DropMilliseconds(transactions.AsDateTime(transact::kDateTime));
  line.offset = transactions.AsInteger(transact::kGmtOffset);
  line.event = transactions.AsInteger(transact::kEventType);
  line.domain = transactions.AsText(transact::kUserDomain);
  line.user = transactions.AsText(transact::kUserName);
  line.handle = static_cast<std::uint32_t>(transactions.AsLargeint(transact::kHandle));
  line.parameter = transactions.AsText(transact::kExePath);
  return line;
}

// Event 1 before it is stored: a start reported soon after boot, or the
// first start ever recorded, is moved back to the moment Windows started.
// The boot time of the very first run is what the first login starts at; it
// only holds for that run.
void WindowsStartPreStep(PassState& state, TransactionLine& line) {
  const bool historyEmpty = state.tables.history.RecordCount() == 0;
  if (line.handle <= kBootShiftLimit || historyEmpty) {
    state.currentTime = AddSeconds(state.currentTime, -static_cast<std::int64_t>(line.handle));
    line.handle = 0;
  }
  state.initialBootTime = historyEmpty ? state.currentTime : NullDate;
}

void PreStep(PassState& state, TransactionLine& line) {
  switch (line.event) {
    case kEventWindowsStart:
      WindowsStartPreStep(state, line);
      break;
    case kEventWindowsStop:
      state.initialBootTime = NullDate;
      break;
    case kEventLoginActive:
      LoginPreStep(state);
      break;
    case kEventIdle:
      IdleReport(state, line);
      break;
    default:
      break;
  }
}

std::unique_ptr<TRecUptimeEntry> NewEntry(TProgrameType type, DateTime at,
                                          const TransactionLine& line) {
  auto entry = std::make_unique<TRecUptimeEntry>();
  entry->rType = type;
  entry->rStartDateTime = at;
  entry->rEndDateTime = at;
  entry->rGMTOffset = line.offset;
  entry->rClosedOk = false;
  entry->rRecordIncomplete = true;
  return entry;
}

std::unique_ptr<TRecUptimeEntry> NewProgramEntry(const PassState& state,
                                                 const TransactionLine& line, std::string param) {
  auto entry = NewEntry(TProgrameType::ptProgramm, state.currentTime, line);
  entry->rUserName = line.user;
  entry->rDomain = line.domain;
  entry->rHandleNo = line.handle;
  entry->rParam = std::move(param);
  return entry;
}

void HandleWindowsStartOrStop(PassState& state, const TransactionLine& line) {
  state.resumePending = AsciiLower(CutToChars(line.parameter, 24)) == kResumeMark;
  EndIdle(state, "", state.previousTime);
  const bool start = line.event == kEventWindowsStart;
  CloseAllEntries(state, start ? CloseMode::Crashed : CloseMode::Stopped);
  if (start) {
    auto entry = NewEntry(TProgrameType::ptWindows, state.currentTime, line);
    entry->rParam = kWindowsParam;
    state.openEntries.Add(kWindowsKey, std::move(entry));
    state.windowsEntrySeen = true;
    state.windowsStoppedAt = NullDate;
  } else {
    ++state.runId;
    state.windowsStoppedAt = AddSeconds(state.currentTime, line.offset);
  }
  state.runIdleSeconds = 0;
}

void HandleProgramStart(PassState& state, const TransactionLine& line) {
  std::string key = ProgramKey(line.parameter, line.handle);
  if (state.openEntries.Find(key) != nullptr) return;
  state.openEntries.Add(std::move(key), NewProgramEntry(state, line, line.parameter));
}

// The idle and active time of the user's login that the program gets when
// it ends while the login is open. Only a login that is active now has a
// period running that no open entry has been given yet.
void CountLoginTime(PassState& state, TRecUptimeEntry& entry) {
  TRecLoginEntry* login = state.openLogins.Find(UserDisplayName(entry.rUserName, entry.rDomain));
  if (login == nullptr) return;
  const DateTime now = state.currentTime;
  if (login->rIsInIdleState) {
    const DateTime from = CompareMoments(login->rIdleStartDateTime, entry.rStartDateTime) == 1
                              ? login->rIdleStartDateTime
                              : entry.rStartDateTime;
    AddWrapped(entry.rIdleSeconds, SecondsBetween(from, now));
  }
  if (!login->rIsActive) return;
  std::int64_t active = SecondsBetween(now, login->rActiveStartDateTime);
  if (active != 0) {
    active = std::min(active, SecondsBetween(now, entry.rStartDateTime));
    AddWrapped(entry.rActiveSeconds, active);
  }
}

void HandleProgramEnd(PassState& state, const TransactionLine& line) {
  std::string key = ProgramKey(line.parameter, line.handle);
  TRecUptimeEntry* entry = state.openEntries.Find(key);
  if (entry == nullptr) {
    entry = &state.openEntries.Add(std::move(key),
                                   NewProgramEntry(state, line, ProgramBaseName(line.parameter)));
  }
  CountLoginTime(state, *entry);
  entry->rEndDateTime = state.currentTime;
  entry->rClosedOk = true;
  entry->rRecordIncomplete = false;
  WriteUptimeRow(state, *entry);
  state.openEntries.Remove(entry);
}

// The clock was set to another time: every open interval moves later by the
// size of the change, so that its length leaves the jump out.
void HandleClockChange(PassState& state, const TransactionLine& line) {
  std::int64_t shift = 0;
  try {
    shift = SecondsBetween(StringToDateTime(line.parameter), state.currentTime);
  } catch (const ConversionError&) {
    shift = 0;
  }
  if (shift == 0) return;
  for (const auto& item : state.openEntries) {
    TRecUptimeEntry& entry = *item.object;
    entry.rStartDateTime = AddSeconds(entry.rStartDateTime, shift);
    entry.rEndDateTime = AddSeconds(entry.rEndDateTime, shift);
  }
  for (const auto& item : state.openLogins) {
    TRecLoginEntry& login = *item.object;
    login.rStartDateTime = AddSeconds(login.rStartDateTime, shift);
    login.rEndDateTime = AddSeconds(login.rEndDateTime, shift);
    if (login.rIsInIdleState)
      login.rIdleStartDateTime = AddSeconds(login.rIdleStartDateTime, shift);
    if (login.rIsActive) login.rActiveStartDateTime = AddSeconds(login.rActiveStartDateTime, shift);
  }
}

void Dispatch(PassState& state, const TransactionLine& line) {
  switch (line.event) {
    case kEventWindowsStart:
    case kEventWindowsStop:
      HandleWindowsStartOrStop(state, line);
      break;
    case kEventProgramStart:
      HandleProgramStart(state, line);
      break;
    case kEventProgramEnd:
      HandleProgramEnd(state, line);
      break;
    case kEventLoginActive:
      LoginActivated(state, line);
      break;
    case kEventLoginInactive:
      LoginDeactivated(state, line);
      break;
    case kEventClockChanged:
      HandleClockChange(state, line);
      break;
    default:
      break;
  }
}

void StoreLine(PassState& state, TransactionLine line) {
  Table& transactions = state.tables.transactions;
  if (line.event == kEventWindowsStart || line.event == kEventWindowsStop)
    transactions.EmptyTable();
  line.dateTime = state.currentTime;
  AppendLineToTransactions(transactions, line);
}

}  // namespace

void RunTransactionLoop(PassState& state, const std::string& text, TextProgress& progress) {
  Table& transactions = state.tables.transactions;
  transactions.First();
  while (true) {
    TransactionLine line;
    bool good = true;
    if (!state.readingText && !transactions.Eof()) {
      line = ReadStoredRow(transactions);
      transactions.Next();
    } else {
      state.readingText = true;
      progress.lineStart = progress.pos;
      progress.lineStored = false;
      good = ReadLogLine(state, text, progress.pos, line);
    }
    if (!good) {
      if (progress.pos >= static_cast<int>(text.size())) return;
      continue;
    }
    state.currentTime = line.dateTime;
    PreStep(state, line);
    if (state.readingText) {
      StoreLine(state, line);
      progress.lineStored = true;
    }
    Dispatch(state, line);
    state.previousTime = state.currentTime;
  }
}

// The start of the run the computer is in when the text ends with a Windows
// stop (the service missed the boot that followed, or was installed while the
// computer ran): the moment the system's uptime gives, never before the stop.
DateTime StartAfterStop(DateTime stoppedAt, Clock& clock) {
  const DateTime boot = RunStartFromUptime(clock);
  return CompareMoments(boot, stoppedAt) < 0 ? DropMilliseconds(stoppedAt) : boot;
}

void FinishText(PassState& state, DateTime& startDateTime, Accounts& accounts, Clock& clock) {
  const bool stopped = CompareMoments(state.windowsStoppedAt, NullDate) != 0;
  CloseAllEntries(state, CloseMode::StillRunning);
  if (stopped) startDateTime = StartAfterStop(state.windowsStoppedAt, clock);
  if (!state.windowsEntrySeen) {
    AccountName account;
    try {
      account = accounts.CurrentUser();
    } catch (const PlatformError&) {
      account = AccountName{};
    }
    auto entry = std::make_unique<TRecUptimeEntry>();
    entry->rType = TProgrameType::ptWindows;
    entry->rStartDateTime = startDateTime;
    entry->rEndDateTime = state.dateOfCalc;
    entry->rUserName = account.user;
    entry->rDomain = account.domain;
    entry->rIdleSeconds = static_cast<std::int32_t>(state.runIdleSeconds);
    entry->rClosedOk = true;
    entry->rParam = kWindowsParam;
    entry->rRecordIncomplete = true;
    state.openEntries.Add(kWindowsKey, std::move(entry));
    CloseAllEntries(state, CloseMode::KeepEnds);
  }
  if (stopped) return;  // the stopped run is not the current one
  if (CompareMoments(state.latestWindowsStart, NullDate) != 0) {
    startDateTime = state.latestWindowsStart;
  }
}

}  // namespace brenvik
