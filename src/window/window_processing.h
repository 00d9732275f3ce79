// The processing pass as the window's statistics refresh runs it: over the
// window's three tables and clones, with the service link of the data folder,
// the platform's event log and accounts, and the lists the pass fills (the
// users and the programs found in the history, kept for the pick lists). No
// computer-runs tree is built here.
#pragma once

#include <string>

#include "datastore/pass_state.h"
#include "datastore/tables.h"
#include "platform/platform.h"
#include "records/records.h"
#include "records/sorted_text_list.h"
#include "statistics/win_statistics.h"

namespace brenvik {

class WindowProcessing : public StatisticsProcessing {
 public:
  WindowProcessing(Platform& platform, DataTables& tables, std::string dataFolder);

  // Returns the start of the latest Windows row the pass wrote, else the
  // start it was given.
  DateTime ProcessTransactions(std::int32_t& failureCount, DateTime startDateTime,
                               DateTime dateOfCalc) override;

  const SortedTextList& gslHistoryUsers() const { return historyUsers_; }
  const SortedTextList& gslProgramsFetched() const { return programsFetched_; }

 private:
  Platform& platform_;
  DataTables& tables_;
  std::string dataFolder_;
  ListedRows listedRows_;
  SortedTextList historyUsers_;
  SortedTextList programsFetched_;
  TArrRecComputerRun spareRuns_;
};

}  // namespace brenvik
