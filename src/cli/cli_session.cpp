#include "cli/cli_session.h"

#include "base/errors.h"
#include "cli/cli_clock.h"
#include "datastore/service_link/diagnostic_log.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"

namespace brenvik::cli {
namespace {

inline constexpr const char* kDiagnosticLogFile = "UptimeLog.dat";

}  // namespace

Session::Session(Platform& platform, DataFolders folders, std::ostream& messages,
                 bool clockStandsStill)
    : platform_(platform),
      folders_(std::move(folders)),
      messages_(messages),
      locale_(platform.locale->Current()),
      processing_(platform, tables_, folders_.dataFolder, diagnostics_),
      cache_(*platform.versionResources, nullptr),
      watched_(WatchedProgramsParts{*platform.registry, *platform.servicePipe, *platform.shell,
                                    *platform.versionResources, *platform.files, nullptr,
                                    folders_.settingsFolder, folders_.dataFolder}),
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
void Session::Start(bool refreshStatistics) {
  diagnostics_.SetLogFile(files(), folders_.dataFolder + kDiagnosticLogFile);
  stats_ = WinStatistics{};
  tables_.historyCalcHandler = MakeHistoryCalcHandler(directory_);
  OpenTables(tables_, ServiceLink{*platform_.servicePipe, clock(), files(), folders_.dataFolder},
             *this);
  // Only tables that opened are written back: a failed open must not put
  // empty tables over the backups.
  open_ = true;
  InitAppFormatSettings(locale_);
  stats_ = InitialWinStatistics(clock());
  LoadWatchedPrograms();
  if (refreshStatistics) FetchWinStatistics(stats_, NowWholeSeconds(clock()), services());
}

void Session::Close() {
  open_ = false;
  CloseTablesAndBackup(tables_, files(), folders_.dataFolder);
}

// Programs whose version resource cannot be read are still watched; what
// went wrong goes to the diagnostic log, as nothing is shown at start-up.
void Session::LoadWatchedPrograms() {
  for (const std::string& problem : watched_.LoadFromRegistry()) {
    diagnostics_.AddLogEntry(DateTimeToString(NowWholeSeconds(clock()), AppFormatSettings()),
                             "procedure LoadEnvironment", problem);
  }
}

Clock& Session::filterClock() { return steppingClock_ ? *steppingClock_ : clock(); }

StatisticsServices Session::services() {
  return StatisticsServices{clock(), processing_, windowsHistory_, *this, locale_};
}

std::vector<std::string> Session::HistoryUsers() const { return processing_.HistoryUsers(); }
std::vector<std::string> Session::HistoryPrograms() const { return processing_.HistoryPrograms(); }

// Message boxes become lines on the terminal.
void Session::ShowMessage(const std::string& text) {
  std::string lines = text;
  for (std::size_t at; (at = lines.find("\r\n")) != std::string::npos;) lines.erase(at, 1);
  messages_ << lines << "\n";
}

// The reports' passes get a copy of runStart and do not write it back.
BrowseHooks Session::browseHooks() {
  BrowseHooks hooks = processing_.Hooks(stats_.runStart);
  hooks.showMessage = [this](const std::string& text) { ShowMessage(text); };
  hooks.uptimeReportOutOfDate = [this] {
    ResetUptimeHistory(uptimeReport_, UptimeReportReset::OutOfDate);
  };
  return hooks;
}

}  // namespace brenvik::cli
