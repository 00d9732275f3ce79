#include "reports/session_processing.h"

#include "datastore/pass/processing_pass.h"
#include "datastore/service_link/diagnostic_log.h"

namespace brenvik {
namespace {

std::vector<std::string> Items(const SortedTextList& list) { return {list.begin(), list.end()}; }

}  // namespace

SessionProcessing::SessionProcessing(Platform& platform, DataTables& tables, std::string dataFolder,
                                     DiagnosticLog& diagnostics)
    : platform_(platform),
      tables_(tables),
      dataFolder_(std::move(dataFolder)),
      diagnostics_(diagnostics) {}

DateTime SessionProcessing::ProcessTransactions(std::int32_t& failureCount, DateTime startDateTime,
                                                DateTime dateOfCalc) {
  return RunPass(false, failureCount, startDateTime, dateOfCalc);
}

DateTime SessionProcessing::RunPass(bool buildTree, std::int32_t& failureCount,
                                    DateTime startDateTime, DateTime dateOfCalc) {
  const PassEnvironment env{
      ServiceLink{*platform_.servicePipe, *platform_.clock, *platform_.files, dataFolder_},
      *platform_.eventLog, *platform_.accounts, listedRows_, diagnostics_};
  DateTime latestStart = startDateTime;
  const PassLists lists{.buildTree = buildTree,
                        .runs = buildTree ? runs_ : spareRuns_,
                        .programsFetched = programsFetched_,
                        .historyUsers = historyUsers_};
  brenvik::ProcessTransactions(env, PassTablesOf(tables_), lists, failureCount, latestStart,
                               dateOfCalc);
  return latestStart;
}

BrowseHooks SessionProcessing::Hooks(const DateTime& startOfRun) {
  BrowseHooks hooks;
  hooks.processTransactions = [this, &startOfRun](bool buildTree, std::int32_t& failureCount,
                                                  DateTime now) {
    RunPass(buildTree, failureCount, startOfRun, now);
  };
  hooks.historyUsers = [this] { return HistoryUsers(); };
  hooks.historyPrograms = [this] { return HistoryPrograms(); };
  return hooks;
}

std::vector<std::string> SessionProcessing::HistoryUsers() const { return Items(historyUsers_); }
std::vector<std::string> SessionProcessing::HistoryPrograms() const {
  return Items(programsFetched_);
}

}  // namespace brenvik
