#include "cli/cli_main.h"

#include <filesystem>
#include <memory>

#include "base/errors.h"
#include "base/file_io.h"
#include "cli/cli_clock.h"
#include "cli/cli_commands.h"
#include "cli/cli_daily.h"
#include "cli/cli_metrics.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "datastore/import/file_event_log.h"
#include "datastore/startup/startup.h"

namespace brenvik::cli {
namespace {

// Puts the clock of --now / --uptime and the event-log files of --events /
// --app-events into the platform for the run, and the platform's own parts
// back afterwards.
class PlatformOverrides {
 public:
  PlatformOverrides(Platform& platform, const GlobalOptions& g) : platform_(platform) {
    systemClock_ = std::move(platform_.clock);
    platform_.clock = std::make_unique<CommandLineClock>(*systemClock_, g.now, g.uptime);
    if (g.events || g.appEvents) {
      systemEventLog_ = std::move(platform_.eventLog);
      auto files =
          std::make_unique<FileEventLog>(std::make_unique<ForwardingEventLog>(*systemEventLog_));
      if (g.events) files->SetFile(EventLogName::System, *g.events);
      if (g.appEvents) files->SetFile(EventLogName::Application, *g.appEvents);
      platform_.eventLog = std::move(files);
    }
  }
  ~PlatformOverrides() {
    platform_.clock = std::move(systemClock_);
    if (systemEventLog_) platform_.eventLog = std::move(systemEventLog_);
  }
  PlatformOverrides(const PlatformOverrides&) = delete;
  PlatformOverrides& operator=(const PlatformOverrides&) = delete;

 private:
  // The platform's log, read for the logs that are given no file.
  class ForwardingEventLog : public EventLog {
   public:
    explicit ForwardingEventLog(EventLog& log) : log_(log) {}
    std::vector<EventLogRecord> ReadAll(EventLogName log) override { return log_.ReadAll(log); }

   private:
    EventLog& log_;
  };

  Platform& platform_;
  std::unique_ptr<Clock> systemClock_;
  std::unique_ptr<EventLog> systemEventLog_;
};

// --root names the folder above Settings/ and Data/.
std::string RootFolder(const std::string& root) {
  std::string folder = FromFsPath(std::filesystem::absolute(ToFsPath(root)));
  if (folder.back() != '/' && folder.back() != '\\') folder += PathSeparator();
  return folder;
}

void RunCommand(const CommandLine& line, Session& session, std::ostream& out, std::ostream& err) {
  switch (line.command) {
    case Command::UptimeReport:
      RunUptimeReport(session, out, line.format);
      break;
    case Command::History:
      RunHistory(session, line.history, out, line.format);
      break;
    case Command::Logins:
      RunLogins(session, line.logins, out, line.format);
      break;
    case Command::ImportEventLog:
      RunImportEventLog(session, line.import, out);
      break;
    case Command::WatchList:
      RunWatchList(session, out);
      break;
    case Command::WatchAdd:
      RunWatchAdd(session, line.paths);
      break;
    case Command::WatchRemove:
      RunWatchRemove(session, line.paths, err);
      break;
    case Command::Daily:
      RunDaily(session, line.daily, line.format, out);
      break;
    case Command::Metrics:
      RunMetrics(session, line.metrics, out);
      break;
    case Command::Help:
    case Command::Version:
      break;
  }
}

int RunOnTree(const CommandLine& line, Platform& platform, std::ostream& out, std::ostream& err) {
  PlatformOverrides overrides(platform, line.global);
  const DataFolders folders =
      line.global.root ? InitDataFoldersAt(*platform.files, RootFolder(*line.global.root))
                       : InitDataFolders(platform);
  if (!DirectoryExists(folders.dataFolder))
    throw FileError("Cannot create the data folder \"" + folders.dataFolder + "\"");
  if (!platform.singleInstance->LockDataTree(folders.dataFolder)) {
    // A tree that is held has its lock file; without one the folder refused it.
    if (!FileExists(folders.dataFolder + kDataTreeLockFile))
      throw FileError("Cannot create the lock file in \"" + folders.dataFolder + "\"");
    err << kAlreadyRunningMessage << "\n";
    return kExitTreeInUse;
  }
  Session session(platform, folders, err, line.global.now.has_value());
  // The uptime report refreshes the statistics first: a refresh at the
  // start as well would do the same work twice.
  session.Start(line.command != Command::UptimeReport);
  if (session.EndAfterStartUp()) {
    session.Close();
    return kExitError;
  }
  RunCommand(line, session, out, err);
  session.Close();
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, Platform& platform, std::ostream& out,
           std::ostream& err) {
  CommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const UsageError& error) {
    err << "brenvik-cli: " << error.what() << "\n" << UsageLine() << "\n";
    return kExitUsage;
  }
  if (line.command == Command::Help) {
    out << HelpText();
    return kExitOk;
  }
  if (line.command == Command::Version) {
    out << VersionLine();
    return kExitOk;
  }
  try {
    return RunOnTree(line, platform, out, err);
  } catch (const std::exception& error) {
    err << "brenvik-cli: " << error.what() << "\n";
    return kExitError;
  }
}

}  // namespace brenvik::cli
