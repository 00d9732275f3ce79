#include "datastore/pass/processing_pass.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/pass/history_prescan.h"
#include "datastore/pass/login_processing.h"
#include "datastore/pass/pass_tables.h"
#include "datastore/pass/transaction_loop.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/service_link/log_line_reader.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/table_group.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

// The mark of the hand-over text for the lines from unprocessedFrom (a
// 1-based position in the whole text) on.
HandOverMark MarkOf(const FetchedLines& fetched, int unprocessedFrom) {
  return fetched.whole.Mark(static_cast<std::uint64_t>(std::max(unprocessedFrom, 1)));
}

// The three tables and the hand-over text they took in, as one commit of
// their change log; tables without one are written one after the other.
void CommitPass(PassTables& tables, const HandOverMark& mark) {
  TableGroup* group = tables.history.Group();
  if (group && tables.logins.Group() == group && tables.transactions.Group() == group) {
    group->Commit({&tables.transactions, &tables.history, &tables.logins}, mark);
    return;
  }
  tables.transactions.Save();
  tables.history.Save();
  tables.logins.Save();
}

// A pass that committed but ended before it settled the hand-over file (a
// crash, a failed delete) left the text it took in: it is settled now as
// that pass would have, instead of being taken in a second time.
void SettleCommittedHandOver(const ServiceLink& link, TableGroup* group) {
  if (!group || !group->Log().LastHandOver()) return;
  SettleHandOverFile(link, *group->Log().LastHandOver(), false);
}

// Step 9. When the tables cannot be written, the hand-over file is still
// settled (the tables in memory hold the lines; handing them over again
// would count them twice) and the write error is raised afterwards.
void FinishPass(PassState& state, const ServiceLink& link, const HandOverMark& mark) {
  state.openEntries.Clear();
  state.openLogins.Clear();
  state.hungRowKeys.clear();
  state.cleanRowKeys.clear();
  state.applicationLog.reset();
  std::exception_ptr failure;
  try {
    ReduceHeartbeats(state.tables.transactions);
    CommitPass(state.tables, mark);
  } catch (...) {
    failure = std::current_exception();
  }
  SettleHandOverFile(link, mark, true);
  if (state.diagnostics) {
    try {
      NoteWithheldDiagnostics(
          LineDiagnostics{*state.diagnostics, state.clock, &state.diagnosticQuota});
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void NoteFinishingError(const PassEnvironment& env, const std::string& what) {
  try {
    env.diagnostics.AddLogEntry(
        DateTimeToString(NowWholeSeconds(env.link.clock), AppFormatSettings()),
        "function ProcessTransactions", what);
  } catch (const Error&) {
    // Nothing more can be done; the pass's own error is on its way.
  }
}

}  // namespace

void ReduceHeartbeats(Table& transactions) {
  transactions.First();  // posts a pending edit
  const TableStore& rows = transactions.Rows();
  std::vector<std::size_t> repeated;
  for (std::size_t row = 0; row + 1 < rows.RowCount(); ++row) {
    if (!rows.IsNull(row, transact::kEventType) && !rows.IsNull(row + 1, transact::kEventType) &&
        rows.IntegerAt(row, transact::kEventType) == kEventHeartbeat &&
        rows.IntegerAt(row + 1, transact::kEventType) == kEventHeartbeat) {
      repeated.push_back(row);
    }
  }
  try {
    DeleteRows(transactions, repeated);
  } catch (const TableError&) {
    // The rows stay; the next pass reduces them.
  }
}

void ProcessTransactions(const PassEnvironment& env, Table& history, Table& logins,
                         Table& transactions, bool buildTree, TArrRecComputerRun& runs,
                         std::int32_t& failureCount, DateTime& startDateTime,
                         SortedTextList& programsFetched, SortedTextList& historyUsers,
                         Cursor& transactionsClone, DateTime dateOfCalc) {
  SettleCommittedHandOver(env.link, history.Group());
  const FetchedLines fetched = FetchLogLines(env.link, failureCount);
  const std::string& text = fetched.text;
  // The saves within the pass (the pre-scans') become part of its commit.
  TableGroup::PassScope holdSaves(history.Group());
  PassState state(PassTables{history, logins, transactions, transactionsClone}, env.link.clock,
                  env.eventLog, env.listedRows, buildTree, runs, programsFetched, historyUsers,
                  dateOfCalc);
  state.diagnostics = &env.diagnostics;
  OpenForPass(history);
  OpenForPass(transactions);
  HistoryPreScan(state);
  LoginsPreScan(state);

  TextProgress progress;
  try {
    RunTransactionLoop(state, text, progress);
    FinishText(state, startDateTime, env.accounts, env.link.clock);
  } catch (...) {
    // The first error is the one the caller reports; a second one while
    // finishing goes to the diagnostic log.
    try {
      FinishPass(state, env.link, MarkOf(fetched, progress.UnstoredFrom()));
    } catch (const std::exception& second) {
      NoteFinishingError(env, second.what());
    }
    throw;
  }
  FinishPass(state, env.link, MarkOf(fetched, static_cast<int>(text.size()) + 1));
}

}  // namespace brenvik
