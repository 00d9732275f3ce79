// The state one processing pass carries from step to step, shared by the
// units that make up the pass (history pre-scan, transaction loop, uptime
// rows, login processing, computer-runs tree). It lives for one pass; the
// caller's tables, lists and tree are referenced, not owned.
//
// Times inside the pass are UTC as the activity log gives them; an entry
// carries the offset of the line that opened it, and the offset is added when
// its row is written.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "datastore/pass/keyed_list.h"
#include "datastore/service_link/event_codes.h"
#include "datastore/service_link/log_line_reader.h"
#include "datastore/tables/table.h"
#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/event_log.h"
#include "records/records.h"
#include "records/sorted_text_list.h"

namespace brenvik {

class DiagnosticLog;

// The row numbers up to which history and login rows have been entered into
// the program and user lists; kept between passes by whoever runs them (the
// session's processing unit).
struct ListedRows {
  std::int64_t history = 0;
  std::int64_t logins = 0;
};

inline constexpr const char* kWindowsParam = "Windows";
inline constexpr const char* kWindowsKey = "Windows0";

// How CloseAllEntries ends what is open: still running at the time of the
// pass, keeping the ends the entries have, ended by a crash at the last line
// before a Windows start, or ended normally by a Windows stop.
enum class CloseMode : std::int32_t { StillRunning = -1, KeepEnds = -2, Crashed = 1, Stopped = 2 };

// The values of one transaction, read from a stored row or from a log line.
struct TransactionLine {
  DateTime dateTime = ZeroDateTime;
  std::int32_t offset = 0;
  std::string domain;
  std::string user;
  std::int32_t event = -1;
  std::string parameter;
  std::uint32_t handle = 0;
};

struct TextIgnoreCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareTextIgnoreCase(a, b) < 0;
  }
};
using TextKeySet = std::set<std::string, TextIgnoreCaseLess>;

// The tables a pass works on: DataSetHistory, DataSetLogins,
// DataSetTransactions and the clone cursor over the transactions.
struct PassTables {
  Table& history;
  Table& logins;
  Table& transactions;
  Cursor& transactionsClone;
};

// The lists a pass fills for its caller: the computer-runs tree (extended
// only when buildTree is set, untouched otherwise), the paths of the program
// rows and the users of the login rows.
struct PassLists {
  bool buildTree = false;
  TArrRecComputerRun& runs;
  SortedTextList& programsFetched;
  SortedTextList& historyUsers;
};

struct PassState {
  PassState(const PassTables& tablesIn, Clock& clockIn, EventLog& eventLogIn, ListedRows& listedIn,
            const PassLists& lists, DateTime dateOfCalcIn)
      : tables(tablesIn),
        clock(clockIn),
        eventLog(eventLogIn),
        listed(listedIn),
        buildTree(lists.buildTree),
        runs(lists.runs),
        programsFetched(lists.programsFetched),
        historyUsers(lists.historyUsers),
        dateOfCalc(dateOfCalcIn) {}

  PassTables tables;
  Clock& clock;
  EventLog& eventLog;
  ListedRows& listed;
  bool buildTree;
  TArrRecComputerRun& runs;
  SortedTextList& programsFetched;
  SortedTextList& historyUsers;
  DateTime dateOfCalc;

  KeyedList<TRecUptimeEntry> openEntries;
  KeyedList<TRecLoginEntry> openLogins;
  TextKeySet hungRowKeys;
  TextKeySet cleanRowKeys;

  std::int64_t runId = 1;
  std::size_t historyMark = 0;
  std::size_t loginsMark = 0;
  DateTime currentTime = ZeroDateTime;
  DateTime previousTime = ZeroDateTime;
  DateTime latestWindowsStart = NullDate;
  DateTime initialBootTime = NullDate;
  bool windowsEntrySeen = false;
  // The local moment of the last Windows stop handled, when no Windows start
  // came after it; NullDate otherwise.
  DateTime windowsStoppedAt = NullDate;
  bool resumePending = false;
  std::int64_t runIdleSeconds = 0;
  bool readingText = false;

  // Where bad log lines are reported, and how many more get an entry.
  DiagnosticLog* diagnostics = nullptr;
  DiagnosticQuota diagnosticQuota;

  // The Application log, read when the hang check first needs it.
  std::optional<std::vector<EventLogRecord>> applicationLog;
};

}  // namespace brenvik

namespace brenvik {

// Adds to a 32-bit figure with the wrap-around of 32-bit arithmetic, so that
// absurd input gives absurd figures but never undefined behaviour.
inline void AddWrapped(std::int32_t& figure, std::int64_t amount) {
  figure = static_cast<std::int32_t>(static_cast<std::uint32_t>(figure) +
                                     static_cast<std::uint32_t>(amount));
}

}  // namespace brenvik
