// One run of brenvik-cli over a data tree, begun and ended as the main
// window begins and ends: Start() does what window creation does with the
// data (the diagnostic log, the tables opened with their recovery, the
// program's date formats, the start of the current run from the system's
// uptime, the watched programs, and the first statistics refresh with its
// processing pass); Close() does what window destruction does (the tables
// written and copied to the backups). A session that is destroyed without
// Close() closes itself, so a failing command still leaves the tables saved.
//
// The session owns what the window owns for its lifetime: the tables, the
// statistics, the computer-runs tree, the lists the passes fill, the program
// cache and the watched list. Messages that the window shows in a message
// box go to the stream given.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/startup.h"
#include "datastore/startup/tables.h"
#include "platform/platform.h"
#include "programs/program_cache.h"
#include "programs/watched_programs.h"
#include "records/records.h"
#include "reports/report_browse.h"
#include "reports/session_processing.h"
#include "reports/uptime/program_directory.h"
#include "reports/uptime/uptime_report.h"
#include "statistics/history_summary_rows.h"
#include "statistics/win_statistics.h"

namespace brenvik::cli {

class Session : private StatisticsHost, private Messages {
 public:
  // platform and messages must outlive the session. clockStandsStill: the
  // platform's clock does not move (--now), so waits for a new moment step
  // the time on instead.
  Session(Platform& platform, DataFolders folders, std::ostream& messages, bool clockStandsStill);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // refreshStatistics false leaves out the first statistics refresh (with
  // its processing pass), for a command that begins with one of its own.
  void Start(bool refreshStatistics = true);
  void Close();
  // The table recovery could not reach the service: like the window, the
  // session ends once the start-up is over.
  bool EndAfterStartUp() const { return tables_.endAfterStartUp; }

  Platform& platform() { return platform_; }
  Clock& clock() { return *platform_.clock; }
  FileSystem& files() { return *platform_.files; }
  // The clock for the store of last-used filters (see cli_clock.h).
  Clock& filterClock();
  const LocaleInfo& locale() const { return locale_; }
  const DataFolders& folders() const { return folders_; }
  DataTables& tables() { return tables_; }
  WinStatistics& statistics() { return stats_; }
  StatisticsServices services();
  WatchedPrograms& watched() { return watched_; }
  ProgramDirectory& programs() { return directory_; }
  TArrRecComputerRun& computerRuns() { return processing_.ComputerRuns(); }
  UptimeReportState& uptimeReport() { return uptimeReport_; }

  // gslHistoryUsers and gslProgramsFetchedFromDB as the passes left them.
  std::vector<std::string> HistoryUsers() const;
  std::vector<std::string> HistoryPrograms() const;
  // The processing pass and the message box, as the browse commands take them.
  BrowseHooks browseHooks();

  // A message box of the window.
  void ShowMessage(const std::string& text) override;

 private:
  // StatisticsHost: there is no loading panel to show.
  void BeginBusy(const std::string&) override {}
  void EndBusy() override {}
  void UptimeReportOutOfDate() override {
    ResetUptimeHistory(uptimeReport_, UptimeReportReset::OutOfDate);
  }

  void LoadWatchedPrograms();

  Platform& platform_;
  DataFolders folders_;
  std::ostream& messages_;
  LocaleInfo locale_;
  std::unique_ptr<Clock> steppingClock_;
  bool open_ = false;

  DiagnosticLog diagnostics_;  // UptimeLog.dat
  DataTables tables_;
  WinStatistics stats_;
  UptimeReportState uptimeReport_;
  SessionProcessing processing_;
  ProgramCache cache_;
  WatchedPrograms watched_;
  TrackedProgramDirectory directory_;
  TableWindowsHistory windowsHistory_;
};

}  // namespace brenvik::cli
