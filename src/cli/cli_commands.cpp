#include "cli/cli_commands.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "cli/cli_report_json.h"
#include "datastore/import/event_log_import.h"
#include "records/time_arithmetic.h"
#include "reports/date_ranges.h"
#include "reports/logins/login_export.h"
#include "reports/uptime/saved_filters.h"
#include "reports/uptime/uptime_export.h"
#include "statistics/uptime_report_text.h"

namespace brenvik::cli {
namespace {

// The texts of the window end their lines with CR LF; so does what is
// printed after them.
constexpr const char* kLineBreak = "\r\n";

DateTime TimeOfDay(DateTime moment) { return moment - DateOnly(moment); }

// Ticks exactly the keys given; a key the list does not hold is an error,
// since leaving it unticked would widen the report without a word.
void TickKeys(PickList& list, const std::vector<std::string>& keys, const std::string& what) {
  for (const std::string& key : keys) {
    const auto& rows = list.Rows();
    const bool listed =
        std::any_of(rows.begin(), rows.end(), [&](const PickRow& row) { return row.key == key; });
    if (!listed) throw Error("no " + what + " \"" + key + "\" in the " + what + " list");
  }
  list.TickExactly(keys);
}

std::vector<std::string> ProgramPaths(const std::vector<std::string>& paths) {
  std::vector<std::string> result;
  result.reserve(paths.size());
  for (const std::string& path : paths) result.push_back(ProgramPath(path));
  return result;
}

// A program argument that names a row of the list exactly is taken as it is,
// so that a program recorded under another system's path form (data copied
// from Windows) can be picked; any other is made absolute.
std::vector<std::string> ListedProgramPaths(const PickList& list,
                                            const std::vector<std::string>& paths) {
  std::vector<std::string> result;
  const auto& rows = list.Rows();
  for (const std::string& path : paths) {
    const bool listed =
        std::any_of(rows.begin(), rows.end(), [&](const PickRow& row) { return row.key == path; });
    result.push_back(listed ? path : ProgramPath(path));
  }
  return result;
}

bool ExactlyWatched(const WatchedPrograms& watched, const std::string& path) {
  const auto& programs = watched.Programs();
  return std::any_of(programs.begin(), programs.end(),
                     [&](const TRecProgramme& p) { return p.rLongExePath == path; });
}

}  // namespace

std::string ProgramPath(const std::string& path) {
  const std::filesystem::path fsPath = ToFsPath(path);
  if (fsPath.is_absolute()) return path;
  return FromFsPath(std::filesystem::absolute(fsPath).lexically_normal());
}

void RunUptimeReport(Session& session, std::ostream& out, OutputFormat format) {
  if (format == OutputFormat::Json) {
    const DateTime now = NowWholeSeconds(session.clock());
    RefreshWinStats(session.statistics(), session.services());
    out << DumpJson(UptimeReportJson(session.statistics(), now, session.clock()));
    return;
  }
  out << CopyUptimeReport(session.statistics(), session.services()) << kLineBreak;
}

void ApplyHistoryOptions(const HistoryOptions& o, UptimeFilterSettings& s) {
  if (o.sourceWindows) {
    s.sourceEnabled = true;
    s.sourceWindows = *o.sourceWindows;
  }
  TickKeys(s.programs, ListedProgramPaths(s.programs, o.programs), "program");
  if (o.time.period) {
    s.timeEnabled = true;
    s.timePredefined = true;
    s.periodIndex = *o.time.period;
  }
  if (o.time.after || o.time.before) {
    s.timeEnabled = true;
    s.timePredefined = false;
  }
  if (o.time.after) {
    s.afterTicked = true;
    s.afterDate = DateOnly(*o.time.after);
    s.afterTime = TimeOfDay(*o.time.after);
  }
  if (o.time.before) {
    s.beforeTicked = true;
    s.beforeDate = DateOnly(*o.time.before);
    s.beforeTime = TimeOfDay(*o.time.before);
  }
  if (o.closedOk) {
    s.eventEnabled = true;
    s.eventClosedOk = *o.closedOk;
  }
  if (!o.users.empty()) {
    s.userEnabled = true;
    TickKeys(s.users, o.users, "user");
  }
}

void RunHistory(Session& session, const HistoryOptions& options, std::ostream& out,
                OutputFormat format) {
  // The pick lists as the start-up leaves them, then the settings asked for.
  UptimeFilterSettings settings;
  settings.programs.RebuildPrograms(session.programs(), session.HistoryPrograms());
  settings.users.RebuildUsers(session.HistoryUsers());
  ApplyHistoryOptions(options, settings);

  const int firstDay = session.locale().firstDayOfWeek;
  const std::vector<std::string> periods = PeriodItems(firstDay);
  FilterStore filters(session.files(), session.folders().settingsFolder, session.filterClock(),
                      session.locale(), session.programs(), periods);
  Cursor& report = *session.tables().DataSetHistoryClone;
  UptimeReportState& state = session.uptimeReport();
  BrowseUptimeHistory(
      settings, state, session.statistics().serviceFailureCount,
      UptimeBrowseParts{report, filters, session.programs(), session.clock(), firstDay, periods},
      session.browseHooks());
  if (format == OutputFormat::Json)
    out << DumpJson(HistoryJson(report, NowWholeSeconds(session.clock()), session.clock()));
  else
    out << state.summaryText;
  if (options.csvFile)
    ExportUptimeCsv(session.files(), report, DefaultHistoryColumns(), session.locale(),
                    *options.csvFile);
  if (options.htmlFile) {
    WriteUptimeHtmlFile(session.files(), report, state.summaryHtml, session.clock(),
                        session.locale(), *options.htmlFile);
  }
}

void ApplyLoginsOptions(const LoginsOptions& o, LoginReportSettings& s) {
  if (o.runs) {
    s.runsFilterEnabled = true;
    s.mode = LoginRunsMode::RunNumbers;
    s.runNumbers = *o.runs;
  }
  if (o.time.period) {
    s.runsFilterEnabled = true;
    s.mode = LoginRunsMode::Period;
    s.periodIndex = *o.time.period;
  }
  if (o.time.after || o.time.before) {
    s.runsFilterEnabled = true;
    s.mode = LoginRunsMode::DateRange;
  }
  if (o.time.after) {
    s.afterTicked = true;
    s.afterDate = DateOnly(*o.time.after);
    s.afterTime = TimeOfDay(*o.time.after);
  }
  if (o.time.before) {
    s.beforeTicked = true;
    s.beforeDate = DateOnly(*o.time.before);
    s.beforeTime = TimeOfDay(*o.time.before);
  }
  if (!o.users.empty()) {
    s.usersFilterEnabled = true;
    TickKeys(s.users, o.users, "user");
  }
}

void RunLogins(Session& session, const LoginsOptions& options, std::ostream& out,
               OutputFormat format) {
  LoginReportSettings settings;
  RebuildLoginUsers(settings.users, session.HistoryUsers());
  ApplyLoginsOptions(options, settings);
  const std::vector<std::string> ticked = settings.users.TickedKeys();

  LoginReportContext context;
  context.periodItems = PeriodItems(session.locale().firstDayOfWeek);
  context.firstDayOfWeek = session.locale().firstDayOfWeek;
  context.locale = session.locale();
  LoginTree tree;
  LoginBrowseResult result = BrowseLoginHistory(settings, session.computerRuns(), tree,
                                                session.statistics().serviceFailureCount,
                                                session.clock(), context, session.browseHooks());
  // A pass that found new users rebuilds the user list unticked; the users
  // asked for are ticked again and the report is built once more.
  if (settings.users.TickedKeys() != ticked) {
    settings.users.TickExactly(ticked);
    context.now = NowWholeSeconds(session.clock());
    LoginReportResult again = BuildLoginReport(session.computerRuns(), settings, context, tree);
    result = {std::move(again.plain), std::move(again.html)};
  }
  if (format == OutputFormat::Json)
    out << DumpJson(LoginsJson(tree, NowWholeSeconds(session.clock()), session.clock()));
  else
    out << result.plain << kLineBreak;
  if (options.csvFile) ExportLoginCsv(session.files(), tree, session.locale(), *options.csvFile);
  if (options.htmlFile) {
    const DateTime now = NowWholeSeconds(session.clock());
    WriteTextFileWithBom(session.files(), *options.htmlFile,
                         LoginHtmlDocument(tree, result.html, session.locale(), now,
                                           LoginChartSvg(tree, session.locale(), now)));
  }
}

// As the import button: whatever the import does, the statistics are
// refreshed afterwards, and an error is reported after that refresh.
void RunImportEventLog(Session& session, const ImportOptions& options, std::ostream& out) {
  WinStatistics& stats = session.statistics();
  Platform& platform = session.platform();
  std::unique_ptr<EventLog> files;
  if (!options.wtmpFiles.empty() || options.journalBoots) {
    files = MakeBootRecordsEventLog({options.wtmpFiles, options.journalBoots.value_or("")});
  }
  EventLog& eventLog = files ? *files : *platform.eventLog;
  std::exception_ptr failure;
  try {
    const int result = ImportEventLogHistory(session.tables().DataSetHistory, stats.firstBootDate,
                                             *platform.registry, eventLog, session.clock());
    if (result == kImportExecuted) {
      out << kImportDoneMessage << "\n";
      stats.firstBootDate = NullDate;
    }
  } catch (...) {
    failure = std::current_exception();
  }
  FetchWinStatistics(stats, NowWholeSeconds(session.clock()), session.services());
  if (failure) std::rethrow_exception(failure);
}

void RunWatchList(Session& session, std::ostream& out) {
  for (const TRecProgramme& program : session.watched().Programs())
    out << program.rLongExePath << "\n";
}

// Start Tracking does not tell the service when some of the programs were
// watched already; the programs it did add would then wait for the next
// change of the list, so the service is told here after all.
void RunWatchAdd(Session& session, const std::vector<std::string>& paths) {
  WatchedPrograms& watched = session.watched();
  const std::size_t before = watched.Programs().size();
  const StartTrackingResult result = watched.StartTracking(ProgramPaths(paths));
  if (!result.message.empty()) session.ShowMessage(result.message);
  if (!result.notified && watched.Programs().size() > before)
    watched.NotifyServiceProgrammsRefreshed();
}

void RunWatchRemove(Session& session, const std::vector<std::string>& paths, std::ostream& err) {
  WatchedPrograms& watched = session.watched();
  const std::vector<std::string> programPaths = ProgramPaths(paths);
  for (const std::string& path : programPaths)
    if (!ExactlyWatched(watched, path)) err << "brenvik-cli: not watched: " << path << "\n";
  watched.StopTracking(programPaths);
}

}  // namespace brenvik::cli
