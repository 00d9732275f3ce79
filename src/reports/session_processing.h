// The processing pass as one running program (the window or brenvik-cli)
// runs it over its tables: the pass's callers all go through here. The unit
// owns what the passes fill and what lives from one pass to the next: the
// row counters of the tables (listed rows), the users and the program paths
// found in the history (gslHistoryUsers, gslProgramsFetchedFromDB) and the
// computer-runs tree (gArrCompRuns), which only the login report's pass
// extends. The tree's records stay valid until the next tree-building pass
// or the end of the unit; whoever shows them must let go before either.
//
// The statistics refresh takes it as its StatisticsProcessing (no tree); the
// two browse commands take its BrowseHooks, whose pass runs on a copy of the
// run's start and does not write it back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "datastore/pass/pass_state.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/tables.h"
#include "platform/platform.h"
#include "records/records.h"
#include "records/sorted_text_list.h"
#include "reports/report_browse.h"
#include "statistics/win_statistics.h"

namespace brenvik {

class SessionProcessing : public StatisticsProcessing {
 public:
  // platform, tables and diagnostics (where the passes note the lines they
  // could not read) must outlive the unit; dataFolder ends with a separator.
  SessionProcessing(Platform& platform, DataTables& tables, std::string dataFolder,
                    DiagnosticLog& diagnostics);
  SessionProcessing(const SessionProcessing&) = delete;
  SessionProcessing& operator=(const SessionProcessing&) = delete;

  // The pass of the statistics refresh: no tree. Returns the local start of
  // the latest Windows row the pass wrote, else startDateTime.
  DateTime ProcessTransactions(std::int32_t& failureCount, DateTime startDateTime,
                               DateTime dateOfCalc) override;
  // The pass with tree building as asked; the same result.
  DateTime RunPass(bool buildTree, std::int32_t& failureCount, DateTime startDateTime,
                   DateTime dateOfCalc);

  // The browse commands' pass and lists. startOfRun is read at each pass
  // (runStart of the caller's statistics) and must outlive the hooks.
  // The message box, the busy calls and the out-of-date notice of an open
  // uptime report are the caller's to add.
  BrowseHooks Hooks(const DateTime& startOfRun);
  BrowseHooks Hooks(const DateTime&& startOfRun) = delete;

  TArrRecComputerRun& ComputerRuns() { return runs_; }  // gArrCompRuns
  std::vector<std::string> HistoryUsers() const;
  std::vector<std::string> HistoryPrograms() const;

 private:
  Platform& platform_;
  DataTables& tables_;
  std::string dataFolder_;
  DiagnosticLog& diagnostics_;
  ListedRows listedRows_;
  SortedTextList historyUsers_;
  SortedTextList programsFetched_;
  TArrRecComputerRun runs_;
  // The runs argument of the passes without tree; they leave it alone.
  TArrRecComputerRun spareRuns_;
};

}  // namespace brenvik
