#include "datastore/pass/processing_pass.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <vector>

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

// The change log the three tables share; null when they have none.
TableGroup* SharedGroup(const PassTables& tables) {
  TableGroup* group = tables.history.Group();
  if (group && tables.logins.Group() == group && tables.transactions.Group() == group) {
    return group;
  }
  return nullptr;
}

std::vector<Table*> AllOf(PassTables& tables) {
  return {&tables.transactions, &tables.history, &tables.logins};
}

// The three tables and the hand-over text they took in, as one commit of
// their change log; tables without one are written one after the other.
// A pass that took in nothing and found only derived changes before it
// (keepDerived) writes nothing: its rows wait in memory.
void CommitPass(PassTables& tables, const HandOverMark& mark, bool keepDerived) {
  if (TableGroup* group = SharedGroup(tables)) {
    if (keepDerived) {
      group->KeepDerivedChanges(AllOf(tables));
    } else {
      group->Commit(AllOf(tables), mark);
    }
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
void FinishPass(PassState& state, const ServiceLink& link, const HandOverMark& mark,
                bool keepDerived) {
  state.openEntries.Clear();
  state.openLogins.Clear();
  state.hungRowKeys.clear();
  state.cleanRowKeys.clear();
  state.applicationLog.reset();
  std::exception_ptr failure;
  try {
    ReduceHeartbeats(state.tables.transactions);
    CommitPass(state.tables, mark, keepDerived);
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

PassTables PassTablesOf(DataTables& tables) {
  return PassTables{tables.DataSetHistory, tables.DataSetLogins, tables.DataSetTransactions,
                    *tables.DataSetTransactionsClone};
}

void ProcessTransactions(const PassEnvironment& env, const PassTables& tables,
                         const PassLists& lists, std::int32_t& failureCount,
                         DateTime& startDateTime, DateTime dateOfCalc) {
  SettleCommittedHandOver(env.link, tables.history.Group());
  const FetchedLines fetched = FetchLogLines(env.link, failureCount);
  const std::string& text = fetched.text;
  // The saves within the pass (the pre-scans') become part of its commit.
  TableGroup::PassScope holdSaves(tables.history.Group());
  PassState state(tables, env.link.clock, env.eventLog, env.listedRows, lists, dateOfCalc);
  // Nothing new and nothing durable waiting: the pass only rebuilds derived rows.
  TableGroup* group = SharedGroup(state.tables);
  const bool keepDerived =
      fetched.whole.length == 0 && group && group->HoldsOnlyDerivedChanges(AllOf(state.tables));
  state.diagnostics = &env.diagnostics;
  OpenForPass(tables.history);
  OpenForPass(tables.transactions);
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
      FinishPass(state, env.link, MarkOf(fetched, progress.UnstoredFrom()), keepDerived);
    } catch (const std::exception& second) {
      NoteFinishingError(env, second.what());
    }
    throw;
  }
  FinishPass(state, env.link, MarkOf(fetched, static_cast<int>(text.size()) + 1), keepDerived);
}

}  // namespace brenvik
