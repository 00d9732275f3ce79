#include "window/window_processing.h"

#include "datastore/diagnostic_log.h"
#include "datastore/processing_pass.h"

namespace brenvik {

WindowProcessing::WindowProcessing(Platform& platform, DataTables& tables, std::string dataFolder)
    : platform_(platform), tables_(tables), dataFolder_(std::move(dataFolder)) {}

DateTime WindowProcessing::ProcessTransactions(std::int32_t& failureCount, DateTime startDateTime,
                                               DateTime dateOfCalc) {
  const PassEnvironment env{
      ServiceLink{*platform_.servicePipe, *platform_.clock, dataFolder_}, *platform_.eventLog,
      *platform_.accounts, listedRows_, ProcessDiagnosticLog()};
  spareRuns_.clear();
  DateTime start = startDateTime;
  brenvik::ProcessTransactions(env, tables_.DataSetHistory, tables_.DataSetLogins,
                               tables_.DataSetTransactions, false, spareRuns_, failureCount, start,
                               programsFetched_, historyUsers_, *tables_.DataSetTransactionsClone,
                               dateOfCalc);
  return start;
}

}  // namespace brenvik
