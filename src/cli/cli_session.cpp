#include "cli/cli_session.h"

#include "base/errors.h"
#include "cli/cli_clock.h"
#include "datastore/diagnostic_log.h"
#include "datastore/processing_pass.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"

namespace brenvik::cli {
namespace {

inline constexpr const char* kDiagnosticLogFile = "UptimeLog.dat";

std::vector<std::string> Items(const SortedTextList& list) { return {list.begin(), list.end()}; }

}  // namespace

Session::Session(Platform& platform, DataFolders folders, std::ostream& messages,
                 bool clockStandsStill)
    : platform_(platform),
      folders_(std::move(folders)),
      messages_(messages),
      locale_(platform.locale->Current()),
      cache_(*platform.versionResources, nullptr),
      watched_(WatchedProgramsParts{*platform.registry, *platform.servicePipe, *platform.shell,
                                    *platform.versionResources, nullptr, folders_.settingsFolder,
                                    folders_.dataFolder}),
      directory_(*platform.versionResources, cache_, watched_),
      windowsHistory_(tables_) {
  if (clockStandsStill) steppingClock_ = std::make_unique<SteppingClock>(*platform_.clock);
}

Session::~Session() {
  if (!open_) return;
  try {
    Close();
  } catch (const std::exception& error) {
    messages_ << "brenvik-cli: " << error.what() << "\n";
  }
}

// The data steps of window creation, in its order.
void Session::Start() {
  ProcessDiagnosticLog().SetLogFile(folders_.dataFolder + kDiagnosticLogFile);
  stats_ = WinStatistics{};
  tables_.historyCalcHandler = MakeHistoryCalcHandler(directory_);
  OpenTables(tables_, ServiceLink{*platform_.servicePipe, clock(), folders_.dataFolder}, *this);
  // Only tables that opened are written back: a failed open must not put
  // empty tables over the backups.
  open_ = true;
  InitAppFormatSettings(locale_);
  stats_ = InitialWinStatistics(clock());
  LoadWatchedPrograms();
  FetchWinStatistics(stats_, NowWholeSeconds(clock()), services());
}

void Session::Close() {
  open_ = false;
  CloseTablesAndBackup(tables_, folders_.dataFolder);
}

// Programs whose version resource cannot be read are still watched; what
// went wrong goes to the diagnostic log, as nothing is shown at start-up.
void Session::LoadWatchedPrograms() {
  for (const std::string& problem : watched_.LoadFromRegistry()) {
    ProcessDiagnosticLog().AddLogEntry(
        DateTimeToString(NowWholeSeconds(clock()), AppFormatSettings()),
        "procedure LoadEnvironment", problem);
  }
}

Clock& Session::filterClock() { return steppingClock_ ? *steppingClock_ : clock(); }

StatisticsServices Session::services() {
  return StatisticsServices{clock(), *this, windowsHistory_, *this, locale_};
}

std::vector<std::string> Session::HistoryUsers() const { return Items(historyUsers_); }
std::vector<std::string> Session::HistoryPrograms() const { return Items(programsFetched_); }

// Message boxes become lines on the terminal.
void Session::ShowMessage(const std::string& text) {
  std::string lines = text;
  for (std::size_t at; (at = lines.find("\r\n")) != std::string::npos;) lines.erase(at, 1);
  messages_ << lines << "\n";
}

void Session::RunPass(bool buildTree, std::int32_t& failureCount, DateTime startDateTime,
                      DateTime dateOfCalc, DateTime& latestStart) {
  const PassEnvironment env{ServiceLink{*platform_.servicePipe, clock(), folders_.dataFolder},
                            *platform_.eventLog, *platform_.accounts, listedRows_,
                            ProcessDiagnosticLog()};
  latestStart = startDateTime;
  brenvik::ProcessTransactions(
      env, tables_.DataSetHistory, tables_.DataSetLogins, tables_.DataSetTransactions, buildTree,
      buildTree ? gArrCompRuns_ : spareRuns_, failureCount, latestStart, programsFetched_,
      historyUsers_, *tables_.DataSetTransactionsClone, dateOfCalc);
}

DateTime Session::ProcessTransactions(std::int32_t& failureCount, DateTime startDateTime,
                                      DateTime dateOfCalc) {
  DateTime latestStart = startDateTime;
  RunPass(false, failureCount, startDateTime, dateOfCalc, latestStart);
  return latestStart;
}

// The reports' passes get a copy of gStartDateTime and do not write it back.
BrowseHooks Session::browseHooks() {
  BrowseHooks hooks;
  hooks.processTransactions = [this](bool buildTree, std::int32_t& failureCount, DateTime now) {
    DateTime discarded = stats_.gStartDateTime;
    RunPass(buildTree, failureCount, stats_.gStartDateTime, now, discarded);
  };
  hooks.historyUsers = [this] { return HistoryUsers(); };
  hooks.historyPrograms = [this] { return HistoryPrograms(); };
  hooks.showMessage = [this](const std::string& text) { ShowMessage(text); };
  return hooks;
}

}  // namespace brenvik::cli
